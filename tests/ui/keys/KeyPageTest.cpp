#include <QAccessible>
#include <QLabel>

#include "PageTestSupport.h"
#include "catalog/FunctionCatalog.h"
#include "ui/keys/KeyMenuWindow.h"

namespace korvex {
namespace {

class KeyPageTest : public test::PageTest {
  protected:
    std::vector<int> selectedTiles() const {
        std::vector<int> codes;
        for (KeyFuncView* t : keys->customkey_funcctrl()->customkeyselect_array())
            if (t->isSelect()) codes.push_back(t->key_code());
        return codes;
    }
    void assign(const char* keyName, int code) {
        clickKey(keyName);
        pickTile(code);
    }
};

TEST_F(KeyPageTest, PanelPickIsStoredShownAndSentAndReselectedOnTheNextClick) {
    clickKey("a");
    EXPECT_EQ(hub->currentKeyValue, keyCode("a"));
    pickTile(5);  // B
    waitForUploads();
    // The keyboard's table is built from the stored row: held bytes are the stored function.
    EXPECT_EQ(held(0, "a"), (SimKeyEntry{0x02, 0, 5, 0}));
    EXPECT_EQ(key("a").keyMacro, "B");
    EXPECT_EQ(key("a").faceLabel, "B");
    EXPECT_EQ(selectedTiles(), std::vector<int>{5});

    clickKey("s");
    EXPECT_TRUE(selectedTiles().empty());
    clickKey("a");
    EXPECT_EQ(selectedTiles(), std::vector<int>{5});
}

TEST_F(KeyPageTest, PanelPickBeforeAnyKeyWarnsAndStoresNothing) {
    pickTile(5);
    ASSERT_NE(keys->sheet(), nullptr);
    EXPECT_EQ(keys->sheet()->informativeText(), "Please select a key on the keyboard");
    EXPECT_TRUE(rows(0).empty());
}

TEST_F(KeyPageTest, FnOnTheTopLayerActsOnBothLayersAndFnLayerEditsReachTheKeyboard) {
    assign("capsLock", kFnKeyCode);
    waitForUploads();
    const SimKeyEntry fn{0x02, 0, kFnKeyCode, 0};
    EXPECT_EQ(held(0, "capsLock"), fn);
    EXPECT_EQ(held(1, "capsLock"), fn);

    // The Fn layer shows its own labels at once.
    click(keys->customkey_btn_fnlayer());
    EXPECT_EQ(key("capsLock").keyMacro, "Fn");

    assign("j", 80);  // Left Arrow, on the Fn layer only
    waitForUploads();
    EXPECT_EQ(held(1, "j"), (SimKeyEntry{0x02, 0, 80, 0}));
    EXPECT_TRUE(held(0, "j").isDefault());

    // Back to default on the Fn layer keeps the top layer's Fn.
    clickKey("capsLock");
    chooseMenu(menuid::kDefaultKey);
    waitForUploads();
    EXPECT_TRUE(held(1, "capsLock").isDefault());
    EXPECT_EQ(held(0, "capsLock"), fn);
    click(keys->customkey_btn_toplayer());
    EXPECT_EQ(key("capsLock").keyMacro, "Fn");
    EXPECT_EQ(key("j").keyMacro, keyFullName("j"));
}

// Rows the custom key dialog stores are shown and sent when it closes, each
// key face with a short label of what it does, and select no panel tile.
TEST_F(KeyPageTest, DialogAssignmentsAreShownAndSentWhenTheDialogCloses) {
    struct Row {
        const char* key;
        int type, value, value2;
        const char* desc;
        const char* face;
        int value3 = 0;
    };
    const std::int64_t macro = hub->deviceDB()->addMacroProfile("Greeting");
    // A key shows a macro only once the keyboard holds it.
    ASSERT_TRUE(hub->sendMacroImage());
    const Row assigned[] = {
        {"f1", kMacroTypeMouse, 1, 0, "Left Click", "Left Click"},
        {"f2", kMacroTypeMultimedia, 5, 0, "Volume +", "Vol+"},
        {"f3", kMacroTypeMacShortcut, 4, 0, "Copy", "Copy"},
        {"f4", kMacroTypeKeyboard, 6, 224, "Left Control + C", "Ctrl+C"},
        {"f5", kMacroTypeKeyboard, 508, 0, "Vol Up", "Vol+"},
        {"f6", kMacroTypeMacro, int(macro), 0, "Greeting", "Greeting"},
        {"f7", kMacroTypeDisabled, 1, 0, "Disable Keys", "\u2298"},
        // A macro that repeats shows its count where the cap does not cut it.
        {"f8", kMacroTypeMacro, int(macro), kPlayMultipleTimes, "Greeting", "3\u00d7 Greeting", 3},
    };
    for (const Row& r : assigned) {
        ASSERT_GT(hub->deviceDB()->addKeyProfile({0, 0, hub->currentProfile, keyCode(r.key), r.type,
                                                  r.value, r.value2, r.value3, r.desc}),
                  0);
    }
    NotificationCenter::defaultCenter().post(notification::kCustomKeywindowCloseDid);
    waitForUploads();
    for (const Row& r : assigned) {
        EXPECT_EQ(key(r.key).keyMacro, r.desc);
        EXPECT_EQ(key(r.key).faceLabel, QString::fromUtf8(r.face)) << r.key;
        clickKey(r.key);
        EXPECT_TRUE(r.type == kMacroTypeKeyboard || selectedTiles().empty()) << r.key;
    }
    // Sent too (the bytes of each kind: ExpectedTables; the keyboard holding
    // the stored rows: the one-truth property).
    EXPECT_TRUE(held(0, "f6").isMacro());
    EXPECT_TRUE(held(0, "f7").isDisabled());
}

// (The menu's Custom Function opens the dialog for the clicked key: ReachTest.)
TEST_F(KeyPageTest, MenuGivesWayToTheHoveredKeysTooltipAndClosesOnAPressOutsideAndEscape) {
    clickKey("a");
    QTest::mouseMove(keyboard(), key("escape").rect.center().toPoint());
    ASSERT_TRUE(keys->keyToolTip() && keys->keyToolTip()->isVisible());
    EXPECT_FALSE(keys->keyMenu()->isVisible());
    EXPECT_EQ(keys->keyToolTip()->label_keydesc()->text(), "Escape");
    QTest::mouseMove(keyboard(), QPoint(1, 1));
    EXPECT_FALSE(keys->keyToolTip()->isVisible());

    clickKey("a");
    ASSERT_TRUE(keys->keyMenu()->isVisible());
    QTest::mouseClick(keys->customkey_btn_fnlayer()->parentWidget(), Qt::LeftButton, {},
                      QPoint(700, 5));
    EXPECT_FALSE(keys->keyMenu()->isVisible());

    clickKey("a");
    ASSERT_TRUE(keys->keyMenu()->isVisible());
    QTest::keyClick(hub->window(), Qt::Key_Escape);
    EXPECT_FALSE(keys->keyMenu()->isVisible());
    EXPECT_TRUE(rows(0).empty());  // closing chooses nothing
}

// A screen reader finds each key by its name, reads its assignment, and can
// press it like a click (menu items, tiles and the layer buttons by name:
// atspi_walk.py; every acting control named: ReachTest).
TEST_F(KeyPageTest, KeysAreAccessibleByName) {
    assign("a", 5);
    waitForUploads();
    QAccessibleInterface* kb = QAccessible::queryAccessibleInterface(keyboard());
    ASSERT_NE(kb, nullptr);
    ASSERT_EQ(kb->childCount(), 80);
    QHash<QString, QAccessibleInterface*> byName;
    for (int i = 0; i < kb->childCount(); ++i) {
        QAccessibleInterface* k = kb->child(i);
        ASSERT_NE(k, nullptr);
        byName[k->text(QAccessible::Name)] = k;
    }
    QAccessibleInterface *escape = byName.value("Escape"), *a = byName.value("A");
    ASSERT_TRUE(escape && a);
    EXPECT_EQ(a->text(QAccessible::Description), "B");
    EXPECT_TRUE(escape->text(QAccessible::Description).isEmpty());

    escape->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(hub->currentKeyValue, keyCode("escape"));
    EXPECT_TRUE(escape->state().selected);
}

TEST_F(KeyPageTest, FnModeButtonsStoreAndSendTheMode) {
    auto* fnKey = keys->customkey_btn_fnkey();
    auto* defaultKey = keys->customkey_btn_defaultkey();
    for (auto [on, off, mode] : {std::tuple{fnKey, defaultKey, 1}, {defaultKey, fnKey, 0}}) {
        click(on);
        waitForUploads();
        EXPECT_EQ(hub->deviceDB()->getConfigData(1, "fnfunction"), std::to_string(mode));
        ASSERT_TRUE(monitor->keyboard().systemFunctions());
        EXPECT_EQ(monitor->keyboard().systemFunctions()->fnFunction, mode);
        EXPECT_EQ(on->btn_color(), keycolors::kHighlight);
    }
}

// Other pages' buttons, keyboards and menus post the same names; this page
// answers only its own.
TEST_F(KeyPageTest, OtherPagesControlsDoNotActOnThisPage) {
    SelectButton otherSelect(hub->pageView(KeyboardViewController::kLightView));
    otherSelect.setTag(500);
    TextButton otherText(hub->pageView(KeyboardViewController::kLightView));
    otherText.setTag(1);
    otherText.move(0, 40);
    openPage(KeyboardViewController::kLightView);
    otherSelect.show();
    otherText.show();
    test::Recorder posted(notification::kSelectButtonAction);
    click(&otherSelect);
    click(&otherText);
    ASSERT_EQ(posted.posts.size(), 1u);
    EXPECT_EQ(hub->currentFnLayer, 0);
    EXPECT_NE(hub->deviceDB()->getConfigData(1, "fnfunction"), "1");

    KeyboardView otherKeyboard(hub->pageView(KeyboardViewController::kLightView));
    otherKeyboard.initKeyboard(1, "img_keyboard_layout", keyboardKeyRecords());
    otherKeyboard.show();
    const QPoint p = otherKeyboard.kbKeyArrayHover()[20].rect.center().toPoint();
    QTest::mouseMove(&otherKeyboard, p);
    QTest::mouseClick(&otherKeyboard, Qt::LeftButton, {}, p);
    EXPECT_EQ(hub->currentKeyValue, 0);
    EXPECT_TRUE(!keys->keyMenu() || !keys->keyMenu()->isVisible());
}

}  // namespace
}  // namespace korvex
