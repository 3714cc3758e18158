#include "autoswitch/KWinFront.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFile>

#include "autoswitch/Programs.h"

namespace korvex {

namespace {

const QString kKWinService = QStringLiteral("org.kde.KWin");
const QString kScriptingPath = QStringLiteral("/Scripting");
const QString kScriptingInterface = QStringLiteral("org.kde.kwin.Scripting");

QDBusMessage scripting(const QString& method, const QVariantList& arguments = {}) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kKWinService, kScriptingPath, kScriptingInterface, method);
    call.setArguments(arguments);
    return call;
}

}  // namespace

KWinFrontWatcher::KWinFrontWatcher(QDBusConnection bus, QObject* parent)
    : FrontWatcher(parent), bus_(std::move(bus)) {}

KWinFrontWatcher::~KWinFrontWatcher() {
    if (loaded_) {
        // Waited for briefly, so the call leaves before the connection closes.
        bus_.call(scripting(QStringLiteral("unloadScript"), {QString::fromLatin1(kPluginName)}),
                  QDBus::Block, 500);
    }
    bus_.unregisterObject(QString::fromLatin1(kObjectPath));
}

QString KWinFrontWatcher::scriptText(const QString& service) {
    // KWin 6 names it windowActivated / activeWindow, KWin 5 clientActivated /
    // activeClient. Numbers cross as text: the script engine's number type
    // would not match a D-Bus integer.
    return QStringLiteral(
               "function tell(w) {\n"
               "    callDBus('%1', '%2', 'io.github.korvex.FrontWindow1', 'Activated',\n"
               "             w ? String(w.resourceClass) : '', w ? String(w.resourceName) : '',\n"
               "             w ? String(w.caption) : '', w ? String(w.pid) : '0');\n"
               "}\n"
               "var followed = [];\n"
               "function follow(w) {\n"
               "    if (w && w.captionChanged && followed.indexOf(w) < 0) {\n"
               "        followed.push(w);\n"
               "        w.captionChanged.connect(function() {\n"
               "            if (w === (workspace.activeWindow || workspace.activeClient)) "
               "tell(w);\n"
               "        });\n"
               "    }\n"
               "    tell(w);\n"
               "}\n"
               "if (workspace.windowActivated) workspace.windowActivated.connect(follow);\n"
               "else workspace.clientActivated.connect(follow);\n"
               "follow(workspace.activeWindow || workspace.activeClient);\n")
        .arg(service, QString::fromLatin1(kObjectPath));
}

bool KWinFrontWatcher::start() {
    if (!bus_.isConnected() || !bus_.interface() ||
        !bus_.interface()->isServiceRegistered(kKWinService).value()) {
        return false;
    }
    if (!bus_.registerObject(QString::fromLatin1(kObjectPath), this,
                             QDBusConnection::ExportScriptableSlots)) {
        return false;
    }
    QFile script(dir_.filePath(QStringLiteral("front-window.js")));
    if (!dir_.isValid() || !script.open(QIODevice::WriteOnly) ||
        script.write(scriptText(bus_.baseService()).toUtf8()) < 0 || !script.flush()) {
        return false;
    }
    script.close();
    const QString plugin = QString::fromLatin1(kPluginName);
    // Asked without waiting: the window's thread never waits on another
    // program. KWin handles our calls in the order they were sent. First a
    // script an earlier run left loaded goes.
    bus_.send(scripting(QStringLiteral("unloadScript"), {plugin}));
    auto* load = new QDBusPendingCallWatcher(
        bus_.asyncCall(scripting(QStringLiteral("loadScript"), {script.fileName(), plugin})), this);
    connect(load, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusPendingReply<int> id = *call;
        if (id.isError() || id.value() < 0) return;
        loaded_ = true;
        bus_.send(scripting(QStringLiteral("start")));
    });
    return true;
}

void KWinFrontWatcher::Activated(const QString& resourceClass, const QString& resourceName,
                                 const QString& caption, const QString& pid) {
    FrontApp front;
    front.appId = resourceClass;
    front.instance = resourceName;
    front.title = caption;
    front.pid = pid.toLongLong();
    if (front.pid > 0) front.program = programNamesOf(front.pid).value(0);
    emit frontChanged(front);
}

}  // namespace korvex
