#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

#include "ui/recorder/Keylogger.h"

class QAction;
class QActionGroup;
class QSystemTrayIcon;
class QMenu;
class QTimer;

namespace korvex {

class Session;

// The program's launch steps: the key-recording permission check (always
// granted on Linux, but its log lines are kept so the log reads the same on
// every system), the key recorder, and the tray icon with its quick menu.
class AppDelegate : public QObject {
    Q_OBJECT
  public:
    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

    // Runs the launch steps; showWindow is what the tray's first entry does.
    // With a session the menu lists its profiles, the shown one checked;
    // choosing one switches to it as the key page does.
    void applicationDidFinishLaunching(std::function<void()> showWindow,
                                       Session* session = nullptr);

    static bool isProcessTrusted() { return true; }
    // Relabels the tray menu in the current language.
    void relabel();
    // The window went to the tray: say once per run how to end the program.
    void windowHiddenToTray();
    Keylogger* keylogger() const { return keylogger_; }
    QSystemTrayIcon* statusItem() const { return tray_; }
    QMenu* quickMenu() const { return menu_; }
    bool privilegeMonitorRunning() const;

  signals:
    void quitRequested();

  private:
    void startPrivilegeMonitor();
    void rebuildProfileEntries();

    QPointer<QTimer> privilegeTimer_;
    Keylogger* keylogger_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    QMenu* menu_ = nullptr;
    Session* session_ = nullptr;
    QAction* profilesEnd_ = nullptr;  // the separator after the profile entries
    QActionGroup* profileGroup_ = nullptr;
    bool trayHintShown_ = false;
};

}  // namespace korvex
