#pragma once

// The light page: the built-in light modes, their colour, random colour,
// brightness, speed and direction, and the light sleep time. Every change is
// read from the stored mode, written back, and sent only when the write
// succeeded, so the keyboard always shows what the database holds.

#include <QColor>
#include <QObject>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "store/Records.h"

class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;
class QWidget;

namespace korvex {

class ColorButton;
class ColorControls;
class DeviceSQLite;
class ImageButton;
class ItemListView;
class KeyboardLightView;
class KeyboardViewController;

class KeyboardViewLight : public QObject {
    Q_OBJECT
  public:
    // Builds the page into the hub's light page view.
    explicit KeyboardViewLight(KeyboardViewController& hub);

    // Selects the stored mode's row; the row's selection handling sets the
    // controls (and sends, except while the first attach loads).
    void loadLightModeData();
    void setLightModeTableSelect(int selectIndex);
    void setBacklightMode(int index);
    void backlightBrightnessChange(int value);
    void backlightSpeedChange(int value);
    void backlightDirection(int type);
    void lightRondomColorSwitch();
    void backlightColorModeStatus(bool status);
    void setLightKeyboardCheckColor(const QColor& color);
    // A 0 argument takes that channel from its field.
    void setLightRGBValue(int r_value, int g_value, int b_value);
    void lightColorPanel(const QColor& color);
    void enableColorButton(bool enable);
    // Shows and stores the sleep time; false when it could not be stored.
    bool backlightSleepTime(int type);
    void showSleepTime(int type);
    void showStoredSleepTime();
    // A sleep radio was clicked: store its choice, then send the system switches.
    void sleepRadioClicked(int tag);
    // "colorButtonAction" with a tag of this page (100 picker, 101..114 presets).
    void colorButtonAction(int tag);
    // The light page button was pressed: the shown mode goes out again.
    void sendShownMode();

    // --- the page's controls ---------------------------------------------
    ItemListView* light_mode_list() const { return list_; }
    KeyboardLightView* light_keyboardctrl() const { return preview_; }
    ColorButton* colorButton(int tag) const;  // 100..114
    ColorButton* light_btn_color() const;
    QLineEdit* colorField(int channel) const;
    ImageButton* light_btn_randomcolor() const { return random_; }
    int randomColorTag() const { return randomTag_; }
    QSlider* light_slider_brightness() const { return brightness_; }
    QSlider* light_slider_speed() const { return speed_; }
    ImageButton* directionButton(int tag) const;  // 200..203
    QRadioButton* sleepRadio(int type) const {
        return sleepRadios_[static_cast<std::size_t>(type)];
    }
    QLabel* sleepLabel(int type) const { return sleepLabels_[static_cast<std::size_t>(type)]; }

  private:
    void buildPage(QWidget* page);
    void observe();
    void relabel();
    DeviceSQLite* db() const;
    std::optional<lightData> storedMode() const;
    // Sets every control and the preview from the stored current mode;
    // false when it cannot be read.
    bool showStoredMode();
    // Read, change, write back, and send only after a successful write.
    bool changeStoredMode(const std::function<void(std::vector<std::uint8_t>&)>& change);
    void sendLightModeData();
    // Shows the current profile's selected mode and its settings.
    void showProfileMode();
    void showColor(const QColor& color);
    void showDirection(int type);
    void setSliderQuietly(QSlider* slider, int value);
    void setRandomSwitch(bool on);

    KeyboardViewController& hub_;
    ItemListView* list_ = nullptr;
    KeyboardLightView* preview_ = nullptr;
    ColorControls* colors_ = nullptr;
    ImageButton* random_ = nullptr;
    int randomTag_ = 0;
    QSlider* brightness_ = nullptr;
    QSlider* speed_ = nullptr;
    std::array<ImageButton*, 4> directions_{};  // tag 200 + i
    std::array<QRadioButton*, 4> sleepRadios_{};
    std::array<QLabel*, 4> sleepLabels_{};
};

}  // namespace korvex
