#include "ui/desktop/ResumeWatch.h"

#include "ui/KeyboardViewController.h"

namespace korvex {

ResumeWatch::ResumeWatch(SleepSignalSource& source, KeyboardViewController& hub,
                         std::chrono::milliseconds settle, QObject* parent)
    : QObject(parent), hub_(hub) {
    // Connected before the re-applier, so the count is taken before it acts.
    connect(&source, &SleepSignalSource::prepareForSleep, this, [this](bool sleeping) {
        if (sleeping) {
            awake_ = false;
        } else if (!awake_) {
            awake_ = true;
            sentAtResume_ = hub_.startupSequencesSent();
        }
    });
    reapplier_ = std::make_unique<ResumeReapplier>(
        source,
        [this] {
            // Loaded (not merely plugged in) and not already sent since the wake-up.
            return hub_.keyboardAttached() && hub_.deviceComm() &&
                   hub_.startupSequencesSent() == sentAtResume_;
        },
        [this] { hub_.reapplyStartupUploads(); }, settle);
}

ResumeWatch::~ResumeWatch() = default;

int ResumeWatch::reapplied() const {
    return reapplier_->reapplied();
}

}  // namespace korvex
