// autoswitch_idle [SECONDS]: runs the watchers this session offers (running
// programs, and the X11 window in front when $DISPLAY is set) with nothing
// to do for SECONDS (60 unless given) and prints the share of one core they
// took.

#include <QCoreApplication>
#include <QTimer>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "autoswitch/Programs.h"
#include "autoswitch/X11Front.h"

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    korvex::ProgramWatcher programs;
    programs.start();
    std::unique_ptr<korvex::X11FrontWatcher> x11;
    if (qEnvironmentVariableIsSet("DISPLAY")) {
        x11 = std::make_unique<korvex::X11FrontWatcher>();
        if (!x11->start()) x11.reset();
    }
    // Start-up (reading every process once, and again on the next pass) is
    // not idle work: measured from the third pass on.
    std::chrono::steady_clock::time_point wallStart;
    double cpuStart = 0;
    QTimer::singleShot(2500, &app, [&] {
        wallStart = std::chrono::steady_clock::now();
        cpuStart = cpuSeconds();
    });
    QTimer::singleShot(2500 + seconds * 1000, &app, [&] {
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        const double cpu = cpuSeconds() - cpuStart;
        std::printf("watchers: programs%s; %d programs seen\n", x11 ? ", X11" : "",
                    static_cast<int>(programs.running().size()));
        std::printf("idle CPU over %.1f s: %.3f s = %.4f %% of one core\n", wall, cpu,
                    100.0 * cpu / wall);
        app.quit();
    });
    return app.exec();
}
