#include "ui/customkey/CustomKeyViewController.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

#include "catalog/FunctionCatalog.h"
#include "catalog/KeyCatalog.h"
#include "store/DeviceSQLite.h"
#include "sync/StoredUploads.h"
#include "ui/Controls.h"
#include "ui/Images.h"
#include "ui/KeyboardViewController.h"
#include "ui/NotificationCenter.h"
#include "ui/Theme.h"
#include "ui/keys/KeyboardViewKeyFunc.h"
#include "ui/macro/MacroEvents.h"
#include "ui/recorder/Keylogger.h"

namespace korvex {

int customKeyValue = 0;
std::int64_t customKeyProfile = 1;
int customKeyLayer = 0;
QString customKeyDesc;

QPointer<CustomKeyWindowController> CustomKeyWindowController::current_;

namespace {

namespace textid {
constexpr int kFunctionType = 165, kSave = 166, kPleaseSelectType = 167, kLoopCount = 171;
constexpr int kEditsTopLayer = 1500, kEditsFnLayer = 1501, kPressCombination = 1502;
constexpr int kOneModifierKept = 1503;
}  // namespace textid

// The loop count field's rule, like every numeric field's: not a whole
// number gives the default, out-of-range values are clamped.
QString loopCountRule(const QString& text) {
    const auto n = wholeNumber(text);
    if (!n) return QString::number(kMinLoopCount);
    const std::int64_t clamped = std::clamp<std::int64_t>(*n, kMinLoopCount, kMaxLoopCount);
    return clamped == *n && !text.startsWith(QLatin1Char('0')) ? text : QString::number(clamped);
}

QString fullNameOf(const KeyInfo& key) {
    return QString::fromUtf8(key.full_name.data(), static_cast<qsizetype>(key.full_name.size()));
}

template <std::size_t N>
std::vector<FunctionItem> itemsOf(const std::array<ComboEntry, N>& entries,
                                  const KeyboardViewController& hub) {
    std::vector<FunctionItem> items;
    for (const ComboEntry& e : entries) items.push_back({hub.text(e.textId), e.mode});
    return items;
}

QComboBox* dialogCombo(QWidget* parent, const char* name, QRect where) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->setGeometry(where);
    // Reached by Tab, not taken by a click: a mouse user's typed keys stay
    // with the capture field.
    combo->setFocusPolicy(Qt::TabFocus);
    return combo;
}

}  // namespace

// --- the dialog's view ---------------------------------------------------------------

CustomKeyViewController::CustomKeyViewController(KeyboardViewController& hub, QWidget* parent)
    : QWidget(parent), hub_(hub) {
    setObjectName(QStringLiteral("customkey_viewcontroller"));
    currentProfile = customKeyProfile;
    currentLayer = customKeyLayer;

    key_textfield = new QLineEdit(this);
    key_textfield->setObjectName(QStringLiteral("key_textfield"));
    key_textfield->setGeometry(24, 44, 412, 28);
    key_textfield->setReadOnly(true);
    key_textfield->setFocusPolicy(Qt::NoFocus);
    label_layer =
        theme::pageLabel(this, QStringLiteral("customkey_label_layer"), QRect{24, 14, 380, 24});
    keyfunc_label = theme::pageLabel(this, QStringLiteral("keyfunc_label"), QRect{24, 86, 412, 20});
    keyfunctype_combox = dialogCombo(this, "keyfunctype_combox", {24, 110, 412, 28});
    keyfunc_combox = dialogCombo(this, "keyfunc_combox", {24, 148, 412, 28});
    keyfunc_edit = new QLineEdit(this);
    keyfunc_edit->setObjectName(QStringLiteral("keyfunc_edit"));
    keyfunc_edit->setGeometry(24, 148, 412, 28);
    keyfunc_edit->setReadOnly(true);
    label_capturenote = theme::pageLabel(this, QStringLiteral("customkey_label_capturenote"),
                                         QRect{24, 180, 412, 36});
    label_capturenote->setWordWrap(true);
    label_capturenote->hide();
    label_macrotype =
        theme::pageLabel(this, QStringLiteral("label_macrotype"), QRect{24, 186, 200, 20});
    combox_macrotype = dialogCombo(this, "combox_macrotype", {24, 210, 200, 28});
    label_macroplaytime =
        theme::pageLabel(this, QStringLiteral("label_macroplaytime"), QRect{236, 186, 200, 20});
    edit_macroplaytime = new QLineEdit(this);
    edit_macroplaytime->setObjectName(QStringLiteral("edit_macroplaytime"));
    edit_macroplaytime->setGeometry(236, 210, 200, 28);
    // The field shows what Save will store while the user types.
    connect(edit_macroplaytime, &QLineEdit::textEdited, this, [this](const QString& text) {
        const QString ruled = loopCountRule(text);
        if (ruled != text) edit_macroplaytime->setText(ruled);
    });
    key_savedatabtn = new QPushButton(this);
    key_savedatabtn->setObjectName(QStringLiteral("key_savedatabtn"));
    key_savedatabtn->setGeometry(306, 268, 130, 32);
    key_savedatabtn->setAutoDefault(false);
    key_savedatabtn->setFocusPolicy(Qt::TabFocus);
    // The boxes are named by the caption above them.
    keyfunc_label->setBuddy(keyfunctype_combox);
    keyfunctype_combox->installEventFilter(this);
    label_macrotype->setBuddy(combox_macrotype);
    label_macroplaytime->setBuddy(edit_macroplaytime);

    // Only the user's choices act; the dialog's own selections are made with
    // the combo boxes' signals blocked.
    connect(keyfunctype_combox, &QComboBox::currentIndexChanged, this,
            [this](int i) { typeReset(i); });
    connect(keyfunc_combox, &QComboBox::currentIndexChanged, this,
            [this](int i) { functionValue(i); });
    connect(combox_macrotype, &QComboBox::currentIndexChanged, this,
            [this](int i) { playMode(i); });
    connect(key_savedatabtn, &QPushButton::clicked, this, [this] {
        storeAssignment();
        emit saved();
    });
    viewDidLoad();
}

CustomKeyViewController::~CustomKeyViewController() {
    stopCapture();
}

void CustomKeyViewController::viewDidLoad() {
    keyfunc_combox->hide();
    keyfunc_edit->hide();
    key_textfield->setText(customKeyDesc);
    keyFunctionTypeDatas = itemsOf(::korvex::keyFunctionTypeDatas, hub_);
    keyFunctionMouseDatas = itemsOf(::korvex::keyFunctionMouseDatas, hub_);
    keyFunctionMultimediaDatas = itemsOf(::korvex::keyFunctionMultimediaDatas, hub_);
    keyFunctionMacShortcutsDatas = itemsOf(::korvex::keyFunctionMacShortcutsDatas, hub_);
    keyFunctionMacroTypeDatas = itemsOf(::korvex::keyFunctionMacroTypeDatas, hub_);
    label_layer->setText(
        hub_.text(currentLayer == 0 ? textid::kEditsTopLayer : textid::kEditsFnLayer)
            .arg(customKeyDesc));
    keyfunc_edit->setPlaceholderText(hub_.text(textid::kPressCombination));
    keyfunc_label->setText(hub_.text(textid::kFunctionType));
    key_savedatabtn->setText(hub_.text(textid::kSave));
    keyfunc_combox->setAccessibleName(hub_.text(1610));
    keyfunc_edit->setAccessibleName(hub_.text(1610));
    label_macrotype->setText(hub_.text(textid::kPleaseSelectType));
    label_macroplaytime->setText(hub_.text(textid::kLoopCount));
}

void CustomKeyViewController::viewDidAppear() {
    refill(keyfunctype_combox, keyFunctionTypeDatas);
    key_functiontypevalue = keyFunctionTypeDatas.empty() ? 0 : keyFunctionTypeDatas.front().mode;
    keyFunctionMacroDatas.clear();
    std::vector<MacroInfo> macros;
    if (DeviceSQLite* db = hub_.deviceDB(); db && db->isOpen()) db->queryAllMacroData(macros);
    for (const MacroInfo& m : macros)
        keyFunctionMacroDatas.push_back(
            {QString::fromStdString(m.macroName), static_cast<int>(m.macroId)});
    refill(combox_macrotype, keyFunctionMacroTypeDatas);
    showPlayControls(false, false);
}

void CustomKeyViewController::refill(QComboBox* combo, const std::vector<FunctionItem>& items) {
    const QSignalBlocker quiet(combo);
    combo->clear();
    for (const FunctionItem& item : items) combo->addItem(item.text, item.mode);
    combo->setCurrentIndex(items.empty() ? -1 : 0);
}

void CustomKeyViewController::showPlayControls(bool playMode, bool loopCount) {
    label_macrotype->setVisible(playMode);
    combox_macrotype->setVisible(playMode);
    label_macroplaytime->setVisible(loopCount);
    edit_macroplaytime->setVisible(loopCount);
    edit_macroplaytime->setText(QStringLiteral("1"));
}

const std::vector<FunctionItem>* CustomKeyViewController::listOfType(int type) const {
    switch (type) {
        case kMacroTypeMacro:
            return &keyFunctionMacroDatas;
        case kMacroTypeMouse:
            return &keyFunctionMouseDatas;
        case kMacroTypeMultimedia:
            return &keyFunctionMultimediaDatas;
        case kMacroTypeMacShortcut:
            return &keyFunctionMacShortcutsDatas;
        default:
            return nullptr;
    }
}

void CustomKeyViewController::typeReset(int index) {
    showPlayControls(false, false);
    if (index < 0 || index >= static_cast<int>(keyFunctionTypeDatas.size())) return;
    key_functiontypevalue = keyFunctionTypeDatas[static_cast<std::size_t>(index)].mode;
    const std::vector<FunctionItem>* list = listOfType(key_functiontypevalue);
    keyfunc_combox->setVisible(list != nullptr);
    keyfunc_edit->setVisible(key_functiontypevalue == kMacroTypeKeyboard);
    label_capturenote->hide();
    if (list) {
        refill(keyfunc_combox, *list);
        // Selecting the first item sets the value, as a user's choice would.
        functionValue(keyfunc_combox->currentIndex());
    }
    if (key_functiontypevalue == kMacroTypeMacro) {
        const QSignalBlocker quiet(combox_macrotype);
        combox_macrotype->setCurrentIndex(0);
        showPlayControls(true, false);
    }
    if (key_functiontypevalue == kMacroTypeKeyboard)
        startCapture();
    else
        stopCapture();
}

void CustomKeyViewController::functionValue(int index) {
    key_functionvalue = 0;
    const std::vector<FunctionItem>* list = listOfType(key_functiontypevalue);
    if (list && index >= 0 && index < static_cast<int>(list->size()))
        key_functionvalue = (*list)[static_cast<std::size_t>(index)].mode;
}

bool CustomKeyViewController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == keyfunctype_combox) {
        if (event->type() == QEvent::KeyPress) typeChosenByKeys_ = true;
        if (event->type() == QEvent::MouseButtonPress) typeChosenByKeys_ = false;
    }
    return QWidget::eventFilter(watched, event);
}

void CustomKeyViewController::playMode(int index) {
    showPlayControls(true, index == kPlayMultipleTimes);
}

void CustomKeyViewController::startCapture() {
    if (eventHandler_ != 0) return;
    eventHandler_ = Keylogger::shared().addMonitor([this] {
        // Only keys typed into the field are the combination: elsewhere in
        // the dialog they move the focus or choose in a box.
        if (window()->focusWidget() != keyfunc_edit) return;
        // A lone Tab leaves the field (the Tab tile of the panel assigns it).
        const HeldKeyState& held = Keylogger::shared().keys;
        constexpr int kTab = 43;
        if (held.GLOBAL_LAST_PRESS_KEY_SCANCODE == kTab && held.pressedFlags.empty()) return;
        if (held.lastKeyOperate == "down") captureKeys();
    });
    // Keys typed now are the combination, not input; a keyboard user still
    // choosing in the type box moves on with Tab.
    if (!typeChosenByKeys_) keyfunc_edit->setFocus();
}

void CustomKeyViewController::stopCapture() {
    if (eventHandler_ == 0) return;
    Keylogger::shared().removeMonitor(eventHandler_);
    eventHandler_ = 0;
}

void CustomKeyViewController::captureKeys() {
    const HeldKeyState& held = Keylogger::shared().keys;
    // Keys of other keyboards that this keyboard lacks have no name to show
    // and no place on it: they are left out.
    // A key entry holds one modifier and one key: a second modifier would go
    // out in the key's place and the keyboard would send a wrong key, so the
    // field shows, and Save stores, the first of each.
    std::vector<const KeyInfo*> keys;
    std::vector<const KeyInfo*> modifiers;
    for (int code : held.pressedFlags)
        if (const KeyInfo* key = findKeyByCode(code)) modifiers.push_back(key);
    if (!modifiers.empty()) keys.push_back(modifiers.front());
    for (int code : held.pressedNormalKey)
        if (const KeyInfo* key = findKeyByCode(code)) {
            keys.push_back(key);
            break;
        }
    if (keys.empty()) return;
    QStringList names, codes;
    currentModifyKeys.clear();
    for (const KeyInfo* key : keys) {
        names << fullNameOf(*key);
        codes << QString::number(key->code);
        currentModifyKeys.push_back(key->code);
    }
    keyfunc_edit->setText(names.join(QStringLiteral(" + ")));
    currentModifyKeysStr = codes.join(QLatin1Char(','));
    // Say so when held modifiers were dropped, or the user believes the
    // key sends the whole chord.
    label_capturenote->setText(hub_.text(textid::kOneModifierKept).arg(fullNameOf(*keys.front())));
    label_capturenote->setVisible(modifiers.size() > 1);
}

bool CustomKeyViewController::storeAssignment() {
    ProfileKey record;
    record.fnlayerId = currentLayer;
    record.profId = currentProfile;
    record.keyValue = customKeyValue;
    record.macroType = key_functiontypevalue;
    switch (key_functiontypevalue) {
        case kMacroTypeDefault:
            break;
        case kMacroTypeKeyboard:
            if (currentModifyKeysStr.isEmpty()) return false;
            record.macroValue =
                currentModifyKeys.size() == 1 ? currentModifyKeys[0] : currentModifyKeys[1];
            record.macro2Value = currentModifyKeys.size() == 1 ? 0 : currentModifyKeys[0];
            record.macroDesc = keyfunc_edit->text().toStdString();
            break;
        case kMacroTypeMacro: {
            record.macroValue = key_functionvalue;
            const int mode = combox_macrotype->currentIndex();
            record.macro2Value = std::max(mode, 0);
            if (mode == kPlayMultipleTimes)
                record.macro3Value =
                    std::clamp<std::int64_t>(wholeNumber(edit_macroplaytime->text()).value_or(0),
                                             kMinLoopCount, kMaxLoopCount);
            record.macroDesc = keyfunc_combox->currentText().toStdString();
            break;
        }
        case kMacroTypeMouse:
        case kMacroTypeMultimedia:
        case kMacroTypeMacShortcut:
            record.macroValue = key_functionvalue;
            record.macroDesc = keyfunc_combox->currentText().toStdString();
            break;
        default:
            return false;
    }
    DeviceSQLite* db = hub_.deviceDB();
    if (!db || !db->isOpen()) return false;
    const DeviceSQLite::FailureWatch watch(*db);
    // 0 is also the answer for a cleared key; only a failure stops the upload.
    if (db->addKeyProfile(record) == 0 && watch.failed()) return hub_.reportNotSaved();
    // Only the edited layer's table changed.
    hub_.sendKeyTables(currentProfile, record.fnlayerId);
    return true;
}

// --- the dialog's window ------------------------------------------------------------

CustomKeyWindowController::CustomKeyWindowController(KeyboardViewController& hub, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("customkey_window"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    // A one-point frame round the page: on the dark window a frameless
    // dialog of the same colour would not show where it ends.
    setFixedSize(462, 326);
    setAutoFillBackground(true);
    QPalette frame = palette();
    frame.setColor(QPalette::Window, theme::kFrameColour);
    setPalette(frame);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    // The background moves the window; clicks the controls leave reach it.
    auto* background = new DragView(theme::kPageColour, this);
    layout->addWidget(background);
    content_ = new CustomKeyViewController(hub, background);
    content_->setGeometry(0, 0, 460, 324);
    auto* close = new ImageButton(QStringLiteral("icon_close"), background);
    close->setObjectName(QStringLiteral("customkey_btn_close"));
    close->setGeometry(420, 8, 28, 28);
    close->setAccessibleName(hub.text(1557));
    // Named by what it edits, so a screen reader says so when it opens.
    const QString title =
        hub.text(1565).arg(customKeyDesc, hub.text(customKeyLayer == 0 ? 1566 : 1567));
    setWindowTitle(title);
    setAccessibleName(title);
    close->setToolTip(close->accessibleName());
    connect(close, &QAbstractButton::clicked, this, &QDialog::reject);
    connect(content_, &CustomKeyViewController::saved, this, &QDialog::accept);
    connect(this, &QDialog::finished, this, [] {
        NotificationCenter::defaultCenter().post(notification::kCustomKeywindowCloseDid, {});
    });
}

CustomKeyWindowController* CustomKeyWindowController::open(KeyboardViewController& hub) {
    if (current_) {
        current_->raise();
        current_->activateWindow();
        return current_;
    }
    current_ = new CustomKeyWindowController(hub, hub.window());
    current_->QDialog::open();
    return current_;
}

CustomKeyWindowController* CustomKeyWindowController::current() {
    return current_;
}

void CustomKeyWindowController::attach(KeyboardViewController& hub, KeyboardViewKeyFunc& keyPage) {
    keyPage.openCustomKeyDialog = [&hub](int keyValue, std::int64_t profile, const QString& desc) {
        customKeyValue = keyValue;
        customKeyProfile = profile;
        customKeyDesc = desc;
        customKeyLayer = hub.currentFnLayer;
        open(hub);
    };
}

void CustomKeyWindowController::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (property("appeared").toBool()) return;
    setProperty("appeared", true);
    content_->viewDidAppear();
    // The keyboard starts on the first choice to make.
    content_->keyfunctype_combox->setFocus(Qt::OtherFocusReason);
    // Centred over the main window, which is where the user is looking.
    if (QWidget* main = parentWidget()) move(main->frameGeometry().center() - rect().center());
}

void CustomKeyWindowController::keyPressEvent(QKeyEvent* event) {
    // While a combination is captured, Escape and Return are keys like any
    // other: they must not close the dialog.
    if (content_->capturing() && focusWidget() == content_->keyfunc_edit) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace korvex
