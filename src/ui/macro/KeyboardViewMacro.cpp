#include "ui/macro/KeyboardViewMacro.h"

#include <QButtonGroup>
#include <QChildEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <cstdio>

#include "catalog/KeyCatalog.h"
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
constexpr int kYes = 2, kDelete = 183, kStopRecord = 200, kRecord = 201, kMacro = 210;
constexpr int kDeleteTitle = 211, kDeleteInfo = 212, kMouseDownLeft = 220;
constexpr int kTooLarge = 930, kTooLargeInfo = 931;
}  // namespace textid

QString fullNameOf(int code) {
    const KeyInfo* key = findKeyByCode(code);
    if (!key) return {};
    return QString::fromUtf8(key->full_name.data(), static_cast<qsizetype>(key->full_name.size()));
}

// Keys typed while recording must not press the page's buttons.
template <typename W>
W* unfocused(W* w) {
    w->setFocusPolicy(Qt::NoFocus);
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
    connect(deleteMacro_, &QPushButton::clicked, this, [this] { deleteMacroData(); });

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
    deleteRecord_ = unfocused(new QPushButton(page));
    deleteRecord_->setObjectName(QStringLiteral("button_action_deleterecord"));
    deleteRecord_->setGeometry(288, 520, 80, 30);
    connect(deleteRecord_, &QPushButton::clicked, this, [this] { deleteRecordItem(); });
    moveUp_ = unfocused(new QPushButton(QStringLiteral("\u25b2"), page));
    moveUp_->setObjectName(QStringLiteral("button_action_touprecord"));
    moveUp_->setGeometry(376, 520, 40, 30);
    connect(moveUp_, &QPushButton::clicked, this, [this] { moveRecordItem(-1); });
    moveDown_ = unfocused(new QPushButton(QStringLiteral("\u25bc"), page));
    moveDown_->setObjectName(QStringLiteral("button_action_todownrecord"));
    moveDown_->setGeometry(424, 520, 40, 30);
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
    connect(delayTime_, &QLineEdit::textEdited, this, [this](const QString& text) {
        const QString ruled = delayFieldRule(text);
        if (ruled != text) delayTime_->setText(ruled);
    });
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
    connect(insertEdit_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (insertEventType != 2) return;
        const QString ruled = delayFieldRule(text);
        if (ruled != text) insertEdit_->setText(ruled);
    });
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
    deleteRecord_->setText(hub_.text(textid::kDelete));
    record_->setText(hub_.text(hub_.macroRecordType == 2 ? textid::kStopRecord : textid::kRecord));
}

// --- the macro list ------------------------------------------------------------

void KeyboardViewMacro::initMacroList() {
    macros_.clear();
    if (storeOpen()) db()->queryAllMacroData(macros_);
    rebuildMacroRows();
    if (!macros_.empty()) macroList_->setSelectedRow(0);
    keyboardEvent_->setChecked(true);
    chooseInsertMode(0);
}

void KeyboardViewMacro::rebuildMacroRows() {
    macroList_->clear();
    for (std::size_t i = 0; i < macros_.size(); ++i) {
        auto* row = new KeyTableItemView(QString::fromStdString(macros_[i].macroName));
        row->setIcons(QStringLiteral("icon_edit"), QStringLiteral("icon_edit_check"));
        row->setTableViewIndex(static_cast<int>(i));
        gate_.watchEditing(row);
        row->installEventFilter(this);
        macroList_->addRow(row);
    }
}

std::int64_t KeyboardViewMacro::selectedMacroId() const {
    if (macroSelectIndex < 0 || macroSelectIndex >= static_cast<int>(macros_.size())) return 0;
    return macros_[static_cast<std::size_t>(macroSelectIndex)].macroId;
}

void KeyboardViewMacro::macroRowChosen(int row) {
    // A recording belongs to the macro it started on: store it there first.
    if (hub_.macroRecordType == 2 && row != macroSelectIndex) hub_.stopMacroRecord();
    macroSelectIndex = row;
    if (row < 0) {
        setEvents({}, -1);
        EnabledControl(false);
        return;
    }
    loadMacroRecordData(row);
}

void KeyboardViewMacro::addMacroData() {
    if (!storeOpen()) return;
    const QString name =
        hub_.text(textid::kMacro) + QLatin1Char(' ') + QString::number(macros_.size() + 1);
    const std::int64_t id = db()->addMacroProfile(name.toStdString());
    if (id < 1) return;
    MacroInfo info;
    info.macroId = id;
    info.playTimes = 1;
    info.macroName = name.toStdString();
    macros_.push_back(info);
    rebuildMacroRows();
    macroList_->setSelectedRow(static_cast<int>(macros_.size()) - 1);
}

void KeyboardViewMacro::deleteMacroData() {
    if (macroSelectIndex < 0 || macroSelectIndex >= static_cast<int>(macros_.size())) {
        showSheet(hub_.text(textid::kDeleteTitle), hub_.text(textid::kDeleteInfo));
        return;
    }
    if (!storeOpen()) return;
    // The macro goes with its recording; nothing of it is stored.
    if (hub_.macroRecordType == 2) endRecordingWithoutStoring();
    if (!db()->deleteMacroProfile(selectedMacroId())) return;
    macros_.erase(macros_.begin() + macroSelectIndex);
    rebuildMacroRows();  // clears the selection: the event list empties
    macroSelectIndex = -1;
    // Keys play a macro by its place in the list, and the places after the
    // deleted macro have moved up: the keyboard needs the image and the key
    // tables again, or its keys would play their neighbours' macros.
    SaveMacroToKeyboard();
    hub_.sendStored(sync::UploadChoice::Keys, hub_.currentProfile);
}

void KeyboardViewMacro::renameMacro(int row, const QString& name) {
    const QString cut = macroNameRule(name);
    if (cut.trimmed().isEmpty() || row < 0 || row >= static_cast<int>(macros_.size())) return;
    if (!storeOpen()) return;
    MacroInfo& macro = macros_[static_cast<std::size_t>(row)];
    if (!db()->updateMacroProfileName(macro.macroId, cut.toStdString())) return;
    macro.macroName = cut.toStdString();
    macroList_->row(row)->setText(cut);
}

void KeyboardViewMacro::loadMacroRecordData(int selectIndex) {
    if (selectIndex < 0 || selectIndex >= static_cast<int>(macros_.size())) return;
    const std::int64_t id = macros_[static_cast<std::size_t>(selectIndex)].macroId;
    std::vector<RecordInfo> records;
    MacroInfo info;
    bool found = false;
    if (storeOpen()) {
        db()->queryMacroRecord(id, records);
        found = db()->queryMacroInfo(id, info);
    }
    std::vector<MacroEvent> events;
    events.reserve(records.size());
    for (const RecordInfo& r : records) events.push_back(fromRecord(r));
    setEvents(std::move(events), -1);
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
            const QString text = insertEdit_->text();
            const auto n = wholeNumber(text);
            if (!n) return;
            insertEvents({{kDelay, *n, text}});
            break;
        }
        default:
            break;
    }
}

void KeyboardViewMacro::deleteRecordItem() {
    std::vector<MacroEvent> events = model_->events();
    if (!deleteEventAt(events, recordSelectIndex)) return;
    // Stored with the next save, insert or recording stop.
    setEvents(std::move(events), recordSelectIndex);
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
    // One transaction: a failure keeps the macro's previous events whole.
    return db()->rewriteMacroRecords(id, toRecords(id, model_->events()));
}

void KeyboardViewMacro::storeAndUpload() {
    if (SaveMacroRecordDataToDB()) SaveMacroToKeyboard();
}

void KeyboardViewMacro::SaveMacroToKeyboard() {
    if (!storeOpen()) return;
    sync::UploadRequest request;
    request.choice = sync::UploadChoice::Macros;
    sync::BuiltUploads built = sync::buildUploads(*db(), request);
    if (built.status == sync::BuiltUploads::Status::TooLarge) {
        // Nothing is sent; say so rather than let the user believe it is.
        std::printf("macros not sent: %s\n", built.message.c_str());
        std::fflush(stdout);
        showSheet(hub_.text(textid::kTooLarge), hub_.text(textid::kTooLargeInfo));
        return;
    }
    if (built.status != sync::BuiltUploads::Status::Ready) {
        hub_.reportNotBuilt(built);
        return;
    }
    for (Upload& upload : built.uploads) hub_.submitUpload(std::move(upload));
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
        info.delayType = 2;
        info.delayTime = defaultDelay();
    }
    if (!db()->modifyMacroInfo(info)) return void(hub_.reportNotSaved());
    // The list as shown is what Save keeps, deletions included.
    SaveMacroRecordDataToDB();
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

// --- insert modes and delay radios -----------------------------------------------

void KeyboardViewMacro::showInsertMode(int type) {
    insertEventType = type;
    mouseButton_->setVisible(type == 1);
    insertEdit_->setVisible(type != 1);
    insertEdit_->clear();
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

std::int64_t KeyboardViewMacro::defaultDelay() const {
    return wholeNumber(delayTime_->text()).value_or(kFieldDefaultMs);
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
}

void KeyboardViewMacro::stopMacroRecord() {
    removeMonitor();
    forgetLastKey();
    delayEvent_->setChecked(true);
    for (QWidget* w : {keyboardEvent_, mouseEvent_, delayEvent_}) w->setEnabled(true);
    storeAndUpload();
}

void KeyboardViewMacro::endRecordingWithoutStoring() {
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
    std::fputs("fillMacroRecord \n", stdout);
    if (keyboardEvent_->isChecked()) {
        insertEdit_->setText(name);
        return;
    }
    if (hub_.macroRecordType != 2) return;
    if (model_->rowCount() > 0) {
        std::optional<std::int64_t> delay;
        if (recordDelay_->isChecked())
            // The clock is monotonic, but a key event may carry an older time.
            delay = std::clamp<std::int64_t>(keys.lastMovedTimes - lastRecordTime, 0,
                                             kMaxRecordedDelay);
        else if (noDelay_->isChecked())
            delay.reset();
        else if (defaultDelay_->isChecked())
            delay = defaultDelay();
        if (delay) model_->append({macroevent::kDelay, *delay, QString::number(*delay)});
    }
    lastRecordTime = keys.lastMovedTimes;
    model_->append({keys.keys.lastKeyOperate == "down" ? macroevent::kKeyDown : macroevent::kKeyUp,
                    code, name});
    recordList_->scrollToBottom();
}

}  // namespace korvex
