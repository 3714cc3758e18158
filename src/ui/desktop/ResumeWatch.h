#pragma once

// Sets the keyboard up again after the machine wakes: the start-up uploads,
// once, when the keyboard is attached and its settings are loaded.

#include <QObject>

#include <chrono>
#include <memory>

#include "exchange/SleepWatch.h"

namespace korvex {

class KeyboardViewController;

class ResumeWatch : public QObject {
    Q_OBJECT
  public:
    // `settle`: how long after the wake-up to wait for USB to come back.
    ResumeWatch(SleepSignalSource& source, KeyboardViewController& hub,
                std::chrono::milliseconds settle, QObject* parent = nullptr);
    ~ResumeWatch() override;

    int reapplied() const;

  private:
    KeyboardViewController& hub_;
    bool awake_ = false;
    // Start-up sequences sent before the last wake-up. A keyboard that
    // re-enumerates on wake-up is attached afresh and gets the sequence
    // from the attach; it must not get it a second time from here.
    int sentAtResume_ = 0;
    std::unique_ptr<ResumeReapplier> reapplier_;
};

}  // namespace korvex
