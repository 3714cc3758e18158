#pragma once

// The lighting keyboards: the on-screen keyboard whose key areas show a
// colour of their own (the light page's preview; the user light editor
// builds on it), and the colourful preview painted from the key catalog.

#include <QColor>
#include <QMetaObject>

#include <functional>

#include "ui/keyboard/KeyboardView.h"

class QColorDialog;

namespace korvex {
class ItemListView;
}

namespace korvex {

// A key area filled with its own colour whatever its hover or selection,
// its legend in black or white, whichever reads on that colour.
class KeyColorView : public KeyView {
    Q_OBJECT
  public:
    KeyColorView(const KeyData& key, QWidget* parent);
    QColor fillColor() const override { return backgroundColor(); }
    QString legend() const { return legend_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString legend_;
};

// The light page's preview keyboard: shows colours, takes no pointer input.
class KeyboardLightView : public KeyboardView {
    Q_OBJECT
  public:
    explicit KeyboardLightView(QWidget* parent = nullptr);
    // Every key in one colour.
    void setAllKeyColors(const QColor& color);
    QColor keyColor(int layoutIndex) const;

  protected:
    KeyView* makeKeyView(const KeyData& key) override;
    bool pictureLegends() const override { return false; }
};

// Paints each key with the catalog's colour for its code, in key order; a
// key the catalog lacks ends the painting there.
void loadColorfulLight(KeyboardView& kb_ctrl);

// The light pages' lists: the selected row shows "icon_circle_h", every
// other row "icon_circle_n" (and "icon_circle_h" while hovered).
void markSelectedRow(ItemListView& list, int selectIndex);

// The one colour picker serves both light pages: opening it for a page makes
// that page's action the only one it calls.
void openColorPanel(QColorDialog* panel, const QColor& initial,
                    std::function<void(const QColor&)> action);

}  // namespace korvex
