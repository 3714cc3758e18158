#pragma once

// Sleep and wake-up of the machine. A keyboard may lose its settings while
// the machine sleeps, so after each resume the start-up uploads are sent
// again. The signal comes from a small source interface: logind on the
// system bus in the program, a hand-driven source in tests.

#include <QObject>
#include <chrono>
#include <functional>
#include <string>

namespace korvex {

class SleepSignalSource : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    // Starts listening. False when this source cannot deliver anything.
    virtual bool start() = 0;

  signals:
    // true just before the machine sleeps, false once it has woken up.
    void prepareForSleep(bool sleeping);
};

// logind's PrepareForSleep signal on the system bus. Without a system bus
// (containers, some sessions) it does nothing and says so once per process.
class LogindSleepSource : public SleepSignalSource {
    Q_OBJECT
  public:
    using Warn = std::function<void(const std::string& line)>;
    // `warn` receives the one line (standard error unless given).
    explicit LogindSleepSource(Warn warn = {}, QObject* parent = nullptr);
    bool start() override;

  private slots:
    void onPrepareForSleep(bool sleeping);

  private:
    Warn warn_;
};

// Runs `reapply` once after each resume, when `attached` says the keyboard
// is there. A resume seen twice without a sleep in between (a repeated
// signal) is handled once. With a `settle` time the check and the re-apply
// wait that long (on the event loop), since USB devices take a moment to come
// back after a wake-up; a sleep in the meantime cancels them.
class ResumeReapplier : public QObject {
    Q_OBJECT
  public:
    ResumeReapplier(SleepSignalSource& source, std::function<bool()> attached,
                    std::function<void()> reapply,
                    std::chrono::milliseconds settle = std::chrono::milliseconds(0),
                    QObject* parent = nullptr);

    int reapplied() const { return reapplied_; }

  private:
    void onPrepareForSleep(bool sleeping);
    void reapplyIfAttached(unsigned generation);

    std::function<bool()> attached_;
    std::function<void()> reapply_;
    std::chrono::milliseconds settle_;
    bool awake_ = false;       // a resume was handled and no sleep followed yet
    unsigned generation_ = 0;  // counts sleeps, so a late timer knows it is stale
    int reapplied_ = 0;
};

}  // namespace korvex
