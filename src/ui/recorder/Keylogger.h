#pragma once

// The process-wide key recorder. Every key press and release the application
// receives (in any of its windows) is turned into a HID usage and recorded in
// one shared held-key state; after that the installed key event monitors run
// (macro recording, the macro page's keyboard insert, the custom key dialog's
// capture), so they always read the state of the event that woke them. The
// user light editor's Shift-click reads the same state.

#include <QObject>

#include <cstdint>
#include <functional>
#include <vector>

#include "catalog/HeldKeys.h"

namespace korvex {

class Keylogger : public QObject {
    Q_OBJECT
  public:
    // The one recorder of the process, created and installed on first use.
    static Keylogger& shared();

    // --- the shared keyboard state ---------------------------------------------
    HeldKeyState keys;                // last key, its direction, the held keys
    std::int64_t lastMovedTimes = 0;  // time of the last key change, monotonic ms
    int shiftKeyStatus = 0;           // Left Shift: 1 held, 0 released

    const KeyLists& keyLists() const { return lists_; }

    // One reported key change; usages outside 4..2310 only move the time.
    void Handle_IOHIDInputValueCallback(int usage, int value, std::int64_t timeMs);
    // Records a press (1) or release (0); any other value only sets the last key.
    void recordKeyPressed(int isPressed, int scancode);
    // Forgets every held key, e.g. when the application loses the keyboard:
    // a key released elsewhere never reports its release to us.
    void releaseAll();

    // --- key event monitors --------------------------------------------------
    using Monitor = std::function<void()>;
    // Runs `monitor` after each recorded key event; the id removes it again.
    int addMonitor(Monitor monitor);
    void removeMonitor(int id);
    std::size_t monitorCount() const { return monitors_.size(); }
    // While set, key events are recorded and then taken: no widget, button
    // or shortcut of any window of the application receives them.
    void setExclusive(bool exclusive) { exclusive_ = exclusive; }
    bool exclusive() const { return exclusive_; }

    // Milliseconds of a monotonic clock; used for events that carry no time.
    static std::int64_t monotonicMs();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    explicit Keylogger(QObject* parent);
    void runMonitors();

    KeyLists lists_;
    std::vector<std::pair<int, Monitor>> monitors_;
    int nextMonitorId_ = 1;
    bool exclusive_ = false;
};

}  // namespace korvex
