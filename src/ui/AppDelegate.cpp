#include "ui/AppDelegate.h"

#include <QActionGroup>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

#include <cstdio>
#include <utility>

#include "session/Session.h"
#include "ui/Images.h"
#include "ui/KeyboardViewController.h"
#include "ui/keys/KeyboardViewKeyFunc.h"

namespace korvex {

AppDelegate::AppDelegate(QObject* parent) : QObject(parent) {}

AppDelegate::~AppDelegate() {
    delete tray_;
    delete menu_;
}

void AppDelegate::applicationDidFinishLaunching(std::function<void()> showWindow,
                                                Session* session) {
    startPrivilegeMonitor();

    keylogger_ = &Keylogger::shared();

    menu_ = new QMenu;
    QAction* show = menu_->addAction(QString());
    show->setObjectName(QStringLiteral("tray_show"));
    menu_->addSeparator();
    profilesEnd_ = menu_->addSeparator();
    QAction* quit = menu_->addAction(QString());
    quit->setObjectName(QStringLiteral("tray_quit"));
    profileGroup_ = new QActionGroup(menu_);
    profileGroup_->setExclusive(true);
    session_ = session;
    if (session_) {
        connect(session_, &Session::profilesChanged, this, &AppDelegate::rebuildProfileEntries);
        connect(session_, &Session::profileSwitched, this, &AppDelegate::rebuildProfileEntries);
    }
    relabel();
    connect(show, &QAction::triggered, this, [showWindow] {
        if (showWindow) showWindow();
    });
    connect(quit, &QAction::triggered, this, &AppDelegate::quitRequested);

    tray_ = new QSystemTrayIcon(QIcon(imagePath(QStringLiteral("tray_icon"))));
    tray_->setToolTip(QStringLiteral("Korvex"));
    tray_->setContextMenu(menu_);
    connect(tray_, &QSystemTrayIcon::activated, this,
            [showWindow](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger && showWindow) showWindow();
            });
    // Shown even when no tray is there yet: started with the desktop, Korvex
    // may come up before the panel, and Qt adds the icon once a tray appears.
    tray_->show();
}

void AppDelegate::rebuildProfileEntries() {
    if (!menu_ || !session_) return;
    const QList<QAction*> old = profileGroup_->actions();
    for (QAction* action : old) {
        menu_->removeAction(action);
        delete action;
    }
    for (const ProfileData& p : session_->profiles) {
        auto* action = new QAction(
            KeyboardViewKeyFunc::profileDisplayName(p.name, &KeyboardViewController::text),
            profileGroup_);
        action->setObjectName(QStringLiteral("tray_profile_%1").arg(p.profId));
        action->setCheckable(true);
        action->setChecked(p.profId == session_->shownProfile);
        const std::int64_t id = p.profId;
        // Queued: the menu is still handling the click when the switch
        // rebuilds it.
        connect(
            action, &QAction::triggered, this,
            [this, id] {
                if (session_) session_->switchProfile(id);
            },
            Qt::QueuedConnection);
        menu_->insertAction(profilesEnd_, action);
    }
}

void AppDelegate::relabel() {
    if (!menu_) return;
    rebuildProfileEntries();
    const QList<QAction*> actions = menu_->actions();
    for (QAction* action : actions) {
        if (action->objectName() == QLatin1String("tray_show"))
            action->setText(KeyboardViewController::text(800));
        else if (action->objectName() == QLatin1String("tray_quit"))
            action->setText(KeyboardViewController::text(801));
    }
}

void AppDelegate::windowHiddenToTray() {
    if (!tray_ || !tray_->isVisible() || std::exchange(trayHintShown_, true)) return;
    tray_->showMessage(QStringLiteral("Korvex"), KeyboardViewController::text(925));
}

void AppDelegate::startPrivilegeMonitor() {
    std::puts("startPrivilegeMonitor");
    privilegeTimer_ = new QTimer(this);
    privilegeTimer_->setInterval(3000);
    connect(privilegeTimer_, &QTimer::timeout, this, [this] {
        const bool trusted = isProcessTrusted();
        std::printf("ACCESS_ENABLED%s\n", trusted ? "true" : "false");
        if (trusted) {
            std::puts("有权限,开启键盘事件监控");
            privilegeTimer_->stop();
        }
        std::fflush(stdout);
    });
    privilegeTimer_->start();
    std::fflush(stdout);
}

bool AppDelegate::privilegeMonitorRunning() const {
    return privilegeTimer_ && privilegeTimer_->isActive();
}

}  // namespace korvex
