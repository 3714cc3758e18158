#include <QLabel>
#include <QListView>
#include <QRadioButton>
#include <QToolTip>

#include "../keys/PageTestSupport.h"
#include "../recorder/KeyEvents.h"
#include "ui/macro/KeyboardViewMacro.h"

namespace korvex {
namespace {

using test::sendKey;
using test::tapKey;

constexpr int kA = 4, kB = 5;

// (type, value) of an event.
using Ev = std::pair<int, std::int64_t>;
const Ev dA{2, kA}, uA{3, kA}, dB{2, kB}, uB{3, kB};
Ev delay(std::int64_t ms) {
    return {1, ms};
}

class MacroPageTest : public test::PageTest {
  protected:
    void SetUp() override {
        PageTest::SetUp();
        if (HasFatalFailure()) return;
        page = hub->findChild<KeyboardViewMacro*>();
        ASSERT_NE(page, nullptr);
        openPage(KeyboardViewController::kMacroView);
    }

    std::vector<Ev> shown() const {
        std::vector<Ev> out;
        for (const MacroEvent& e : page->RecordListDatas()) out.push_back({e.type, e.value});
        return out;
    }
    std::vector<Ev> stored(std::size_t macro = 0) const {
        std::vector<RecordInfo> rows;
        hub->deviceDB()->queryMacroRecord(page->MacroListDatas().at(macro).macroId, rows);
        std::vector<Ev> out;
        for (const RecordInfo& r : rows) out.push_back({int(r.recordType), r.recordValue});
        return out;
    }
    std::vector<SimMacroEvent> sent(std::size_t slot = 0) {
        waitForUploads();
        const auto macros = sim().macros();
        return slot < macros.size() ? macros[slot].events : std::vector<SimMacroEvent>{};
    }
    QString rowText(int row) const {
        return page->recordList()->model()->index(row, 0).data().toString();
    }
    QPoint eventAt(int row) const {
        return page->recordList()->visualRect(page->recordList()->model()->index(row, 0)).center();
    }
    void selectEvent(int row) {
        QTest::mouseClick(page->recordList()->viewport(), Qt::LeftButton, {}, eventAt(row));
        ASSERT_EQ(page->recordSelectIndex, row);
    }
    void type(const char* field, const QString& text) {
        auto* edit = child<QLineEdit>(field);
        edit->selectAll();  // typed over
        QTest::keyClicks(edit, text);
    }
    void insertDelay(const QString& ms) {
        click("delayevent_radiobutton");
        type("insertevent_edit", ms);
        click("insertevent_button");
    }
    // Replaces the name of `row` as the pencil does.
    void rename(KeyTableItemView* row, const QString& name) {
        row->beginEdit();
        row->editor()->setText(name);
        QTest::keyClick(row->editor(), Qt::Key_Return);
        QApplication::processEvents();
    }
    MacroInfo storedInfo(std::size_t macro = 0) {
        MacroInfo info;
        EXPECT_TRUE(
            hub->deviceDB()->queryMacroInfo(page->MacroListDatas().at(macro).macroId, info));
        return info;
    }
    void record(const std::function<void()>& keys) {
        click("record_button");
        if (hub->macroRecordType != 2) answer(page->sheet(), true);  // over earlier events
        ASSERT_EQ(hub->macroRecordType, 2);
        keys();
        click("record_button");
        ASSERT_EQ(hub->macroRecordType, 1);
    }

    KeyboardViewMacro* page = nullptr;
};

TEST_F(MacroPageTest, RecordingFollowsTheDelayRadios) {
    click("macro_btn_newmacro");
    // Recording delay: the measured gap, capped at 100000 ms.
    click("record_button");
    tapKey(handle(), KEY_A, 1000, 1120);
    tapKey(handle(), KEY_B, 1120 + 5 * 60 * 1000, 1120 + 5 * 60 * 1000);
    EXPECT_TRUE(stored().empty());  // nothing stored before the stop
    click("record_button");
    EXPECT_EQ(stored(), (std::vector<Ev>{dA, delay(120), uA, delay(100000), dB, delay(0), uB}));
    // Recording over events asks first; declined, they stay.
    click("record_button");
    EXPECT_EQ(hub->macroRecordType, 1);
    answer(page->sheet(), false);
    EXPECT_EQ(stored().size(), 7u);

    // No delay: key events only; a new recording replaces the list.
    click("nodelay_radiobutton");
    record([&] {
        tapKey(handle(), KEY_A, 10, 20);
        tapKey(handle(), KEY_B, 30, 40);
    });
    EXPECT_EQ(stored(), (std::vector<Ev>{dA, uA, dB, uB}));

    // Default: the delay field's value before every key event but the first.
    click("defaultdelay_radiobutton");
    type("delaytime_edit", "30");
    record([&] {
        tapKey(handle(), KEY_A, 10, 900);
        sendKey(handle(), KEY_B, true, 5000);
    });
    EXPECT_EQ(stored(), (std::vector<Ev>{dA, delay(30), uA, delay(30), dB}));
}

TEST_F(MacroPageTest, InsertsGoBeforeOrAfterTheSelectedEvent) {
    click("macro_btn_newmacro");
    auto* where = child<QComboBox>("insertevent_combox");
    where->setCurrentIndex(0);  // "Insert Event Before" on an empty list appends
    click("keyboardevent_radiobutton");
    click("insertevent_button");  // no key pressed since the mode was chosen
    EXPECT_TRUE(shown().empty());
    tapKey(handle(), KEY_A, 0, 0);
    click("insertevent_button");
    insertDelay("50");
    EXPECT_EQ(stored(), (std::vector<Ev>{dA, uA, delay(50)}));

    selectEvent(1);
    click("mouseevent_radiobutton");
    child<QComboBox>("mousevent_combox")->setCurrentIndex(1);  // middle
    where->setCurrentIndex(1);
    click("insertevent_button");
    const Ev mDown{4, 2}, mUp{5, 2};
    EXPECT_EQ(rowText(2), "[MOUSE DOWN] Middle button");

    selectEvent(1);
    where->setCurrentIndex(0);
    click("insertevent_button");
    EXPECT_EQ(stored(), (std::vector<Ev>{dA, mDown, mUp, uA, mDown, mUp, delay(50)}));

    // A delay needs a whole number in the field.
    click("delayevent_radiobutton");
    click("insertevent_button");
    EXPECT_EQ(shown().size(), 7u);
}

TEST_F(MacroPageTest, DeletingAnEventTakesItsPartnerByTypeAndIsStoredAtOnce) {
    click("macro_btn_newmacro");
    click("nodelay_radiobutton");
    record([&] {
        sendKey(handle(), KEY_A, true);
        sendKey(handle(), KEY_B, true);
        sendKey(handle(), KEY_A, false);
        sendKey(handle(), KEY_B, false);
    });
    selectEvent(3);  // up B: the nearest earlier key down is down B
    click("button_action_deleterecord");
    EXPECT_EQ(stored(), (std::vector<Ev>{dA, uA}));
    insertDelay("7");
    selectEvent(0);  // down A takes the first key up after it
    click("button_action_deleterecord");
    EXPECT_EQ(stored(), (std::vector<Ev>{delay(7)}));
}

TEST_F(MacroPageTest, MacroListNamesRenameAndDeletion) {
    click("macro_btn_deletemacro");
    QMessageBox* sheet = page->sheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->informativeText(), "Please select macro list data");
    sheet->close();

    click("macro_btn_newmacro");
    EXPECT_EQ(page->macroList()->row(0)->text(), "Macro 1");
    click("macro_btn_deletemacro");
    EXPECT_EQ(page->macroList()->rowCount(), 0);
    click("macro_btn_newmacro");
    click("macro_btn_newmacro");
    EXPECT_EQ(page->macroList()->row(0)->text(), "Macro 1");
    EXPECT_EQ(page->macroSelectIndex, 1);
    // New names are never one the list shows, also after a deletion.
    page->macroList()->setSelectedRow(0);
    click("macro_btn_deletemacro");
    click("macro_btn_newmacro");
    EXPECT_EQ(page->macroList()->row(1)->text(), "Macro 3");
    page->macroList()->setSelectedRow(1);
    click("macro_btn_deletemacro");

    // The pencil starts the rename of its own row.
    auto* row = static_cast<KeyTableItemView*>(page->macroList()->row(0));
    settle();  // rows added to a shown list appear once events are processed
    QTest::mouseClick(row, Qt::LeftButton, {}, row->iconView()->geometry().center());
    EXPECT_EQ(page->macroSelectIndex, 0);
    ASSERT_TRUE(row->editor());
    row->editor()->clear();
    QTest::keyClicks(row->editor(), QString(40, QLatin1Char('x')));
    EXPECT_EQ(row->editor()->text().size(), 30);
    QTest::keyClick(row->editor(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(storedInfo().macroName, std::string(30, 'x'));
    rename(row, QString());
    EXPECT_EQ(row->text(), QString(30, QLatin1Char('x')));  // an empty name is ignored

    // A name too long for the row is kept whole.
    const QString wide(30, QChar(0x5B8F));
    rename(row, wide);
    EXPECT_EQ(QString::fromStdString(storedInfo().macroName), wide);

    // A macro with events is named and asked about; only "Delete" deletes it.
    insertDelay("7");
    click("macro_btn_deletemacro");
    ASSERT_NE(page->question(), nullptr);
    EXPECT_EQ(page->question()->text(), "Delete the macro \"" + wide + "\" and its events (1)?");
    answer(page->question(), false);
    EXPECT_EQ(page->macroList()->rowCount(), 1);
    click("macro_btn_deletemacro");
    answer(page->question(), true);
    EXPECT_EQ(page->macroList()->rowCount(), 0);
}

TEST_F(MacroPageTest, DoubleClickEditsAnEventInPlaceStoredAndSent) {
    click("macro_btn_newmacro");
    click("nodelay_radiobutton");
    record([&] { tapKey(handle(), KEY_A, 0, 0); });
    insertDelay("50");
    auto doubleClick = [&](int row) {
        // The first click, then the second click's press as a double click:
        // what the view sees from a pointer.
        selectEvent(row);
        QTest::mouseDClick(page->recordList()->viewport(), Qt::LeftButton, {}, eventAt(row));
    };

    const std::vector<SimMacroEvent> before = sent();
    doubleClick(2);
    QLineEdit* editor = page->delayEditor();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, "60000");
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(page->delayEditor(), nullptr);
    EXPECT_EQ(stored(), (std::vector<Ev>{dA, uA, delay(60000)}));
    EXPECT_NE(sent(), before);

    // Escape keeps the value.
    doubleClick(2);
    ASSERT_NE(page->delayEditor(), nullptr);
    page->delayEditor()->setText("5");
    QTest::keyClick(page->delayEditor(), Qt::Key_Escape);
    EXPECT_EQ(stored(), (std::vector<Ev>{dA, uA, delay(60000)}));

    // A key event takes the next key pressed, with its partner.
    doubleClick(1);
    EXPECT_EQ(page->recaptureRow(), 1);
    tapKey(handle(), KEY_B, 0, 0);
    EXPECT_EQ(page->recaptureRow(), -1);
    EXPECT_EQ(stored(), (std::vector<Ev>{dB, uB, delay(60000)}));
}

TEST_F(MacroPageTest, DelayFieldsTakeWhatIsTypedOrSayWhyNot) {
    click("macro_btn_newmacro");
    click("macro_btn_newmacro");
    click("defaultdelay_radiobutton");
    auto* delayField = child<QLineEdit>("delaytime_edit");
    EXPECT_TRUE(delayField->isEnabled());
    // A key that is no digit is refused where it is typed, and said so.
    type("delaytime_edit", "abc");
    EXPECT_EQ(delayField->text(), "10");
    EXPECT_EQ(QToolTip::text(), "A delay is a whole number of milliseconds from 1 to 60000.");
    type("delaytime_edit", "4");
    // Keys typed into the field are the field's, not the key insert field's.
    click("keyboardevent_radiobutton");
    delayField->setFocus();
    QKeyEvent digit(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier, KEY_5 + 8, 0, 0, "5");
    QApplication::sendEvent(handle(), &digit);
    EXPECT_EQ(delayField->text(), "45");
    EXPECT_EQ(child<QLineEdit>("insertevent_edit")->text(), "");

    // Out of range is kept as typed, and Save says why it stores nothing.
    for (const char* refused : {"99999", "0", ""}) {
        type("delaytime_edit", refused);
        if (!*refused) delayField->clear();
        EXPECT_EQ(delayField->text(), refused);
        click("macro_btn_save");
        ASSERT_NE(page->sheet(), nullptr) << refused;
        EXPECT_EQ(page->sheet()->text(), "The delay was not taken");
        page->sheet()->close();
        EXPECT_EQ(storedInfo(1).delayType, 0) << refused;
    }
    click("delayevent_radiobutton");
    type("insertevent_edit", "-");
    EXPECT_EQ(child<QLineEdit>("insertevent_edit")->text(), "");

    type("delaytime_edit", "30");
    click("macro_btn_save");
    page->macroList()->setSelectedRow(0);
    EXPECT_TRUE(child<QRadioButton>("recorddelay_radiobutton")->isChecked());
    EXPECT_FALSE(delayField->isEnabled());
    page->macroList()->setSelectedRow(1);
    EXPECT_TRUE(child<QRadioButton>("defaultdelay_radiobutton")->isChecked());
    EXPECT_EQ(delayField->text(), "30");
}

TEST_F(MacroPageTest, LeavingThePageEndsTheRecordingAndKeepsIt) {
    click("macro_btn_newmacro");
    click("record_button");
    tapKey(handle(), KEY_A, 100, 150);
    openPage(KeyboardViewController::kCustomKeyView);
    EXPECT_EQ(hub->macroRecordType, 1);
    EXPECT_FALSE(page->monitorInstalled());
    EXPECT_EQ(stored(), (std::vector<Ev>{dA, delay(50), uA}));
    EXPECT_EQ(sent().size(), 3u);
    tapKey(handle(), KEY_B, 200, 250);  // no longer recorded
    EXPECT_EQ(shown().size(), 3u);
}

TEST_F(MacroPageTest, TheMeterShowsTheMemoryAndNothingGoesPastIt) {
    click("macro_btn_newmacro");
    auto* meter = child<QLabel>("macro_capacity");
    const std::int64_t id = page->MacroListDatas()[0].macroId;
    // 4 * 622 + 8 = 2496: one more event fits, two do not.
    std::vector<RecordInfo> rows(621);
    for (auto& r : rows) r = {0, id, 1, 0, 5, "5"};
    ASSERT_TRUE(hub->deviceDB()->rewriteMacroRecords(id, rows));
    page->loadMacroRecordData(0);
    insertDelay("6");
    EXPECT_EQ(sent().size(), 622u);
    EXPECT_EQ(page->sheet(), nullptr);
    EXPECT_EQ(meter->text(), "2,496 of 2,500 bytes, 1 of 100 macros");

    click("keyboardevent_radiobutton");
    tapKey(handle(), KEY_A, 10, 20);
    click("insertevent_button");  // a down and an up: 8 bytes
    ASSERT_NE(page->sheet(), nullptr);
    EXPECT_EQ(page->sheet()->text(), "The keyboard's macro memory is full");
    EXPECT_EQ(stored().size(), 622u);
    page->sheet()->close();
    click("macro_btn_newmacro");  // 8 bytes more: refused as well
    EXPECT_EQ(page->MacroListDatas().size(), 1u);
    page->sheet()->close();

    // Recording stops by itself at the limit, keeping what fits.
    rows.resize(600);
    ASSERT_TRUE(hub->deviceDB()->rewriteMacroRecords(id, rows));
    page->loadMacroRecordData(0);
    click("macro_btn_newmacro");  // 4 * 600 + 2 * 8 = 2416 bytes
    click("nodelay_radiobutton");
    click("record_button");
    for (int i = 0; i < 20 && hub->macroRecordType == 2; ++i) tapKey(handle(), KEY_A, 10, 20);
    EXPECT_EQ(hub->macroRecordType, 1);
    EXPECT_EQ(stored(1).size(), 21u);
    EXPECT_EQ(meter->text(), "2,500 of 2,500 bytes, 2 of 100 macros");
    ASSERT_NE(page->sheet(), nullptr);
    EXPECT_EQ(page->sheet()->text(), "The keyboard's macro memory is full");

    // Past a limit (rows another program stored): the meter names it.
    rows.resize(700);
    ASSERT_TRUE(hub->deviceDB()->rewriteMacroRecords(id, rows));
    hub->sendMacroImage();
    page->loadMacroRecordData(0);
    EXPECT_TRUE(meter->text().endsWith(
        QString::fromUtf8(" \u2014 not on the keyboard: more than 2,500 bytes")))
        << meter->text().toStdString();
}

}  // namespace
}  // namespace korvex
