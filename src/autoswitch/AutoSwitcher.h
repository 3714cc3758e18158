#pragma once

// Switches profiles as the application in front and the running programs
// change, without fighting the user: focus changes are coalesced, a profile
// chosen by hand pauses it until the front changes, and nothing switches
// while the user is in the middle of something (a recording, unapplied paint).

#include <QObject>
#include <QSet>
#include <QTimer>

#include <cstdint>
#include <functional>

#include "autoswitch/FrontApp.h"
#include "store/Records.h"

namespace korvex {

class AutoSwitcher : public QObject {
    Q_OBJECT
  public:
    struct Hooks {
        std::function<std::int64_t()> shownProfile;
        // Switches as the user's own choice would; false when it did not happen.
        std::function<bool(std::int64_t profile)> switchTo;
        // True while switching must wait (a recording runs, paint is unapplied).
        std::function<bool()> held;
    };

    static constexpr int kSettleMs = 300;

    explicit AutoSwitcher(Hooks hooks, QObject* parent = nullptr, int settleMs = kSettleMs);

    void setSettings(AutoSwitchSettings settings);
    // How long the front must stay before a switch.
    void setSettleMs(int milliseconds) { settleTimer_.setInterval(milliseconds); }
    const AutoSwitchSettings& settings() const { return settings_; }
    bool paused() const { return paused_; }
    // Paused by the user (the tray's check item) until resumed.
    void setSuspended(bool suspended);
    bool suspended() const { return suspended_; }
    const FrontApp& front() const { return front_; }
    // Every application and program seen in this session, for adding rules.
    const QList<FrontApp>& seenApps() const { return seen_; }
    const QSet<QString>& running() const { return running_; }

  public slots:
    void frontChanged(const korvex::FrontApp& front);
    void programsChanged(const QSet<QString>& running);
    // The user chose a profile: automatic switching waits for the next front.
    void userChoseProfile();
    // A hold ended (recording stopped, paint applied or dropped): catch up.
    void holdReleased();

  signals:
    void switched(std::int64_t profile);
    void seenAppsChanged();

  private:
    void settle();
    void apply();

    Hooks hooks_;
    AutoSwitchSettings settings_;
    QTimer settleTimer_;
    FrontApp pending_;
    FrontApp front_;
    QSet<QString> running_;
    QList<FrontApp> seen_;
    bool paused_ = false;
    bool suspended_ = false;
    bool waiting_ = false;  // a switch was held back
};

}  // namespace korvex
