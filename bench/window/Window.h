#pragma once

// The window on a simulated keyboard, shared by the window benchmarks, and a
// probe of how long the window's thread goes without returning to its event
// loop.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <functional>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
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

namespace korvex::bench {

struct NoPause final : PauseClock {
    void pause(std::chrono::nanoseconds) override {}
};

// A window of its own on a simulated keyboard, shown.
inline std::unique_ptr<MainWindowController> openWindow(PauseClock& clock,
                                                        KeyboardViewController** hub,
                                                        SimulatedMonitor** monitor) {
    *hub = new KeyboardViewController;
    auto simulated = std::make_unique<SimulatedMonitor>();
    *monitor = simulated.get();
    KeyboardViewController::LinkOptions options;
    options.monitor = std::move(simulated);
    options.clock = &clock;
    (*hub)->setLinkOptions(std::move(options));
    auto window = std::make_unique<MainWindowController>(*hub);
    window->showWindow();
    return window;
}

// The window on a simulated keyboard, showing the macro page.
class Window {
  public:
    Window() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("XDG_DATA_HOME", dir_.path().toLocal8Bit());
        static int argc = 1;
        static char name[] = "bench_window";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        window_ = openWindow(clock_, &hub_, &monitor_);
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

inline Window& window() {
    static Window* w = new Window;  // lives until the process ends
    return *w;
}

// CPU time of the calling (window's) thread.
inline double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// The longest stretch the window's thread stays away from its event loop
// while an action runs, and that stretch's own CPU time: a 1 ms timer notes
// each return to the loop, and the action's own call counts from start().
// A stretch over a frame (16 ms) is a stall the user sees.
class StallProbe {
  public:
    StallProbe() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    }
    void start() {
        longestCpu_ = longestWall_ = 0;
        lastCpu_ = threadSeconds();
        lastWall_.start();
        timer_.start();
    }
    // Runs the loop until `done` holds (10 s at most), then stops.
    bool runUntil(const std::function<bool()>& done) {
        QElapsedTimer waited;
        waited.start();
        while (!done() && waited.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QApplication::processEvents();
        tick();
        timer_.stop();
        return done();
    }
    double longestCpuMs() const { return longestCpu_ * 1e3; }
    double longestWallMs() const { return longestWall_ * 1e-6; }

  private:
    void tick() {
        const double cpu = threadSeconds();
        longestCpu_ = std::max(longestCpu_, cpu - lastCpu_);
        longestWall_ = std::max(longestWall_, static_cast<double>(lastWall_.nsecsElapsed()));
        lastCpu_ = cpu;
        lastWall_.start();
    }
    QTimer timer_;
    double lastCpu_ = 0;
    QElapsedTimer lastWall_;
    double longestCpu_ = 0;
    double longestWall_ = 0;
};

}  // namespace korvex::bench
