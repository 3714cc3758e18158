#pragma once

#include <QWidget>

#include "device/DeviceComm.h"

class QLabel;
class QTimer;

namespace korvex {

// A quiet line in the title strip: a dot and "Sending…" while uploads are in
// flight, a red note when one failed or the keyboard went away in the middle
// of one, nothing otherwise. The note stays until the next upload goes
// through, so it cannot be missed.
class UploadIndicator : public QWidget {
    Q_OBJECT
  public:
    enum class State { Idle, Sending, Failed, NotSent, Gone };

    explicit UploadIndicator(QWidget* parent = nullptr);

    void uploadQueued();
    void uploadFinished(const UploadResult& result);
    // An upload was not even built: the settings could not be read.
    void notSent();

    State state() const { return state_; }
    // Shows the current state's text in the current language.
    void relabel() { setState(state_); }
    int inFlight() const { return inFlight_; }
    QString text() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void setState(State state);
    State settled() const;

    QLabel* label_;
    State state_ = State::Idle;
    int inFlight_ = 0;
    bool failedSinceLastSuccess_ = false;
    bool notSent_ = false;  // the last failure was a read, not the keyboard
    bool goneSinceLastSuccess_ = false;
};

}  // namespace korvex
