#include "ui/recorder/Keylogger.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWindow>

#include <algorithm>
#include <chrono>

#include "catalog/EvdevKeys.h"

namespace korvex {

namespace {
constexpr int kLeftShift = 225;
constexpr int kFirstUsage = 4, kLastUsage = 2310;
// X11 and Wayland report evdev codes shifted by this much.
constexpr quint32 kEvdevOffset = 8;
}  // namespace

Keylogger& Keylogger::shared() {
    // Owned by the application object, so it goes with it; a later
    // application object gets a new one.
    static QPointer<Keylogger> instance;
    if (!instance) instance = new Keylogger(QCoreApplication::instance());
    return *instance;
}

Keylogger::Keylogger(QObject* parent) : QObject(parent), lists_(buildKeyLists()) {
    setObjectName(QStringLiteral("keylogger"));
    if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(gui, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focus) {
            if (!focus) releaseAll();
        });
        connect(gui, &QGuiApplication::applicationStateChanged, this,
                [this](Qt::ApplicationState state) {
                    if (state != Qt::ApplicationActive) releaseAll();
                });
    }
}

std::int64_t Keylogger::monotonicMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void Keylogger::Handle_IOHIDInputValueCallback(int usage, int value, std::int64_t timeMs) {
    lastMovedTimes = timeMs;
    if (usage < kFirstUsage || usage > kLastUsage) return;
    if (usage == kLeftShift) shiftKeyStatus = value;
    recordKeyPressed(value, usage);
}

void Keylogger::recordKeyPressed(int isPressed, int scancode) {
    if (isPressed == 0 || isPressed == 1)
        keys.keyEvent(lists_, scancode, isPressed == 1);
    else
        keys.GLOBAL_LAST_PRESS_KEY_SCANCODE = scancode;
}

void Keylogger::releaseAll() {
    keys.pressedFlags.clear();
    keys.pressedNormalKey.clear();
    shiftKeyStatus = 0;
}

int Keylogger::addMonitor(Monitor monitor) {
    const int id = nextMonitorId_++;
    monitors_.emplace_back(id, std::move(monitor));
    return id;
}

void Keylogger::removeMonitor(int id) {
    std::erase_if(monitors_, [id](const auto& m) { return m.first == id; });
}

void Keylogger::runMonitors() {
    // A monitor may add or remove monitors while it runs.
    const auto snapshot = monitors_;
    for (const auto& [id, monitor] : snapshot) {
        const bool stillThere = std::any_of(monitors_.begin(), monitors_.end(),
                                            [id = id](const auto& m) { return m.first == id; });
        if (stillThere) monitor();
    }
}

bool Keylogger::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (exclusive_ && (type == QEvent::ShortcutOverride || type == QEvent::Shortcut)) {
        // An accepted override keeps the shortcut from firing.
        event->accept();
        return true;
    }
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
    // A key event reaches its window first and is then handed on to widgets
    // (and their parents); taking it at the window sees each event once.
    if (!watched->isWindowType()) return exclusive_;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->isAutoRepeat()) return exclusive_;
    const quint32 native = key->nativeScanCode();
    const int usage =
        native >= kEvdevOffset ? hidUsageFromEvdev(static_cast<int>(native - kEvdevOffset)) : 0;
    const std::int64_t when =
        key->timestamp() != 0 ? static_cast<std::int64_t>(key->timestamp()) : monotonicMs();
    Handle_IOHIDInputValueCallback(usage, type == QEvent::KeyPress ? 1 : 0, when);
    // A key we cannot name leaves the last key as it was: running the
    // monitors would record that older key a second time.
    if (usage != 0) runMonitors();
    return exclusive_;  // otherwise the event goes on unchanged
}

}  // namespace korvex
