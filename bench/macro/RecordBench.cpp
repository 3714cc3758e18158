// Recording must keep up with fast typing: one key event, from the
// application's event filter to the new rows in the event list, while the
// macro already holds 500 events.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>
#include <cstdlib>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QWindow>

#include <linux/input-event-codes.h>

#include "device/PauseClock.h"
#include "store/DeviceSQLite.h"
#include "ui/DeviceEvents.h"
#include "ui/Images.h"
#include "ui/KeyboardViewController.h"
#include "ui/MainWindowController.h"
#include "ui/macro/KeyboardViewMacro.h"

namespace korvex {
namespace {

struct NoPause final : PauseClock {
    void pause(std::chrono::nanoseconds) override {}
};

// The window on a simulated keyboard, its macro page recording into a macro
// of 500 stored events.
class Window {
  public:
    Window() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("XDG_DATA_HOME", dir_.path().toLocal8Bit());
        static int argc = 1;
        static char name[] = "bench_macro";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        auto* hub = new KeyboardViewController;
        KeyboardViewController::LinkOptions options;
        options.monitor = std::make_unique<SimulatedMonitor>();
        options.clock = &clock_;
        hub->setLinkOptions(std::move(options));
        window_ = std::make_unique<MainWindowController>(hub);
        window_->showWindow();
        QElapsedTimer waited;
        waited.start();
        while (!hub->initFinish && waited.elapsed() < 5000) QApplication::processEvents();
        hub->keyboard_connect()->click();
        hub->navigationButton(KeyboardViewController::kMacroView)->click();
        page_ = hub->findChild<KeyboardViewMacro*>();
        page_->addMacroData();
        const std::int64_t id = page_->MacroListDatas().front().macroId;
        std::vector<RecordInfo> rows;
        for (int i = 0; i < kEvents; ++i) rows.push_back({0, id, 2 + i % 2, i, 4, "A"});
        if (!hub->deviceDB()->rewriteMacroRecords(id, rows)) std::abort();
        page_->recordButtonAction();
        refill();
        handle_ = hub->window()->windowHandle();
    }

    // Back to the 500 stored events; the recording goes on.
    void refill() { page_->loadMacroRecordData(0); }
    void key(bool press, ulong time) {
        QKeyEvent event(press ? QEvent::KeyPress : QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier,
                        KEY_A + 8, 0, 0, QStringLiteral("a"));
        event.setTimestamp(time);
        QApplication::sendEvent(handle_, &event);
    }
    std::size_t rows() const { return page_->RecordListDatas().size(); }

    static constexpr int kEvents = 500;

  private:
    QTemporaryDir dir_;
    NoPause clock_;
    std::unique_ptr<QApplication> app_;
    std::unique_ptr<MainWindowController> window_;
    KeyboardViewMacro* page_ = nullptr;
    QWindow* handle_ = nullptr;
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
    QuietStdout quiet;
    ulong time = 1;
    bool press = true;
    int sinceRefill = 0;
    for (auto _ : state) {
        w.key(press, time += 7);
        press = !press;
        if (++sinceRefill == 200) {
            state.PauseTiming();
            w.refill();
            sinceRefill = 0;
            state.ResumeTiming();
        }
    }
    state.counters["rows"] = static_cast<double>(w.rows());
}
BENCHMARK(BM_RecordOneKeyEvent)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace korvex
