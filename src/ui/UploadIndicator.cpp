#include "ui/UploadIndicator.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

#include "ui/Controls.h"
#include "ui/KeyboardViewController.h"
#include "ui/Theme.h"

namespace korvex {

namespace {
constexpr int kDot = 8;
const QColor kFailColour(220, 60, 50);
}  // namespace

UploadIndicator::UploadIndicator(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("upload_indicator"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(kDot + 8, 0, 0, 0);
    label_ = new QLabel(this);
    QFont font = label_->font();
    font.setPixelSize(12);
    label_->setFont(font);
    row->addWidget(label_);
    setMinimumWidth(150);
    setState(State::Idle);
}

void UploadIndicator::uploadQueued() {
    ++inFlight_;
    setState(settled());
}

void UploadIndicator::notSent() {
    failedSinceLastSuccess_ = true;
    notSent_ = true;
    goneSinceLastSuccess_ = false;
    setState(settled());
}

UploadIndicator::State UploadIndicator::settled() const {
    if (goneSinceLastSuccess_) return State::Gone;
    if (failedSinceLastSuccess_) return notSent_ ? State::NotSent : State::Failed;
    return inFlight_ > 0 ? State::Sending : State::Idle;
}

void UploadIndicator::uploadFinished(const UploadResult& result) {
    if (inFlight_ > 0) --inFlight_;
    switch (result.status) {
        case UploadResult::Status::Sent:
            failedSinceLastSuccess_ = false;
            notSent_ = false;
            goneSinceLastSuccess_ = false;
            break;
        case UploadResult::Status::Failed:
            failedSinceLastSuccess_ = true;
            notSent_ = false;
            break;
        // Left half-sent: the user is told, not shown a plain failure.
        case UploadResult::Status::NoKeyboard:
            if (result.transfer > 0) {
                goneSinceLastSuccess_ = true;
                notSent_ = false;
            }
            break;
        // Replaced by a newer upload, or never started: the keyboard will
        // get what the database holds at the next upload or attach.
        case UploadResult::Status::Superseded:
        case UploadResult::Status::Dropped:
        case UploadResult::Status::Stopped:
            break;
    }
    setState(settled());
}

QString UploadIndicator::text() const {
    return label_->text();
}

void UploadIndicator::setState(State state) {
    state_ = state;
    QPalette palette = label_->palette();
    switch (state) {
        case State::Idle:
            label_->clear();
            break;
        case State::Sending:
            label_->setText(KeyboardViewController::text(806));
            palette.setColor(QPalette::WindowText, theme::kMutedTextColour);
            break;
        case State::Failed:
            label_->setText(KeyboardViewController::text(807));
            palette.setColor(QPalette::WindowText, kFailColour);
            break;
        case State::NotSent:
            label_->setText(KeyboardViewController::text(1001));
            palette.setColor(QPalette::WindowText, kFailColour);
            break;
        case State::Gone:
            label_->setText(KeyboardViewController::text(1200));
            palette.setColor(QPalette::WindowText, kFailColour);
            break;
    }
    label_->setPalette(palette);
    label_->adjustSize();
    update();
}

void UploadIndicator::paintEvent(QPaintEvent*) {
    if (state_ == State::Idle) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(state_ == State::Sending ? kAccentColor : kFailColour);
    painter.drawEllipse(QRectF(2, (height() - kDot) / 2.0, kDot, kDot));
}

}  // namespace korvex
