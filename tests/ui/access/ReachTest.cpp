// What a keyboard-only or screen-reader user meets: the Tab chain stays on
// what is shown, every control that acts has a name, and a key can be
// remapped without the pointer.

#include <QAccessible>
#include <QApplication>
#include <QSet>

#include "../keys/PageTestSupport.h"
#include "exchange/Backups.h"
#include "ui/customkey/CustomKeyViewController.h"
#include "ui/desktop/KeyboardViewDesktop.h"
#include "ui/keys/KeyMenuWindow.h"

namespace korvex {
namespace {

constexpr int kPages[] = {KeyboardViewController::kCustomKeyView,
                          KeyboardViewController::kMacroView, KeyboardViewController::kLightView,
                          KeyboardViewController::kUserLightView,
                          KeyboardViewController::kConfigView};

class ReachTest : public test::PageTest {
  protected:
    QWidget* focus() const { return QApplication::focusWidget(); }
    // The offscreen platform activates every window it shows, also the key
    // menu, which never takes the focus on a desktop.
    void keyMenuShown() {
        ASSERT_TRUE(keys->keyMenu()->isVisible());
        settle();
        QApplication::setActiveWindow(window->window());
        settle();
    }

    void tab() {
        QTest::keyClick(focus() ? focus() : window->window(), Qt::Key_Tab);
        QApplication::processEvents();
    }

    // Every widget the Tab key reaches, once round the chain.
    std::vector<QWidget*> tabChain() {
        std::vector<QWidget*> chain;
        QSet<QWidget*> seen;
        for (int i = 0; i < 400; ++i) {
            tab();
            QWidget* w = focus();
            if (!w || seen.contains(w)) break;
            seen.insert(w);
            chain.push_back(w);
        }
        return chain;
    }

    // Shown to the user: visible, in the window, and not under the home view.
    bool seen(QWidget* w) const {
        if (!w->isVisible() || w->window() != window->window()) return false;
        if (!hub->homeViewShown()) return true;
        return hub->nodevice_view()->isAncestorOf(w) || window->titleBar()->isAncestorOf(w);
    }

    static bool acts(QAccessibleInterface* a) {
        static const QSet<QAccessible::Role> editors{
            QAccessible::Slider,   QAccessible::SpinBox,  QAccessible::EditableText,
            QAccessible::ComboBox, QAccessible::CheckBox, QAccessible::RadioButton};
        return (a->actionInterface() && !a->actionInterface()->actionNames().isEmpty()) ||
               editors.contains(a->role());
    }

    // Controls that act but have no name, among those a screen reader is
    // told are showing.
    QStringList unnamed(QAccessibleInterface* a) {
        QStringList out;
        if (!a || a->state().invisible) return out;
        if (acts(a) && a->text(QAccessible::Name).trimmed().isEmpty())
            out << (a->object() ? a->object()->objectName() : QStringLiteral("(child)")) +
                       QStringLiteral(" role %1").arg(a->role());
        for (int i = 0; i < a->childCount(); ++i) out << unnamed(a->child(i));
        return out;
    }
};

TEST_F(ReachTest, TabStaysOnWhatIsShownAndEveryActingControlIsNamed) {
    hub->button_action_home();
    settle();
    for (QWidget* w : tabChain())
        EXPECT_TRUE(seen(w)) << "home view: " << w->objectName().toStdString();
    // Nothing on the pages is announced as showing under the home view.
    QAccessibleInterface* page = QAccessible::queryAccessibleInterface(
        hub->pageView(KeyboardViewController::kCustomKeyView));
    EXPECT_TRUE(page->state().invisible);

    hub->keyboard_connect()->click();
    for (int type : kPages) {
        openPage(type);
        const std::vector<QWidget*> chain = tabChain();
        EXPECT_GT(chain.size(), 8u) << type;
        for (QWidget* w : chain)
            EXPECT_TRUE(seen(w)) << "page " << type << ": " << w->objectName().toStdString();
        const QStringList missing =
            unnamed(QAccessible::queryAccessibleInterface(window->window()));
        EXPECT_TRUE(missing.isEmpty())
            << "page " << type << ": " << missing.join(QStringLiteral(", ")).toStdString();
    }
}

// The figure the report quotes: Tab presses from the page's button to a
// remapped key, everything else arrows and Enter.
TEST_F(ReachTest, TheKeyboardAloneRemapsAKeyThroughThePanelTheMenuAndTheDialog) {
    hub->navigationButton(KeyboardViewController::kCustomKeyView)->setFocus();
    int tabs = 0;
    while (focus() != keyboard() && tabs < 50) tab(), ++tabs;
    ASSERT_EQ(focus(), keyboard());
    // Escape, then down the left column to Caps Lock.
    keyboard()->setFocusKeyItem(key("escape").index);
    for (int i = 0; i < 3; ++i) QTest::keyClick(keyboard(), Qt::Key_Down);
    ASSERT_EQ(keyboard()->focusKeyItem(), key("capsLock").index);
    QTest::keyClick(keyboard(), Qt::Key_Return);
    keyMenuShown();
    EXPECT_EQ(hub->currentKeyValue, keyCode("capsLock"));
    // On to the panel's one Tab stop, then the arrows to the Escape tile.
    while (!qobject_cast<KeyFuncView*>(focus()) && tabs < 60) tab(), ++tabs;
    auto* tile = qobject_cast<KeyFuncView*>(focus());
    ASSERT_NE(tile, nullptr);
    EXPECT_EQ(tile->key_code(), 41);
    QTest::keyClick(tile, Qt::Key_Right);
    EXPECT_EQ(qobject_cast<KeyFuncView*>(focus())->key_code(), 58);  // F1
    QTest::keyClick(focus(), Qt::Key_Left);
    QTest::keyClick(focus(), Qt::Key_Space);
    waitForUploads();
    EXPECT_EQ(held(0, "capsLock"), (SimKeyEntry{0x02, 0, 41, 0}));
    // Past the other page buttons to the keyboard, then one to the panel.
    EXPECT_EQ(tabs, 6);

    // The menu: Enter opens it, Escape closes it, the arrows and Enter choose.
    keyboard()->setFocus();
    keyboard()->setFocusKeyItem(key("a").index);
    QTest::keyClick(keyboard(), Qt::Key_Enter);
    keyMenuShown();
    QTest::keyClick(keyboard(), Qt::Key_Escape);
    EXPECT_FALSE(keys->keyMenu()->isVisible());
    QTest::keyClick(keyboard(), Qt::Key_Enter);
    keyMenuShown();
    QTest::keyClick(keyboard(), Qt::Key_Down);
    QTest::keyClick(keyboard(), Qt::Key_Down);  // Disable Keys
    QTest::keyClick(keyboard(), Qt::Key_Enter);
    waitForUploads();
    EXPECT_TRUE(held(0, "a").isDisabled());

    // The Fn layer button, then the dialog from the menu: type and
    // function boxes with the arrows, Save with Space.
    while (focus() != keys->customkey_btn_fnlayer() && tabs < 200) tab(), ++tabs;
    QTest::keyClick(focus(), Qt::Key_Space);
    keyboard()->setFocus();
    keyboard()->setFocusKeyItem(key("f3").index);
    QTest::keyClick(keyboard(), Qt::Key_Enter);
    keyMenuShown();
    for (int i = 0; i < 3; ++i) QTest::keyClick(keyboard(), Qt::Key_Down);
    QTest::keyClick(keyboard(), Qt::Key_Enter);
    auto* dialog = CustomKeyWindowController::current();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->accessibleName(), "Custom function: F3, Fn layer");
    CustomKeyViewController* content = dialog->contentViewController();
    ASSERT_EQ(dialog->focusWidget(), content->keyfunctype_combox);
    while (content->keyfunctype_combox->currentText() != "Multimedia")
        QTest::keyClick(content->keyfunctype_combox, Qt::Key_Down);
    // Passing "Keyboard Function" on the way did not take the focus away.
    EXPECT_EQ(dialog->focusWidget(), content->keyfunctype_combox);
    QTest::keyClick(content->keyfunctype_combox, Qt::Key_Tab);
    ASSERT_EQ(dialog->focusWidget(), content->keyfunc_combox);
    QTest::keyClick(content->keyfunc_combox, Qt::Key_End);  // Mute
    QTest::keyClick(content->keyfunc_combox, Qt::Key_Tab);
    ASSERT_EQ(dialog->focusWidget(), content->key_savedatabtn);
    QTest::keyClick(content->key_savedatabtn, Qt::Key_Space);
    waitForUploads();
    EXPECT_EQ(held(1, "f3"), (SimKeyEntry{0x03, 0xE2, 0, 0}));
}

// The effect list follows the arrows; the settings page's switches say what
// they do and whether they are on; "Back up now" puts a backup on the shelf.
TEST_F(ReachTest, EffectListFollowsArrowsSwitchesTellTheirStateAndBackUpNowBacksUp) {
    openPage(KeyboardViewController::kLightView);
    auto* effects = hub->findChild<ItemListView*>("lightmode");
    const int row = effects->selectedRow();
    effects->setFocus();
    QTest::keyClick(effects, Qt::Key_Down);
    EXPECT_EQ(effects->selectedRow(), row + 1);
    waitForUploads();
    ASSERT_TRUE(monitor->keyboard().lightMode());
    const int sent = monitor->keyboard().lightMode()->mode;
    QTest::keyClick(effects, Qt::Key_Up);
    waitForUploads();
    EXPECT_NE(monitor->keyboard().lightMode()->mode, sent);

    openPage(KeyboardViewController::kConfigView);
    QCheckBox* gameMode = config->gameModeBox(gamemodebox::kGameMode);
    EXPECT_EQ(gameMode->text(), "Off");
    click(gameMode);
    EXPECT_EQ(gameMode->text(), "On");

    auto* desktop = hub->findChild<KeyboardViewDesktop*>();
    ASSERT_NE(desktop, nullptr);
    click(desktop->btn_backupnow());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !desktop->backupRunning(); }, 5000));
    settle();
    const std::optional<BackupShelf> shelf = BackupShelf::standard();
    ASSERT_TRUE(shelf);
    const std::optional<BackupInfo> newest = shelf->newest();
    ASSERT_TRUE(newest);
    ASSERT_NE(desktop->sheet(), nullptr);
    EXPECT_EQ(desktop->sheet()->text(), "Backed up to " + QString::fromStdString(newest->path));
}

// A screen reader's names tell twins apart (the dialog's boxes set by their
// entries' actions: atspi_walk.py).
TEST_F(ReachTest, NamesTellTwinsApart) {
    QSet<QString> names;
    for (KeyFuncView* tile : keys->customkey_funcctrl()->customkeyselect_array()) {
        const QString name = QAccessible::queryAccessibleInterface(tile)->text(QAccessible::Name);
        EXPECT_FALSE(names.contains(name)) << name.toStdString();
        names.insert(name);
    }
    for (const char* n :
         {"Left Shift", "Right Shift", "1 (number row)", "1 (keypad)", "Left Cmd (Windows key)"})
        EXPECT_TRUE(names.contains(QString::fromLatin1(n))) << n;
}

}  // namespace
}  // namespace korvex
