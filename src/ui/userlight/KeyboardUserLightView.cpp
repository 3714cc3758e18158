#include "ui/userlight/KeyboardUserLightView.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

#include "ui/KeyboardViewController.h"
#include "ui/light/KeyboardLightView.h"
#include "ui/recorder/Keylogger.h"

namespace korvex {

namespace {

// The overlay a key shows while hovered or marked: a light wash over its patch.
class KeyOverlayImage : public QWidget {
  public:
    explicit KeyOverlayImage(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setGeometry(parent->rect());
        hide();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), QColor(255, 255, 255, 60));
    }
};

}  // namespace

KeyboardUserLightView::KeyboardUserLightView(QWidget* parent) : KeyboardView(parent) {
    // The editor's own marks stay when the pointer leaves the keyboard.
    setCustomMode(true);
}

KeyView* KeyboardUserLightView::makeKeyView(const KeyData& key) {
    auto* view = new KeyColorView(key, this);
    view->setBackgroundColor(Qt::black);
    return view;
}

SelectKeyView* KeyboardUserLightView::makeSelectKeyView(const KeyData& key) {
    auto* view = new SelectKeyView(key.rect, this);
    view->setImageView(new KeyOverlayImage(view));
    if (!frameSelectView_) {
        // Above every key, created with the first mark layer.
        frameSelectView_ = new FrameSelectView(this);
        frameSelectView_->hide();
    }
    frameSelectView_->raise();
    return view;
}

void KeyboardUserLightView::resetKeyColor() {
    for (const KeyData& k : kbKeyArrayHover()) setKeyColor(k.index, Qt::black);
    clearMarks();
}

void KeyboardUserLightView::setCheckItemColor(const QColor& color) {
    // Only marked keys: after a rubber band the last pressed key may lie
    // outside it, and it must not be painted with the band's keys.
    for (int index : markedKeys()) setKeyColor(index, color);
}

void KeyboardUserLightView::setKeyColor(int layoutIndex, const QColor& color) {
    if (KeyView* view = keyView(layoutIndex)) view->setBackgroundColor(color);
}

QColor KeyboardUserLightView::keyColor(int layoutIndex) const {
    const KeyView* view = keyView(layoutIndex);
    return view ? view->backgroundColor() : QColor();
}

bool KeyboardUserLightView::isMarked(int layoutIndex) const {
    const SelectKeyView* view = selectKeyView(layoutIndex);
    return view && view->keyCheck();
}

std::vector<int> KeyboardUserLightView::markedKeys() const {
    std::vector<int> marked;
    for (const KeyData& k : kbKeyArraySelect())
        if (isMarked(k.index)) marked.push_back(k.index);
    return marked;
}

void KeyboardUserLightView::mark(int index, bool on) {
    if (SelectKeyView* view = selectKeyView(index)) {
        if (view->keyCheck() != on) view->setKeyCheck(on);
        if (!on && index != hoverKeyItem_) view->setKeyHover(false);
    }
}

void KeyboardUserLightView::clearMarks() {
    for (const KeyData& k : kbKeyArraySelect()) mark(k.index, false);
}

void KeyboardUserLightView::hoverTo(int index) {
    if (index == hoverKeyItem_) return;
    // Leaving a key: its overlay stays only while it is marked.
    if (SelectKeyView* old = selectKeyView(hoverKeyItem_)) old->setKeyHover(false);
    hoverKeyItem_ = index;
    if (SelectKeyView* now = selectKeyView(hoverKeyItem_)) now->setKeyHover(true);
}

void KeyboardUserLightView::mousePressEvent(QMouseEvent* event) {
    if (!isEvent() || event->button() != Qt::LeftButton) return;
    const QPointF p = event->position();
    ptMouseDown_ = p;
    pressed_ = true;
    dragging_ = false;
    const int index = keyIndexAt(p);
    if (index >= 0) {
        selectKeyItem_ = index;
        hoverTo(index);
    }
    if (selectKeyItem_ < 0) return;
    // Left Shift held adds to the marks; the recorder's held-key state is the
    // one place that knows which keys are down.
    if (!Keylogger::shared().shiftKeyStatus) clearMarks();
    mark(selectKeyItem_, true);
}

void KeyboardUserLightView::mouseMoveEvent(QMouseEvent* event) {
    if (!isEvent()) return;
    const QPointF p = event->position();
    if (pressed_) {
        dragTo(p);
        return;
    }
    if (g_show_homepage) return;
    hoverTo(keyIndexAt(p));
}

void KeyboardUserLightView::dragTo(const QPointF& p) {
    if (!dragging_) {
        if (std::abs(p.x() - ptMouseDown_.x()) <= kDragThreshold &&
            std::abs(p.y() - ptMouseDown_.y()) <= kDragThreshold)
            return;
        dragging_ = true;
    }
    frameSelect_ = QRectF(ptMouseDown_, p).normalized();
    if (frameSelectView_) {
        frameSelectView_->setGeometry(frameSelect_.toAlignedRect());
        frameSelectView_->show();
        frameSelectView_->raise();
    }
    for (const KeyData& k : kbKeyArraySelect()) mark(k.index, k.rect.intersects(frameSelect_));
}

void KeyboardUserLightView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    pressed_ = false;
    dragging_ = false;
    frameSelect_ = QRectF();
    if (frameSelectView_) frameSelectView_->hide();
}

void KeyboardUserLightView::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
}

void KeyboardUserLightView::leaveEvent(QEvent* event) {
    hoverTo(-1);
    QWidget::leaveEvent(event);
}

}  // namespace korvex
