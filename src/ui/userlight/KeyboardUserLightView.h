#pragma once

// The user light editor's keyboard: a colour patch per key, and keys marked
// by a click, a Shift-click (added to the marks) or a rubber band (exactly
// the keys it touches). Painting only changes the patches; the page stores
// them when the user applies.

#include <QColor>
#include <QPointF>
#include <QPointer>
#include <QRectF>

#include <vector>

#include "ui/keyboard/KeyboardView.h"

namespace korvex {

class KeyboardUserLightView : public KeyboardView {
    Q_OBJECT
  public:
    // A drag must leave the pressed point by more than this, either way,
    // before it becomes a rubber band.
    static constexpr qreal kDragThreshold = 12;

    explicit KeyboardUserLightView(QWidget* parent = nullptr);

    // Every patch black, every mark cleared.
    void resetKeyColor();
    // Paints the marked keys.
    void setCheckItemColor(const QColor& color);
    void setKeyColor(int layoutIndex, const QColor& color);
    QColor keyColor(int layoutIndex) const;
    bool isMarked(int layoutIndex) const;
    std::vector<int> markedKeys() const;

    int hoverKeyItem() const { return hoverKeyItem_; }
    int selectKeyItem() const { return selectKeyItem_; }
    QPointF ptMouseDown() const { return ptMouseDown_; }
    QRectF frameSelect() const { return frameSelect_; }
    FrameSelectView* frameSelectView() const { return frameSelectView_; }

  protected:
    KeyView* makeKeyView(const KeyData& key) override;
    bool pictureLegends() const override { return false; }
    SelectKeyView* makeSelectKeyView(const KeyData& key) override;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    void mark(int index, bool on);
    void clearMarks();
    void hoverTo(int index);
    void dragTo(const QPointF& p);

    int hoverKeyItem_ = -1;
    int selectKeyItem_ = -1;
    QPointF ptMouseDown_;
    bool pressed_ = false;
    bool dragging_ = false;
    QRectF frameSelect_;
    QPointer<FrameSelectView> frameSelectView_;
};

}  // namespace korvex
