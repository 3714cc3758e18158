#pragma once

// The window in front on KDE Plasma (Wayland and X11): KWin tells scripts,
// not applications, so a small script of ours is loaded into KWin through
// its scripting interface and calls us back over the session bus.

#include <QDBusConnection>
#include <QTemporaryDir>

#include "autoswitch/FrontApp.h"

namespace korvex {

class KWinFrontWatcher : public FrontWatcher {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.korvex.FrontWindow1")
  public:
    static constexpr const char* kObjectPath = "/io/github/korvex/FrontWindow";
    static constexpr const char* kPluginName = "korvex-front-window";

    explicit KWinFrontWatcher(QDBusConnection bus = QDBusConnection::sessionBus(),
                              QObject* parent = nullptr);
    // Unloads the script: KWin would otherwise keep calling a program that is gone.
    ~KWinFrontWatcher() override;
    bool start() override;
    // The script's text, calling back `service` (our connection's unique name).
    static QString scriptText(const QString& service);

  public slots:
    // Called by the script in KWin whenever another window becomes active.
    Q_SCRIPTABLE void Activated(const QString& resourceClass, const QString& resourceName,
                                const QString& caption, const QString& pid);

  private:
    QDBusConnection bus_;
    QTemporaryDir dir_;
    bool loaded_ = false;
};

}  // namespace korvex
