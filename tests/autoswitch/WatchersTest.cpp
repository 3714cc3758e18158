// The watchers against real parts where they run here: X11 under Xvfb with
// real X clients, a child process for programs, and an i3/sway IPC peer.

#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstring>

#include "ChildServer.h"
#include "autoswitch/Programs.h"
#include "autoswitch/SwayFront.h"
#include "autoswitch/X11Front.h"

namespace korvex {
namespace {

FrontApp lastFront(QSignalSpy& spy) {
    return spy.last().at(0).value<FrontApp>();
}

TEST(ProgramWatcherTest, SeesAProgramStartAndExit) {
    test::app();
    QTemporaryDir dir;
    const QString game = dir.filePath(QStringLiteral("korvex-test-game"));
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), game));
    ProgramWatcher watcher(nullptr, 1000);
    const auto seen = [&] {
        watcher.scan();
        return watcher.running().contains(QStringLiteral("korvex-test-game"));
    };
    EXPECT_FALSE(seen());
    QProcess running;
    running.start(game, {QStringLiteral("30")});
    ASSERT_TRUE(QTest::qWaitFor(seen, 3000));
    running.kill();
    running.waitForFinished();
    EXPECT_FALSE(seen());
}

// A private X server for one test, on a display it picks itself.
class PrivateX : public test::ChildServer {
  public:
    PrivateX()
        : ChildServer(
              {"Xvfb", "-displayfd", "{fd}", "-nolisten", "tcp", "-screen", "0", "640x480x24"}) {}
    QByteArray display() const { return line().isEmpty() ? QByteArray() : ":" + line(); }
};

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t a = reply ? reply->atom : 0;
    std::free(reply);
    return a;
}

TEST(X11WatcherTest, FollowsTheActiveWindowItsClassAndTitle) {
    test::app();
    PrivateX server;
    if (server.display().isEmpty()) GTEST_SKIP() << "Xvfb is not installed";
    // The test plays the window manager and two applications.
    xcb_connection_t* c = xcb_connect(server.display().constData(), nullptr);
    ASSERT_FALSE(xcb_connection_has_error(c));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_atom_t active = atom(c, "_NET_ACTIVE_WINDOW");
    const xcb_atom_t wmName = atom(c, "_NET_WM_NAME");
    const xcb_atom_t utf8 = atom(c, "UTF8_STRING");
    const xcb_atom_t wmPid = atom(c, "_NET_WM_PID");
    auto window = [&](const char* wmClass, std::size_t classLength, const char* title) {
        const xcb_window_t w = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, root, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            classLength, wmClass);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, wmName, utf8, 8, std::strlen(title),
                            title);
        const std::uint32_t pid = ::getpid();
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, wmPid, XCB_ATOM_CARDINAL, 32, 1, &pid);
        return w;
    };
    const xcb_window_t steam = window("steam\0Steam\0", 12, "Steam");
    const xcb_window_t term = window("xterm\0XTerm\0", 12, "bash");
    auto activate = [&](xcb_window_t w) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, active, XCB_ATOM_WINDOW, 32, 1, &w);
        xcb_flush(c);
    };

    X11FrontWatcher watcher(nullptr, server.display());
    ASSERT_TRUE(watcher.start());
    QSignalSpy spy(&watcher, &FrontWatcher::frontChanged);
    activate(steam);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !spy.isEmpty() && lastFront(spy).appId == "Steam"; }, 3000));
    EXPECT_EQ(lastFront(spy).instance, "steam");
    EXPECT_EQ(lastFront(spy).pid, ::getpid());
    EXPECT_FALSE(lastFront(spy).program.isEmpty());

    activate(term);
    ASSERT_TRUE(QTest::qWaitFor([&] { return lastFront(spy).appId == "XTerm"; }, 3000));
    // A new title of the window in front is told too (title rules).
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, term, wmName, utf8, 8, 3, "vim");
    xcb_flush(c);
    ASSERT_TRUE(QTest::qWaitFor([&] { return lastFront(spy).title == "vim"; }, 3000));
    xcb_disconnect(c);
}

// Writes one i3-ipc message.
void sendIpc(QLocalSocket* socket, std::uint32_t type, const QByteArray& payload) {
    QByteArray message("i3-ipc");
    const auto length = static_cast<std::uint32_t>(payload.size());
    message.append(reinterpret_cast<const char*>(&length), 4);
    message.append(reinterpret_cast<const char*>(&type), 4);
    socket->write(message + payload);
    socket->flush();
}

TEST(SwayWatcherTest, ReadsTheTreeThenFocusEvents) {
    test::app();
    QTemporaryDir dir;
    QLocalServer server;
    ASSERT_TRUE(server.listen(dir.filePath(QStringLiteral("sway.sock"))));
    QByteArray asked;
    QLocalSocket* peer = nullptr;
    QObject::connect(&server, &QLocalServer::newConnection, [&] {
        peer = server.nextPendingConnection();
        QObject::connect(peer, &QLocalSocket::readyRead, [&] {
            asked += peer->readAll();
            if (asked.contains(R"(["window"])") && asked.size() >= 2 * 14 + 10) {
                sendIpc(peer, 2, R"({"success":true})");
                sendIpc(peer, 4,
                        R"({"type":"root","nodes":[{"type":"workspace","nodes":[)"
                        R"({"type":"con","focused":false,"app_id":"foot","name":"a"},)"
                        R"({"type":"con","focused":true,"app_id":"org.gnome.Nautilus",)"
                        R"("name":"Files","pid":0}]}]})");
            }
        });
    });
    SwayFrontWatcher watcher(nullptr, server.fullServerName());
    ASSERT_TRUE(watcher.start());
    QSignalSpy spy(&watcher, &FrontWatcher::frontChanged);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !spy.isEmpty(); }, 3000));
    EXPECT_EQ(lastFront(spy).appId, "org.gnome.Nautilus");
    // An X client under XWayland (or i3) is known by its class.
    sendIpc(peer, 0x80000003,
            R"({"change":"focus","container":{"app_id":null,"name":"Steam",)"
            R"("window_properties":{"class":"Steam","instance":"steam"}}})");
    ASSERT_TRUE(QTest::qWaitFor([&] { return lastFront(spy).appId == "Steam"; }, 3000));
}

}  // namespace
}  // namespace korvex
