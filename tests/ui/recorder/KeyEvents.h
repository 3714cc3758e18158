#pragma once

// Key events as the window system delivers them: to the window, carrying the
// evdev code (+ 8) and the input time.

#include <QApplication>
#include <QKeyEvent>
#include <QWindow>

#include <linux/input-event-codes.h>

namespace korvex::test {

inline void sendKey(QWindow* window, int evdev, bool press, ulong timeMs = 0,
                    bool autoRepeat = false, int qtKey = Qt::Key_unknown) {
    QKeyEvent event(press ? QEvent::KeyPress : QEvent::KeyRelease, qtKey, Qt::NoModifier,
                    static_cast<quint32>(evdev + 8), 0, 0, QString(), autoRepeat);
    event.setTimestamp(timeMs);
    QApplication::sendEvent(window, &event);
}

inline void tapKey(QWindow* window, int evdev, ulong downMs, ulong upMs) {
    sendKey(window, evdev, true, downMs);
    sendKey(window, evdev, false, upMs);
}

}  // namespace korvex::test
