#pragma once

// The window in front on X11 (and X clients under XWayland): the window
// manager's _NET_ACTIVE_WINDOW on the root window, followed by events.

#include <memory>

#include "autoswitch/FrontApp.h"

class QSocketNotifier;

namespace korvex {

class X11FrontWatcher : public FrontWatcher {
    Q_OBJECT
  public:
    // `display` empty: $DISPLAY.
    explicit X11FrontWatcher(QObject* parent = nullptr, QByteArray display = {});
    ~X11FrontWatcher() override;
    bool start() override;

  private:
    void readEvents();
    void follow(std::uint32_t window);
    void report();

    struct Connection;
    std::unique_ptr<Connection> x_;
    QByteArray display_;
    QSocketNotifier* notifier_ = nullptr;
    std::uint32_t active_ = 0;
};

}  // namespace korvex
