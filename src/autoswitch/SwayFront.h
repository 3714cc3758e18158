#pragma once

// The window in front on sway and i3: their IPC socket ($SWAYSOCK or
// $I3SOCK), subscribed to window events.

#include <QByteArray>
#include <QLocalSocket>

#include "autoswitch/FrontApp.h"

namespace korvex {

class SwayFrontWatcher : public FrontWatcher {
    Q_OBJECT
  public:
    // `socketPath` empty: $SWAYSOCK, else $I3SOCK.
    explicit SwayFrontWatcher(QObject* parent = nullptr, QString socketPath = {});
    bool start() override;

  private:
    void send(std::uint32_t type, const QByteArray& payload);
    void readMessages();
    void handle(std::uint32_t type, const QByteArray& payload);

    QString path_;
    QLocalSocket socket_;
    QByteArray buffer_;
};

}  // namespace korvex
