#include "ui/light/KeyboardViewLight.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>

#include "protocol/Encoders.h"
#include "store/DeviceSQLite.h"
#include "ui/Controls.h"
#include "ui/Images.h"
#include "ui/KeyboardViewController.h"
#include "ui/NotificationCenter.h"
#include "ui/Theme.h"
#include "ui/config/SystemFunctions.h"
#include "ui/light/ColorControls.h"
#include "ui/light/KeyboardLightView.h"
#include "ui/light/LightModes.h"

namespace korvex {

using namespace lightmodes;

namespace {

constexpr int kFirstDirectionTag = 200;
constexpr int kSliderMaximum = 15;  // the stored byte's low four bits

struct DirectionButton {
    int tag;
    const char* name;
    const char* image;
    QRect geometry;
    int tipText;
};

// Up, right, left, down by tag; the buttons sit in a cross.
const DirectionButton kDirections[] = {
    {200, "light_direction_top", "image_up", QRect(808, 420, 36, 36), 1312},
    {201, "light_direction_right", "image_right", QRect(848, 460, 36, 36), 1313},
    {202, "light_direction_left", "image_left", QRect(768, 460, 36, 36), 1314},
    {203, "light_direction_bottom", "image_bottom", QRect(808, 500, 36, 36), 1315},
};
constexpr int kPickerTipText = 1311;

void setLabelColor(QLabel* label, const QColor& color) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

QColor storedColor(const std::vector<std::uint8_t>& bytes) {
    return QColor(bytes[kByteRed], bytes[kByteGreen], bytes[kByteBlue]);
}

}  // namespace

KeyboardViewLight::KeyboardViewLight(KeyboardViewController& hub) : QObject(&hub), hub_(hub) {
    setObjectName(QStringLiteral("keyboard_view_light"));
    if (QWidget* page = hub_.pageView(KeyboardViewController::kLightView)) buildPage(page);
    observe();
    hub_.sendLightModeOnPress = [this] { sendShownMode(); };
    connect(&hub_, &KeyboardViewController::profilesLoaded, this, [this] {
        loadLightModeData();
        showStoredSleepTime();
    });
    connect(&hub_, &KeyboardViewController::profileSwitched, this, [this] { showProfileMode(); });
    connect(&hub_, &KeyboardViewController::languageSwitched, this, [this] { relabel(); });
}

DeviceSQLite* KeyboardViewLight::db() const {
    return hub_.deviceDB();
}

void KeyboardViewLight::buildPage(QWidget* page) {
    list_ = new ItemListView(page);
    // The hub relabels the rows by this identifier too.
    list_->setObjectName(QStringLiteral("lightmode"));
    list_->setGeometry(24, 24, 200, 600);
    for (int row = 0; row < kRowCount; ++row) {
        auto* item = new LightTableItemView(hub_.text(kFirstRowText + row));
        item->setIcons(QStringLiteral("icon_circle_n"), QStringLiteral("icon_circle_h"));
        item->setTableViewIndex(row);
        list_->addRow(item);
    }
    connect(list_, &ItemListView::selectionChanged, this, [this](int row) {
        if (row < 0) return;
        setLightModeTableSelect(row);
        setBacklightMode(row);
    });

    preview_ = new KeyboardLightView(page);
    preview_->setObjectName(QStringLiteral("light_keyboardctrl"));
    preview_->move(248, 24);
    preview_->setFocusPolicy(Qt::NoFocus);  // it only shows the effect
    preview_->initKeyboard(3, QStringLiteral("img_keyboard_layout"), keyboardKeyRecords());

    colors_ = new ColorControls(page, QStringLiteral("light"), kLightPickerTag, 361, {248, 296});
    colors_->typed = [this](int r, int g, int b) { setLightRGBValue(r, g, b); };

    theme::pageLabel(page, QStringLiteral("light_label_randomcolor"), QRect(248, 392, 160, 24));
    random_ = new ImageButton(QStringLiteral("img_switch_off"), page);
    random_->setObjectName(QStringLiteral("light_btn_randomcolor"));
    random_->setGeometry(420, 392, 48, 24);
    random_->setCheckable(true);  // a switch: its state is told, not only drawn
    connect(random_, &QAbstractButton::clicked, this, [this] { lightRondomColorSwitch(); });

    auto slider = [&](const char* label, const char* name, int y) {
        theme::pageLabel(page, QString::fromLatin1(label), QRect(248, y, 160, 24));
        auto* s = new QSlider(Qt::Horizontal, page);
        s->setObjectName(QString::fromLatin1(name));
        s->setRange(0, kSliderMaximum);
        s->setTickPosition(QSlider::TicksBelow);
        s->setTickInterval(1);
        s->setPageStep(1);
        s->setGeometry(420, y, 300, 28);
        return s;
    };
    brightness_ = slider("light_label_brightness", "light_slider_brightness", 432);
    speed_ = slider("light_label_speed", "light_slider_speed", 472);
    connect(brightness_, &QSlider::valueChanged, this,
            [this](int v) { backlightBrightnessChange(v); });
    connect(speed_, &QSlider::valueChanged, this, [this](int v) { backlightSpeedChange(v); });

    for (const DirectionButton& d : kDirections) {
        auto* b = new ImageButton(QString::fromLatin1(d.image), page);
        b->setObjectName(QString::fromLatin1(d.name));
        b->setProperty("tag", d.tag);
        b->setGeometry(d.geometry);
        b->hide();
        const int tag = d.tag;
        connect(b, &QAbstractButton::clicked, this, [this, tag] {
            if (auto type = directionOfTag(tag)) backlightDirection(*type);
        });
        directions_[static_cast<std::size_t>(d.tag - kFirstDirectionTag)] = b;
    }

    theme::pageLabel(page, QStringLiteral("light_label_lightsleeptime"), QRect(248, 528, 200, 24));
    for (int type = 0; type < kSleepChoices; ++type) {
        auto* radio = new QRadioButton(page);
        radio->setObjectName(QStringLiteral("light_radio_lightsleep%1").arg(type));
        // Exclusive, so a screen reader announces them as the one choice they are.
        radio->setProperty("tag", kFirstSleepTag + type);
        radio->setGeometry(248 + type * 120, 560, 20, 24);
        const int tag = kFirstSleepTag + type;
        connect(radio, &QAbstractButton::clicked, this, [this, tag] { sleepRadioClicked(tag); });
        sleepRadios_[static_cast<std::size_t>(type)] = radio;
        sleepLabels_[static_cast<std::size_t>(type)] =
            theme::pageLabel(page, QStringLiteral("light_label_lightsleep%1").arg(type),
                             QRect(270 + type * 120, 560, 96, 24));
    }
}

void KeyboardViewLight::observe() {
    // Tags 100..114 belong to this page's colour buttons alone.
    NotificationCenter::defaultCenter().addObserver(
        notification::kColorButtonAction,
        [this](const QVariant& v) {
            const int tag = v.toInt();
            if (tag >= kLightPickerTag && tag <= kLightPickerTag + kPresetCount)
                colorButtonAction(tag);
        },
        this);
}

void KeyboardViewLight::relabel() {
    // Icon buttons: the tooltip says what they do, for screen readers too.
    for (const DirectionButton& d : kDirections) {
        QAbstractButton* b = directionButton(d.tag);
        b->setToolTip(hub_.text(d.tipText));
        b->setAccessibleName(hub_.text(d.tipText));
    }
    if (ColorButton* picker = colors_->button(kLightPickerTag)) {
        picker->setToolTip(hub_.text(kPickerTipText));
        picker->setAccessibleName(hub_.text(kPickerTipText));
    }
    for (int row = 0; row < list_->rowCount(); ++row)
        list_->row(row)->setText(hub_.text(kFirstRowText + row));
    for (int type = 0; type < kSleepChoices; ++type) {
        sleepLabels_[static_cast<std::size_t>(type)]->setText(hub_.text(kFirstSleepText + type));
        sleepRadios_[static_cast<std::size_t>(type)]->setAccessibleName(
            hub_.text(kFirstSleepText + type));
    }
    // The captions beside them are separate labels; a screen reader needs the names here.
    random_->setAccessibleName(hub_.text(530));
    list_->setAccessibleName(hub_.text(1302));
    preview_->setAccessibleName(hub_.text(1550));
    brightness_->setAccessibleName(hub_.text(531));
    speed_->setAccessibleName(hub_.text(532));
    colors_->relabel();
    showStoredSleepTime();
}

void KeyboardViewLight::showStoredSleepTime() {
    if (DeviceSQLite* store = db(); store && store->isOpen())
        showSleepTime(sleepTypeOfStored(store->getConfigData(kAppProfileId, "sleeplight")));
}

// ------------------------------------------------------------ mode choice

void KeyboardViewLight::loadLightModeData() {
    DeviceSQLite* store = db();
    if (!store || !store->isOpen()) return;
    // Each profile keeps its own selected mode, as its keys and colours.
    if (!store->writeLightProfile(hub_.currentProfile)) return void(hub_.reportNotSaved());
    hub_.currentLightMode = static_cast<int>(store->getLightModeSelectIndex(hub_.currentProfile));
    if (rowOfMode(hub_.currentLightMode) < 0) return;
    // Only shown, like a switch: the selection is the stored one, and taking
    // in the file (start, factory reset, another program's change) writes
    // nothing, so it never waits on another program's lock or reports a
    // change the user did not make.
    hub_.closeColorPanel();
    showProfileMode();
}

void KeyboardViewLight::showProfileMode() {
    // Only shown: the switch itself sends what the keyboard must play.
    const int row = rowOfMode(hub_.currentLightMode);
    {
        const QSignalBlocker quiet(list_);
        list_->setSelectedRow(row);
    }
    markSelectedRow(*list_, row);
    showStoredMode();
}

void KeyboardViewLight::setLightModeTableSelect(int selectIndex) {
    markSelectedRow(*list_, selectIndex);
    if (list_->selectedRow() != selectIndex) list_->setSelectedRow(selectIndex);
}

void KeyboardViewLight::setBacklightMode(int index) {
    hub_.closeColorPanel();
    const int mode = modeOfRow(index);
    DeviceSQLite* store = db();
    if (mode < 0 || !store) return;
    if (!store->selectLightMode(hub_.currentProfile, mode)) return void(hub_.reportNotSaved());
    hub_.currentLightMode = mode;

    if (showStoredMode()) sendLightModeData();
}

bool KeyboardViewLight::showStoredMode() {
    const int mode = hub_.currentLightMode;
    const std::optional<lightData> record = storedMode();
    if (!record) return false;
    const std::vector<std::uint8_t>& b = record->lightBytes;
    const bool random = b[kByteRandom] == 1;

    setSliderQuietly(brightness_, mode == kModeOff ? 0 : b[kByteBrightness] & 15);
    enableColorButton(!hasFixedColours(mode) && !random);
    random_->setEnabled(mode != kModeOff);
    setRandomSwitch(!hasFixedColours(mode) && random);

    const QColor color = storedColor(b);
    showColor(color);
    if (mode == kModeOff)
        preview_->setAllKeyColors(Qt::black);
    else if (hasFixedColours(mode) || random)
        loadColorfulLight(*preview_);
    else
        preview_->setAllKeyColors(color);

    speed_->setEnabled(!hasNoSpeed(mode));
    setSliderQuietly(speed_, hasNoSpeed(mode) ? 0 : b[kByteSpeed] & 15);

    const Directions shown = directionsOf(mode);
    for (const DirectionButton& d : kDirections) {
        const bool upDown = d.tag == 200 || d.tag == 203;
        directionButton(d.tag)->setVisible(shown == Directions::UpDown      ? upDown
                                           : shown == Directions::LeftRight ? !upDown
                                                                            : false);
    }
    if (shown == Directions::UpDown)
        showDirection(b[kByteDirection] == kDirectionUp ? kDirectionUp : kDirectionDown);
    else if (shown == Directions::LeftRight)
        showDirection(b[kByteDirection] == kDirectionRight ? kDirectionRight : kDirectionLeft);

    return true;
}

void KeyboardViewLight::sendShownMode() {
    // The stored selection goes out, which is what the list shows once a
    // refused choice has been shown again from the store.
    if (DeviceSQLite* store = db(); store && store->isOpen()) {
        const DeviceSQLite::FailureWatch watch(*store);
        const auto mode = static_cast<int>(store->getLightModeSelectIndex(hub_.currentProfile));
        if (watch.failed()) return hub_.reportNotBuilt(sync::readFailure(*store));
        hub_.currentLightMode = mode;
    }
    sendLightModeData();
}

// ------------------------------------------------------- stored changes

std::optional<lightData> KeyboardViewLight::storedMode() const {
    DeviceSQLite* store = db();
    lightData record;
    if (!store || !store->queryLightInfo(hub_.currentProfile, hub_.currentLightMode, record))
        return std::nullopt;
    return record;
}

bool KeyboardViewLight::changeStoredMode(
    const std::function<void(std::vector<std::uint8_t>&)>& change) {
    std::optional<lightData> record = storedMode();
    if (!record) return false;
    change(record->lightBytes);
    if (!db()->modifyLightData(hub_.currentProfile, hub_.currentLightMode, record->lightBytes)) {
        // The page goes back to what is stored, like the keyboard.
        showStoredMode();
        return false;
    }
    sendLightModeData();
    return true;
}

void KeyboardViewLight::sendLightModeData() {
    DeviceSQLite* store = db();
    // The first attach sends its own sequence, this mode included.
    if (hub_.startupLoading() || !store || !store->isOpen()) return;
    // Through the builder, like the switch: a failed read of the mode's
    // bytes sends nothing rather than a mode with zero bytes.
    hub_.sendStoredLightMode();
}

void KeyboardViewLight::backlightBrightnessChange(int value) {
    changeStoredMode([value](auto& b) { b[kByteBrightness] = static_cast<std::uint8_t>(value); });
}

void KeyboardViewLight::backlightSpeedChange(int value) {
    changeStoredMode([value](auto& b) { b[kByteSpeed] = static_cast<std::uint8_t>(value); });
}

void KeyboardViewLight::backlightDirection(int type) {
    if (type < kDirectionLeft || type > kDirectionDown) return;
    showDirection(type);
    changeStoredMode([type](auto& b) { b[kByteDirection] = static_cast<std::uint8_t>(type); });
}

void KeyboardViewLight::showDirection(int type) {
    auto mark = [this](int tag, bool on) {
        for (const DirectionButton& d : kDirections)
            if (d.tag == tag)
                directionButton(tag)->setImageName(QString::fromLatin1(d.image) +
                                                   (on ? QStringLiteral("_check") : QString()));
    };
    if (type == kDirectionLeft || type == kDirectionRight) {
        mark(202, type == kDirectionLeft);
        mark(201, type == kDirectionRight);
    } else {
        mark(200, type == kDirectionUp);
        mark(203, type == kDirectionDown);
    }
}

void KeyboardViewLight::lightRondomColorSwitch() {
    const bool on = randomTag_ != 1;
    setRandomSwitch(on);
    backlightColorModeStatus(on);
}

void KeyboardViewLight::setRandomSwitch(bool on) {
    randomTag_ = on ? 1 : 0;
    random_->setChecked(on);
    random_->setImageName(on ? QStringLiteral("img_switch_on") : QStringLiteral("img_switch_off"));
}

void KeyboardViewLight::backlightColorModeStatus(bool status) {
    const std::optional<lightData> record = storedMode();
    if (!record) return;
    enableColorButton(!status);
    if (status) {
        loadColorfulLight(*preview_);
    } else {
        const QColor color = storedColor(record->lightBytes);
        preview_->setAllKeyColors(color);
        showColor(color);
    }
    changeStoredMode([status](auto& b) { b[kByteRandom] = status ? 1 : 0; });
}

// --------------------------------------------------------------- colours

void KeyboardViewLight::enableColorButton(bool enable) {
    // The picker too: a colour chosen there would only be stored for an
    // effect that does not show it.
    colors_->setEnabled(enable);
    // An open picker would otherwise go on storing colours the mode ignores.
    if (!enable) hub_.closeColorPanel();
}

ColorButton* KeyboardViewLight::colorButton(int tag) const {
    return colors_->button(tag);
}

ColorButton* KeyboardViewLight::light_btn_color() const {
    return colors_->swatch();
}

QLineEdit* KeyboardViewLight::colorField(int channel) const {
    return colors_->field(channel);
}

ImageButton* KeyboardViewLight::directionButton(int tag) const {
    const int i = tag - kFirstDirectionTag;
    return i >= 0 && i < 4 ? directions_[static_cast<std::size_t>(i)] : nullptr;
}

void KeyboardViewLight::colorButtonAction(int tag) {
    ColorButton* button = colorButton(tag);
    if (!button || button->isDiasble()) return;
    if (tag == kLightPickerTag) {
        openColorPanel(hub_.colorPanel(), colors_->swatch()->btn_color(),
                       [this](const QColor& c) { lightColorPanel(c); });
        return;
    }
    const QColor preset = presetColor(presetOfTag(tag, kLightPickerTag));
    showColor(preset);
    setLightKeyboardCheckColor(preset);
}

void KeyboardViewLight::showColor(const QColor& color) {
    colors_->showColor(color);
}

void KeyboardViewLight::lightColorPanel(const QColor& color) {
    showColor(color);
    setLightKeyboardCheckColor(color);
}

void KeyboardViewLight::setLightKeyboardCheckColor(const QColor& color) {
    preview_->setAllKeyColors(color);
    // Whole 8-bit channels all the way: a stored colour read back and
    // written again never drifts.
    changeStoredMode([&color](auto& b) {
        b[kByteRed] = static_cast<std::uint8_t>(color.red());
        b[kByteGreen] = static_cast<std::uint8_t>(color.green());
        b[kByteBlue] = static_cast<std::uint8_t>(color.blue());
    });
}

void KeyboardViewLight::setLightRGBValue(int r_value, int g_value, int b_value) {
    const QColor color = colors_->colorFromFields(r_value, g_value, b_value);
    colors_->swatch()->setBtnColor(color);
    setLightKeyboardCheckColor(color);
}

// ---------------------------------------------------------- sleep time

void KeyboardViewLight::showSleepTime(int type) {
    for (int t = 0; t < kSleepChoices; ++t) {
        sleepRadios_[static_cast<std::size_t>(t)]->setChecked(false);
        setLabelColor(sleepLabels_[static_cast<std::size_t>(t)], Qt::white);
    }
    if (type < 0 || type >= kSleepChoices) return;
    sleepRadios_[static_cast<std::size_t>(type)]->setChecked(true);
    setLabelColor(sleepLabels_[static_cast<std::size_t>(type)], kAccentColor);
}

bool KeyboardViewLight::backlightSleepTime(int type) {
    showSleepTime(type);
    if (type < 0 || type >= kSleepChoices) return true;
    DeviceSQLite* store = db();
    return !store || storeAppValue(*store, "sleeplight", std::to_string(type));
}

void KeyboardViewLight::sleepRadioClicked(int tag) {
    if (!backlightSleepTime(tag - kFirstSleepTag)) return void(hub_.reportNotSaved());
    SendSystemFunctionData(hub_);
}

void KeyboardViewLight::setSliderQuietly(QSlider* slider, int value) {
    const QSignalBlocker quiet(slider);
    slider->setValue(value);
}

}  // namespace korvex
