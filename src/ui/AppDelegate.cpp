#include "ui/AppDelegate.h"

#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

#include <cstdio>

#include "ui/Images.h"

namespace korvex {

AppDelegate::AppDelegate(QObject* parent) : QObject(parent) {}

AppDelegate::~AppDelegate() {
    delete tray_;
    delete menu_;
}

void AppDelegate::applicationDidFinishLaunching(std::function<void()> showWindow) {
    startPrivilegeMonitor();

    keylogger_ = &Keylogger::shared();

    menu_ = new QMenu;
    QAction* show = menu_->addAction(QStringLiteral("Show Korvex"));
    menu_->addSeparator();
    QAction* quit = menu_->addAction(QStringLiteral("Quit"));
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
    if (QSystemTrayIcon::isSystemTrayAvailable()) tray_->show();
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
