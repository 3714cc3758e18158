#include "autoswitch/SwayFront.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstring>

#include "autoswitch/Programs.h"

namespace korvex {

namespace {

constexpr char kMagic[] = "i3-ipc";
constexpr int kMagicLength = 6;
constexpr int kHeaderLength = kMagicLength + 8;
constexpr std::uint32_t kSubscribe = 2;
constexpr std::uint32_t kGetTree = 4;
constexpr std::uint32_t kWindowEvent = 0x80000003;
// A message larger than this is no focus event: the peer is not what we think.
constexpr std::uint32_t kMessageLimit = 64 * 1024 * 1024;

FrontApp frontOf(const QJsonObject& node) {
    FrontApp front;
    front.appId = node.value(QStringLiteral("app_id")).toString();
    const QJsonObject properties = node.value(QStringLiteral("window_properties")).toObject();
    if (front.appId.isEmpty()) front.appId = properties.value(QStringLiteral("class")).toString();
    front.instance = properties.value(QStringLiteral("instance")).toString();
    front.title = node.value(QStringLiteral("name")).toString();
    front.pid = node.value(QStringLiteral("pid")).toInteger();
    if (front.pid > 0) front.program = programNamesOf(front.pid).value(0);
    return front;
}

// The focused window of a tree, depth first through tiled and floating nodes.
std::optional<QJsonObject> focusedIn(const QJsonObject& node) {
    if (node.value(QStringLiteral("focused")).toBool() &&
        node.value(QStringLiteral("type")).toString() != QStringLiteral("workspace")) {
        return node;
    }
    for (const char* key : {"nodes", "floating_nodes"}) {
        for (const QJsonValue& child : node.value(QLatin1String(key)).toArray()) {
            if (auto found = focusedIn(child.toObject())) return found;
        }
    }
    return std::nullopt;
}

}  // namespace

SwayFrontWatcher::SwayFrontWatcher(QObject* parent, QString socketPath)
    : FrontWatcher(parent), path_(std::move(socketPath)) {
    if (path_.isEmpty()) path_ = qEnvironmentVariable("SWAYSOCK");
    if (path_.isEmpty()) path_ = qEnvironmentVariable("I3SOCK");
    connect(&socket_, &QLocalSocket::readyRead, this, &SwayFrontWatcher::readMessages);
}

bool SwayFrontWatcher::start() {
    if (path_.isEmpty()) return false;
    socket_.connectToServer(path_);
    if (!socket_.waitForConnected(1000)) return false;
    send(kSubscribe, R"(["window"])");
    send(kGetTree, {});
    return true;
}

void SwayFrontWatcher::send(std::uint32_t type, const QByteArray& payload) {
    QByteArray message(kMagic, kMagicLength);
    const auto length = static_cast<std::uint32_t>(payload.size());
    message.append(reinterpret_cast<const char*>(&length), 4);
    message.append(reinterpret_cast<const char*>(&type), 4);
    message.append(payload);
    socket_.write(message);
}

void SwayFrontWatcher::readMessages() {
    buffer_.append(socket_.readAll());
    while (buffer_.size() >= kHeaderLength) {
        if (std::memcmp(buffer_.constData(), kMagic, kMagicLength) != 0) {
            socket_.abort();  // not the window manager's IPC; stop listening
            return;
        }
        std::uint32_t length = 0;
        std::uint32_t type = 0;
        std::memcpy(&length, buffer_.constData() + kMagicLength, 4);
        std::memcpy(&type, buffer_.constData() + kMagicLength + 4, 4);
        if (length > kMessageLimit) {
            socket_.abort();
            return;
        }
        if (buffer_.size() < kHeaderLength + static_cast<qsizetype>(length)) return;
        const QByteArray payload = buffer_.mid(kHeaderLength, length);
        buffer_.remove(0, kHeaderLength + length);
        handle(type, payload);
    }
}

void SwayFrontWatcher::handle(std::uint32_t type, const QByteArray& payload) {
    const QJsonObject message = QJsonDocument::fromJson(payload).object();
    if (type == kGetTree) {
        if (const auto focused = focusedIn(message)) emit frontChanged(frontOf(*focused));
        return;
    }
    if (type != kWindowEvent) return;
    const QString change = message.value(QStringLiteral("change")).toString();
    const QJsonObject container = message.value(QStringLiteral("container")).toObject();
    const bool inFront =
        change == QStringLiteral("focus") ||
        (change == QStringLiteral("title") && container.value(QStringLiteral("focused")).toBool());
    if (inFront) emit frontChanged(frontOf(container));
}

}  // namespace korvex
