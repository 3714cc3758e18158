#pragma once

// Automatic profile switching in the window: its button on the settings
// page, the switcher fed by the watchers, and the switches it makes through
// the same path as the user's own.

#include <QObject>
#include <QPointer>

class QAction;
class QMenu;
class QPushButton;

namespace korvex {

class AutoSwitchControl;
class AutoSwitchDialog;
class KeyboardViewController;

class KeyboardViewAutoSwitch : public QObject {
    Q_OBJECT
  public:
    explicit KeyboardViewAutoSwitch(KeyboardViewController& hub);
    ~KeyboardViewAutoSwitch() override;

    AutoSwitchControl& control() { return *control_; }
    QPushButton* button() const { return button_; }
    // Opens the dialog (raises it when open).
    void showDialog();
    AutoSwitchDialog* dialog() const;
    // Adds "Pause automatic switching" to the tray menu, above its last
    // entry; shown while switching is on.
    void attachTray(QMenu* menu);
    QAction* pauseEntry() const { return pause_; }

  private:
    KeyboardViewController& hub_;
    AutoSwitchControl* control_ = nullptr;
    QPushButton* button_ = nullptr;
    QAction* pause_ = nullptr;
    QPointer<QObject> dialog_;  // an AutoSwitchDialog while open
    bool switching_ = false;    // our own switch is under way
};

}  // namespace korvex
