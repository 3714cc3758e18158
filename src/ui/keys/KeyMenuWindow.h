#pragma once

// The key page's two small windows: the key menu (three menu items) and the
// key tooltip (the key's name and its assignment). Each is created on first
// use and afterwards only shown and hidden.

#include <QPoint>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>

class QLabel;

namespace korvex {

class MenuItem;

namespace menuid {
inline constexpr int kDefaultKey = 101;
inline constexpr int kDisableKey = 102;
inline constexpr int kCustomKey = 103;
}  // namespace menuid

class KeyMenuWindow : public QWidget {
    Q_OBJECT
  public:
    // `text` gives the current language's text of an id.
    KeyMenuWindow(std::function<QString(int)> text, QWidget* parent);
    // Sets the texts again and shows the menu with its top-left at `topLeft`.
    void showAt(const QPoint& topLeft);
    MenuItem* menuitem(int menuId) const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // While shown: a press anywhere else or Escape closes the menu; the
    // arrows, Space and Enter work it.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The row the arrows highlighted (or the pointer is over); -1 none.
    int highlighted() const;
    void moveHighlight(int step);

    std::function<QString(int)> text_;
    std::array<MenuItem*, 3> items_{};
};

class KeyToolTipWindow : public QWidget {
    Q_OBJECT
  public:
    explicit KeyToolTipWindow(QWidget* parent);
    // Shows the tooltip above a key: `keyTop` is the top centre of the key
    // in global coordinates.
    void showFor(const QString& keyDesc, const QString& keyMacro, const QPoint& keyTop);
    QLabel* label_keydesc() const { return keyDesc_; }
    QLabel* label_keymacro() const { return keyMacro_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QLabel* keyDesc_;
    QLabel* keyMacro_;
};

}  // namespace korvex
