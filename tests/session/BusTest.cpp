// The window's bus service and korvexctl through it, on a private session
// bus (ctest runs this binary under dbus-run-session), a simulated keyboard
// and a real settings file.

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusPendingCall>
#include <QDBusUnixFileDescriptor>
#include <QElapsedTimer>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>

#include <fcntl.h>
#include <unistd.h>

#include "../ui/WindowTestSupport.h"
#include "device/DeviceComm.h"
#include "device/SimulatedKeyboard.h"
#include "session/BusService.h"
#include "ui/AppDelegate.h"

namespace korvex::test {
namespace {

struct CtlRun {
    int code = -1;
    QString out, err;
};

// korvexctl as a user runs it, its words split at spaces (the test's
// folders have none); the window's event loop goes on meanwhile.
CtlRun ctl(const QString& args) {
    QProcess p;
    p.start(QStringLiteral(KORVEXCTL_PATH), args.split(QLatin1Char(' ')));
    (void)QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 15000);
    return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

class BusTest : public WindowTest {
  protected:
    void SetUp() override {
        useDataHome();
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run under dbus-run-session";
    }
    // The window with two profiles, serving the bus.
    void serve() {
        startWindow();
        waitForUploads();
        ASSERT_GT(hub->deviceDB()->addProfile("Second"), 1);
        second = hub->deviceDB()->queryProfileList(list) ? list.back().profId : 0;
        // Its own light mode, so its upload tells the profiles apart.
        ASSERT_TRUE(hub->deviceDB()->selectLightMode(second, 5));
        hub->reloadFromStore(false);
        waitForUploads();
        service = std::make_unique<BusService>(hub->session(), hub->busHooks());
        ASSERT_TRUE(service->claim(QDBusConnection::sessionBus()));
    }
    void TearDown() override { service.reset(); }
    std::size_t exchanges() { return monitor->keyboard().exchanges().size(); }
    std::vector<SimExchange> exchangesSince(std::size_t from) {
        const auto all = monitor->keyboard().exchanges();
        return {all.begin() + static_cast<std::ptrdiff_t>(from), all.end()};
    }
    QDBusMessage call(const QString& method, const QVariantList& args = {}) {
        QDBusMessage m = QDBusMessage::createMethodCall(QString::fromLatin1(kBusName),
                                                        QString::fromLatin1(kBusPath),
                                                        QString::fromLatin1(kBusInterface), method);
        m.setArguments(args);
        QDBusPendingCall pending = QDBusConnection::sessionBus().asyncCall(m, 5000);
        (void)QTest::qWaitFor([&] { return pending.isFinished(); }, 6000);
        return pending.reply();
    }

    std::vector<ProfileData> list;
    std::int64_t second = 0;
    std::unique_ptr<BusService> service;
};

TEST_F(BusTest, KorvexctlSwitchesTheWindowsProfileAndTheKeyboardGetsItOnce) {
    serve();
    // Scripts follow the shown profile through PropertiesChanged.
    QDBusInterface props(QString::fromLatin1(kBusName), QString::fromLatin1(kBusPath),
                         QStringLiteral("org.freedesktop.DBus.Properties"));
    QSignalSpy changed(&props, SIGNAL(PropertiesChanged(QString, QVariantMap, QStringList)));
    const std::size_t from = exchanges();
    const CtlRun r = ctl(QStringLiteral("profile switch %1").arg(second));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(hub->currentProfile, second);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !changed.isEmpty(); }, 2000));
    EXPECT_EQ(changed.at(0).at(1).toMap().value(QStringLiteral("ShownProfile")).toLongLong(),
              second);
    EXPECT_TRUE(ctl(QStringLiteral("profile list"))
                    .out.contains(QStringLiteral("* %1\tSecond").arg(second)));
    waitForUploads();
    EXPECT_EQ(exchangesSince(from),
              (std::vector<SimExchange>{SimExchange::KeyTableTop, SimExchange::KeyTableFn,
                                        SimExchange::LightMode}));
    // What it sends is the one-truth test's, which switches through the same
    // session; next goes round the end.
    EXPECT_EQ(ctl(QStringLiteral("profile next")).code, 0);
    EXPECT_EQ(hub->currentProfile, list.front().profId);

    // An upload is answered once the keyboard took it.
    waitForUploads();
    const std::size_t before = exchanges();
    const CtlRun upload = ctl(QStringLiteral("upload keys"));
    EXPECT_EQ(upload.code, 0) << upload.err.toStdString();
    EXPECT_EQ(exchangesSince(before),
              (std::vector<SimExchange>{SimExchange::KeyTableTop, SimExchange::KeyTableFn}));

    // An import crosses as a descriptor; the window lists the new profile at once.
    const QString file = dataHome.filePath(QStringLiteral("p.json"));
    ASSERT_EQ(ctl(QStringLiteral("export ") + file).code, 0);
    const CtlRun backup = ctl(QStringLiteral("backup"));
    ASSERT_EQ(backup.code, 0) << backup.err.toStdString();
    const std::size_t profiles = hub->profileDatas.size();
    const CtlRun imported = ctl(QStringLiteral("import ") + file);
    EXPECT_EQ(imported.code, 0) << imported.err.toStdString();
    EXPECT_EQ(hub->profileDatas.size(), profiles + 1);

    // A restore replaces the file; the window then shows and sends what it holds.
    const std::size_t sent = exchanges();
    const CtlRun restored =
        ctl(QStringLiteral("restore ") + backup.out.trimmed().section(QLatin1Char(' '), 3));
    EXPECT_EQ(restored.code, 0) << restored.err.toStdString();
    EXPECT_EQ(hub->profileDatas.size(), profiles);
    EXPECT_GT(exchanges(), sent);
}

TEST_F(BusTest, TheTrayListsTheProfilesAndSwitchesAsTheKeyPageDoes) {
    serve();
    AppDelegate tray;
    tray.applicationDidFinishLaunching({}, &hub->session());
    auto entry = [&](std::int64_t id) {
        return tray.quickMenu()->findChild<QAction*>(QStringLiteral("tray_profile_%1").arg(id));
    };
    ASSERT_NE(entry(second), nullptr);
    EXPECT_TRUE(entry(list.front().profId)->isChecked());
    EXPECT_FALSE(entry(second)->isChecked());
    entry(second)->trigger();
    settle();
    EXPECT_EQ(hub->currentProfile, second);
    EXPECT_TRUE(entry(second)->isChecked());
}

TEST_F(BusTest, BadRequestsAreOurErrorsAndSendNothing) {
    serve();
    waitForUploads();
    const std::size_t from = exchanges();
    const std::int64_t shown = hub->currentProfile;

    const CtlRun unknown = ctl(QStringLiteral("profile switch 99"));
    EXPECT_EQ(unknown.code, 1);
    EXPECT_EQ(unknown.err, QStringLiteral("korvexctl: no profile with id 99\n"));
    const QDBusMessage huge =
        call(QStringLiteral("SwitchProfileByName"), {QString(1 << 20, QLatin1Char('x'))});
    EXPECT_EQ(huge.errorName(), QStringLiteral("io.github.korvex.Korvex1.Error.NoSuchProfile"));
    EXPECT_LT(huge.errorMessage().size(), 200);

    // A pipe and a folder are no profile files; a path crosses as nothing.
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    const int folder = ::open(dataHome.path().toLocal8Bit().constData(), O_RDONLY | O_DIRECTORY);
    for (const int fd : {pipe[0], folder}) {
        const QDBusMessage r =
            call(QStringLiteral("Import"), {QVariant::fromValue(QDBusUnixFileDescriptor(fd))});
        EXPECT_EQ(r.errorName(), QStringLiteral("io.github.korvex.Korvex1.Error.BadFile"));
    }
    ::close(pipe[0]);
    ::close(pipe[1]);
    ::close(folder);
    EXPECT_EQ(ctl(QStringLiteral("import ") + dataHome.path()).code, 1);

    settle();
    waitForUploads();
    EXPECT_EQ(exchanges(), from);
    EXPECT_EQ(hub->currentProfile, shown);
    std::vector<ProfileData> now;
    ASSERT_TRUE(hub->deviceDB()->queryProfileList(now));
    EXPECT_EQ(now.size(), list.size());
}

TEST_F(BusTest, WithoutAWindowKorvexctlWorksAloneAndASilentOwnerIsAnErrorIn2s) {
    // Nobody owns the name: korvexctl sends to its own simulated keyboard.
    startWindow();  // only to create the settings file
    const CtlRun alone = ctl(QStringLiteral("profile switch 1 --simulate"));
    EXPECT_EQ(alone.code, 0) << alone.err.toStdString();
    EXPECT_TRUE(alone.out.contains(QStringLiteral("sent key assignments of profile 1")));
    const CtlRun next = ctl(QStringLiteral("profile next"));
    EXPECT_EQ(next.code, 1);
    EXPECT_TRUE(next.err.contains(QStringLiteral("no Korvex window runs")));

    // An owner whose thread never answers: this one, blocked below.
    QObject silent;
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.registerObject(QString::fromLatin1(kBusPath), &silent,
                                   QDBusConnection::ExportAllContents));
    ASSERT_TRUE(bus.registerService(QString::fromLatin1(kBusName)));
    QProcess p;
    QElapsedTimer clock;
    clock.start();
    p.start(QStringLiteral(KORVEXCTL_PATH), {QStringLiteral("profile"), QStringLiteral("next")});
    ASSERT_TRUE(p.waitForFinished(10000));  // blocks this thread: no answer goes out
    EXPECT_LT(clock.elapsed(), 4000);
    EXPECT_EQ(p.exitCode(), 1);
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_TRUE(err.contains(QStringLiteral("did not answer within 2 s"))) << err.toStdString();
    bus.unregisterService(QString::fromLatin1(kBusName));
    bus.unregisterObject(QString::fromLatin1(kBusPath));
}

}  // namespace
}  // namespace korvex::test

