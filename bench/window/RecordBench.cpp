// The window's own work per action, on its thread, with a simulated
// keyboard: recording one key event into a macro of 0 or 500 stored events
// (it must keep up with fast typing, whatever the macro holds), one key edit
// until its upload is handed to the device thread, and deleting one of 100
// macros. Each benchmark checks it did what it measures and fails otherwise.

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>

#include <linux/input-event-codes.h>

#include "Window.h"

namespace korvex::bench {
namespace {

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

}  // namespace
}  // namespace korvex::bench
