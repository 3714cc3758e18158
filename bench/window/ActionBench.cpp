// The longest stall of the window's thread per action, on settings with 100
// profiles, 100 macros and a user light of every key: start-up, switching,
// adding and deleting a profile, opening the key page, an import and a
// restore. Each reports that stall's own CPU time (the iteration time; the
// median and the worst as counters) and the longest wall time ("gap_ms"),
// from the action until the keyboard has been handed its uploads, and fails
// unless the action did its work.

#include "Window.h"

#include <QFile>
#include <QPushButton>

#include "exchange/Backups.h"
#include "ui/desktop/KeyboardViewDesktop.h"
#include "ui/keyboard/KeyboardView.h"

namespace korvex::bench {
namespace {

// The fixture's settings filled to 100 profiles, 100 macros of two events and
// a user light of every key, and read in again.
bool fill100(Window& w) {
    w.stopRecording();
    DeviceSQLite& db = *w.hub_->deviceDB();
    std::vector<ProfileData> profiles;
    if (!db.queryProfileList(profiles)) return false;
    for (std::size_t n = profiles.size(); n < 100; ++n)
        if (db.addProfile("Profile " + std::to_string(n)) < 1) return false;
    std::vector<MacroInfo> macros;
    db.queryAllMacroData(macros);
    for (std::size_t n = macros.size(); n < 100; ++n) {
        const std::int64_t id = db.addMacroProfile("Macro " + std::to_string(n));
        if (id < 1 || !db.rewriteMacroRecords(id, {{0, id, 2, 0, 4, "A"}, {0, id, 3, 1, 4, "A"}}))
            return false;
    }
    std::vector<UserLightData> lights;
    if (db.getUserLightData(kApplicationProfile, lights) == 0) {
        const std::int64_t light = db.addUserLight(kApplicationProfile, "All keys");
        std::vector<UserLightLEDData> leds;
        for (const KeyInfo& key : allKeys()) leds.push_back({0, light, key.code, 0x3366CC});
        if (light < 1 || !db.rewriteUserLightLEDData(light, leds)) return false;
    }
    w.hub_->reloadFromStore();
    return w.uploadsDone() && w.hub_->profileDatas.size() >= 100;
}

bool idle(const Window& w) {
    return w.hub_->uploadIndicator()->inFlight() == 0;
}

// Runs `act` once per iteration under the probe until `done` holds; `setUp`
// runs before each, untimed.
void measure(benchmark::State& state, const std::function<void()>& setUp,
             const std::function<void()>& act, const std::function<bool()>& done) {
    Window& w = window();
    if (!fill100(w)) {
        state.SkipWithError("could not fill the settings");
        return;
    }
    double gap = 0;
    std::vector<double> cpu;
    for (auto _ : state) {
        if (setUp) setUp();
        if (!w.uploadsDone()) {
            state.SkipWithError("uploads still running before the action");
            break;
        }
        // The set-up's own paints are not the action's.
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
        StallProbe probe;
        probe.start();
        act();
        const bool ok = probe.runUntil([&] { return done() && idle(w); });
        state.SetIterationTime(probe.longestCpuMs() / 1e3);
        gap = std::max(gap, probe.longestWallMs());
        cpu.push_back(probe.longestCpuMs());
        if (!ok) {
            state.SkipWithError("the action did not finish its work");
            break;
        }
    }
    std::sort(cpu.begin(), cpu.end());
    state.counters["gap_ms"] = gap;
    state.counters["median_cpu_ms"] = cpu.empty() ? 0 : cpu[cpu.size() / 2];
    state.counters["worst_cpu_ms"] = cpu.empty() ? 0 : cpu.back();
}

void BM_StartWith100(benchmark::State& state) {
    std::unique_ptr<MainWindowController> second;
    KeyboardViewController* hub = nullptr;
    SimulatedMonitor* sim = nullptr;
    NoPause clock;
    measure(
        state,
        [&] {
            second.reset();
            QApplication::processEvents();
        },
        [&] { second = openWindow(clock, &hub, &sim); },
        [&] {
            return hub->startupSequencesSent() == 1 && hub->uploadIndicator()->inFlight() == 0 &&
                   hub->profileDatas.size() == 100 && sim->keyboard().macros().size() == 100;
        });
    second.reset();
    QApplication::processEvents();
}

KeyboardViewKeyFunc* keyPage(Window& w) {
    w.hub_->navigationButton(KeyboardViewController::kCustomKeyView)->click();
    return w.keys_;
}

void BM_SwitchProfile(benchmark::State& state) {
    Window& w = window();
    int row = 1;
    std::int64_t target = 0;
    measure(
        state, [&] { keyPage(w); },
        [&] {
            row = row == 1 ? 2 : 1;
            target = w.hub_->profileDatas[static_cast<std::size_t>(row)].profId;
            w.keys_->customkey_keyprofile()->setSelectedRow(row);
        },
        [&] { return w.hub_->currentProfile == target; });
}

void BM_AddProfile(benchmark::State& state) {
    Window& w = window();
    std::size_t before = 0;
    measure(
        state, [&] { before = keyPage(w)->customkey_profilelist_datas().size(); },
        [&] { w.keys_->addKeyProfile(); },
        [&] { return w.hub_->profileDatas.size() == before + 1; });
}

void BM_DeleteProfile(benchmark::State& state) {
    Window& w = window();
    std::size_t before = 0;
    measure(
        state,
        [&] {
            before = keyPage(w)->customkey_profilelist_datas().size();
            w.keys_->customkey_keyprofile()->setSelectedRow(static_cast<int>(before) - 1);
        },
        [&] { w.keys_->delKeyProfile(); },
        [&] { return w.hub_->profileDatas.size() == before - 1; });
}

void BM_OpenKeyPage(benchmark::State& state) {
    Window& w = window();
    measure(
        state, [&] { w.hub_->navigationButton(KeyboardViewController::kMacroView)->click(); },
        [&] { w.hub_->navigationButton(KeyboardViewController::kCustomKeyView)->click(); },
        [&] { return w.keys_->customkey_keyboardctrl()->isVisible(); });
}

KeyboardViewDesktop* desktop(Window& w) {
    return w.hub_->findChild<KeyboardViewDesktop*>();
}

void BM_ImportProfile(benchmark::State& state) {
    Window& w = window();
    const QString file = QDir::temp().filePath(QStringLiteral("korvex-bench-import.kbd"));
    std::size_t before = 0;
    measure(
        state,
        [&] {
            keyPage(w)->customkey_keyprofile()->setSelectedRow(0);
            if (!QFile::exists(file)) desktop(w)->exportProfileTo(file);
            before = w.hub_->profileDatas.size();
        },
        [&] { desktop(w)->importProfileFrom(file); },
        [&] { return !desktop(w)->importRunning() && w.hub_->profileDatas.size() == before + 1; });
    QFile::remove(file);
}

void BM_RestoreBackup(benchmark::State& state) {
    Window& w = window();
    std::string backup;
    std::size_t profiles = 0;
    measure(
        state,
        [&] {
            if (!backup.empty()) return;
            std::optional<BackupShelf> shelf = BackupShelf::standard();
            const BackupResult made =
                shelf ? shelf->backup(w.hub_->deviceDB()->filePath(), BackupReason::Manual)
                      : BackupResult{};
            backup = made.path;
            profiles = w.hub_->profileDatas.size();
        },
        [&] { desktop(w)->restoreBackup(QString::fromStdString(backup)); },
        [&] {
            return !desktop(w)->restoreRunning() && w.hub_->initFinish &&
                   w.hub_->profileDatas.size() == profiles;
        });
}

BENCHMARK(BM_StartWith100)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SwitchProfile)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenKeyPage)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddProfile)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteProfile)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportProfile)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RestoreBackup)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvex::bench
