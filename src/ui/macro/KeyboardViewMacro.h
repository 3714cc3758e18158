#pragma once

// The macro page: the macro list, the selected macro's events, recording
// from the keyboard, inserting key, mouse and delay events by hand, and the
// delay setting. The store is written first; the keyboard then gets the
// whole macro image from what the store holds.

#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "store/Records.h"
#include "ui/keys/PageSheets.h"
#include "ui/keys/PostSourceGate.h"
#include "ui/macro/MacroEvents.h"

class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QLabel;
class QListView;
class QMessageBox;
class QPushButton;
class QRadioButton;
class QWidget;

namespace korvex {

class DeviceSQLite;
class ItemListView;
class KeyboardViewController;

class KeyboardViewMacro : public QObject {
    Q_OBJECT
  public:
    // Builds the page into the hub's macro page view.
    explicit KeyboardViewMacro(KeyboardViewController& hub);
    ~KeyboardViewMacro() override;

    // --- operations of the page ------------------------------------------------
    void initMacroList();
    void addMacroData();
    // The delete button: a macro with events is named and asked about
    // first; only "Delete" deletes it (deleteMacroData).
    void askDeleteMacro();
    void deleteMacroData();
    void loadMacroRecordData(int selectIndex);
    void insertNewEvent();
    void deleteRecordItem();
    void moveRecordItem(int step);
    void recordButtonAction();
    void saveButtonAction();
    void EnabledControl(bool enabled);
    void renameMacro(int row, const QString& name);
    // Double-click on an event: a delay's value is edited in place, a key
    // event takes the next key pressed. Stored and sent once, when done.
    void editRecordItem(int row);
    QLineEdit* delayEditor() const { return delayEditor_; }
    int recaptureRow() const { return recaptureRow_; }
    // Stores the event list of the selected macro; false when that failed.
    bool SaveMacroRecordDataToDB();
    // Sends every macro to the keyboard; shows a sheet when they do not fit.
    void SaveMacroToKeyboard();

    // --- recording ---------------------------------------------------------------
    void startMacroRecord();
    void stopMacroRecord();
    void fillMacroRecord();

    // --- state ---------------------------------------------------------------------
    int macroSelectIndex = -1;
    int recordSelectIndex = -1;
    int insertEventType = 0;  // 0 keyboard, 1 mouse, 2 delay
    std::int64_t lastRecordTime = 0;
    bool monitorInstalled() const { return eventHandler_ != 0; }
    const std::vector<MacroInfo>& MacroListDatas() const { return macros_; }
    const std::vector<MacroEvent>& RecordListDatas() const { return model_->events(); }

    // --- controls --------------------------------------------------------------
    ItemListView* macroList() const { return macroList_; }
    QListView* recordList() const { return recordList_; }
    QMessageBox* sheet() const { return sheet_; }
    QMessageBox* question() const { return asks_.sheet(); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildPage(QWidget* page);
    void relabel();
    void observe();
    DeviceSQLite* db() const;
    bool storeOpen() const;
    void rebuildMacroRows();
    void macroRowChosen(int row);
    void recordRowChosen(int row);
    void chooseInsertMode(int type);  // the user picked an event radio
    void showInsertMode(int type);    // an event radio went on, by anyone
    void chooseDelayRadio(QAbstractButton* radio);
    void installMonitor();
    void removeMonitor();
    void forgetLastKey();
    void setEvents(std::vector<MacroEvent> events, int keepSelection);
    void insertEvents(const std::vector<MacroEvent>& events);
    void storeAndUpload();
    void endRecordingWithoutStoring();
    void beginRecording();
    // The keyboard's macro memory: the events in use (the selected macro's
    // as shown), whether that many more events and macros fit, the meter.
    std::size_t eventsInUse() const;
    bool fits(int moreEvents, int moreMacros) const;
    void updateMeter();
    void showSheet(const QString& message, const QString& informative);
    std::int64_t selectedMacroId() const;
    // The default delay field's value, when it is one a delay may take.
    std::optional<std::int64_t> defaultDelay() const;
    // Delay fields take digits only and say so when another key is typed.
    void takeDelays(QLineEdit* field);
    void delayRefused(QLineEdit* field);
    // A delay field's text could not be used: nothing was changed, and why.
    void delayNotTaken();
    QString mouseText(int value, bool down) const;
    void finishDelayEdit(int row, bool commit);
    void recaptureKey(int code, const QString& name);
    void showEmptyHints();

    KeyboardViewController& hub_;
    PostSourceGate gate_;
    std::vector<MacroInfo> macros_;
    bool controlsEnabled_ = false;
    MacroEventModel* model_ = nullptr;
    int eventHandler_ = 0;
    QPointer<QMessageBox> sheet_;
    PageSheet asks_;

    ItemListView* macroList_ = nullptr;
    QListView* recordList_ = nullptr;
    QLabel* macroListLabel_ = nullptr;
    QLabel* recordLabel_ = nullptr;
    QLabel* insertLabel_ = nullptr;
    QLabel* meter_ = nullptr;
    QPushButton* newMacro_ = nullptr;
    QPushButton* deleteMacro_ = nullptr;
    QPushButton* deleteRecord_ = nullptr;
    QPushButton* moveUp_ = nullptr;
    QPushButton* moveDown_ = nullptr;
    QPushButton* record_ = nullptr;
    QPushButton* save_ = nullptr;
    QRadioButton* recordDelay_ = nullptr;
    QRadioButton* noDelay_ = nullptr;
    QRadioButton* defaultDelay_ = nullptr;
    QLineEdit* delayTime_ = nullptr;
    DelayValidator* delayValidator_ = nullptr;  // the insert field's, in delay mode
    QComboBox* insertWhere_ = nullptr;
    QRadioButton* keyboardEvent_ = nullptr;
    QRadioButton* mouseEvent_ = nullptr;
    QRadioButton* delayEvent_ = nullptr;
    QComboBox* mouseButton_ = nullptr;
    QLineEdit* insertEdit_ = nullptr;
    QPushButton* insert_ = nullptr;
    QLabel* emptyMacros_ = nullptr;
    QLabel* emptyEvents_ = nullptr;
    QPointer<QLineEdit> delayEditor_;
    int recaptureRow_ = -1;
    // The stored events of every macro but the selected one (by id), read
    // once per selection and store write.
    mutable std::optional<std::pair<std::int64_t, std::size_t>> otherEvents_;
};

}  // namespace korvex
