// Apply of a full user light scheme on the user light page: from the click
// on Apply until the upload is handed to the device thread (the 80 colours
// stored in one transaction, read back and encoded). The window runs on the
// offscreen platform with the simulated keyboard and a database file in a
// temporary folder; the sends themselves run on the device thread.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>

#include <memory>

#include "ui/DeviceEvents.h"
#include "ui/Images.h"
#include "ui/KeyboardViewController.h"
#include "ui/MainWindowController.h"
#include "ui/UploadIndicator.h"
#include "ui/userlight/KeyboardUserLightView.h"
#include "ui/userlight/KeyboardViewUserLight.h"

namespace {

using namespace korvex;

QApplication& app() {
    static int argc = 1;
    static char name[] = "bench_userlight";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = [] {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return new QApplication(argc, argv);
    }();
    return *instance;
}

bool waitFor(const std::function<bool()>& done) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > 5000) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

struct NoPause final : PauseClock {
    void pause(std::chrono::nanoseconds) override {}
};

// The window attached to a simulated keyboard, on a database under `root`.
struct Window {
    explicit Window(const QString& root) : dataHome(root + QStringLiteral("/korvex-bench-XXXXXX")) {
        ::setenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit().constData(), 1);
        auto* c = new KeyboardViewController;
        KeyboardViewController::LinkOptions options;
        options.monitor = std::make_unique<SimulatedMonitor>();
        options.clock = &clock;
        c->setLinkOptions(std::move(options));
        window = std::make_unique<MainWindowController>(c);
        hub = c;
        window->showWindow();
        ok = waitFor([&] { return hub->initFinish; });
        hub->keyboard_connect()->click();
        hub->navigationButton(KeyboardViewController::kUserLightView)->click();
        page = hub->findChild<KeyboardViewUserLight*>();
        page->addUserLight();
        // Every key lit, each in a colour of its own.
        KeyboardUserLightView* editor = page->userlight_keyboardctrl();
        for (const KeyData& k : editor->kbKeyArrayHover())
            editor->setKeyColor(k.index, QColor(k.index * 3, 255 - k.index, 128));
        idle();
    }
    void idle() {
        waitFor([&] { return hub->uploadIndicator()->inFlight() == 0; });
    }

    NoPause clock;
    QTemporaryDir dataHome;
    std::unique_ptr<MainWindowController> window;
    KeyboardViewController* hub = nullptr;
    KeyboardViewUserLight* page = nullptr;
    bool ok = false;
};

void applyFullScheme(benchmark::State& state, const QString& root) {
    app();
    Window w(root);
    if (!w.ok || !w.page) {
        state.SkipWithError("the window did not attach");
        return;
    }
    QPushButton* apply = w.page->userlight_btn_apply();
    int n = 0;
    for (auto _ : state) {
        apply->click();
        state.PauseTiming();
        // Let the device thread catch up now and then, off the clock.
        if (++n % 16 == 0) w.idle();
        state.ResumeTiming();
    }
    w.idle();
}

// The database where the program keeps it: a file on disk.
void BM_ApplyFullScheme_DiskFile(benchmark::State& state) {
    applyFullScheme(state, QDir::tempPath());
}
BENCHMARK(BM_ApplyFullScheme_DiskFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The same with the file in memory: the work of the program without the
// disk's flush at commit.
void BM_ApplyFullScheme_MemoryFile(benchmark::State& state) {
    applyFullScheme(state, QStringLiteral("/dev/shm"));
}
BENCHMARK(BM_ApplyFullScheme_MemoryFile)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace
