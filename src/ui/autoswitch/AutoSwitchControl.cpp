#include "ui/autoswitch/AutoSwitchControl.h"

#include "autoswitch/KWinFront.h"
#include "autoswitch/SwayFront.h"
#include "autoswitch/X11Front.h"
#include "store/DeviceSQLite.h"

namespace korvex {

AutoSwitchControl::AutoSwitchControl(Hooks hooks, QObject* parent)
    : QObject(parent),
      hooks_(std::move(hooks)),
      switcher_(std::make_unique<AutoSwitcher>(hooks_.switcher)) {
    // Decided now, so the page can say it before anything is switched on.
    if (qEnvironmentVariableIsSet("SWAYSOCK") || qEnvironmentVariableIsSet("I3SOCK")) {
        sight_ = Sight::Front;
        desktop_ = QStringLiteral("sway/i3");
    } else if (qEnvironmentVariable("XDG_CURRENT_DESKTOP").contains(QStringLiteral("KDE"))) {
        sight_ = Sight::Front;
        desktop_ = QStringLiteral("KDE Plasma");
    } else if (qEnvironmentVariableIsSet("DISPLAY")) {
        sight_ = qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ? Sight::X11Only : Sight::Front;
        desktop_ = QStringLiteral("X11");
    }
}

AutoSwitchControl::~AutoSwitchControl() = default;

bool AutoSwitchControl::reload() {
    DeviceSQLite* store = hooks_.store ? hooks_.store() : nullptr;
    AutoSwitchSettings settings;
    if (!store || !store->queryAutoSwitch(settings)) return false;
    if (settings.enabled) startWatchers();
    switcher_->setSettings(std::move(settings));
    emit changed();
    return true;
}

void AutoSwitchControl::startWatchers() {
    if (started_) return;
    started_ = true;
    auto follow = [this](std::unique_ptr<FrontWatcher> watcher) {
        connect(watcher.get(), &FrontWatcher::frontChanged, switcher_.get(),
                &AutoSwitcher::frontChanged);
        if (watcher->start()) front_ = std::move(watcher);
        return front_ != nullptr;
    };
    bool seeing = false;
    if (desktop_ == QStringLiteral("sway/i3")) {
        seeing = follow(std::make_unique<SwayFrontWatcher>());
    } else if (desktop_ == QStringLiteral("KDE Plasma")) {
        seeing = follow(std::make_unique<KWinFrontWatcher>());
    }
    // X11, and KDE on X11 without KWin's scripting: EWMH.
    if (!seeing && qEnvironmentVariableIsSet("DISPLAY")) {
        seeing = follow(std::make_unique<X11FrontWatcher>());
        if (seeing) desktop_ = QStringLiteral("X11");
    }
    if (!seeing) {
        sight_ = Sight::ProgramsOnly;
        desktop_.clear();
    }
    programs_ = std::make_unique<ProgramWatcher>();
    connect(programs_.get(), &ProgramWatcher::programsChanged, switcher_.get(),
            &AutoSwitcher::programsChanged);
    programs_->start();
}

}  // namespace korvex
