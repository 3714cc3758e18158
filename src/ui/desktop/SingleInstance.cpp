#include "ui/desktop/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace korvex {

namespace {

constexpr int kConnectTimeoutMs = 1000;

QString runtimeFolder() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return dir.isEmpty() ? QDir::tempPath() : dir;
}

// Asks the running instance to show its window; false when none answers.
bool askRunningInstance(const QString& name) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(kConnectTimeoutMs)) return false;
    socket.write("show\n");
    socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    return true;
}

}  // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent), name_(name) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim() {
    const QString folder = runtimeFolder();
    lock_ =
        std::make_unique<QLockFile>(folder + QLatin1Char('/') + name_ + QStringLiteral(".lock"));
    // The lock decides who listens, so two starts at once can't both win; a
    // lock left by a crashed instance is taken over.
    if (!lock_->tryLock(0)) {
        if (askRunningInstance(name_)) return false;
        // The holder doesn't answer (still starting, or hung): go on alone
        // rather than leave the user without a window.
        return true;
    }
    QLocalServer::removeServer(name_);  // a socket a crashed instance left
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            emit showRequested();
        }
    });
    server_->listen(name_);
    return true;
}

}  // namespace korvex
