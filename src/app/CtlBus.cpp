#include "app/CtlBus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

#include "korvex1_proxy.h"
#include "session/BusTypes.h"
#include "store/StorePath.h"

namespace korvex {

namespace {

constexpr int kAnswerMs = 2000;
// An upload is answered once the keyboard took every transfer; an import,
// restore or backup once its file work (off the window's thread) is done.
constexpr int kLongAnswerMs = 5 * 60 * 1000;

int failed(const std::string& what) {
    std::fprintf(stderr, "korvexctl: %s\n", what.c_str());
    return 1;
}

std::string windowName(QDBusConnection& bus) {
    const QString name = QString::fromLatin1(kBusName);
    std::string text = "the Korvex window (" + name.toStdString();
    const auto pid = bus.interface()->servicePid(name);
    if (pid.isValid()) text += ", process " + std::to_string(pid.value());
    return text + ")";
}

int printed(QDBusPendingReply<QString> reply, const std::string& errorPrefix = {}) {
    reply.waitForFinished();
    if (reply.isError()) return failed(errorPrefix + reply.error().message().toStdString());
    const std::string text = reply.value().toStdString();
    if (!text.empty()) std::printf("%s\n", text.c_str());
    return 0;
}

}  // namespace

std::optional<int> askWindow(const WindowRequest& request) {
    // The bus needs an application object; korvexctl has none otherwise.
    std::unique_ptr<QCoreApplication> app;
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "korvexctl";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return std::nullopt;
    const QString service = QString::fromLatin1(kBusName);
    if (!bus.interface()->isServiceRegistered(service)) return std::nullopt;
    registerBusTypes();

    // The window answers on its own thread: one that does not answer now is
    // hung or stuck, and asking it to write would hang korvexctl too.
    QDBusMessage probe = QDBusMessage::createMethodCall(
        service, QString::fromLatin1(kBusPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("GetAll"));
    probe << QString::fromLatin1(kBusInterface);
    probe.setAutoStartService(false);
    const QDBusMessage answer = bus.call(probe, QDBus::Block, kAnswerMs);
    if (answer.type() == QDBusMessage::ErrorMessage) {
        const QString error = answer.errorName();
        if (error == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
            error == QLatin1String("org.freedesktop.DBus.Error.Timeout"))
            return failed(windowName(bus) + " did not answer within 2 s; nothing was done");
        return failed(windowName(bus) + " could not be asked: " +
                      answer.errorMessage().toStdString() + "; nothing was done");
    }
    QVariantMap properties;
    if (!answer.arguments().isEmpty())
        answer.arguments().front().value<QDBusArgument>() >> properties;
    // A window on other settings (another XDG_DATA_HOME, as in tests) is
    // not this command's owner.
    const auto own = databasePath();
    if (!own || properties.value(QStringLiteral("SettingsFile")).toString().toStdString() != *own)
        return std::nullopt;

    Korvex1Proxy proxy(service, QString::fromLatin1(kBusPath), bus);
    proxy.setTimeout(kAnswerMs);
    using K = WindowRequest::Kind;
    switch (request.kind) {
        case K::ProfileList: {
            BusProfileList profiles;
            properties.value(QStringLiteral("Profiles")).value<QDBusArgument>() >> profiles;
            const qlonglong shown = properties.value(QStringLiteral("ShownProfile")).toLongLong();
            for (const BusProfile& p : profiles)
                std::printf("%c %lld\t%s\n", p.id == shown ? '*' : ' ', p.id,
                            p.name.toStdString().c_str());
            return 0;
        }
        case K::Switch: {
            const std::string& arg = request.profileArg;
            const bool isId = !arg.empty() &&
                              arg.find_first_not_of("0123456789") == std::string::npos &&
                              arg.size() < 19;
            return printed(isId ? proxy.SwitchProfile(std::stoll(arg))
                                : proxy.SwitchProfileByName(QString::fromStdString(arg)));
        }
        case K::Next:
            return printed(proxy.NextProfile());
        case K::Previous:
            return printed(proxy.PreviousProfile());
        case K::Backup:
            proxy.setTimeout(kLongAnswerMs);
            return printed(proxy.Backup());
        case K::Upload:
            proxy.setTimeout(kLongAnswerMs);
            return printed(proxy.Upload(QString::fromStdString(request.uploadKind), request.profile,
                                        request.lightId));
        case K::RulesList: {
            // The lines end with their own newline.
            QDBusPendingReply<QString> reply = proxy.ListRules();
            reply.waitForFinished();
            if (reply.isError()) return failed(reply.error().message().toStdString());
            std::fputs(reply.value().toStdString().c_str(), stdout);
            return 0;
        }
        case K::RulesAdd:
            return printed(proxy.AddRule(
                QString::fromStdString(request.ruleKind), QString::fromStdString(request.ruleMatch),
                QString::fromStdString(request.ruleTitle), request.profile));
        case K::RulesRemove:
            return printed(proxy.RemoveRule(request.ruleId));
        case K::RulesDefault:
            return printed(proxy.SetAutoSwitchDefault(request.profile));
        case K::Auto:
            return printed(proxy.SetAutoSwitch(request.on));
        case K::Import:
        case K::Restore: {
            // Opened here, with this user's rights; the window reads only
            // the descriptor.
            const int fd = ::open(request.file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
            if (fd < 0) return failed(request.file + ": " + std::strerror(errno));
            const QDBusUnixFileDescriptor file(fd);
            ::close(fd);  // the wrapper holds its own copy
            proxy.setTimeout(kLongAnswerMs);
            if (request.kind == K::Import) return printed(proxy.Import(file), request.file + ": ");
            const int code = printed(proxy.Restore(file), request.file + ": ");
            if (code == 0) std::printf("restored %s\n", request.file.c_str());
            return code;
        }
    }
    return 1;
}

}  // namespace korvex
