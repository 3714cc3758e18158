#pragma once

#include <QColor>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScrollArea>
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

class QVBoxLayout;

namespace korvex {

// The interface's highlight colour; every custom button starts with it.
inline const QColor kAccentColor(202, 81, 0);

// A left click at `local` as the pointer would make it (move, press,
// release), so a control's own handling and the pages' check of who posted
// run unchanged when the keyboard or a screen reader presses it.
void pressLikePointer(QWidget* w, const QPointF& local);
// Space, Enter and Return: the keys that press a focused control.
bool isPressKey(int key);

// Shared behaviour of the home-made buttons: hover and press tracking, a
// disabled look that still reports clicks (the handler decides whether to
// act), and one notification posted with the button's tag on release. The
// release posts even when the pointer has left the button meanwhile.
class CustomButton : public QWidget {
    Q_OBJECT
  public:
    explicit CustomButton(QWidget* parent = nullptr);

    QColor btn_color() const { return btnColor_; }
    void setBtnColor(const QColor& color);
    bool isHover() const { return hover_; }
    bool isDown() const { return down_; }
    bool isDiasble() const { return disabled_; }
    void setDiasble(bool disabled);
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

  protected:
    virtual QString notificationName() const = 0;
    virtual void stateChanged() {}
    // Fill colour for the current state: alpha 0.9 pressed, 0.5 disabled.
    QColor fillColor() const;

    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QColor btnColor_ = kAccentColor;
    bool hover_ = false;
    bool down_ = false;
    bool disabled_ = false;
    int tag_ = 0;
};

// A swatch or coloured push button; posts "colorButtonAction".
class ColorButton : public CustomButton {
    Q_OBJECT
  public:
    using CustomButton::CustomButton;
    // Border colour for the current state (3 px wide).
    QColor borderColor() const;

  protected:
    QString notificationName() const override;
    void paintEvent(QPaintEvent* event) override;
};

// A filled push button with a centred white caption; posts "selectButtonAction".
class SelectButton : public CustomButton {
    Q_OBJECT
  public:
    explicit SelectButton(QWidget* parent = nullptr);
    QLabel* textView() const { return textView_; }
    void setTitle(const QString& title) { textView_->setText(title); }
    QString title() const { return textView_->text(); }

  protected:
    QString notificationName() const override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QLabel* textView_;
};

// A caption acting as a link, drawn in btn_color (alpha 0.9 while hovered);
// posts "textButtonAction".
class TextButton : public CustomButton {
    Q_OBJECT
  public:
    explicit TextButton(QWidget* parent = nullptr);
    QLabel* textView() const { return textView_; }
    void setTitle(const QString& title) { textView_->setText(title); }
    QString title() const { return textView_->text(); }
    QColor captionColor() const;

  protected:
    QString notificationName() const override;
    void stateChanged() override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QLabel* textView_;
};

// One row of the key pop-up menu; posts "MenuItemMouseUpAction" with
// {"menuid": curMenuID} on release.
class MenuItem : public QWidget {
    Q_OBJECT
  public:
    explicit MenuItem(int menuId, const QString& title, QWidget* parent = nullptr);
    bool isHover() const { return hover_; }
    bool isTrackingArea() const { return true; }
    int curMenuID() const { return menuId_; }
    QLabel* textView() const { return textView_; }
    void setHover(bool on);
    QColor bkg_color() const { return bkgColor_; }
    void setBkgColor(const QColor& color);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    int menuId_;
    bool hover_ = false;
    bool pressed_ = false;
    QColor bkgColor_{60, 60, 60};
    QLabel* textView_;
};

// A list row: accent background while selected or hovered, white caption.
// Rows post nothing themselves; the list they live in turns a click into a
// selection change.
class TableItemView : public QWidget {
    Q_OBJECT
  public:
    explicit TableItemView(const QString& text = {}, QWidget* parent = nullptr);
    bool isSelect() const { return select_; }
    void setSelect(bool select);
    bool isHover() const { return hover_; }
    QLabel* textView() const { return textView_; }
    // The full text; the row shows it elided when it is too long, with the
    // full text as tooltip.
    void setText(const QString& text);
    QString text() const { return fullText_; }
    bool initFinish() const { return true; }
    // True when the row is drawn with the accent background.
    bool hasAccentBackground() const { return select_ || hover_; }

  signals:
    void clicked();

  protected:
    virtual void hoverChanged() {}
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void showElided();

    bool select_ = false;
    bool hover_ = false;
    QString fullText_;
    QLabel* textView_;
};

// A row with an icon and a name the user can edit in place (double click).
// Finishing the edit posts "keyTableItemViewEdit" with {"index", "text"};
// Escape cancels and posts nothing.
class KeyTableItemView : public TableItemView {
    Q_OBJECT
  public:
    explicit KeyTableItemView(const QString& text = {}, QWidget* parent = nullptr);
    // Resource names of the icons (":/images/<name>.svg"); empty for none.
    void setIcons(const QString& normalIcon, const QString& hoverIcon);
    QString normal_icon() const { return normalIcon_; }
    QString hover_icon() const { return hoverIcon_; }
    QLabel* iconView() const { return iconView_; }
    QString shownIcon() const { return shownIcon_; }
    int tableViewIndex() const { return index_; }
    void setTableViewIndex(int index) { index_ = index; }

    void beginEdit();
    // Ends an edit in progress as Escape does (nothing posted).
    void cancelEdit() { finishEdit(false); }
    bool isEditing() const { return editor_ != nullptr; }
    // A press on the row's icon (a pencil) selects the row and starts the edit.
    void setIconStartsEdit(bool on) { iconStartsEdit_ = on; }
    QLineEdit* editor() const { return editor_; }

  protected:
    void hoverChanged() override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void finishEdit(bool commit);
    void showIcon(const QString& name);

    QString normalIcon_;
    QString hoverIcon_;
    QString shownIcon_;
    QLabel* iconView_;
    QPointer<QLineEdit> editor_;
    int index_ = 0;
    bool iconStartsEdit_ = false;
};

class LightTableItemView : public KeyTableItemView {
    Q_OBJECT
  public:
    using KeyTableItemView::KeyTableItemView;
};

class UserLightItemView : public KeyTableItemView {
    Q_OBJECT
  public:
    using KeyTableItemView::KeyTableItemView;
};

// A vertical list of rows with one selected row (-1 none). Every change of
// the selection, by a click or by the program, emits selectionChanged, so
// the page's selection handling runs the same way in both cases.
class ItemListView : public QScrollArea {
    Q_OBJECT
  public:
    explicit ItemListView(QWidget* parent = nullptr);
    void addRow(TableItemView* row);
    // Takes one row out; the others stay as they are.
    void removeRow(int index);
    void clear();
    // No row selected and `count` rows: the first ones kept as they are,
    // surplus ones removed, missing ones made by `make`. Reusing row
    // widgets keeps a reload of a long list within a frame.
    void keepRows(int count, const std::function<TableItemView*()>& make);
    int rowCount() const { return static_cast<int>(rows_.size()); }
    TableItemView* row(int index) const;
    int selectedRow() const { return selected_; }
    void setSelectedRow(int index);

    static constexpr int kRowHeight = 30;

  signals:
    void selectionChanged(int index);

  protected:
    // Up/Down, Home/End choose a row; F2 renames the chosen row in place.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QWidget* content_;
    QVBoxLayout* layout_;
    std::vector<TableItemView*> rows_;
    int selected_ = -1;
};

// A plain panel filled with one colour.
class AreaView : public QWidget {
    Q_OBJECT
  public:
    explicit AreaView(const QColor& color = {}, QWidget* parent = nullptr);
    QColor background_color() const { return color_; }
    void setBackgroundColor(const QColor& color);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor color_;
};

// A panel that moves its window when dragged: the main window has no title
// bar, so its background is the handle.
class DragView : public AreaView {
    Q_OBJECT
  public:
    using AreaView::AreaView;

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    bool manualDrag_ = false;
    QPoint dragOffset_;
};

}  // namespace korvex
