#include "../keys/PageTestSupport.h"
#include "../recorder/KeyEvents.h"
#include "catalog/FunctionCatalog.h"
#include "ui/customkey/CustomKeyViewController.h"
#include "ui/keys/KeyMenuWindow.h"
#include "ui/recorder/Keylogger.h"

namespace korvex {
namespace {

using test::sendKey;

constexpr int kA = 4, kC = 6, kF5 = 62, kLeftControl = 224, kLeftShift = 225;

// Rows of the dialog's function type combo.
enum TypeRow { kDefaultRow, kKeyboardRow, kMouseRow, kMacroRow, kMultimediaRow, kMacRow };

class CustomKeyDialogTest : public test::PageTest {
  protected:
    void SetUp() override {
        PageTest::SetUp();
        if (HasFatalFailure()) return;
        Keylogger::shared().keys.clear();
    }

    // "Custom Function" in the key menu of a key.
    CustomKeyViewController* openFor(int code) {
        hub->currentKeyValue = code;
        keys->MenuItemMouseUpAction(menuid::kCustomKey);
        CustomKeyWindowController* window = CustomKeyWindowController::current();
        EXPECT_NE(window, nullptr);
        if (!window) return nullptr;
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        dialog = window->contentViewController();
        return dialog;
    }
    void chooseType(int row) { dialog->keyfunctype_combox->setCurrentIndex(row); }
    void press(int evdev, bool down) { sendKey(dialogWindow(), evdev, down); }
    QWindow* dialogWindow() const { return dialog->window()->windowHandle(); }
    void save() {
        test::Recorder closed(notification::kCustomKeywindowCloseDid);
        dialog->key_savedatabtn->click();
        ASSERT_TRUE(
            QTest::qWaitFor([] { return CustomKeyWindowController::current() == nullptr; }, 2000));
        EXPECT_EQ(closed.posts.size(), 1u);
        waitForUploads();
    }
    std::optional<ProfileKey> row(int code, int layer = 0) {
        ProfileKey key;
        if (!hub->deviceDB()->queryKeyProfile(hub->currentProfile, layer, code, key))
            return std::nullopt;
        return key;
    }
    SimKeyEntry sent(int code, int layer = 0) {
        return sim().keyEntry(layer, findKeyByCode(code)->key_index);
    }

    CustomKeyViewController* dialog = nullptr;
};

TEST_F(CustomKeyDialogTest, KeyCombinationsAreCapturedFromTheHeldKeys) {
    ASSERT_TRUE(openFor(kA));
    EXPECT_EQ(dialog->label_layer->text(), "Top layer: A");
    chooseType(kKeyboardRow);
    ASSERT_TRUE(dialog->keyfunc_edit->isVisible());
    press(KEY_LEFTCTRL, true);
    press(KEY_KP1, true);  // a key this keyboard lacks is left out
    EXPECT_EQ(dialog->keyfunc_edit->text(), "Left Control");
    press(KEY_C, true);
    sendKey(dialogWindow(), KEY_ESC, true, 0, false, Qt::Key_Escape);  // a key like any other
    ASSERT_NE(CustomKeyWindowController::current(), nullptr);
    press(KEY_C, false);
    EXPECT_EQ(dialog->keyfunc_edit->text(), "Left Control + C");
    save();
    auto stored = row(kA);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->macroType, kMacroTypeKeyboard);
    EXPECT_EQ(stored->macroValue, kC);
    EXPECT_EQ(stored->macro2Value, kLeftControl);
    EXPECT_EQ(stored->macroDesc, "Left Control + C");
    EXPECT_EQ(sent(kA), (SimKeyEntry{0x02, 0x01, kC, 0}));
    // (save() saw the close posted; the key page's labels follow it:
    // KeyPageTest.DialogAssignmentsAreShownAndSentWhenTheDialogCloses.)

    // Two modifiers and a key: an entry holds one modifier and one key, so the
    // first modifier and the key are shown and stored (never a modifier in the
    // key's place).
    Keylogger::shared().keys.clear();
    ASSERT_TRUE(openFor(kA));
    chooseType(kKeyboardRow);
    press(KEY_LEFTSHIFT, true);
    press(KEY_A, true);
    EXPECT_FALSE(dialog->label_capturenote->isVisible());
    press(KEY_LEFTCTRL, true);
    EXPECT_EQ(dialog->keyfunc_edit->text(), "Left Shift + A");
    // The dropped modifier is not dropped silently.
    EXPECT_TRUE(dialog->label_capturenote->isVisible());
    save();
    EXPECT_EQ(row(kA)->macroValue, kA);
    EXPECT_EQ(row(kA)->macro2Value, kLeftShift);

    // One key alone.
    Keylogger::shared().keys.clear();
    ASSERT_TRUE(openFor(kA));
    chooseType(kKeyboardRow);
    press(KEY_F5, true);
    save();
    EXPECT_EQ(row(kA)->macroValue, kF5);
    EXPECT_EQ(row(kA)->macro2Value, 0);

    // Nothing captured: nothing stored, the dialog closes all the same.
    ASSERT_TRUE(openFor(kC));
    chooseType(kKeyboardRow);
    save();
    EXPECT_FALSE(row(kC));
}

TEST_F(CustomKeyDialogTest, MacroPlayModesAndLoopCounts) {
    // No macros: an empty list, and the key stays at its default.
    ASSERT_TRUE(openFor(kA));
    chooseType(kMacroRow);
    EXPECT_EQ(dialog->keyfunc_combox->count(), 0);
    save();
    EXPECT_FALSE(row(kA));

    DeviceSQLite& db = *hub->deviceDB();
    EXPECT_GT(db.addMacroProfile("first"), 0);
    const std::int64_t second = db.addMacroProfile("second");
    // As the macro page does: keys can only play what the keyboard holds.
    ASSERT_TRUE(hub->sendMacroImage());
    using Case = std::tuple<int, const char*, std::int64_t>;  // play mode, loops typed, stored
    for (const auto& [playMode, loops, want] :
         {Case{1, "0", 1}, Case{1, "1", 1}, Case{1, "255", 255}, Case{1, "256", 255},
          Case{1, "text", 1}, Case{2, "9", 0}, Case{0, "9", 0}}) {
        ASSERT_TRUE(openFor(kA));
        chooseType(kMacroRow);
        ASSERT_EQ(dialog->keyfunc_combox->count(), 2);
        dialog->keyfunc_combox->setCurrentIndex(1);
        dialog->combox_macrotype->setCurrentIndex(playMode);
        EXPECT_EQ(dialog->edit_macroplaytime->isVisible(), playMode == 1);
        if (playMode == 1) {
            // The field shows the value Save will store as the user types.
            dialog->edit_macroplaytime->selectAll();
            QTest::keyClicks(dialog->edit_macroplaytime, QString::fromLatin1(loops));
            EXPECT_EQ(dialog->edit_macroplaytime->text(), QString::number(want)) << loops;
        } else {
            dialog->edit_macroplaytime->setText(QString::fromLatin1(loops));
        }
        save();
        auto stored = row(kA);
        ASSERT_TRUE(stored) << loops;
        EXPECT_EQ(stored->macroValue, second);
        EXPECT_EQ(stored->macro2Value, playMode);
        EXPECT_EQ(stored->macro3Value, want) << loops;
        EXPECT_EQ(stored->macroDesc, "second");
        EXPECT_TRUE(sent(kA).isMacro());
    }
}

TEST_F(CustomKeyDialogTest, TheFnLayerShownIsTheLayerEditedAndEveryTypeStoresItsValue) {
    hub->currentFnLayer = 1;
    ASSERT_TRUE(openFor(kA));
    EXPECT_EQ(dialog->label_layer->text(), "Fn layer: A");
    chooseType(kMouseRow);
    dialog->keyfunc_combox->setCurrentIndex(2);
    save();
    EXPECT_FALSE(row(kA, 0));
    ASSERT_TRUE(row(kA, 1));
    EXPECT_EQ(row(kA, 1)->macroType, kMacroTypeMouse);
    EXPECT_EQ(row(kA, 1)->macroValue, keyFunctionMouseDatas[2].mode);
    EXPECT_FALSE(sent(kA, 1).isDefault());
    EXPECT_TRUE(sent(kA, 0).isDefault());

    hub->currentFnLayer = 0;
    for (auto [typeRow, type, list] :
         {std::tuple{kMultimediaRow, kMacroTypeMultimedia,
                     std::span<const ComboEntry>(keyFunctionMultimediaDatas)},
          std::tuple{kMacRow, kMacroTypeMacShortcut,
                     std::span<const ComboEntry>(keyFunctionMacShortcutsDatas)}}) {
        ASSERT_TRUE(openFor(kC));
        chooseType(typeRow);
        EXPECT_EQ(dialog->key_functionvalue, list[0].mode);  // the first item is chosen
        dialog->keyfunc_combox->setCurrentIndex(static_cast<int>(list.size()) - 1);
        save();
        EXPECT_EQ(row(kC)->macroType, type);
        EXPECT_EQ(row(kC)->macroValue, list.back().mode);
        EXPECT_FALSE(sent(kC).isDefault());
    }

    // Default: the key goes back to its own function.
    ASSERT_TRUE(openFor(kC));
    EXPECT_EQ(dialog->key_functiontypevalue, kMacroTypeDefault);
    save();
    EXPECT_FALSE(row(kC));
    EXPECT_TRUE(sent(kC).isDefault());
}

TEST_F(CustomKeyDialogTest, OneDialogAtATimeModalOverTheMainWindow) {
    ASSERT_TRUE(openFor(kA));
    CustomKeyWindowController* first = CustomKeyWindowController::current();
    EXPECT_EQ(first->windowModality(), Qt::WindowModal);
    keys->openCustomKeyDialog(kC, 1, "C");
    EXPECT_EQ(CustomKeyWindowController::current(), first);
    // Leaving without saving stores nothing but still lets the window reload.
    test::Recorder closed(notification::kCustomKeywindowCloseDid);
    QTest::keyClick(first, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([] { return CustomKeyWindowController::current() == nullptr; }));
    EXPECT_EQ(closed.posts.size(), 1u);
    EXPECT_FALSE(row(kA));
}

}  // namespace
}  // namespace korvex
