#include "ui/userlight/KeyboardViewUserLight.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <map>

#include "catalog/KeyCatalog.h"
#include "protocol/Encoders.h"
#include "store/DeviceSQLite.h"
#include "sync/StoreUploads.h"
#include "ui/Controls.h"
#include "ui/KeyboardViewController.h"
#include "ui/NotificationCenter.h"
#include "ui/config/SystemFunctions.h"
#include "ui/light/ColorControls.h"
#include "ui/light/KeyboardLightView.h"
#include "ui/light/LightModes.h"
#include "ui/userlight/KeyboardUserLightView.h"
#include "ui/userlight/UserLightFile.h"

namespace korvex {

using namespace lightmodes;

namespace {

constexpr int kTextUserLight = 566;
constexpr int kTextAddUserLights = 567;
constexpr int kTextFileFilter = 950, kTextExportTitle = 951, kTextImportTitle = 952;
constexpr int kTextExportFailed = 956, kTextImportFailed = 957;
constexpr int kTextFileReason = 958;  // "%1: %2", the file name and why
constexpr int kTextNotStored = 959;
constexpr int kTextEmptyList = 1530, kTextNoSchemeForPaint = 1531, kTextCreateSchemeForPaint = 1532;
constexpr int kTextCreateScheme = 1533, kTextCancel = 1534, kTextDropPaint = 1535;
constexpr int kTextDropPaintInfo = 1536, kTextDropPaintYes = 1537;

struct ListButton {
    int tag;
    const char* name;
    const char* caption;
    int toolTip;  // text id, 0 for none
};

constexpr ListButton kListButtons[] = {
    {userlightbutton::kAdd, "userlight_btn_add", "+", 1597},
    {userlightbutton::kDelete, "userlight_btn_del", "\u2212", 1598},
    {userlightbutton::kEdit, "userlight_btn_edit", "\u270e", 953},
    {userlightbutton::kImport, "userlight_btn_import", "\u2193", 954},
    {userlightbutton::kExport, "userlight_btn_export", "\u2191", 955},
};

QString fileDialog(QWidget* window, bool save, const QString& suggestedName) {
    const QString filter = KeyboardViewController::text(kTextFileFilter);
    if (save)
        return QFileDialog::getSaveFileName(window, KeyboardViewController::text(kTextExportTitle),
                                            suggestedName + QStringLiteral(".json"), filter);
    return QFileDialog::getOpenFileName(window, KeyboardViewController::text(kTextImportTitle),
                                        QString(), filter);
}

}  // namespace

KeyboardViewUserLight::KeyboardViewUserLight(KeyboardViewController& hub)
    : QObject(&hub), hub_(hub), gate_(this) {
    setObjectName(QStringLiteral("keyboard_view_userlight"));
    chooseFile = [this](bool save, const QString& suggested) {
        return fileDialog(hub_.window(), save, suggested);
    };
    if (QWidget* page = hub_.pageView(KeyboardViewController::kUserLightView)) buildPage(page);
    observe();
    hub_.sendUserLightOnPress = [this] { return sendShownScheme(); };
    hub_.shownUserLight = [this] { return userlight_id_; };
    hub_.unappliedPaint = [this] { return hasUnappliedPaint(); };
    connect(&hub_, &KeyboardViewController::profilesLoaded, this, [this] { loadUserLightData(); });
    // Tooltips can be on screen while the language changes.
    connect(&hub_, &KeyboardViewController::languageSwitched, this, [this] { relabel(); });
}

void KeyboardViewUserLight::relabel() {
    for (const ListButton& lb : kListButtons)
        if (QPushButton* b = listButton(lb.tag); b && lb.toolTip) {
            b->setToolTip(hub_.text(lb.toolTip));
            b->setAccessibleName(b->toolTip());  // the captions are symbols
        }
    if (emptyHint_) emptyHint_->setText(hub_.text(kTextEmptyList));
    if (colors_) colors_->relabel();
    if (list_) list_->setAccessibleName(hub_.text(1303));
    if (editor_) editor_->setAccessibleName(hub_.text(1550));
}

DeviceSQLite* KeyboardViewUserLight::db() const {
    return hub_.deviceDB();
}

bool KeyboardViewUserLight::storeOpen() const {
    return db() && db()->isOpen();
}

void KeyboardViewUserLight::buildPage(QWidget* page) {
    list_ = new ItemListView(page);
    list_->setObjectName(QStringLiteral("userlightlist"));
    list_->setGeometry(24, 24, 200, 560);
    // What to do while there is no scheme yet, over the list itself.
    emptyHint_ = new QLabel(list_);
    emptyHint_->setObjectName(QStringLiteral("userlight_label_emptylist"));
    emptyHint_->setAlignment(Qt::AlignCenter);
    emptyHint_->setWordWrap(true);
    emptyHint_->setAttribute(Qt::WA_TransparentForMouseEvents);
    emptyHint_->setStyleSheet(QStringLiteral("color: rgb(142, 142, 147);"));
    emptyHint_->setGeometry(12, 40, 176, 60);
    connect(list_, &ItemListView::selectionChanged, this, [this](int row) {
        if (row < 0 || holdingSelection_) return;
        if (askBeforeLeaving(row)) return;
        setUserLightTableSelect(row);
        loadUserLightInfo(row);
    });
    int x = 24;
    for (const ListButton& lb : kListButtons) {
        auto* b = new QPushButton(QString::fromUtf8(lb.caption), page);
        b->setObjectName(QString::fromLatin1(lb.name));
        b->setProperty("tag", lb.tag);
        b->setGeometry(x, 592, 36, 28);
        b->setCursor(Qt::PointingHandCursor);
        const int tag = lb.tag;
        connect(b, &QPushButton::clicked, this, [this, tag] { userLightListButton(tag); });
        listButtons_[static_cast<std::size_t>(lb.tag - userlightbutton::kAdd)] = b;
        x += 41;
    }
    relabel();

    editor_ = new KeyboardUserLightView(page);
    editor_->setObjectName(QStringLiteral("userlight_keyboardctrl"));
    editor_->move(248, 24);
    editor_->initKeyboard(5, QStringLiteral("img_keyboard_layout"), keyboardKeyRecords());

    colors_ =
        new ColorControls(page, QStringLiteral("userlight"), kUserLightPickerTag, 351, {248, 296});
    colors_->typed = [this](int r, int g, int b) { setUserLightRGBValue(r, g, b); };

    // The hub captions both buttons by their names.
    reset_ = new QPushButton(page);
    reset_->setObjectName(QStringLiteral("userlight_btn_resetcolor"));
    reset_->setGeometry(248, 400, 120, 32);
    apply_ = new QPushButton(page);
    apply_->setObjectName(QStringLiteral("userlight_btn_apply"));
    apply_->setGeometry(380, 400, 120, 32);
    for (QPushButton* b : {reset_, apply_}) b->setCursor(Qt::PointingHandCursor);
    connect(reset_, &QPushButton::clicked, this, [this] { resetUserLightKeyColor(); });
    connect(apply_, &QPushButton::clicked, this, [this] { applyUserLightKeyColor(); });
}

void KeyboardViewUserLight::observe() {
    auto& center = NotificationCenter::defaultCenter();
    // Tags 200..214 belong to this page's colour buttons alone.
    center.addObserver(
        notification::kColorButtonAction,
        [this](const QVariant& v) {
            const int tag = v.toInt();
            if (tag >= kUserLightPickerTag && tag <= kUserLightPickerTag + kPresetCount)
                colorButtonAction(tag);
        },
        this);
    // Names edited in this list's rows; other lists post the same notification.
    center.addObserver(
        notification::kKeyTableItemViewEdit,
        [this](const QVariant& v) {
            QObject* row = gate_.editing();
            for (int i = 0; row && i < list_->rowCount(); ++i)
                if (list_->row(i) == row) {
                    renameUserLight(i, v.toMap().value(QStringLiteral("text")).toString());
                    return;
                }
        },
        this);
}

ColorButton* KeyboardViewUserLight::colorButton(int tag) const {
    return colors_->button(tag);
}

ColorButton* KeyboardViewUserLight::userlight_btn_color() const {
    return colors_->swatch();
}

QLineEdit* KeyboardViewUserLight::colorField(int channel) const {
    return colors_->field(channel);
}

QPushButton* KeyboardViewUserLight::listButton(int tag) const {
    const int i = tag - userlightbutton::kAdd;
    return i >= 0 && i < 5 ? listButtons_[static_cast<std::size_t>(i)] : nullptr;
}

// ---------------------------------------------------------------- list

void KeyboardViewUserLight::reloadList() {
    list_->clear();
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        auto* item = new UserLightItemView(rows_[i].name);
        item->setIcons(QStringLiteral("icon_circle_n"), QStringLiteral("icon_circle_h"));
        item->setTableViewIndex(static_cast<int>(i));
        gate_.watchEditing(item);
        list_->addRow(item);
    }
    emptyHint_->setVisible(rows_.empty());
}

void KeyboardViewUserLight::loadUserLightData() {
    rows_.clear();
    std::vector<UserLightData> schemes;
    if (storeOpen()) db()->getUserLightData(kAppProfileId, schemes);
    for (const UserLightData& s : schemes)
        rows_.push_back({s.userlight_id, QString::fromStdString(s.userlight_name)});
    reloadList();
    userlight_id_ = 0;
    editor_->resetKeyColor();
    // The scheme the keyboard holds while it is still there, else the first.
    int row = 0;
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].light == hub_.lighting().scheme) row = static_cast<int>(i);
    list_->setSelectedRow(row);  // loads the row when there is one
}

void KeyboardViewUserLight::setUserLightTableSelect(int selectIndex) {
    markSelectedRow(*list_, selectIndex);
    if (list_->selectedRow() != selectIndex) list_->setSelectedRow(selectIndex);
}

bool KeyboardViewUserLight::schemeListed(std::int64_t id) const {
    for (const Row& r : rows_)
        if (r.light == id) return true;
    return false;
}

void KeyboardViewUserLight::loadUserLightInfo(int index) {
    if (index < 0 || index >= static_cast<int>(rows_.size())) return;
    userlight_id_ = rows_[static_cast<std::size_t>(index)].light;
    editor_->resetKeyColor();
    std::vector<UserLightLEDData> leds;
    if (storeOpen()) db()->getUserLightLEDData(userlight_id_, leds);
    for (const UserLightLEDData& led : leds)
        if (const KeyInfo* key = findKeyByCode(static_cast<int>(led.key_value)))
            editor_->setKeyColor(key->layout_index, unpackColor(led.key_rgbvalue));
    sendUserLight(userlight_id_);
}

bool KeyboardViewUserLight::hasUnappliedPaint() const {
    if (userlight_id_ < 1 || !storeOpen()) return false;
    std::vector<UserLightLEDData> leds;
    db()->getUserLightLEDData(userlight_id_, leds);
    std::map<std::int64_t, std::int64_t> stored;
    for (const UserLightLEDData& led : leds) stored[led.key_value] = led.key_rgbvalue;
    for (const KeyData& k : editor_->kbKeyArrayHover()) {
        const auto it = stored.find(k.keycode);
        if (packColor(editor_->keyColor(k.index)) != (it == stored.end() ? 0 : it->second))
            return true;
    }
    return false;
}

bool KeyboardViewUserLight::askBeforeLeaving(int row) {
    int current = -1;
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].light == userlight_id_) current = static_cast<int>(i);
    if (current < 0 || row == current || leaveConfirmed_ || !hasUnappliedPaint()) return false;
    // The shown scheme stays selected until the user decides.
    holdingSelection_ = true;
    list_->setSelectedRow(current);
    holdingSelection_ = false;
    const QString name = rows_[static_cast<std::size_t>(current)].name;
    sheets_.confirm(hub_.window(), hub_.text(kTextDropPaint),
                    hub_.text(kTextDropPaintInfo).arg(name), hub_.text(kTextCancel),
                    hub_.text(kTextDropPaintYes), [this, row] {
                        if (row >= static_cast<int>(rows_.size())) return;
                        leaveConfirmed_ = true;
                        list_->setSelectedRow(row);
                        leaveConfirmed_ = false;
                    });
    return true;
}

bool KeyboardViewUserLight::sendShownScheme() {
    // Without a scheme the light mode plays on: user light mode would show
    // whatever colours the keyboard held before.
    if (userlight_id_ < 1 || !schemeListed(userlight_id_)) return false;
    if (hub_.lighting().scheme != userlight_id_) {
        sendUserLight(userlight_id_);
    } else if (hub_.submitUpload(userLightModeUpload())) {
        hub_.userLightSent(userlight_id_);
    }
    return true;
}

void KeyboardViewUserLight::sendUserLight(std::int64_t id) {
    // The first attach sends its own sequence, the first scheme included.
    if (hub_.startupLoading() || !storeOpen()) return;
    // Built like every upload: colours that cannot be read send nothing.
    if (hub_.sendBuilt(sync::buildUploads(
            *db(), {sync::UploadChoice::UserLight, kAppProfileId, id, std::nullopt})))
        hub_.userLightSent(id);
}

void KeyboardViewUserLight::userLightListButton(int tag) {
    switch (tag) {
        case userlightbutton::kAdd:
            addUserLight();
            break;
        case userlightbutton::kDelete:
            askDeleteUserLight();
            break;
        case userlightbutton::kEdit:
            editUserLightName();
            break;
        case userlightbutton::kImport:
            importUserLight();
            break;
        case userlightbutton::kExport:
            exportUserLight();
            break;
        default:
            break;
    }
}

void KeyboardViewUserLight::addUserLight() {
    if (!storeOpen()) return;
    const QString name = defaultSchemeName();
    const std::int64_t id = db()->addUserLight(kAppProfileId, name.toStdString());
    if (id < 1) return void(hub_.reportNotSaved());
    appendScheme(id, name);
}

QString KeyboardViewUserLight::defaultSchemeName() const {
    return hub_.text(kTextUserLight) + QLatin1Char(' ') + QString::number(rows_.size());
}

void KeyboardViewUserLight::appendScheme(std::int64_t id, const QString& name) {
    rows_.push_back({id, name});
    reloadList();
    list_->setSelectedRow(static_cast<int>(rows_.size()) - 1);  // loads and sends it
}

void KeyboardViewUserLight::askDeleteUserLight() {
    const int index = list_->selectedRow();
    if (index < 0 || index >= static_cast<int>(rows_.size())) return;
    sheets_.confirm(hub_.window(), hub_.text(1594).arg(list_->row(index)->text()), hub_.text(1595),
                    hub_.text(927), hub_.text(1596), [this] { delUserLight(); });
}

void KeyboardViewUserLight::delUserLight() {
    const int index = list_->selectedRow();
    if (index < 0 || index >= static_cast<int>(rows_.size()) || !storeOpen()) return;
    const std::int64_t deleted = rows_[static_cast<std::size_t>(index)].light;
    if (!db()->deleteUserLight(deleted)) return void(hub_.reportNotSaved());
    rows_.erase(rows_.begin() + index);
    reloadList();
    // The row now at that place, else the new last row, else no scheme at all:
    // the editor never keeps addressing the deleted one.
    userlight_id_ = 0;
    editor_->resetKeyColor();
    if (!rows_.empty()) list_->setSelectedRow(std::min(index, static_cast<int>(rows_.size()) - 1));
    // Nor does the keyboard keep playing it.
    hub_.userLightDeleted(deleted);
}

void KeyboardViewUserLight::editUserLightName() {
    auto* row = qobject_cast<KeyTableItemView*>(list_->row(list_->selectedRow()));
    if (!row) {
        warnNoScheme();
        return;
    }
    row->beginEdit();
}

void KeyboardViewUserLight::renameUserLight(int index, const QString& name) {
    if (index < 0 || index >= static_cast<int>(rows_.size())) return;
    Row& row = rows_[static_cast<std::size_t>(index)];
    TableItemView* item = list_->row(index);
    // An empty name would leave a row nobody can find; keep the old one.
    if (name.trimmed().isEmpty() || !storeOpen()) {
        if (item) item->setText(row.name);
        return;
    }
    if (!db()->updateUserLightName(row.light, name.toStdString())) {
        if (item) item->setText(row.name);
        return void(hub_.reportNotSaved());
    }
    row.name = name;
    if (item) item->setText(name);
}

// ------------------------------------------------------------- colours

void KeyboardViewUserLight::colorButtonAction(int tag) {
    if (tag == kUserLightPickerTag) {
        openColorPanel(hub_.colorPanel(), colors_->swatch()->btn_color(),
                       [this](const QColor& c) { userLightColorPanel(c); });
        return;
    }
    const QColor preset = presetColor(presetOfTag(tag, kUserLightPickerTag));
    if (!preset.isValid()) return;
    colors_->showColor(preset);
    editor_->setCheckItemColor(preset);
}

void KeyboardViewUserLight::userLightColorPanel(const QColor& color) {
    colors_->showColor(color);
    editor_->setCheckItemColor(color);
}

void KeyboardViewUserLight::setUserLightRGBValue(int r_value, int g_value, int b_value) {
    const QColor color = colors_->colorFromFields(r_value, g_value, b_value);
    colors_->swatch()->setBtnColor(color);
    editor_->setCheckItemColor(color);
}

// ------------------------------------------------------- apply and reset

void KeyboardViewUserLight::applyUserLightKeyColor() {
    if (userlight_id_ < 1 || !schemeListed(userlight_id_)) {
        // Paint without a scheme: offer one to keep it rather than lose it.
        if (!storeOpen()) {
            warnNoScheme();
            return;
        }
        sheets_.confirm(hub_.window(), hub_.text(kTextNoSchemeForPaint),
                        hub_.text(kTextCreateSchemeForPaint), hub_.text(kTextCancel),
                        hub_.text(kTextCreateScheme), [this] { keepPaintInNewScheme(); });
        return;
    }
    storeEditorColours();
}

void KeyboardViewUserLight::keepPaintInNewScheme() {
    if (!storeOpen()) return;
    std::vector<QColor> painted;
    for (const KeyData& k : editor_->kbKeyArrayHover())
        painted.push_back(editor_->keyColor(k.index));
    const QString name = defaultSchemeName();
    const std::int64_t id = db()->addUserLight(kAppProfileId, name.toStdString());
    if (id < 1) return void(hub_.reportNotSaved());
    appendScheme(id, name);  // loads the new, empty scheme into the editor
    for (const KeyData& k : editor_->kbKeyArrayHover())
        editor_->setKeyColor(k.index, painted[static_cast<std::size_t>(k.index)]);
    storeEditorColours();
}

void KeyboardViewUserLight::resetUserLightKeyColor() {
    if (userlight_id_ < 1 || !schemeListed(userlight_id_)) return;
    editor_->resetKeyColor();
    storeEditorColours();
}

void KeyboardViewUserLight::storeEditorColours() {
    if (!storeOpen()) return;
    std::vector<UserLightLEDData> leds;
    leds.reserve(editor_->kbKeyArrayHover().size());
    for (const KeyData& k : editor_->kbKeyArrayHover())
        leds.push_back({0, userlight_id_, k.keycode, packColor(editor_->keyColor(k.index))});
    // All 80 in one transaction: a failure keeps the stored scheme and sends nothing.
    const DeviceSQLite::FailureWatch watch(*db());
    if (!db()->rewriteUserLightLEDData(userlight_id_, leds)) {
        if (watch.failed()) hub_.reportNotSaved();
        return;
    }
    sendUserLight(userlight_id_);
}

// ------------------------------------------------------- export, import

void KeyboardViewUserLight::exportUserLight() {
    const int index = list_->selectedRow();
    if (index < 0 || index >= static_cast<int>(rows_.size()) || !storeOpen()) {
        warnNoScheme();
        return;
    }
    const Row row = rows_[static_cast<std::size_t>(index)];
    const QString path = chooseFile ? chooseFile(true, row.name) : QString();
    if (path.isEmpty()) return;
    std::vector<UserLightLEDData> leds;
    db()->getUserLightLEDData(row.light, leds);
    QString error;
    if (!writeUserLightFile(path, userLightFileData(row.name, leds), &error))
        warn(hub_.text(kTextExportFailed),
             hub_.text(kTextFileReason).arg(QFileInfo(path).fileName(), error));
}

void KeyboardViewUserLight::importUserLight() {
    if (!storeOpen()) return;
    const QString path = chooseFile ? chooseFile(false, QString()) : QString();
    if (path.isEmpty()) return;
    const QString file = QFileInfo(path).fileName();
    QString error;
    const std::optional<QByteArray> data = readWholeFile(path, &error);
    if (!data) {
        warn(hub_.text(kTextImportFailed), hub_.text(kTextFileReason).arg(file, error));
        return;
    }
    UserLightFileRead read = readUserLightFileData(*data);
    if (!read.scheme) {
        warn(hub_.text(kTextImportFailed), hub_.text(kTextFileReason).arg(file, read.error));
        return;
    }
    QString name = read.scheme->name;
    if (name.trimmed().isEmpty()) name = defaultSchemeName();  // a row must be findable
    const std::int64_t id = db()->addUserLight(kAppProfileId, name.toStdString());
    bool stored = id >= 1;
    if (stored) {
        for (UserLightLEDData& led : read.scheme->leds) led.userlight_id = id;
        stored = db()->rewriteUserLightLEDData(id, read.scheme->leds);
        // Never half a scheme: without its colours the new scheme goes again;
        // if even that fails, the list shows the empty scheme that is stored.
        if (!stored && !db()->deleteUserLight(id)) appendScheme(id, name);
    }
    if (!stored) {
        warn(hub_.text(kTextImportFailed), hub_.text(kTextNotStored).arg(file));
        return;
    }
    appendScheme(id, name);
}

// ---------------------------------------------------------------- sheets

void KeyboardViewUserLight::warnNoScheme() {
    warn(hub_.text(kTextAddUserLights), hub_.text(kTextUserLight));
}

void KeyboardViewUserLight::warn(const QString& message, const QString& detail) {
    sheets_.warn(hub_.window(), message, detail);
}

}  // namespace korvex
