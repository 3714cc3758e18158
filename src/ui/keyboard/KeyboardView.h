#pragma once

// The on-screen keyboard: the keyboard picture with one live key area under
// each transparent key hole (KeyView, its colour shows through) and one above
// it (SelectKeyView, the dashed check mark). The view does its own hit testing
// on the key rectangles, so the areas never take pointer events themselves;
// it talks to the pages only through notifications.

#include <QColor>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QWidget>

#include <vector>

namespace korvex {

// Colours of the key areas and the function panel.
namespace keycolors {
inline const QColor kHighlight(202, 81, 0);
inline const QColor kWhite(255, 255, 255);
inline const QColor kPanelGrey(80, 80, 80);
inline const QColor kBorderGrey(180, 180, 180);
inline const QColor kBorderHover(180, 81, 0);
inline const QColor kFrameGreen(0, 255, 0);
// The key under the pointer: a tint, so it never passes for an assigned key.
inline const QColor kHoverTint(250, 214, 188);
// The clicked key's outline, apart from the assignment orange.
inline const QColor kSelectOutline(75, 165, 201);
}  // namespace keycolors

// One key of an on-screen keyboard.
struct KeyData {
    int index = 0;  // layout index
    QRectF rect;    // view coordinates, origin top-left
    QPointer<QWidget> view;
    int keycode = 0;
    QString keyname;    // key name of the name map
    QString keyMacro;   // assignment text; the key's full name when it has none
    QString faceLabel;  // short assignment label on the key face; empty when none
};

// The 80 keys of this keyboard in layout order, with their full names as text.
std::vector<KeyData> keyboardKeyRecords();
// The full name of a key name, or the name itself for names the map lacks.
QString keyFullName(const QString& keyname);

// The key area below the picture.
class KeyView : public QWidget {
    Q_OBJECT
  public:
    explicit KeyView(const QRectF& rect, QWidget* parent = nullptr);

    QColor backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const QColor& color);
    bool isHover() const { return isHover_; }
    void setHover(bool on);
    bool isSelect() const { return isSelect_; }
    void setSelect(bool on);
    bool isMacro() const { return isMacro_; }
    void setMacro(bool on);

    // The colour the area is filled with in its present state.
    virtual QColor fillColor() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor backgroundColor_ = keycolors::kWhite;
    bool isHover_ = false;
    bool isSelect_ = false;
    bool isMacro_ = false;
};

// The key area above the picture: draws the dashed check mark.
class SelectKeyView : public QWidget {
    Q_OBJECT
  public:
    explicit SelectKeyView(const QRectF& rect, QWidget* parent = nullptr);

    bool keyCheck() const { return keyCheck_; }
    void setKeyCheck(bool on);
    bool keyHover() const { return keyHover_; }
    void setKeyHover(bool on);
    // Optional image shown while hovered or checked; none on the key pages.
    QWidget* imageView() const { return imageView_; }
    void setImageView(QWidget* image);
    bool initView() const { return true; }
    // The assignment's short label, drawn on the lower half of the cap.
    QString faceLabel() const { return faceLabel_; }
    void setFaceLabel(const QString& label);
    // The clicked key: outlined, whatever its fill.
    bool isSelected() const { return selected_; }
    void setSelected(bool on);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void updateImage();

    QString faceLabel_;
    bool selected_ = false;
    bool keyCheck_ = false;
    bool keyHover_ = false;
    QPointer<QWidget> imageView_;
};

// The rubber-band frame of the user light editor.
class FrameSelectView : public QWidget {
    Q_OBJECT
  public:
    explicit FrameSelectView(QWidget* parent = nullptr);
    // Small frames are a click, not a drag: they draw nothing.
    bool drawsFrame() const { return width() > 10 && height() > 10; }

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// A named picture drawn from its SVG at the widget's size, so it stays
// crisp and aligned at any device pixel ratio.
class KeyboardImageView : public QWidget {
    Q_OBJECT
  public:
    explicit KeyboardImageView(const QString& imageName, QWidget* parent = nullptr);
    QString imageName() const { return imageName_; }
    int tag() const { return 200; }
    // Off: the picture's legends are left out (the key areas draw their own).
    void setLegendsShown(bool shown);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString imageName_;
    QByteArray withoutLegends_;  // the picture's SVG less its legends; empty: as it is
};

// The resource path of a picture by name: the keyboard views' own artwork,
// else the window's image of that name.
QString keyboardImagePath(const QString& imageName);

class KeyboardView : public QWidget {
    Q_OBJECT
  public:
    explicit KeyboardView(QWidget* parent = nullptr);

    // Builds the key areas and the picture; replaces an earlier build.
    void initKeyboard(int type, const QString& kb_image, const std::vector<KeyData>& keyArray);
    // `faceLabel` is the short text shown on the cap of an assigned key.
    void setKeyMacro(int layoutIndex, const QString& text, bool macroState,
                     const QString& faceLabel = {});
    void resetKeyMacro();

    const std::vector<KeyData>& kbKeyArrayHover() const { return kbKeyArrayHover_; }
    const std::vector<KeyData>& kbKeyArraySelect() const { return kbKeyArraySelect_; }
    KeyView* keyView(int index) const;
    SelectKeyView* selectKeyView(int index) const;
    KeyboardImageView* kbImageView() const { return kbImageView_; }
    int keyboardType() const { return keyboardType_; }
    int hoverKeyItem() const { return hoverKeyItem_; }
    int selectKeyItem() const { return selectKeyItem_; }
    bool isEvent() const { return isEvent_; }
    bool bCreateImageView() const { return kbImageView_ != nullptr; }
    bool customMode() const { return customMode_; }
    void setCustomMode(bool on) { customMode_ = on; }

    // The first key, in list order, whose rectangle holds the point; -1 none.
    int keyIndexAt(const QPointF& point) const;
    // The key the keyboard focus is on (arrows move it, Space and Enter
    // press it as a click would); -1 before the view first had focus.
    int focusKeyItem() const { return focusKey_; }
    void setFocusKeyItem(int index);
    // The nearest key from `from` in an arrow key's direction; -1 none.
    int keyToward(int from, int arrowKey) const;

  protected:
    // The key area views; the light pages make their own kinds.
    virtual KeyView* makeKeyView(const KeyData& key);
    // Whether the picture prints the legends; views whose keys take any
    // colour draw them on the keys instead, in a colour that reads there.
    virtual bool pictureLegends() const { return true; }
    virtual SelectKeyView* makeSelectKeyView(const KeyData& key);

    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // Hover and tooltip for a pointer position; variants that handle the
    // mouse themselves call it from their own move handling.
    void pointerMoved(const QPointF& p);

  private:
    void removeKeys();
    void setHovered(int index, bool on);
    void postToolTip(int index);
    void postToolTipHidden();

    std::vector<KeyData> kbKeyArrayHover_;
    std::vector<KeyData> kbKeyArraySelect_;
    QPointer<KeyboardImageView> kbImageView_;
    int keyboardType_ = 0;
    int hoverKeyItem_ = -1;
    int selectKeyItem_ = -1;
    int focusKey_ = -1;
    QPointer<QWidget> focusMark_;
    bool isEvent_ = false;
    bool customMode_ = false;
};

}  // namespace korvex
