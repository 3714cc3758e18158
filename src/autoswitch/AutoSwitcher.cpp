#include "autoswitch/AutoSwitcher.h"

#include <QCoreApplication>

#include <algorithm>

#include "autoswitch/Rules.h"

namespace korvex {

AutoSwitcher::AutoSwitcher(Hooks hooks, QObject* parent, int settleMs)
    : QObject(parent), hooks_(std::move(hooks)) {
    settleTimer_.setSingleShot(true);
    settleTimer_.setInterval(settleMs);
    connect(&settleTimer_, &QTimer::timeout, this, &AutoSwitcher::settle);
}

void AutoSwitcher::setSettings(AutoSwitchSettings settings) {
    const bool turnedOn = settings.enabled && !settings_.enabled;
    settings_ = std::move(settings);
    if (turnedOn) paused_ = false;
    apply();
}

void AutoSwitcher::frontChanged(const FrontApp& front) {
    // Our own window in front says nothing about what the user plays: keep
    // the profile the front before it asked for.
    if (front.pid == QCoreApplication::applicationPid()) return;
    pending_ = front;
    settleTimer_.start();  // each change restarts the wait: alt-tab sends one switch
}

void AutoSwitcher::settle() {
    if (!pending_.sameWindowAs(front_)) paused_ = false;
    front_ = pending_;
    const bool known = std::any_of(seen_.begin(), seen_.end(), [this](const FrontApp& app) {
        return app.appId == front_.appId && app.program == front_.program;
    });
    if (!known && !front_.empty()) {
        seen_.append(front_);
        emit seenAppsChanged();
    }
    apply();
}

void AutoSwitcher::programsChanged(const QSet<QString>& running) {
    running_ = running;
    apply();
}

void AutoSwitcher::userChoseProfile() {
    paused_ = true;
    waiting_ = false;
}

void AutoSwitcher::holdReleased() {
    if (waiting_) apply();
}

void AutoSwitcher::setSuspended(bool suspended) {
    suspended_ = suspended;
    apply();
}

void AutoSwitcher::apply() {
    if (!settings_.enabled || paused_ || suspended_) return;
    const auto matched = matchRules(settings_.rules, front_, running_);
    const std::int64_t target = matched.value_or(settings_.defaultProfile);
    if (target == 0 || (hooks_.shownProfile && hooks_.shownProfile() == target)) {
        waiting_ = false;
        return;
    }
    if (hooks_.held && hooks_.held()) {
        waiting_ = true;
        return;
    }
    waiting_ = false;
    if (hooks_.switchTo && hooks_.switchTo(target)) emit switched(target);
}

}  // namespace korvex
