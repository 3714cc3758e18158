#include "exchange/SleepWatch.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QTimer>
#include <atomic>
#include <cstdio>

namespace korvex {

namespace {

constexpr const char* kService = "org.freedesktop.login1";
constexpr const char* kPath = "/org/freedesktop/login1";
constexpr const char* kInterface = "org.freedesktop.login1.Manager";

// One line per process, however many windows or sources try.
std::atomic<bool> g_warned{false};

}  // namespace

LogindSleepSource::LogindSleepSource(Warn warn, QObject* parent)
    : SleepSignalSource(parent), warn_(std::move(warn)) {
    if (!warn_) {
        warn_ = [](const std::string& line) {
            std::fputs((line + "\n").c_str(), stderr);
            std::fflush(stderr);
        };
    }
}

bool LogindSleepSource::start() {
    QDBusConnection bus = QDBusConnection::systemBus();
    QString why;
    if (!bus.isConnected()) {
        why = bus.lastError().message();
        if (why.isEmpty()) why = QStringLiteral("not connected");
    } else if (!bus.connect(kService, kPath, kInterface, QStringLiteral("PrepareForSleep"), this,
                            SLOT(onPrepareForSleep(bool)))) {
        why = bus.lastError().message();
        if (why.isEmpty()) why = QStringLiteral("cannot subscribe to PrepareForSleep");
    } else {
        return true;
    }
    if (!g_warned.exchange(true)) {
        warn_("korvex: no system bus (" + why.toStdString() +
              "); the keyboard is not set up again after suspend");
    }
    return false;
}

void LogindSleepSource::onPrepareForSleep(bool sleeping) {
    emit prepareForSleep(sleeping);
}

ResumeReapplier::ResumeReapplier(SleepSignalSource& source, std::function<bool()> attached,
                                 std::function<void()> reapply, std::chrono::milliseconds settle,
                                 QObject* parent)
    : QObject(parent),
      attached_(std::move(attached)),
      reapply_(std::move(reapply)),
      settle_(settle) {
    connect(&source, &SleepSignalSource::prepareForSleep, this,
            &ResumeReapplier::onPrepareForSleep);
}

void ResumeReapplier::onPrepareForSleep(bool sleeping) {
    if (sleeping) {
        awake_ = false;
        ++generation_;
        return;
    }
    if (awake_) return;
    awake_ = true;
    if (settle_.count() <= 0) {
        reapplyIfAttached(generation_);
        return;
    }
    const unsigned generation = generation_;
    QTimer::singleShot(settle_, this, [this, generation] { reapplyIfAttached(generation); });
}

void ResumeReapplier::reapplyIfAttached(unsigned generation) {
    if (generation != generation_) return;
    // A keyboard that is not there gets everything at its next attach anyway.
    if (attached_ && !attached_()) return;
    ++reapplied_;
    if (reapply_) reapply_();
}

}  // namespace korvex
