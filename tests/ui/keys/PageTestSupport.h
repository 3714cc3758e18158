#pragma once

// The whole window on a simulated keyboard with a fresh database in a
// temporary folder, driven through its controls; what the keyboard ends up
// holding is read back from the simulated keyboard.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "../WindowTestSupport.h"
#include "catalog/KeyCatalog.h"
#include "i18n/Language.h"
#include "ui/Controls.h"
#include "ui/DeviceEvents.h"
#include "ui/Images.h"
#include "ui/KeyboardViewController.h"
#include "ui/MainWindowController.h"
#include "ui/UploadIndicator.h"
#include "ui/config/KeyboardViewConfig.h"
#include "ui/keyboard/CustomKeyFuncView.h"
#include "ui/keyboard/KeyboardView.h"
#include "ui/keys/KeyboardViewKeyFunc.h"

namespace korvex::test {

class PageTest : public WindowTest {
  protected:
    void SetUp() override {
        useDataHome();
        curLanguage = kLanguageEnglish;
        startWindow();
        if (HasFatalFailure()) return;
        settle();
        // Interface texts in English from here on (the store starts in 2052).
        hub->initFinish = true;
        languageTo(kLanguageEnglish);
        keys = hub->findChild<KeyboardViewKeyFunc*>();
        config = hub->findChild<KeyboardViewConfig*>();
        ASSERT_TRUE(keys && config);
        hub->keyboard_connect()->click();
        openPage(KeyboardViewController::kCustomKeyView);
    }

    void TearDown() override {
        closeSheets();
        window.reset();
    }

    void openPage(int type) {
        hub->navigationButton(type)->click();
        settle();
    }

    KeyboardView* keyboard() const { return keys->customkey_keyboardctrl(); }
    const KeyData& key(const char* name) const {
        return keyboard()
            ->kbKeyArraySelect()[static_cast<std::size_t>(findKeyByName(name)->layout_index)];
    }
    int keyIndex(const char* name) const { return findKeyByName(name)->key_index; }
    int keyCode(const char* name) const { return findKeyByName(name)->code; }

    void clickKey(const char* name) {
        const QPoint p = key(name).rect.center().toPoint();
        QTest::mouseMove(keyboard(), p);
        QTest::mouseClick(keyboard(), Qt::LeftButton, {}, p);
    }
    void chooseMenu(int menuId) {
        ASSERT_TRUE(keys->keyMenu() && keys->keyMenu()->isVisible());
        QTest::mouseClick(keys->keyMenu()->menuitem(menuId), Qt::LeftButton);
    }
    void pickTile(int code) {
        for (const keyFunc& f : keys->customkey_funcctrl()->customkey_array())
            if (f.key_code == code) {
                QTest::mouseClick(f.view.data(), Qt::LeftButton);
                return;
            }
        FAIL() << "no tile " << code;
    }
    void click(QWidget* w) {
        // A check box takes clicks on its indicator and caption only.
        const QPoint at = qobject_cast<QCheckBox*>(w) ? QPoint(8, w->height() / 2) : QPoint();
        QTest::mouseClick(w, Qt::LeftButton, {}, at);
    }

    std::vector<ProfileKey> rows(int layer) {
        std::vector<ProfileKey> out;
        EXPECT_TRUE(hub->deviceDB()->queryKeysProfile(hub->currentProfile, layer, out));
        return out;
    }
    SimKeyEntry held(int layer, const char* name) {
        return monitor->keyboard().keyEntry(layer, keyIndex(name));
    }
    // The confirming or the first button of the page's sheet on show.
    void answer(QMessageBox* sheet, bool yes) {
        ASSERT_NE(sheet, nullptr);
        click(sheet->findChild<QPushButton*>(yes ? "sheet_yes" : "sheet_no"));
        settle();
    }

    KeyboardViewKeyFunc* keys = nullptr;
    KeyboardViewConfig* config = nullptr;
};

}  // namespace korvex::test
