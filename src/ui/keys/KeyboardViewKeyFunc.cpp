// The custom key page: selecting a key, the key menu, the function panel,
// the layer and Fn-mode buttons, and the key tooltip. The profile list is in
// KeyboardViewProfile.cpp.

#include "ui/keys/KeyboardViewKeyFunc.h"

#include <algorithm>

#include <QCursor>
#include <QLabel>
#include <QPushButton>

#include "catalog/FunctionCatalog.h"
#include "catalog/KeyCatalog.h"
#include "protocol/Encoders.h"
#include "sync/StoredUploads.h"
#include "ui/Accessibility.h"
#include "ui/Controls.h"
#include "ui/KeyboardViewController.h"
#include "ui/NotificationCenter.h"
#include "ui/Theme.h"
#include "ui/config/SystemFunctions.h"
#include "ui/keyboard/CustomKeyFuncView.h"
#include "ui/keyboard/KeyboardView.h"
#include "ui/keys/KeyFaces.h"
#include "ui/keys/KeyMenuWindow.h"

namespace korvex {

namespace {

const QColor kLayerOffColor = QColor::fromRgbF(0.2f, 0.2f, 0.2f);

QString fromView(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString codeFullName(int code) {
    const KeyInfo* key = findKeyByCode(code);
    return key ? fromView(key->full_name) : QString();
}

}  // namespace

KeyboardViewKeyFunc::KeyboardViewKeyFunc(KeyboardViewController& hub)
    : QObject(&hub), hub_(hub), gate_(this) {
    setObjectName(QStringLiteral("keyboard_view_keyfunc"));
    if (QWidget* page = hub_.pageView(KeyboardViewController::kCustomKeyView)) buildPage(page);
    observe();
    hub_.showKeyAssignments = [this] { showStoredAssignments(); };
    connect(&hub_, &KeyboardViewController::profilesLoaded, this, [this] {
        showStoredFnMode();
        loadKeyProfile();
    });
    // Whoever switched (a reload, a reset, an import), the list marks it.
    connect(&hub_, &KeyboardViewController::profileSwitched, this,
            [this] { setKeyProfileTableSelect(hub_.currentProfileIndex); });
    connect(&hub_, &KeyboardViewController::languageSwitched, this, [this] { relabel(); });
    connect(&hub_, &KeyboardViewController::pageChanged, this, [this] { hidePopups(); });
    relabel();
}

DeviceSQLite* KeyboardViewKeyFunc::db() const {
    return hub_.deviceDB();
}

bool KeyboardViewKeyFunc::storeOpen() const {
    return db() && db()->isOpen();
}

void KeyboardViewKeyFunc::buildPage(QWidget* page) {
    keyboard_ = new KeyboardView(page);
    keyboard_->setObjectName(QStringLiteral("customkey_keyboardctrl"));
    keyboard_->move(24, 24);
    keyboard_->initKeyboard(1, QStringLiteral("img_keyboard_layout"), keyboardKeyRecords());
    gate_.watch(keyboard_);

    profileList_ = new ItemListView(page);
    profileList_->setObjectName(QStringLiteral("keyprofilelist"));
    profileList_->setGeometry(714, 24, 284, 200);
    connect(profileList_, &ItemListView::selectionChanged, this,
            [this](int row) { profileRowChosen(row); });

    const std::array<std::pair<int, const char*>, 3> buttons{{
        {profilebutton::kAdd, "+"},
        {profilebutton::kDelete, "\u2212"},
        {profilebutton::kEdit, "\u270e"},
    }};
    int x = 714;
    for (const auto& [tag, caption] : buttons) {
        auto* b = new QPushButton(QString::fromUtf8(caption), page);
        b->setObjectName(QStringLiteral("customkey_btn_profile%1").arg(tag));
        b->setProperty("tag", tag);
        b->setGeometry(x, 232, 40, 28);
        b->setCursor(Qt::PointingHandCursor);
        connect(b, &QPushButton::clicked, this,
                [this, tag = tag] { customkey_button_profile(tag); });
        profileButtons_.push_back(b);
        x += 48;
    }

    topLayer_ = new SelectButton(page);
    topLayer_->setObjectName(QStringLiteral("customkey_btn_toplayer"));
    topLayer_->setTag(0);
    topLayer_->setGeometry(24, 290, 130, 32);
    fnLayer_ = new SelectButton(page);
    fnLayer_->setObjectName(QStringLiteral("customkey_btn_fnlayer"));
    fnLayer_->setTag(1);
    fnLayer_->setGeometry(162, 290, 130, 32);
    topLayer_->setBtnColor(keycolors::kHighlight);
    fnLayer_->setBtnColor(kLayerOffColor);

    fnSwitchLabel_ = new QLabel(page);
    fnSwitchLabel_->setObjectName(QStringLiteral("customkey_label_fnswitch"));
    fnSwitchLabel_->setGeometry(714, 272, 284, 20);
    QPalette palette = fnSwitchLabel_->palette();
    palette.setColor(QPalette::WindowText, theme::kTextColour);
    fnSwitchLabel_->setPalette(palette);
    defaultKey_ = new TextButton(page);
    defaultKey_->setObjectName(QStringLiteral("customkey_btn_defaultkey"));
    defaultKey_->setTag(0);
    defaultKey_->setGeometry(714, 296, 130, 26);
    fnKey_ = new TextButton(page);
    fnKey_->setObjectName(QStringLiteral("customkey_btn_fnkey"));
    fnKey_->setTag(1);
    fnKey_->setGeometry(852, 296, 146, 26);
    for (QWidget* w : std::initializer_list<QWidget*>{topLayer_, fnLayer_, defaultKey_, fnKey_})
        gate_.watch(w);

    panel_ = new CustomKeyFuncView(page);
    panel_->setObjectName(QStringLiteral("customkey_funcctrl"));
    panel_->move(24, 338);
    panel_->initUI(functionPanelRecords());
    for (KeyFuncView* tile : panel_->customkeyselect_array()) gate_.watch(tile);
    // The Tab order follows the work: the key, what to give it, the layer.
    QWidget* previous = keyboard_;
    for (QWidget* next : panel_->customkeyselect_array()) {
        QWidget::setTabOrder(previous, next);
        previous = next;
    }
    QWidget::setTabOrder(previous, topLayer_);
    QWidget::setTabOrder(topLayer_, fnLayer_);
}

void KeyboardViewKeyFunc::observe() {
    auto& center = NotificationCenter::defaultCenter();
    // Each handler answers only posts of this page's own controls; the
    // tooltip serves every page's keyboard.
    center.addObserver(
        notification::kKeyboardKeyAction,
        [this](const QVariant& v) {
            if (gate_.releasing() == keyboard_) keyboardKeyAction(v.toString());
        },
        this);
    center.addObserver(
        notification::kCustomKeyFuncAction,
        [this](const QVariant& v) {
            if (gate_.releasing() && gate_.releasing()->parent() == panel_)
                customKeyFuncAction(v.toMap().value(QStringLiteral("key_code")).toInt());
        },
        this);
    center.addObserver(
        notification::kMenuItemMouseUpAction,
        [this](const QVariant& v) {
            if (menu_ && menu_->isVisible())
                MenuItemMouseUpAction(v.toMap().value(QStringLiteral("menuid")).toInt());
        },
        this);
    center.addObserver(
        notification::kShowKeyboardToolTipWnd,
        [this](const QVariant& v) { ShowKeyboardToolTipWnd(v.toMap()); }, this);
    center.addObserver(
        notification::kSelectButtonAction,
        [this](const QVariant& v) {
            if (gate_.releasing() == topLayer_ || gate_.releasing() == fnLayer_)
                selectButtonAction(v.toInt());
        },
        this);
    center.addObserver(
        notification::kTextButtonAction,
        [this](const QVariant& v) {
            if (gate_.releasing() == defaultKey_ || gate_.releasing() == fnKey_)
                textButtonAction(v.toInt());
        },
        this);
    center.addObserver(
        notification::kKeyTableItemViewEdit,
        [this](const QVariant& v) {
            QObject* row = gate_.editing();
            if (!row) return;
            for (int i = 0; i < profileList_->rowCount(); ++i)
                if (profileList_->row(i) == row) {
                    const QString text = v.toMap().value(QStringLiteral("text")).toString();
                    keyTableItemViewEdit(i, text);
                    return;
                }
        },
        this);
}

void KeyboardViewKeyFunc::relabel() {
    if (fnSwitchLabel_) fnSwitchLabel_->setText(hub_.text(600));
    // The symbol-only controls say in words what they are.
    if (keyboard_) keyboard_->setAccessibleName(hub_.text(1550));
    if (profileList_) profileList_->setAccessibleName(hub_.text(1611));
    if (panel_) {
        panel_->setAccessibleName(hub_.text(1551));
        // Twins told apart, and the Cmd keys named for a PC user.
        for (KeyFuncView* tile : panel_->customkeyselect_array()) {
            QString plain = tile->textView() ? tile->textView()->text() : QString();
            if (plain.isEmpty())
                if (auto name = customKeyFuncShortName(tile->key_code())) plain = fromView(*name);
            tile->setToolTip(distinctKeyName(tile->key_code(), plain, true));
        }
    }
    for (std::size_t i = 0; i < profileButtons_.size(); ++i) {
        profileButtons_[i]->setAccessibleName(hub_.text(1552 + static_cast<int>(i)));
        profileButtons_[i]->setToolTip(profileButtons_[i]->accessibleName());
    }
    // Face labels of mouse functions and shortcuts are in the language.
    if (keyboard_ && storeOpen()) showStoredAssignments();
    // Factory profile names follow the language.
    for (int i = 0; profileList_ && i < profileList_->rowCount(); ++i)
        if (i < static_cast<int>(hub_.profileDatas.size()))
            profileList_->row(i)->setText(
                profileDisplayName(hub_.profileDatas[static_cast<std::size_t>(i)].name, hub_.text));
}

void KeyboardViewKeyFunc::hidePopups() {
    if (menu_) menu_->hide();
    if (toolTip_) toolTip_->hide();
}

void KeyboardViewKeyFunc::warnNoKey() {
    sheets_.warn(hub_.window(), hub_.text(111), hub_.text(112));
}

// --------------------------------------------------------- key selection

void KeyboardViewKeyFunc::keyboardKeyAction(const QString& keyName) {
    if (keyName.isEmpty()) return;
    const std::optional<int> code = codeOfName(keyName.toStdString());
    if (!code) return;
    hub_.currentKeyValue = *code;
    panel_->clearSelection();
    ProfileKey row;
    if (db() &&
        db()->queryKeyProfile(hub_.currentProfile, hub_.currentFnLayer, hub_.currentKeyValue,
                              row) &&
        row.macroType == kMacroTypeKeyboard && row.macroValue != 0)
        panel_->selectCode(static_cast<int>(row.macroValue));
    if (!menu_) menu_ = new KeyMenuWindow(hub_.text, hub_.window());
    // Pressed from the keyboard: under the key, where the user is looking.
    QPoint at = QCursor::pos();
    const int focused = keyboard_->focusKeyItem();
    if (keyboard_->hasFocus() && focused >= 0)
        at = keyboard_->mapToGlobal(keyboard_->kbKeyArrayHover()[static_cast<std::size_t>(focused)]
                                        .rect.bottomLeft()
                                        .toPoint());
    menu_->showAt(at);
}

void KeyboardViewKeyFunc::MenuItemMouseUpAction(int menuId) {
    switch (menuId) {
        case menuid::kDefaultKey: {
            ProfileKey key;
            key.macroType = kMacroTypeDefault;
            addCustomKey(key);
            break;
        }
        case menuid::kDisableKey: {
            ProfileKey key;
            key.macroType = kMacroTypeDisabled;
            key.macroValue = kDisabledKeyValue;
            key.macroDesc = hub_.text(102).toStdString();
            addCustomKey(key);
            break;
        }
        case menuid::kCustomKey:
            if (openCustomKeyDialog)
                openCustomKeyDialog(hub_.currentKeyValue, hub_.currentProfile,
                                    codeFullName(hub_.currentKeyValue));
            break;
        default:
            break;
    }
    if (menu_) menu_->hide();
}

void KeyboardViewKeyFunc::customKeyFuncAction(int keyCode) {
    // The panel answers the key menu as well: it is done with.
    if (menu_) menu_->hide();
    if (hub_.currentKeyValue < 1) {
        warnNoKey();
        return;
    }
    ProfileKey key;
    key.macroType = kMacroTypeKeyboard;
    key.macroValue = keyCode;
    if (auto name = customKeyFuncShortName(keyCode)) key.macroDesc = std::string(*name);
    addCustomKey(key);
}

void KeyboardViewKeyFunc::addCustomKey(ProfileKey keydata) {
    if (!db()) return;
    // A menu choice can only follow a key click, but the menu may outlive a
    // profile switch: never store for "no key".
    if (hub_.currentKeyValue < 1) {
        warnNoKey();
        return;
    }
    keydata.profId = hub_.currentProfile;
    keydata.fnlayerId = hub_.currentFnLayer;
    keydata.keyValue = hub_.currentKeyValue;
    const DeviceSQLite::FailureWatch watch(*db());
    // 0 is also the answer for a cleared key; only a failure stops here.
    if (db()->addKeyProfile(keydata) == 0 && watch.failed()) return void(hub_.reportNotSaved());

    // The cap shows what the store now holds, whether or not the write took.
    panel_->clearSelection();
    ProfileKey stored;
    if (showStoredKey(hub_.currentKeyValue, stored) && stored.macroType == kMacroTypeKeyboard)
        panel_->selectCode(static_cast<int>(stored.macroValue));
    // A key that acts as Fn does so on both layers.
    const bool bothLayers =
        keydata.macroType == kMacroTypeKeyboard && keydata.macroValue == kFnKeyCode;
    if (bothLayers) {
        ProfileKey other = keydata;
        other.fnlayerId = hub_.currentFnLayer == 0 ? 1 : 0;
        if (db()->addKeyProfile(other) == 0 && watch.failed()) return void(hub_.reportNotSaved());
    }
    uploadKeyTables(bothLayers ? std::nullopt : std::optional<std::int64_t>(keydata.fnlayerId));
}

void KeyboardViewKeyFunc::uploadKeyTables(std::optional<std::int64_t> layer) {
    // The table of the layer that changed, both when both did.
    if (!storeOpen()) return;
    hub_.sendKeyTables(0, layer);
}

void KeyboardViewKeyFunc::showAssignment(const ProfileKey& row) {
    const KeyInfo* key = findKeyByCode(static_cast<int>(row.keyValue));
    if (!key) return;
    // A row that means "default" looks like no row at all.
    if (row.macroType == kMacroTypeDefault || row.macroValue == 0) {
        keyboard_->setKeyMacro(key->layout_index, codeFullName(key->code), false);
        return;
    }
    keyboard_->setKeyMacro(key->layout_index, QString::fromStdString(row.macroDesc), true,
                           keyFaceLabel(row, hub_.text));
}

bool KeyboardViewKeyFunc::showStoredKey(int keyValue, ProfileKey& row) {
    row = ProfileKey{};
    row.keyValue = keyValue;
    if (!db()) return false;
    const DeviceSQLite::FailureWatch watch(*db());
    const bool found =
        db()->queryKeyProfile(hub_.currentProfile, hub_.currentFnLayer, keyValue, row);
    // A key that cannot be read is not shown as unassigned: the sheet says why.
    if (watch.failed()) {
        hub_.reportNotBuilt(sync::readFailure(*db()));
        return false;
    }
    if (!found) {
        row = ProfileKey{};
        row.keyValue = keyValue;
        row.macroType = kMacroTypeDefault;
    }
    // A macro the keyboard does not hold as stored is not played there: the
    // key plays its own function, and shows that, as after a reload.
    if (found && row.macroType == kMacroTypeMacro && !hub_.macroPlayable(row.macroValue)) {
        ProfileKey own;
        own.keyValue = keyValue;
        own.macroType = kMacroTypeDefault;
        showAssignment(own);
        return found;
    }
    showAssignment(row);
    return found;
}

void KeyboardViewKeyFunc::showStoredAssignments() {
    panel_->clearSelection();
    keyboard_->resetKeyMacro();
    std::vector<ProfileKey> rows;
    // Keys that cannot be read are not shown as unassigned: the sheet says why.
    if (db() && db()->isOpen() &&
        !db()->queryKeysProfile(hub_.currentProfile, hub_.currentFnLayer, rows))
        return hub_.reportNotBuilt(sync::readFailure(*db()));
    const std::vector<MacroInfo> playable = hub_.playableMacros();
    for (const ProfileKey& row : rows) {
        // A key whose macro is not on the keyboard as stored plays its own
        // function there; show that, not the macro.
        if (row.macroType == kMacroTypeMacro &&
            std::none_of(playable.begin(), playable.end(),
                         [&](const MacroInfo& m) { return m.macroId == row.macroValue; }))
            continue;
        showAssignment(row);
    }
}

// ---------------------------------------------------- layers and Fn mode

void KeyboardViewKeyFunc::selectButtonAction(int tag) {
    hub_.currentFnLayer = tag != 0 ? 1 : 0;
    fnLayer_->setBtnColor(tag != 0 ? keycolors::kHighlight : kLayerOffColor);
    topLayer_->setBtnColor(tag != 0 ? kLayerOffColor : keycolors::kHighlight);
    // Show the chosen layer's labels at once; nothing needs sending.
    hidePopups();
    showStoredAssignments();
}

void KeyboardViewKeyFunc::showStoredFnMode() {
    const bool fnMode = db() && db()->getConfigData(kAppProfileId, "fnfunction") == "1";
    fnKey_->setBtnColor(fnMode ? keycolors::kHighlight : keycolors::kWhite);
    defaultKey_->setBtnColor(fnMode ? keycolors::kWhite : keycolors::kHighlight);
}

void KeyboardViewKeyFunc::textButtonAction(int tag) {
    const bool fnMode = tag != 0;
    fnKey_->setBtnColor(fnMode ? keycolors::kHighlight : keycolors::kWhite);
    defaultKey_->setBtnColor(fnMode ? keycolors::kWhite : keycolors::kHighlight);
    if (db() && !storeAppValue(*db(), "fnfunction", fnMode ? "1" : "0"))
        return void(hub_.reportNotSaved());
    SendSystemFunctionData(hub_);
}

// ------------------------------------------------------------- tooltip

void KeyboardViewKeyFunc::ShowKeyboardToolTipWnd(const QVariantMap& info) {
    if (info.value(QStringLiteral("show")).toInt() != 1) {
        if (toolTip_) toolTip_->hide();
        return;
    }
    if (menu_) menu_->hide();
    if (!toolTip_) toolTip_ = new KeyToolTipWindow(hub_.window());
    QPoint keyTop = info.value(QStringLiteral("keyGlobalPoint")).toPoint();
    if (!info.contains(QStringLiteral("keyGlobalPoint")) && keyboard_)
        keyTop = keyboard_->parentWidget()->mapToGlobal(
            info.value(QStringLiteral("keyPoint")).toPointF().toPoint());
    const QString keyName = info.value(QStringLiteral("keyDesc")).toString();
    const KeyInfo* key = findKeyByName(keyName.toStdString());
    toolTip_->showFor(distinctKeyName(key ? key->code : 0, keyFullName(keyName), false),
                      info.value(QStringLiteral("keyMacro")).toString(), keyTop);
}

}  // namespace korvex
