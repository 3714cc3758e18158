// A `profile next` asked over the session bus: from the call leaving the
// caller until the window hands the profile's first upload (its key tables)
// to the device thread. The window's side is the session and the bus service
// on a settings file in a temporary folder; the caller is a second bus
// connection of this process. Run under dbus-run-session:
//   dbus-run-session -- build/bench/session/bench_session
// The counters give the median and the 99th percentile of the iterations.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <vector>

#include "../TempFolder.h"
#include "session/BusService.h"
#include "session/Session.h"
#include "store/DeviceSQLite.h"
#include "store/StorePath.h"

namespace {

using namespace korvex;

QCoreApplication& app() {
    static int argc = 1;
    static char name[] = "bench_session";
    static char* argv[] = {name, nullptr};
    static auto* instance = new QCoreApplication(argc, argv);
    return *instance;
}

void BusProfileNextToFirstUpload(benchmark::State& state) {
    app();
    TempFolder folder;
    ::setenv("XDG_DATA_HOME", folder.path.c_str(), 1);
    if (!QDBusConnection::sessionBus().isConnected()) {
        state.SkipWithError("no session bus: run under dbus-run-session");
        return;
    }
    DeviceSQLite store([](const std::string&) {});
    if (!store.init(kDatabaseFileName).ok) {
        state.SkipWithError("cannot create the settings file");
        return;
    }
    for (int i = 0; i < 4; ++i)
        if (store.addProfile("Profile " + std::to_string(i)) < 1) state.SkipWithError("no profile");
    Session session;
    session.setStore(&store);
    if (!store.queryProfileList(session.profiles)) state.SkipWithError("cannot list profiles");
    session.shownProfile = session.profiles.front().profId;

    using Clock = std::chrono::steady_clock;
    Clock::time_point queued;
    bool handedOver = false;
    session.submit = [&](Upload) {
        if (!handedOver) queued = Clock::now();
        handedOver = true;
        return std::uint64_t{1};
    };
    BusService service(session, {});
    if (!service.claim(QDBusConnection::sessionBus())) {
        state.SkipWithError("io.github.korvex.Korvex is owned already");
        return;
    }
    QDBusConnection caller =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("caller"));

    std::vector<double> micros;
    for (auto _ : state) {
        handedOver = false;
        QDBusMessage call = QDBusMessage::createMethodCall(
            QString::fromLatin1(kBusName), QString::fromLatin1(kBusPath),
            QString::fromLatin1(kBusInterface), QStringLiteral("NextProfile"));
        const auto start = Clock::now();
        QDBusPendingCall pending = caller.asyncCall(call);
        while (!handedOver || !pending.isFinished())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        if (pending.isError()) state.SkipWithError("the call failed");
        micros.push_back(std::chrono::duration<double, std::micro>(queued - start).count());
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("caller"));
    std::sort(micros.begin(), micros.end());
    if (!micros.empty()) {
        state.counters["median_us"] = micros[micros.size() / 2];
        state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
    }
}
BENCHMARK(BusProfileNextToFirstUpload)->Unit(benchmark::kMicrosecond)->Iterations(300);

}  // namespace
