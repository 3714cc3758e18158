#pragma once

// The whole window on a simulated keyboard with a fresh database in a
// temporary folder, driven through its controls. What the keyboard ends up
// holding is read back from the simulated keyboard; "restarting" builds a
// new window (and a new keyboard) on the same database.

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "../WindowTestSupport.h"
#include "i18n/Language.h"
#include "store/DeviceSQLite.h"
#include "store/Sqlite.h"
#include "ui/Controls.h"
#include "ui/DeviceEvents.h"
#include "ui/Images.h"
#include "ui/KeyboardViewController.h"
#include "ui/MainWindowController.h"
#include "ui/UploadIndicator.h"

namespace korvex::test {

class LightPageTest : public WindowTest {
  protected:
    void SetUp() override {
        useDataHome();
        start();
    }

    void TearDown() override {
        closeSheets();
        window.reset();
    }

    void start() {
        startWindow();
        if (HasFatalFailure()) return;
        waitForUploads();
        // Interface texts in English (a new store starts in Simplified Chinese).
        languageTo(kLanguageEnglish);
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
        waitForUploads();
    }

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

    SimulatedKeyboard& keyboard() { return monitor->keyboard(); }
    DeviceSQLite& store() { return *hub->deviceDB(); }
    std::size_t exchangeCount() { return keyboard().exchanges().size(); }

    // A second connection to the same file, for what the page cannot do
    // itself (making its writes fail).
    void execOnFile(const char* statement) {
        sql::Connection other;
        ASSERT_TRUE(other.open(store().filePath(), SQLITE_OPEN_READWRITE));
        ASSERT_TRUE(other.exec(statement)) << other.errorMessage();
    }
};

}  // namespace korvex::test
