// The window's own work per action, on its thread, with a simulated
// keyboard: recording one key event into a macro of 0 or 500 stored events
// (it must keep up with fast typing, whatever the macro holds), one key edit
// until its upload is handed to the device thread, and deleting one of 100
// macros. Each benchmark checks it did what it measures and fails otherwise.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>
#include <cstdlib>
#include <ctime>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QWindow>

#include <linux/input-event-codes.h>

#include "catalog/FunctionCatalog.h"
#include "catalog/KeyCatalog.h"
#include "device/PauseClock.h"
#include "device/SimulatedKeyboard.h"
#include "store/DeviceSQLite.h"
#include "ui/Controls.h"
#include "ui/DeviceEvents.h"
#include "ui/Images.h"
#include "ui/KeyboardViewController.h"
#include "ui/MainWindowController.h"
#include "ui/UploadIndicator.h"
#include "ui/keys/KeyboardViewKeyFunc.h"
#include "ui/macro/KeyboardViewMacro.h"

namespace korvex {
namespace {

struct NoPause final : PauseClock {
    void pause(std::chrono::nanoseconds) override {}
};

// The window on a simulated keyboard, showing the macro page.
class Window {
  public:
    Window() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("XDG_DATA_HOME", dir_.path().toLocal8Bit());
        static int argc = 1;
        static char name[] = "bench_macro";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        hub_ = new KeyboardViewController;
        auto monitor = std::make_unique<SimulatedMonitor>();
        monitor_ = monitor.get();
        KeyboardViewController::LinkOptions options;
        options.monitor = std::move(monitor);
        options.clock = &clock_;
        hub_->setLinkOptions(std::move(options));
        window_ = std::make_unique<MainWindowController>(hub_);
        window_->showWindow();
        QElapsedTimer waited;
        waited.start();
        while (!hub_->initFinish && waited.elapsed() < 5000) QApplication::processEvents();
        hub_->keyboard_connect()->click();
        hub_->navigationButton(KeyboardViewController::kMacroView)->click();
        page_ = hub_->findChild<KeyboardViewMacro*>();
        keys_ = hub_->findChild<KeyboardViewKeyFunc*>();
        page_->addMacroData();
        handle_ = hub_->window()->windowHandle();
    }

    // Recording into the first macro, which holds `events` stored events;
    // false when the recording did not start as it should (over stored
    // events it asks first, and is answered yes).
    bool recordInto(int events) {
        if (hub_->macroRecordType == 2) hub_->stopMacroRecord();
        closeSheets();
        page_->macroList()->setSelectedRow(0);
        events_ = events;
        const std::int64_t id = page_->MacroListDatas().front().macroId;
        std::vector<RecordInfo> rows;
        for (int i = 0; i < events; ++i) rows.push_back({0, id, 2 + i % 2, i, 4, "A"});
        if (!hub_->deviceDB()->rewriteMacroRecords(id, rows)) return false;
        page_->loadMacroRecordData(0);
        page_->recordButtonAction();
        QMessageBox* asked = page_->sheet();
        if ((asked != nullptr) != (events > 0)) return false;
        if (asked) asked->findChild<QAbstractButton*>(QStringLiteral("sheet_yes"))->click();
        if (hub_->macroRecordType != 2) return false;
        refill();
        return rows_() == static_cast<std::size_t>(events);
    }
    // Back to the stored events; the recording goes on.
    void refill() { page_->loadMacroRecordData(0); }
    void key(bool press, ulong time) {
        QKeyEvent event(press ? QEvent::KeyPress : QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier,
                        KEY_A + 8, 0, 0, QStringLiteral("a"));
        event.setTimestamp(time);
        QApplication::sendEvent(handle_, &event);
    }
    std::size_t rows_() const { return page_->RecordListDatas().size(); }
    int events() const { return events_; }

    // Not recording, and the first macro empty again: what a benchmark
    // recorded must not fill the keyboard's memory for the next one.
    void stopRecording() {
        if (hub_->macroRecordType != 2) return;
        hub_->stopMacroRecord();
        closeSheets();
        const std::int64_t id = page_->MacroListDatas().front().macroId;
        if (!hub_->deviceDB()->rewriteMacroRecords(id, {})) std::abort();
        hub_->reloadFromStore();
        uploadsDone();
    }
    void closeSheets() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w)) box->close();
        QApplication::processEvents();
    }
    bool uploadsDone() {
        QElapsedTimer waited;
        waited.start();
        while (hub_->uploadIndicator()->inFlight() != 0 && waited.elapsed() < 10000)
            QApplication::processEvents();
        return hub_->uploadIndicator()->inFlight() == 0;
    }

    KeyboardViewController* hub_ = nullptr;
    SimulatedMonitor* monitor_ = nullptr;
    KeyboardViewMacro* page_ = nullptr;
    KeyboardViewKeyFunc* keys_ = nullptr;

  private:
    QTemporaryDir dir_;
    NoPause clock_;
    std::unique_ptr<QApplication> app_;
    std::unique_ptr<MainWindowController> window_;
    QWindow* handle_ = nullptr;
    int events_ = 0;
};

Window& window() {
    static Window* w = new Window;  // lives until the process ends
    return *w;
}

// The page prints a trace line per recorded event; keep it off the report.
class QuietStdout {
  public:
    QuietStdout() : saved_(::dup(1)) {
        std::fflush(stdout);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::close(null);
    }
    ~QuietStdout() {
        std::fflush(stdout);
        ::dup2(saved_, 1);
        ::close(saved_);
    }

  private:
    int saved_;
};

void BM_RecordOneKeyEvent(benchmark::State& state) {
    Window& w = window();
    if (!w.recordInto(static_cast<int>(state.range(0)))) {
        state.SkipWithError("the recording did not start over the stored events");
        return;
    }
    QuietStdout quiet;
    ulong time = 1;
    bool press = true;
    int sinceRefill = 0;
    std::size_t recorded = 0;
    for (auto _ : state) {
        const std::size_t before = w.rows_();
        w.key(press, time += 7);
        press = !press;
        recorded += w.rows_() > before;
        // 500 stored events leave room for about 120 more rows (key events
        // and their delays) in the keyboard's memory.
        if (++sinceRefill == 50) {
            state.PauseTiming();
            w.refill();
            sinceRefill = 0;
            state.ResumeTiming();
        }
    }
    // Every key event became an event row (with its delay).
    if (recorded != static_cast<std::size_t>(state.iterations()))
        state.SkipWithError("key events were not recorded");
    state.counters["stored"] = w.events();
    w.stopRecording();
}
BENCHMARK(BM_RecordOneKeyEvent)->Arg(0)->Arg(500)->Unit(benchmark::kMicrosecond);

// One key's function chosen, until its upload is handed to the device thread.
void BM_KeyEditUntilQueued(benchmark::State& state) {
    Window& w = window();
    w.stopRecording();
    w.hub_->navigationButton(KeyboardViewController::kCustomKeyView)->click();
    w.hub_->currentFnLayer = 0;
    const KeyInfo* a = findKeyByName("a");
    w.hub_->currentKeyValue = a->code;
    SimulatedKeyboard& kb = w.monitor_->keyboard();
    if (!w.uploadsDone()) state.SkipWithError("uploads still running");
    const std::size_t exchanges = kb.exchanges().size();
    int value = 0;
    for (auto _ : state) {
        ProfileKey row;
        row.macroType = kMacroTypeKeyboard;
        row.macroValue = 5 + (value++ % 20);  // B, C, ...
        w.keys_->addCustomKey(row);
        state.PauseTiming();
        // One edit at a time, as a user makes them.
        w.uploadsDone();
        state.ResumeTiming();
    }
    // The keyboard holds the last choice, and each edit sent its table.
    const SimKeyEntry held = kb.keyEntry(0, a->key_index);
    const std::size_t sent = kb.exchanges().size() - exchanges;
    if (held.b2 != 5 + (value - 1) % 20 || sent < static_cast<std::size_t>(value))
        state.SkipWithError("the key edits did not reach the keyboard");
    state.counters["tables_per_edit"] = static_cast<double>(sent) / value;
}
BENCHMARK(BM_KeyEditUntilQueued)->Unit(benchmark::kMicrosecond);

// Deleting the last of 100 macros (two events each), on the window's thread.
void BM_DeleteOneOf100Macros(benchmark::State& state) {
    Window& w = window();
    w.stopRecording();
    w.hub_->navigationButton(KeyboardViewController::kMacroView)->click();
    DeviceSQLite& db = *w.hub_->deviceDB();
    auto fill = [&] {
        for (std::size_t n = w.page_->MacroListDatas().size(); n < 100; ++n) {
            const std::int64_t id = db.addMacroProfile("Macro " + std::to_string(n));
            if (id < 1 ||
                !db.rewriteMacroRecords(id, {{0, id, 2, 0, 4, "A"}, {0, id, 3, 1, 4, "A"}}))
                return false;
        }
        w.page_->initMacroList();
        w.page_->macroList()->setSelectedRow(99);
        return w.page_->MacroListDatas().size() == 100 && w.page_->macroSelectIndex == 99;
    };
    for (auto _ : state) {
        state.PauseTiming();
        if (!fill()) {
            state.SkipWithError("could not fill 100 macros");
            break;
        }
        w.uploadsDone();
        state.ResumeTiming();
        w.page_->deleteMacroData();
        state.PauseTiming();
        if (w.page_->MacroListDatas().size() != 99 || w.page_->macroList()->rowCount() != 99) {
            state.SkipWithError("the macro was not deleted");
            break;
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteOneOf100Macros)->Unit(benchmark::kMillisecond);

// CPU time of the calling (window's) thread.
double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// A second window starting on settings with 100 profiles, 100 macros and a
// user light of every key: the window's thread CPU until it has loaded and
// queued the start-up uploads.
void BM_StartWith100(benchmark::State& state) {
    Window& w = window();
    w.stopRecording();
    DeviceSQLite& db = *w.hub_->deviceDB();
    std::vector<ProfileData> profiles;
    if (!db.queryProfileList(profiles)) state.SkipWithError("no profiles");
    for (std::size_t n = profiles.size(); n < 100; ++n)
        if (db.addProfile("Profile " + std::to_string(n)) < 1) state.SkipWithError("add profile");
    for (std::size_t n = w.page_->MacroListDatas().size(); n < 100; ++n) {
        const std::int64_t id = db.addMacroProfile("Macro " + std::to_string(n));
        if (id < 1 || !db.rewriteMacroRecords(id, {{0, id, 2, 0, 4, "A"}, {0, id, 3, 1, 4, "A"}}))
            state.SkipWithError("add macro");
    }
    const std::int64_t light = db.addUserLight(kApplicationProfile, "All keys");
    std::vector<UserLightLEDData> leds;
    for (const KeyInfo& key : allKeys()) leds.push_back({0, light, key.code, 0x3366CC});
    if (light < 1 || !db.rewriteUserLightLEDData(light, leds)) state.SkipWithError("user light");
    for (auto _ : state) {
        NoPause clock;
        const double began = threadSeconds();
        auto* hub = new KeyboardViewController;
        auto monitor = std::make_unique<SimulatedMonitor>();
        SimulatedMonitor* sim = monitor.get();
        KeyboardViewController::LinkOptions options;
        options.monitor = std::move(monitor);
        options.clock = &clock;
        hub->setLinkOptions(std::move(options));
        auto second = std::make_unique<MainWindowController>(hub);
        second->showWindow();
        QElapsedTimer waited;
        waited.start();
        while (hub->startupSequencesSent() == 0 && waited.elapsed() < 10000)
            QApplication::processEvents();
        state.SetIterationTime(threadSeconds() - began);
        const bool loaded = hub->profileDatas.size() == 100 && hub->startupSequencesSent() == 1;
        while (hub->uploadIndicator()->inFlight() != 0 && waited.elapsed() < 10000)
            QApplication::processEvents();
        if (!loaded || sim->keyboard().macros().size() != 100) {
            state.SkipWithError("the window did not load and send the 100 profiles and macros");
            break;
        }
        second.reset();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_StartWith100)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvex
