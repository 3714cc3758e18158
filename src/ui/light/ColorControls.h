#pragma once

// The colour controls both light pages carry: fourteen presets, the button
// that opens the picker, the swatch and the R/G/B fields. Names follow the
// page ("light_btn_color3", "userlight_edit_color_g", ...); the buttons post
// "colorButtonAction" with their tags (picker tag, presets picker tag + n).

#include <QColor>
#include <QObject>
#include <QPoint>
#include <QString>

#include <array>
#include <functional>

class QLineEdit;
class QWidget;

namespace korvex {

class ColorButton;

class ColorControls : public QObject {
    Q_OBJECT
  public:
    ColorControls(QWidget* page, const QString& prefix, int pickerTag, int firstFieldTag,
                  QPoint origin);

    ColorButton* button(int tag) const;  // the picker and the presets; null otherwise
    ColorButton* swatch() const { return swatch_; }
    QLineEdit* field(int channel) const { return fields_[static_cast<std::size_t>(channel)]; }
    int pickerTag() const { return pickerTag_; }

    // Swatch and fields show the colour; nothing else happens.
    void showColor(const QColor& color);
    // Fields, swatch, picker and presets together (the buttons keep
    // reporting clicks; their disabled flag tells the page to ignore them).
    void setEnabled(bool enable);
    // Accessible names of the fields and the swatch, in the current language.
    void relabel();
    // The colour of the given channel values, a 0 taking that channel's field.
    QColor colorFromFields(int r_value, int g_value, int b_value) const;

    // The user typed in a field: the edited channel's value and 0 for the
    // other two, after the field's rule was applied.
    std::function<void(int r_value, int g_value, int b_value)> typed;

  private:
    void edited(int channel);

    int pickerTag_;
    std::array<ColorButton*, 15> buttons_{};  // picker tag + i
    ColorButton* swatch_ = nullptr;
    std::array<QLineEdit*, 3> fields_{};
};

}  // namespace korvex
