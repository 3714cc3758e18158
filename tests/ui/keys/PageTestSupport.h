#pragma once

// The whole window on a simulated keyboard with a fresh database in a
// temporary folder, in English, driven through its controls; what the
// keyboard ends up holding is read back from the simulated keyboard, and
// "restarting" builds a new window (and keyboard) on the same database.

#include <sqlite3.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "../WindowTestSupport.h"
#include "catalog/KeyCatalog.h"
#include "store/DeviceSQLite.h"
#include "store/Sqlite.h"
#include "ui/Controls.h"
#include "ui/Images.h"
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
        start();
        if (HasFatalFailure()) return;
        openPage(KeyboardViewController::kCustomKeyView);
    }

    void TearDown() override {
        closeSheets();
        window.reset();
    }

    void start() {
        startWindow();
        if (HasFatalFailure()) return;
        waitForUploads();
        // Interface texts in English from here on (the store starts in 2052).
        hub->initFinish = true;
        languageTo(kLanguageEnglish);
        keys = hub->findChild<KeyboardViewKeyFunc*>();
        config = hub->findChild<KeyboardViewConfig*>();
        ASSERT_TRUE(keys && config);
        hub->keyboard_connect()->click();
        waitForUploads();
    }

    void restart() {
        closeSheets();
        waitForUploads();
        window.reset();
        start();
    }

    void openPage(int type) {
        hub->navigationButton(type)->click();
        settle();
        waitForUploads();
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
    void click(const char* name) { child<QAbstractButton>(name)->click(); }
    void clickRow(ItemListView* list, int row) {
        QTest::mouseClick(list->row(row), Qt::LeftButton);
        waitForUploads();
    }
    // Replaces a field's text the way a user does: select all, type.
    static void typeInto(QLineEdit* field, const QString& text) {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
    }
    template <typename W>
    W* child(const char* name) const {
        W* w = hub->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // The window the key events go to.
    QWindow* handle() const { return hub->window()->windowHandle(); }

    std::vector<ProfileKey> rows(int layer) {
        std::vector<ProfileKey> out;
        EXPECT_TRUE(hub->deviceDB()->queryKeysProfile(hub->currentProfile, layer, out));
        return out;
    }
    SimulatedKeyboard& sim() { return monitor->keyboard(); }
    DeviceSQLite& store() { return *hub->deviceDB(); }
    std::size_t exchangeCount() { return sim().exchanges().size(); }
    SimKeyEntry held(int layer, const char* name) { return sim().keyEntry(layer, keyIndex(name)); }
    // The confirming or the first button of the page's sheet on show.
    void answer(QMessageBox* sheet, bool yes) {
        ASSERT_NE(sheet, nullptr);
        click(sheet->findChild<QPushButton*>(yes ? "sheet_yes" : "sheet_no"));
        settle();
    }
    // A second connection to the same file, for what the page cannot do
    // itself (making its writes fail).
    void execOnFile(const char* statement) {
        sql::Connection other;
        ASSERT_TRUE(other.open(store().filePath(), SQLITE_OPEN_READWRITE));
        ASSERT_TRUE(other.exec(statement)) << other.errorMessage();
    }

    KeyboardViewKeyFunc* keys = nullptr;
    KeyboardViewConfig* config = nullptr;
};

}  // namespace korvex::test
