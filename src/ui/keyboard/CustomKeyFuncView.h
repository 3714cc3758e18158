#pragma once

// The function panel of the key page: a full-size keyboard of small tiles,
// each assigning one code. A tile posts "customKeyFuncAction" with
// {"key_code"} when a click on it ends; the page marks the tile of the
// current assignment.

#include <QPointer>
#include <QRectF>
#include <QString>
#include <QWidget>

#include <vector>

class QLabel;

namespace korvex {

// One tile of the function panel.
struct keyFunc {
    int index = 0;
    int key_code = 0;
    int type = 0;
    QRectF rect;  // view coordinates, origin top-left
    QPointer<QWidget> view;
    QString keyname;  // the label drawn on the tile
    QString standard_name;
    QString key_icon;  // image name; empty: the label is drawn
    QString key_color;
};

// The 111 tiles in panel order.
std::vector<keyFunc> functionPanelRecords();

class KeyFuncView : public QWidget {
    Q_OBJECT
  public:
    explicit KeyFuncView(const QRectF& rect, QWidget* parent = nullptr);
    // Builds the tile's contents once; later calls change nothing.
    void initView(const QString& icon, const QString& label, int keyCode);

    int key_code() const { return key_code_; }
    bool isHover() const { return isHover_; }
    bool isSelect() const { return isSelect_; }
    void setSelect(bool on);
    bool initFinish() const { return initFinish_; }
    QLabel* textView() const { return textView_; }
    QLabel* iconView() const { return iconView_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    int key_code_ = 0;
    bool isHover_ = false;
    bool isSelect_ = false;
    bool pressed_ = false;
    bool initFinish_ = false;
    QLabel* textView_ = nullptr;
    QLabel* iconView_ = nullptr;
};

class CustomKeyFuncView : public QWidget {
    Q_OBJECT
  public:
    explicit CustomKeyFuncView(QWidget* parent = nullptr);
    // Replaces the tiles with views for `keyArray`.
    void initUI(const std::vector<keyFunc>& keyArray);

    const std::vector<keyFunc>& customkey_array() const { return customkey_array_; }
    std::vector<KeyFuncView*> customkeyselect_array() const;
    KeyFuncView* tile(int index) const;

    // The page's marks: none, or every tile assigning `keyCode`.
    void clearSelection();
    void selectCode(int keyCode);
    // The one tile the Tab key stops at (the others are reached with the
    // arrows, so the panel is a single stop in the Tab order).
    void setTabTile(KeyFuncView* tile);
    // The nearest tile from `from` in an arrow key's direction; null none.
    KeyFuncView* tileToward(const KeyFuncView* from, int arrowKey) const;

  private:
    std::vector<keyFunc> customkey_array_;
};

}  // namespace korvex
