#pragma once

// Automatic switching in the window: picks the watchers this session offers,
// feeds the switcher, and keeps it in step with the stored rules.

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

#include "autoswitch/AutoSwitcher.h"
#include "autoswitch/Programs.h"

namespace korvex {

class DeviceSQLite;

class AutoSwitchControl : public QObject {
    Q_OBJECT
  public:
    // What this session lets us see.
    enum class Sight {
        Front,         // the window in front, all applications
        X11Only,       // X clients only (XWayland beside a Wayland desktop)
        ProgramsOnly,  // nothing of the front (GNOME on Wayland): program rules only
    };

    struct Hooks {
        AutoSwitcher::Hooks switcher;
        std::function<DeviceSQLite*()> store;
    };

    explicit AutoSwitchControl(Hooks hooks, QObject* parent = nullptr);
    ~AutoSwitchControl() override;

    // Reads the rules; starts the watchers the first time switching is on.
    // False when the rules could not be read (switching then stays as it was).
    bool reload();
    AutoSwitcher& switcher() { return *switcher_; }
    Sight sight() const { return sight_; }
    // "X11", "sway/i3", "KDE Plasma", or empty.
    const QString& desktopName() const { return desktop_; }

  signals:
    void changed();

  private:
    void startWatchers();

    Hooks hooks_;
    std::unique_ptr<AutoSwitcher> switcher_;
    std::unique_ptr<FrontWatcher> front_;
    std::unique_ptr<ProgramWatcher> programs_;
    Sight sight_ = Sight::ProgramsOnly;
    QString desktop_;
    bool started_ = false;
};

}  // namespace korvex
