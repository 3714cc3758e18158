// The KWin path against a stand-in for KWin's scripting service on a
// private session bus: our script is loaded and started, its calls reach
// the switcher's watcher.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "ChildServer.h"
#include "autoswitch/KWinFront.h"

namespace korvex {
namespace {

// A dbus-daemon of the test's own.
class PrivateBus : public test::ChildServer {
  public:
    PrivateBus() : ChildServer({"dbus-daemon", "--session", "--nofork", "--print-address={fd}"}) {}
    QString address() const { return QString::fromLocal8Bit(line()); }
};

class FakeKWin : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.kwin.Scripting")
  public:
    QStringList calls;
    QString script;

  public slots:
    Q_SCRIPTABLE int loadScript(const QString& path, const QString& plugin) {
        calls << QStringLiteral("load ") + plugin;
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) script = QString::fromUtf8(file.readAll());
        return 7;
    }
    Q_SCRIPTABLE bool unloadScript(const QString& plugin) {
        calls << QStringLiteral("unload ") + plugin;
        return true;
    }
    Q_SCRIPTABLE void start() { calls << QStringLiteral("start"); }
};

TEST(KWinWatcherTest, LoadsItsScriptHearsItAndUnloadsIt) {
    test::app();
    PrivateBus bus;
    if (bus.address().isEmpty()) GTEST_SKIP() << "dbus-daemon is not installed";
    QDBusConnection kwinBus = QDBusConnection::connectToBus(bus.address(), QStringLiteral("kwin"));
    QDBusConnection ourBus = QDBusConnection::connectToBus(bus.address(), QStringLiteral("ours"));
    ASSERT_TRUE(kwinBus.isConnected() && ourBus.isConnected());

    // No KWin on the bus: this watcher can see nothing.
    EXPECT_FALSE(KWinFrontWatcher(ourBus).start());

    FakeKWin kwin;
    ASSERT_TRUE(kwinBus.registerObject(QStringLiteral("/Scripting"), &kwin,
                                       QDBusConnection::ExportScriptableSlots));
    ASSERT_TRUE(kwinBus.registerService(QStringLiteral("org.kde.KWin")));
    {
        KWinFrontWatcher watcher(ourBus);
        QSignalSpy spy(&watcher, &FrontWatcher::frontChanged);
        ASSERT_TRUE(watcher.start());
        ASSERT_TRUE(QTest::qWaitFor([&] { return kwin.calls.size() == 3; }, 3000));
        const QString plugin = QString::fromLatin1(KWinFrontWatcher::kPluginName);
        EXPECT_EQ(kwin.calls, (QStringList{"unload " + plugin, "load " + plugin, "start"}));
        EXPECT_TRUE(kwin.script.contains(ourBus.baseService()));

        // What the script does when a window comes to the front.
        QDBusMessage call = QDBusMessage::createMethodCall(
            ourBus.baseService(), QString::fromLatin1(KWinFrontWatcher::kObjectPath),
            QStringLiteral("io.github.korvex.FrontWindow1"), QStringLiteral("Activated"));
        call.setArguments({QStringLiteral("steam"), QStringLiteral("steamwebhelper"),
                           QStringLiteral("Steam"), QStringLiteral("0")});
        kwinBus.send(call);
        ASSERT_TRUE(QTest::qWaitFor([&] { return spy.size() == 1; }, 3000));
        EXPECT_EQ(spy.at(0).at(0).value<FrontApp>().appId, "steam");
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("kwin"));
    QDBusConnection::disconnectFromBus(QStringLiteral("ours"));
}

}  // namespace
}  // namespace korvex

#include "KWinTest.moc"
