#include "ui/macro/KeyboardViewMacro.h"

#include <QApplication>
#include <QButtonGroup>
#include <QChildEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QToolTip>

#include <algorithm>
#include <cstdio>

#include "catalog/KeyCatalog.h"
#include "protocol/Encoders.h"
#include "store/DeviceSQLite.h"
#include "sync/StoredUploads.h"
#include "ui/Controls.h"
#include "ui/KeyboardViewController.h"
#include "ui/NotificationCenter.h"
#include "ui/Theme.h"
#include "ui/recorder/Keylogger.h"

namespace korvex {

namespace {

constexpr std::int64_t kMaxRecordedDelay = 100000;

// Text ids of the page.
namespace textid {
constexpr int kYes = 2, kStopRecord = 200, kRecord = 201, kMacro = 210;
constexpr int kDeleteTitle = 211, kDeleteInfo = 212, kMouseDownLeft = 220;
constexpr int kNo = 3, kTooLarge = 930, kTooLargeInfo = 931;
constexpr int kDeleteEvent = 1511, kEmptyMacros = 1512, kPressAKey = 1513, kEmptyEvents = 1514;
constexpr int kEditHint = 1515, kPressNewKey = 1516, kMoveUp = 1555, kMoveDown = 1556;
constexpr int kMeter = 1100, kFull = 1101, kRecordingFull = 1102, kInsertFull = 1103;
constexpr int kNewFull = 1104, kRecordOver = 1105, kRecordOverInfo = 1106;
constexpr int kDelayNotTaken = 1107, kDelayRange = 1108;
constexpr int kOverBytes = 1109, kOverSlots = 1110, kOverMemory = 1111;
}  // namespace textid

QString fullNameOf(int code) {
    const KeyInfo* key = findKeyByCode(code);
    if (!key) return {};
    return QString::fromUtf8(key->full_name.data(), static_cast<qsizetype>(key->full_name.size()));
}

// Reached by Tab, never by a click: a key a mouse user types for the key
// insert must not press the control clicked last. A recording takes every
// key for itself.
template <typename W>
W* unfocused(W* w) {
    w->setFocusPolicy(Qt::TabFocus);
    return w;
}

}  // namespace

KeyboardViewMacro::KeyboardViewMacro(KeyboardViewController& hub)
    : QObject(&hub), hub_(hub), gate_(this) {
    setObjectName(QStringLiteral("keyboard_view_macro"));
    model_ = new MacroEventModel(this);
    if (hub_.macroRecordType != 2) hub_.macroRecordType = 1;
    if (QWidget* page = hub_.pageView(KeyboardViewController::kMacroView)) buildPage(page);
    observe();
    hub_.initMacroList = [this] { initMacroList(); };
    hub_.macroRecorderStop = [this] { stopMacroRecord(); };
    connect(&hub_, &KeyboardViewController::languageSwitched, this, [this] { relabel(); });
    relabel();
    EnabledControl(false);
}

KeyboardViewMacro::~KeyboardViewMacro() {
    removeMonitor();
}

DeviceSQLite* KeyboardViewMacro::db() const {
    return hub_.deviceDB();
}

bool KeyboardViewMacro::storeOpen() const {
    return db() && db()->isOpen();
}

void KeyboardViewMacro::buildPage(QWidget* page) {
    // The macro list.
    macroListLabel_ =
        theme::pageLabel(page, QStringLiteral("macro_label_macrolist"), QRect{24, 20, 240, 22});
    macroList_ = new ItemListView(page);
    macroList_->setObjectName(QStringLiteral("macrolist"));
    macroList_->setGeometry(24, 48, 240, 460);
    connect(macroList_, &ItemListView::selectionChanged, this,
            [this](int row) { macroRowChosen(row); });
    newMacro_ = unfocused(new QPushButton(page));
    newMacro_->setObjectName(QStringLiteral("macro_btn_newmacro"));
    newMacro_->setGeometry(24, 520, 116, 30);
    connect(newMacro_, &QPushButton::clicked, this, [this] { addMacroData(); });
    deleteMacro_ = unfocused(new QPushButton(page));
    deleteMacro_->setObjectName(QStringLiteral("macro_btn_deletemacro"));
    deleteMacro_->setGeometry(148, 520, 116, 30);
    connect(deleteMacro_, &QPushButton::clicked, this, [this] { askDeleteMacro(); });
    meter_ = new QLabel(page);
    meter_->setObjectName(QStringLiteral("macro_capacity"));
    meter_->setGeometry(24, 558, 624, 20);

    // The events of the selected macro.
    recordLabel_ =
        theme::pageLabel(page, QStringLiteral("macro_label_recordlist"), QRect{288, 20, 360, 22});
    recordList_ = unfocused(new QListView(page));
    recordList_->setObjectName(QStringLiteral("recordlist"));
    recordList_->setGeometry(288, 48, 360, 460);
    recordList_->setUniformItemSizes(true);
    recordList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    recordList_->setSelectionMode(QAbstractItemView::SingleSelection);
    recordList_->setModel(model_);
    recordList_->setStyleSheet(QStringLiteral(
        "QListView { background: rgb(28, 28, 30); color: rgb(230, 230, 230); border: none; }"
        "QListView::item { padding: 4px 8px; }"
        "QListView::item:selected { background: rgb(202, 81, 0); color: white; }"));
    connect(recordList_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& now) { recordRowChosen(now.isValid() ? now.row() : -1); });
    connect(recordList_, &QListView::doubleClicked, this,
            [this](const QModelIndex& at) { editRecordItem(at.row()); });

    // What to do when a list is empty, over the list itself.
    auto hint = [](QWidget* over, const char* name) {
        auto* label = new QLabel(over);
        label->setObjectName(QString::fromLatin1(name));
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        label->setStyleSheet(QStringLiteral("color: rgb(142, 142, 147);"));
        label->setGeometry(12, 40, over->width() - 24, 60);
        return label;
    };
    emptyMacros_ = hint(macroList_, "macro_label_emptylist");
    emptyEvents_ = hint(recordList_, "macro_label_emptyevents");
    connect(model_, &QAbstractItemModel::modelReset, this, [this] { showEmptyHints(); });
    connect(model_, &QAbstractItemModel::rowsInserted, this, [this] { showEmptyHints(); });
    deleteRecord_ = unfocused(new QPushButton(page));
    deleteRecord_->setObjectName(QStringLiteral("button_action_deleterecord"));
    deleteRecord_->setGeometry(288, 520, 110, 30);
    connect(deleteRecord_, &QPushButton::clicked, this, [this] { deleteRecordItem(); });
    moveUp_ = unfocused(new QPushButton(QStringLiteral("\u25b2"), page));
    moveUp_->setObjectName(QStringLiteral("button_action_touprecord"));
    moveUp_->setGeometry(406, 520, 40, 30);
    connect(moveUp_, &QPushButton::clicked, this, [this] { moveRecordItem(-1); });
    moveDown_ = unfocused(new QPushButton(QStringLiteral("\u25bc"), page));
    moveDown_->setObjectName(QStringLiteral("button_action_todownrecord"));
    moveDown_->setGeometry(454, 520, 40, 30);
    connect(moveDown_, &QPushButton::clicked, this, [this] { moveRecordItem(1); });
    record_ = unfocused(new QPushButton(page));
    record_->setObjectName(QStringLiteral("record_button"));
    record_->setGeometry(518, 520, 130, 30);
    connect(record_, &QPushButton::clicked, this, [this] { recordButtonAction(); });

    // The delay setting.
    auto* delayGroup = new QButtonGroup(this);
    int y = 48;
    for (auto [radio, name] : {std::pair{&recordDelay_, "recorddelay_radiobutton"},
                               std::pair{&noDelay_, "nodelay_radiobutton"},
                               std::pair{&defaultDelay_, "defaultdelay_radiobutton"}}) {
        *radio = unfocused(new QRadioButton(page));
        (*radio)->setObjectName(QString::fromLatin1(name));
        (*radio)->setGeometry(672, y, 160, 24);
        delayGroup->addButton(*radio);
        QRadioButton* r = *radio;
        connect(r, &QRadioButton::clicked, this, [this, r] { chooseDelayRadio(r); });
        y += 30;
    }
    delayTime_ = new QLineEdit(page);
    delayTime_->setObjectName(QStringLiteral("delaytime_edit"));
    delayTime_->setProperty("tag", 103);
    delayTime_->setGeometry(840, 108, 100, 24);
    delayTime_->setText(QString::number(kFieldDefaultMs));
    takeDelays(delayTime_);
    connect(defaultDelay_, &QRadioButton::toggled, this,
            [this](bool on) { delayTime_->setEnabled(on && controlsEnabled_); });
    recordDelay_->setChecked(true);

    // Inserting by hand.
    insertLabel_ =
        theme::pageLabel(page, QStringLiteral("macro_label_insertevent"), QRect{672, 160, 328, 22});
    insertWhere_ = unfocused(new QComboBox(page));
    insertWhere_->setObjectName(QStringLiteral("insertevent_combox"));
    insertWhere_->setGeometry(672, 188, 268, 28);
    insertWhere_->addItems({QString(), QString()});
    auto* eventGroup = new QButtonGroup(this);
    int x = 672;
    int type = 0;
    for (auto [radio, name] : {std::pair{&keyboardEvent_, "keyboardevent_radiobutton"},
                               std::pair{&mouseEvent_, "mouseevent_radiobutton"},
                               std::pair{&delayEvent_, "delayevent_radiobutton"}}) {
        *radio = unfocused(new QRadioButton(page));
        (*radio)->setObjectName(QString::fromLatin1(name));
        (*radio)->setGeometry(x, 226, 100, 24);
        eventGroup->addButton(*radio);
        connect(*radio, &QRadioButton::toggled, this, [this, type](bool on) {
            if (on) showInsertMode(type);
        });
        connect(*radio, &QRadioButton::clicked, this, [this, type] { chooseInsertMode(type); });
        x += 100;
        ++type;
    }
    mouseButton_ = unfocused(new QComboBox(page));
    mouseButton_->setObjectName(QStringLiteral("mousevent_combox"));
    mouseButton_->setGeometry(672, 260, 268, 28);
    mouseButton_->addItems({QString(), QString(), QString()});
    insertEdit_ = new QLineEdit(page);
    insertEdit_->setObjectName(QStringLiteral("insertevent_edit"));
    insertEdit_->setProperty("tag", 101);
    insertEdit_->setGeometry(672, 260, 268, 28);
    delayValidator_ = new DelayValidator(insertEdit_);
    connect(insertEdit_, &QLineEdit::inputRejected, this, [this] { delayRefused(insertEdit_); });
    insert_ = unfocused(new QPushButton(page));
    insert_->setObjectName(QStringLiteral("insertevent_button"));
    insert_->setGeometry(672, 298, 130, 30);
    connect(insert_, &QPushButton::clicked, this, [this] { insertNewEvent(); });
    keyboardEvent_->setChecked(true);

    save_ = unfocused(new QPushButton(page));
    save_->setObjectName(QStringLiteral("macro_btn_save"));
    save_->setGeometry(870, 520, 130, 30);
    connect(save_, &QPushButton::clicked, this, [this] { saveButtonAction(); });
}

void KeyboardViewMacro::observe() {
    NotificationCenter::defaultCenter().addObserver(
        notification::kKeyTableItemViewEdit,
        [this](const QVariant& v) {
            QObject* row = gate_.editing();
            if (!row) return;
            for (int i = 0; i < macroList_->rowCount(); ++i)
                if (macroList_->row(i) == row)
                    renameMacro(i, v.toMap().value(QStringLiteral("text")).toString());
        },
        this);
}

bool KeyboardViewMacro::eventFilter(QObject* watched, QEvent* event) {
    if (watched == delayEditor_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        finishDelayEdit(-1, false);
        return true;
    }
    // A row's name editor keeps to the name rule on every change.
    if (event->type() == QEvent::ChildPolished) {
        if (auto* editor = qobject_cast<QLineEdit*>(static_cast<QChildEvent*>(event)->child())) {
            editor->setProperty("tag", 106);
            connect(editor, &QLineEdit::textEdited, editor, [editor](const QString& text) {
                const QString ruled = macroNameRule(text);
                if (ruled != text) editor->setText(ruled);
            });
        }
    }
    return QObject::eventFilter(watched, event);
}

void KeyboardViewMacro::relabel() {
    // The hub relabels the page's fixed captions and combo boxes by name;
    // these depend on the page.
    deleteRecord_->setText(hub_.text(textid::kDeleteEvent));
    moveUp_->setAccessibleName(hub_.text(textid::kMoveUp));
    moveUp_->setToolTip(moveUp_->accessibleName());
    moveDown_->setAccessibleName(hub_.text(textid::kMoveDown));
    moveDown_->setToolTip(moveDown_->accessibleName());
    recordList_->setToolTip(hub_.text(textid::kEditHint));
    insertEdit_->setPlaceholderText(insertEventType == 0 ? hub_.text(textid::kPressAKey)
                                                         : QString());
    emptyMacros_->setText(hub_.text(textid::kEmptyMacros));
    emptyEvents_->setText(
        hub_.text(recaptureRow_ >= 0 ? textid::kPressNewKey : textid::kEmptyEvents));

    updateMeter();
    record_->setText(hub_.text(hub_.macroRecordType == 2 ? textid::kStopRecord : textid::kRecord));
    // Fields and boxes named by the captions they belong to.
    recordList_->setAccessibleName(recordLabel_->text());
    macroList_->setAccessibleName(hub_.text(180));
    insertWhere_->setAccessibleName(insertLabel_->text());
    insertEdit_->setAccessibleName(insertLabel_->text());
    mouseButton_->setAccessibleName(mouseEvent_->text());
    delayTime_->setAccessibleName(defaultDelay_->text());
}

// --- the macro list ------------------------------------------------------------

void KeyboardViewMacro::initMacroList() {
    // Shown again from the store (another program's change, a refused
    // write): the macro on show stays on show while it exists.
    const std::int64_t shown = selectedMacroId();
    otherEvents_.reset();
    macros_.clear();
    if (storeOpen()) db()->queryAllMacroData(macros_);
    rebuildMacroRows();
    macroSelectIndex = -1;
    const auto kept = std::find_if(macros_.begin(), macros_.end(),
                                   [&](const MacroInfo& m) { return m.macroId == shown; });
    if (kept != macros_.end())
        macroList_->setSelectedRow(static_cast<int>(kept - macros_.begin()));
    else if (!macros_.empty())
        macroList_->setSelectedRow(0);
    keyboardEvent_->setChecked(true);
    chooseInsertMode(0);
    updateMeter();
}

void KeyboardViewMacro::rebuildMacroRows() {
    macroList_->keepRows(static_cast<int>(macros_.size()), [this] {
        auto* row = new KeyTableItemView;
        row->setIcons(QStringLiteral("icon_edit"), QStringLiteral("icon_edit_check"));
        row->setIconStartsEdit(true);
        gate_.watchEditing(row);
        row->installEventFilter(this);
        return row;
    });
    for (std::size_t i = 0; i < macros_.size(); ++i) {
        auto* row = static_cast<KeyTableItemView*>(macroList_->row(static_cast<int>(i)));
        row->cancelEdit();
        row->setText(QString::fromStdString(macros_[i].macroName));
        row->setTableViewIndex(static_cast<int>(i));
    }
    showEmptyHints();
}

void KeyboardViewMacro::showEmptyHints() {
    emptyMacros_->setVisible(macros_.empty());
    emptyEvents_->setVisible(selectedMacroId() != 0 && model_->rowCount() == 0 &&
                             hub_.macroRecordType != 2);
}

std::int64_t KeyboardViewMacro::selectedMacroId() const {
    if (macroSelectIndex < 0 || macroSelectIndex >= static_cast<int>(macros_.size())) return 0;
    return macros_[static_cast<std::size_t>(macroSelectIndex)].macroId;
}

void KeyboardViewMacro::macroRowChosen(int row) {
    // An edit in progress belongs to the macro shown until now.
    finishDelayEdit(-1, false);
    recaptureRow_ = -1;
    // A recording belongs to the macro it started on: store it there first.
    if (hub_.macroRecordType == 2 && row != macroSelectIndex) hub_.stopMacroRecord();
    macroSelectIndex = row;
    if (row < 0) {
        setEvents({}, -1);
        EnabledControl(false);
        showEmptyHints();
        return;
    }
    loadMacroRecordData(row);
    showEmptyHints();
}

void KeyboardViewMacro::addMacroData() {
    if (!storeOpen()) return;
    if (!fits(0, 1)) {
        showSheet(hub_.text(textid::kFull), hub_.text(textid::kNewFull));
        return;
    }
    // Count on past names in use: after a deletion the count alone would
    // repeat the name of a macro the list still shows.
    auto inUse = [&](const QString& name) {
        return std::any_of(macros_.begin(), macros_.end(), [&](const MacroInfo& m) {
            return QString::fromStdString(m.macroName) == name;
        });
    };
    std::size_t n = macros_.size() + 1;
    QString name;
    do {
        name = hub_.text(textid::kMacro) + QLatin1Char(' ') + QString::number(n++);
    } while (inUse(name));
    const std::int64_t id = db()->addMacroProfile(name.toStdString());
    if (id < 1) return void(hub_.reportNotSaved());
    MacroInfo info;
    info.macroId = id;
    info.playTimes = 1;
    info.macroName = name.toStdString();
    macros_.push_back(info);
    rebuildMacroRows();
    macroList_->setSelectedRow(static_cast<int>(macros_.size()) - 1);
    // Nothing the keyboard plays changed: the image goes out once the macro
    // has events or a key plays it.
    updateMeter();
}

void KeyboardViewMacro::askDeleteMacro() {
    // The event list shows the selected macro's events.
    const std::size_t events = model_->events().size();
    if (macroSelectIndex < 0 || macroSelectIndex >= static_cast<int>(macros_.size()) || events == 0)
        return deleteMacroData();
    const QString name =
        QString::fromStdString(macros_[static_cast<std::size_t>(macroSelectIndex)].macroName);
    asks_.confirm(hub_.window(), hub_.text(1592).arg(name).arg(events), hub_.text(1593),
                  hub_.text(927), hub_.text(1596), [this] { deleteMacroData(); });
}

void KeyboardViewMacro::deleteMacroData() {
    if (macroSelectIndex < 0 || macroSelectIndex >= static_cast<int>(macros_.size())) {
        showSheet(hub_.text(textid::kDeleteTitle), hub_.text(textid::kDeleteInfo));
        return;
    }
    if (!storeOpen()) return;
    // The macro goes with its recording; nothing of it is stored.
    if (hub_.macroRecordType == 2) endRecordingWithoutStoring();
    otherEvents_.reset();
    if (!db()->deleteMacroProfile(selectedMacroId())) return void(hub_.reportNotSaved());
    const int gone = macroSelectIndex;
    macros_.erase(macros_.begin() + gone);
    // Only its row goes; that clears the selection and the event list empties.
    macroList_->removeRow(gone);
    for (int i = gone; i < macroList_->rowCount(); ++i)
        static_cast<KeyTableItemView*>(macroList_->row(i))->setTableViewIndex(i);
    showEmptyHints();
    macroSelectIndex = -1;
    // The keys that played it were unbound with it, and keys play a macro
    // by its place in the image: the new image moves the slots, and the key
    // tables follow it. When it does not fit they go out on their own.
    if (!hub_.sendMacroImage()) {
        showSheet(hub_.text(textid::kTooLarge), hub_.text(textid::kTooLargeInfo));
        hub_.loadKeyMacroData();
    } else if (hub_.showKeyAssignments) {
        hub_.showKeyAssignments();
    }
    updateMeter();
}

void KeyboardViewMacro::renameMacro(int row, const QString& name) {
    const QString cut = macroNameRule(name);
    if (cut.trimmed().isEmpty() || row < 0 || row >= static_cast<int>(macros_.size())) return;
    if (!storeOpen()) return;
    MacroInfo& macro = macros_[static_cast<std::size_t>(row)];
    if (!db()->updateMacroProfileName(macro.macroId, cut.toStdString()))
        return void(hub_.reportNotSaved());
    macro.macroName = cut.toStdString();
    macroList_->row(row)->setText(cut);
    // Its keys show the new name.
    if (hub_.showKeyAssignments) hub_.showKeyAssignments();
}

void KeyboardViewMacro::loadMacroRecordData(int selectIndex) {
    if (selectIndex < 0 || selectIndex >= static_cast<int>(macros_.size())) return;
    const std::int64_t id = macros_[static_cast<std::size_t>(selectIndex)].macroId;
    std::vector<RecordInfo> records;
    MacroInfo info;
    bool found = false;
    otherEvents_.reset();
    if (storeOpen()) {
        db()->queryMacroRecord(id, records);
        found = db()->queryMacroInfo(id, info);
    }
    std::vector<MacroEvent> events;
    events.reserve(records.size());
    for (const RecordInfo& r : records) events.push_back(fromRecord(r));
    setEvents(std::move(events), -1);
    updateMeter();
    if (found) {
        switch (info.delayType) {
            case 2:
                defaultDelay_->setChecked(true);
                delayTime_->setText(QString::number(info.delayTime));
                break;
            case 1:
                noDelay_->setChecked(true);
                break;
            case 0:
                recordDelay_->setChecked(true);
                break;
            default:
                break;
        }
    }
    EnabledControl(true);
}

void KeyboardViewMacro::EnabledControl(bool enabled) {
    controlsEnabled_ = enabled;
    for (QWidget* w :
         std::initializer_list<QWidget*>{recordList_, insertWhere_, mouseButton_, insert_, record_,
                                         save_, deleteRecord_, moveUp_, moveDown_})
        w->setEnabled(enabled);
    insertEdit_->setEnabled(enabled && insertEventType == 2);
    delayTime_->setEnabled(enabled && defaultDelay_->isChecked());
}

// --- the event list ------------------------------------------------------------

void KeyboardViewMacro::recordRowChosen(int row) {
    recordSelectIndex = row;
}

void KeyboardViewMacro::setEvents(std::vector<MacroEvent> events, int keepSelection) {
    model_->setEvents(std::move(events));
    recordSelectIndex = -1;
    if (keepSelection >= 0 && keepSelection < model_->rowCount())
        recordList_->setCurrentIndex(model_->index(keepSelection));
}

void KeyboardViewMacro::insertEvents(const std::vector<MacroEvent>& inserted) {
    std::vector<MacroEvent> events = model_->events();
    const int at = insertPosition(static_cast<int>(events.size()), recordSelectIndex,
                                  insertWhere_->currentIndex() == 1);
    if (!fits(static_cast<int>(inserted.size()), 0)) {
        showSheet(hub_.text(textid::kFull), hub_.text(textid::kInsertFull));
        return;
    }
    events.insert(events.begin() + at, inserted.begin(), inserted.end());
    setEvents(std::move(events), recordSelectIndex);
    storeAndUpload();
}

QString KeyboardViewMacro::mouseText(int value, bool down) const {
    return hub_.text(textid::kMouseDownLeft + 2 * (value - 1) + (down ? 0 : 1));
}

void KeyboardViewMacro::insertNewEvent() {
    if (selectedMacroId() == 0) return;
    using namespace macroevent;
    switch (insertEventType) {
        case 0: {
            const int code = Keylogger::shared().keys.GLOBAL_LAST_PRESS_KEY_SCANCODE;
            const QString name = fullNameOf(code);
            if (code == 0 || name.isEmpty()) return;
            insertEvents({{kKeyDown, code, name}, {kKeyUp, code, name}});
            break;
        }
        case 1: {
            const int value = mouseButton_->currentIndex() + 1;
            if (value < 1 || value > 3) return;
            insertEvents({{kMouseDown, value, mouseText(value, true)},
                          {kMouseUp, value, mouseText(value, false)}});
            break;
        }
        case 2: {
            const auto n = delayOf(insertEdit_->text());
            if (!n) return delayNotTaken();
            insertEvents({{kDelay, *n, QString::number(*n)}});
            break;
        }
        default:
            break;
    }
}

void KeyboardViewMacro::deleteRecordItem() {
    std::vector<MacroEvent> events = model_->events();
    if (!deleteEventAt(events, recordSelectIndex)) return;
    // Stored and sent at once, like every other edit of the list.
    setEvents(std::move(events), recordSelectIndex);
    storeAndUpload();
}

void KeyboardViewMacro::moveRecordItem(int step) {
    std::vector<MacroEvent> events = model_->events();
    if (!moveEvent(events, recordSelectIndex, step)) return;
    setEvents(std::move(events), recordSelectIndex + step);
    storeAndUpload();
}

bool KeyboardViewMacro::SaveMacroRecordDataToDB() {
    const std::int64_t id = selectedMacroId();
    if (id == 0 || !storeOpen()) return false;
    otherEvents_.reset();
    // One transaction: a failure keeps the macro's previous events whole.
    return db()->rewriteMacroRecords(id, toRecords(id, model_->events()));
}

void KeyboardViewMacro::storeAndUpload() {
    if (SaveMacroRecordDataToDB())
        SaveMacroToKeyboard();
    else if (selectedMacroId() != 0 && storeOpen())
        hub_.reportNotSaved();  // the list is shown again as stored
    updateMeter();
}

void KeyboardViewMacro::SaveMacroToKeyboard() {
    if (!storeOpen()) return;
    // Nothing is sent when they do not fit; say so rather than let the user
    // believe it is.
    if (!hub_.sendMacroImage())
        showSheet(hub_.text(textid::kTooLarge), hub_.text(textid::kTooLargeInfo));
}

std::size_t KeyboardViewMacro::eventsInUse() const {
    if (!storeOpen()) return 0;
    // The stored rows of every macro, with the selected macro's as shown (a
    // recording is not stored until it stops). The other macros' count is
    // read once per selection and store write, not per recorded event.
    const std::int64_t id = selectedMacroId();
    if (!otherEvents_ || otherEvents_->first != id) {
        std::size_t events =
            static_cast<std::size_t>(std::max<std::int64_t>(db()->getRecordCount(), 0));
        if (id) {
            std::vector<RecordInfo> stored;
            db()->queryMacroRecord(id, stored);
            events -= std::min(events, stored.size());
        }
        otherEvents_ = std::pair{id, events};
    }
    return otherEvents_->second + (id ? model_->events().size() : 0);
}

bool KeyboardViewMacro::fits(int moreEvents, int moreMacros) const {
    const std::size_t macros = macros_.size() + static_cast<std::size_t>(moreMacros);
    const std::size_t bytes =
        4 * (eventsInUse() + static_cast<std::size_t>(moreEvents)) + 8 * macros;
    return macros <= kMacroSlots && bytes <= kMacroSizeLimit;
}

void KeyboardViewMacro::updateMeter() {
    if (!meter_) return;
    const QLocale numbers(QLocale::English);
    const std::size_t bytes = 4 * eventsInUse() + 8 * macros_.size();
    QString text = hub_.text(textid::kMeter)
                       .arg(numbers.toString(static_cast<qulonglong>(bytes)),
                            numbers.toString(static_cast<qulonglong>(kMacroSizeLimit)))
                       .arg(macros_.size())
                       .arg(kMacroSlots);
    // The keyboard did not get the macros: which of its limits they pass.
    // Within both counts they can still overrun its memory, whose layout
    // needs more than the counted bytes.
    if (hub_.macrosHeldBack()) {
        const int limit = bytes > kMacroSizeLimit        ? textid::kOverBytes
                          : macros_.size() > kMacroSlots ? textid::kOverSlots
                                                         : textid::kOverMemory;
        text += QStringLiteral(" \u2014 ") +
                hub_.text(limit).arg(numbers.toString(
                    static_cast<qulonglong>(limit == textid::kOverBytes   ? kMacroSizeLimit
                                            : limit == textid::kOverSlots ? kMacroSlots
                                                                          : kMacroImageSize)));
    }
    meter_->setText(text);
}

void KeyboardViewMacro::saveButtonAction() {
    hub_.stopMacroRecord();
    const std::int64_t id = selectedMacroId();
    if (id == 0 || !storeOpen()) return;
    MacroInfo info;
    info.macroId = id;
    info.playTimes = 0;
    if (recordDelay_->isChecked()) {
        info.delayType = 0;
    } else if (noDelay_->isChecked()) {
        info.delayType = 1;
    } else if (defaultDelay_->isChecked()) {
        const auto delay = defaultDelay();
        if (!delay) return delayNotTaken();
        info.delayType = 2;
        info.delayTime = *delay;
    }
    if (!db()->modifyMacroInfo(info)) return void(hub_.reportNotSaved());
    // The list as shown is what Save keeps, deletions included.
    if (!SaveMacroRecordDataToDB()) return void(hub_.reportNotSaved());
    SaveMacroToKeyboard();
}

void KeyboardViewMacro::showSheet(const QString& message, const QString& informative) {
    if (sheet_) sheet_->close();
    auto* box = new QMessageBox(QMessageBox::Warning, message, message, QMessageBox::NoButton,
                                hub_.window());
    box->setObjectName(QStringLiteral("sheet"));
    box->setInformativeText(informative);
    box->addButton(hub_.text(textid::kYes), QMessageBox::AcceptRole)
        ->setObjectName(QStringLiteral("sheet_yes"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    sheet_ = box;
    box->open();
}

// --- editing an event in place ------------------------------------------------------

void KeyboardViewMacro::editRecordItem(int row) {
    const std::vector<MacroEvent>& events = model_->events();
    if (row < 0 || row >= static_cast<int>(events.size()) || selectedMacroId() == 0 ||
        hub_.macroRecordType == 2)
        return;
    finishDelayEdit(-1, false);
    recaptureRow_ = -1;
    const MacroEvent& event = events[static_cast<std::size_t>(row)];
    if (event.type == macroevent::kDelay) {
        auto* editor = new QLineEdit(QString::number(event.value), recordList_->viewport());
        editor->setObjectName(QStringLiteral("recordlist_delayedit"));
        editor->setGeometry(recordList_->visualRect(model_->index(row)));
        editor->installEventFilter(this);
        takeDelays(editor);
        connect(editor, &QLineEdit::editingFinished, this,
                [this, row] { finishDelayEdit(row, true); });
        delayEditor_ = editor;
        editor->show();
        editor->setFocus();
        editor->selectAll();
        return;
    }
    if (event.type == macroevent::kKeyDown || event.type == macroevent::kKeyUp) {
        // The next key pressed replaces this one, down and up alike.
        recaptureRow_ = row;
        forgetLastKey();
        installMonitor();
        emptyEvents_->setText(hub_.text(textid::kPressNewKey));
        emptyEvents_->setVisible(true);
    }
}

void KeyboardViewMacro::finishDelayEdit(int row, bool commit) {
    if (!delayEditor_) return;
    // Detach first: hiding the editor ends the edit again, which must not store twice.
    QLineEdit* editor = delayEditor_;
    delayEditor_ = nullptr;
    editor->disconnect(this);
    editor->removeEventFilter(this);
    const std::optional<std::int64_t> value = delayOf(editor->text());
    editor->hide();
    editor->deleteLater();
    std::vector<MacroEvent> events = model_->events();
    if (!commit || row < 0 || row >= static_cast<int>(events.size())) return;
    if (!value) return delayNotTaken();
    MacroEvent& event = events[static_cast<std::size_t>(row)];
    if (event.type != macroevent::kDelay || event.value == *value) return;
    event.value = *value;
    event.text = QString::number(*value);
    setEvents(std::move(events), row);
    storeAndUpload();
}

void KeyboardViewMacro::recaptureKey(int code, const QString& name) {
    const int row = recaptureRow_;
    recaptureRow_ = -1;
    showEmptyHints();
    emptyEvents_->setText(hub_.text(textid::kEmptyEvents));
    if (insertEventType != 0) removeMonitor();
    std::vector<MacroEvent> events = model_->events();
    if (row < 0 || row >= static_cast<int>(events.size())) return;
    const MacroEvent old = events[static_cast<std::size_t>(row)];
    // The event's partner changes with it, or the keyboard would be left
    // holding a key that is never released.
    const bool down = old.type == macroevent::kKeyDown;
    const int partnerType = down ? macroevent::kKeyUp : macroevent::kKeyDown;
    int partner = -1;
    if (down) {
        for (int i = row + 1; i < static_cast<int>(events.size()) && partner < 0; ++i)
            if (events[static_cast<std::size_t>(i)].type == partnerType &&
                events[static_cast<std::size_t>(i)].value == old.value)
                partner = i;
    } else {
        for (int i = row - 1; i >= 0 && partner < 0; --i)
            if (events[static_cast<std::size_t>(i)].type == partnerType &&
                events[static_cast<std::size_t>(i)].value == old.value)
                partner = i;
    }
    for (int i : {row, partner})
        if (i >= 0) {
            events[static_cast<std::size_t>(i)].value = code;
            events[static_cast<std::size_t>(i)].text = name;
        }
    if (events == model_->events()) return;
    setEvents(std::move(events), row);
    storeAndUpload();
}

// --- insert modes and delay radios -----------------------------------------------

void KeyboardViewMacro::showInsertMode(int type) {
    insertEventType = type;
    insertEdit_->setPlaceholderText(type == 0 ? hub_.text(textid::kPressAKey) : QString());
    mouseButton_->setVisible(type == 1);
    insertEdit_->setVisible(type != 1);
    insertEdit_->clear();
    // Only a delay is typed here; a key name is filled in from the key pressed.
    insertEdit_->setValidator(type == 2 ? delayValidator_ : nullptr);
    insertEdit_->setEnabled(type == 2 && controlsEnabled_);
}

void KeyboardViewMacro::chooseInsertMode(int type) {
    showInsertMode(type);
    forgetLastKey();
    if (type == 0)
        installMonitor();
    else
        removeMonitor();
}

void KeyboardViewMacro::chooseDelayRadio(QAbstractButton* radio) {
    delayTime_->setEnabled(radio == defaultDelay_ && controlsEnabled_);
}

std::optional<std::int64_t> KeyboardViewMacro::defaultDelay() const {
    return delayOf(delayTime_->text());
}

void KeyboardViewMacro::takeDelays(QLineEdit* field) {
    field->setValidator(new DelayValidator(field));
    connect(field, &QLineEdit::inputRejected, this, [this, field] { delayRefused(field); });
}

void KeyboardViewMacro::delayRefused(QLineEdit* field) {
    // Said where the user types, at once, without stopping the typing.
    QToolTip::showText(field->mapToGlobal(QPoint(0, field->height())),
                       hub_.text(textid::kDelayRange), field);
}

void KeyboardViewMacro::delayNotTaken() {
    showSheet(hub_.text(textid::kDelayNotTaken), hub_.text(textid::kDelayRange));
}

// --- recording -------------------------------------------------------------------

void KeyboardViewMacro::installMonitor() {
    if (eventHandler_ != 0) return;
    eventHandler_ = Keylogger::shared().addMonitor([this] { fillMacroRecord(); });
}

void KeyboardViewMacro::removeMonitor() {
    if (eventHandler_ == 0) return;
    Keylogger::shared().removeMonitor(eventHandler_);
    eventHandler_ = 0;
}

void KeyboardViewMacro::forgetLastKey() {
    Keylogger::shared().keys.GLOBAL_LAST_PRESS_KEY_SCANCODE = 0;
}

void KeyboardViewMacro::recordButtonAction() {
    if (selectedMacroId() == 0) return;
    if (hub_.macroRecordType == 2) {
        hub_.stopMacroRecord();
        return;
    }
    // A default delay the recording could not use is said before it starts.
    if (defaultDelay_->isChecked() && !defaultDelay()) return delayNotTaken();
    if (model_->rowCount() == 0) {
        beginRecording();
        return;
    }
    // Recording replaces the events, and any stop stores the new list: ask
    // before a stray click can erase a long macro.
    if (sheet_) sheet_->close();
    auto* box =
        new QMessageBox(QMessageBox::Question, hub_.text(textid::kRecordOver),
                        hub_.text(textid::kRecordOver), QMessageBox::NoButton, hub_.window());
    box->setObjectName(QStringLiteral("sheet"));
    box->setInformativeText(hub_.text(textid::kRecordOverInfo).arg(model_->rowCount()));
    box->addButton(hub_.text(textid::kYes), QMessageBox::AcceptRole)
        ->setObjectName(QStringLiteral("sheet_yes"));
    box->addButton(hub_.text(textid::kNo), QMessageBox::RejectRole)
        ->setObjectName(QStringLiteral("sheet_no"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    const std::int64_t macro = selectedMacroId();
    connect(box, &QMessageBox::buttonClicked, this, [this, box, macro](QAbstractButton* b) {
        if (box->buttonRole(b) == QMessageBox::AcceptRole && selectedMacroId() == macro &&
            hub_.macroRecordType != 2)
            beginRecording();
    });
    sheet_ = box;
    box->open();
}

void KeyboardViewMacro::beginRecording() {
    hub_.macroRecordType = 2;
    startMacroRecord();
    record_->setText(hub_.text(textid::kStopRecord));
    setEvents({}, -1);
}

void KeyboardViewMacro::startMacroRecord() {
    delayEvent_->setChecked(true);
    for (QWidget* w : {keyboardEvent_, mouseEvent_, delayEvent_}) w->setEnabled(true);
    forgetLastKey();
    installMonitor();
    // The keys typed belong to the recording alone: no field, button or
    // shortcut of the window may act on them.
    Keylogger::shared().setExclusive(true);
}

void KeyboardViewMacro::stopMacroRecord() {
    Keylogger::shared().setExclusive(false);
    removeMonitor();
    forgetLastKey();
    delayEvent_->setChecked(true);
    for (QWidget* w : {keyboardEvent_, mouseEvent_, delayEvent_}) w->setEnabled(true);
    storeAndUpload();
}

void KeyboardViewMacro::endRecordingWithoutStoring() {
    Keylogger::shared().setExclusive(false);
    removeMonitor();
    forgetLastKey();
    hub_.macroRecordType = 1;
    record_->setText(hub_.text(textid::kRecord));
    delayEvent_->setChecked(true);
}

void KeyboardViewMacro::fillMacroRecord() {
    const Keylogger& keys = Keylogger::shared();
    const int code = keys.keys.GLOBAL_LAST_PRESS_KEY_SCANCODE;
    if (code == 0 || selectedMacroId() == 0) return;
    // Only keys of the catalog are recorded: the event needs the key's name.
    const QString name = fullNameOf(code);
    if (name.isEmpty()) return;
    if (recaptureRow_ >= 0) {
        if (keys.keys.lastKeyOperate == "down") recaptureKey(code, name);
        return;
    }
    std::fputs("fillMacroRecord \n", stdout);
    if (keyboardEvent_->isChecked()) {
        // Keys typed into another field (the default delay) are that field's.
        auto* typing = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        if (typing && typing != insertEdit_) return;
        insertEdit_->setText(name);
        return;
    }
    if (hub_.macroRecordType != 2) return;
    std::optional<std::int64_t> delay;
    if (model_->rowCount() > 0) {
        if (recordDelay_->isChecked())
            // The clock is monotonic, but a key event may carry an older time.
            delay = std::clamp<std::int64_t>(keys.lastMovedTimes - lastRecordTime, 0,
                                             kMaxRecordedDelay);
        else if (defaultDelay_->isChecked())
            delay = defaultDelay();  // checked when the recording began
    }
    if (!fits(delay ? 2 : 1, 0)) {
        // Full: stop here, keeping what fits, and say why.
        hub_.stopMacroRecord();
        showSheet(hub_.text(textid::kFull), hub_.text(textid::kRecordingFull));
        return;
    }
    if (delay) model_->append({macroevent::kDelay, *delay, QString::number(*delay)});
    lastRecordTime = keys.lastMovedTimes;
    model_->append({keys.keys.lastKeyOperate == "down" ? macroevent::kKeyDown : macroevent::kKeyUp,
                    code, name});
    recordList_->scrollToBottom();
    updateMeter();
}

}  // namespace korvex
