#include "ui/KorvexApp.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QPointer>
#include <QSocketNotifier>

#include <chrono>
#include <memory>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "device/StopSignals.h"
#include "session/BusService.h"
#include "ui/AppDelegate.h"
#include "ui/KeyboardViewController.h"
#include "ui/MainWindowController.h"
#include "ui/Theme.h"
#include "ui/UsbMonitor.h"
#include "ui/autoswitch/AutoSwitchControl.h"
#include "ui/autoswitch/KeyboardViewAutoSwitch.h"
#include "ui/desktop/ResumeWatch.h"
#include "ui/desktop/SingleInstance.h"

namespace korvex {

std::optional<KorvexOptions> parseKorvexOptions(int argc, char** argv, std::string* error) {
    KorvexOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--simulate") {
            options.simulate = true;
        } else if (arg == "--hidden") {
            options.hidden = true;
        } else if (arg == "--wire-log") {
            if (i + 1 >= argc || std::string_view(argv[i + 1]).empty()) {
                if (error) *error = "--wire-log needs a file name";
                return std::nullopt;
            }
            options.wireLog = argv[++i];
        } else if (arg.starts_with("--wire-log=")) {
            options.wireLog = std::string(arg.substr(11));
            if (options.wireLog.empty()) {
                if (error) *error = "--wire-log needs a file name";
                return std::nullopt;
            }
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg.starts_with("-platform") || arg.starts_with("-style")) {
            // Qt's own options; QApplication takes them (and their value).
            if (i + 1 < argc && arg.find('=') == std::string_view::npos) ++i;
        } else {
            if (error) *error = "unknown option " + std::string(arg);
            return std::nullopt;
        }
    }
    return options;
}

std::string korvexUsage() {
    return "Usage: korvex [--hidden] [--simulate] [--wire-log FILE]\n"
           "Configure the Korvex 80-key RGB keyboard.\n\n"
           "  --hidden          start in the tray without showing the window\n"
           "  --simulate        use a simulated keyboard instead of USB\n"
           "  --wire-log FILE   append every report sent or read to FILE\n"
           "  --help            show this help\n"
           "  --version         show the version\n";
}

int runKorvex(int argc, char** argv) {
    std::string error;
    const auto options = parseKorvexOptions(argc, argv, &error);
    if (!options) {
        std::fprintf(stderr, "korvex: %s\n%s", error.c_str(), korvexUsage().c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(korvexUsage().c_str(), stdout);
        return 0;
    }
    if (options->version) {
        std::puts("korvex " KORVEX_VERSION);
        return 0;
    }

    if (!options->wireLog.empty()) {
        // Say so now rather than on the first attach.
        std::FILE* probe = std::fopen(options->wireLog.c_str(), "a");
        if (!probe) {
            std::fprintf(stderr, "korvex: cannot write the wire log %s: %s\n",
                         options->wireLog.c_str(), std::strerror(errno));
            return 1;
        }
        std::fclose(probe);
    }

    // Before anything can hold the keyboard: a stop signal ends the program
    // as Quit does, so the interface is released on the way out.
    StopSignals::install();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("korvex"));
    QApplication::setApplicationDisplayName(QStringLiteral("Korvex"));
    QApplication::setDesktopFileName(QStringLiteral("io.github.korvex.Korvex"));
    QApplication::setApplicationVersion(QStringLiteral(KORVEX_VERSION));
    // The window may be hidden in the tray, and a sheet may be the only
    // window on show: the program ends by its quit entries alone.
    QApplication::setQuitOnLastWindowClosed(false);
    theme::applyTheme(app);

    // One window per user: the owner of the bus name, or without a bus the
    // holder of a lock file. A second start only raises the first window. A
    // simulated keyboard holds nothing, so tries with it may run beside the
    // real program (without the name, when that one has it).
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString busName = QString::fromLatin1(kBusName);
    SingleInstance instance;
    if (bus.isConnected()) {
        if (!options->simulate && bus.interface()->isServiceRegistered(busName)) {
            QDBusMessage activate = QDBusMessage::createMethodCall(
                busName, QString::fromLatin1(kBusPath),
                QStringLiteral("org.freedesktop.Application"), QStringLiteral("Activate"));
            activate << QVariantMap();
            bus.call(activate, QDBus::Block, 2000);
            std::puts("korvex is already running; its window is shown.");
            return 0;
        }
    } else if (!options->simulate && !instance.claim()) {
        std::puts("korvex is already running.");
        return 0;
    }

    auto* controller = new KeyboardViewController;
    KeyboardViewController::LinkOptions link;
    link.wireLogPath = options->wireLog;
    link.stopFlag = &StopSignals::flag();
    if (options->simulate) {
        link.monitor = std::make_unique<SimulatedMonitor>();
    } else {
        QPointer<KeyboardViewController> target(controller);
        link.monitor = std::make_unique<UsbMonitor>([target](const std::string& reason) {
            QMetaObject::invokeMethod(
                target,
                [target, reason] {
                    if (target) target->deviceMonitorFailed(QString::fromStdString(reason));
                },
                Qt::QueuedConnection);
        });
    }
    controller->setLinkOptions(std::move(link));
    MainWindowController windowController(controller);
    BusService::WindowHooks hooks = controller->busHooks();
    hooks.activate = [&windowController] { windowController.showWindow(); };
    BusService service(controller->session(), std::move(hooks));
    bool ownedElsewhere = false;
    if (bus.isConnected() && !service.claim(bus, &ownedElsewhere)) {
        if (!options->simulate) {
            // Another window took the name in the meantime.
            std::puts("korvex is already running.");
            return 0;
        }
        std::fprintf(stderr, "korvex: %s is owned by another window; this one is not on the bus\n",
                     kBusName);
    }
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching([&] { windowController.showWindow(); },
                                           &controller->session());
    QObject::connect(&delegate, &AppDelegate::quitRequested, &app, &QApplication::quit);
    if (auto* autoSwitch = controller->findChild<KeyboardViewAutoSwitch*>()) {
        autoSwitch->attachTray(delegate.quickMenu());
        // korvexctl rules / auto, asked of the window over the bus.
        QObject::connect(&service, &BusService::autoSwitchChanged, autoSwitch,
                         [autoSwitch] { autoSwitch->control().reload(); });
    }
    QObject::connect(controller, &KeyboardViewController::languageSwitched, &delegate,
                     &AppDelegate::relabel);
    QObject::connect(&windowController, &MainWindowController::quitRequested, &app,
                     &QApplication::quit, Qt::QueuedConnection);
    QObject::connect(&windowController, &MainWindowController::hiddenToTray, &delegate,
                     &AppDelegate::windowHiddenToTray);

    std::unique_ptr<QSocketNotifier> stopNotifier;
    if (StopSignals::fd() >= 0) {
        stopNotifier = std::make_unique<QSocketNotifier>(StopSignals::fd(), QSocketNotifier::Read);
        QObject::connect(stopNotifier.get(), &QSocketNotifier::activated, &app, [] {
            std::fprintf(stderr, "korvex: stopping on signal %d\n", StopSignals::received());
            QApplication::quit();
        });
    }

    // A keyboard may lose its settings while the machine sleeps.
    LogindSleepSource sleep;
    ResumeWatch resume(sleep, *controller, std::chrono::seconds(2));
    sleep.start();

    if (options->hidden)
        controller->viewDidAppear();  // watch for the keyboard all the same
    else
        windowController.showWindow();
    return app.exec();
}

}  // namespace korvex
