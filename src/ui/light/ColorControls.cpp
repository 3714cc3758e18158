#include "ui/light/ColorControls.h"

#include <QLabel>
#include <QLineEdit>

#include "ui/Accessibility.h"
#include "ui/Controls.h"
#include "ui/KeyboardViewController.h"
#include "ui/Theme.h"
#include "ui/light/LightModes.h"

namespace korvex {

using lightmodes::channelInput;
using lightmodes::kPresetCount;

ColorControls::ColorControls(QWidget* page, const QString& prefix, int pickerTag, int firstFieldTag,
                             QPoint origin)
    : QObject(page), pickerTag_(pickerTag) {
    const int x = origin.x(), y = origin.y();
    // Presets in two rows of seven, the picker and the swatch beside them.
    for (int n = 1; n <= kPresetCount; ++n) {
        auto* b = new ColorButton(page);
        b->setObjectName(QStringLiteral("%1_btn_color%2").arg(prefix).arg(n));
        b->setTag(pickerTag + n);
        b->setBtnColor(lightmodes::presetColor(n));
        b->setGeometry(x + ((n - 1) % 7) * 40, y + ((n - 1) / 7) * 40, 32, 32);
        buttons_[static_cast<std::size_t>(n)] = b;
    }
    auto* picker = new ColorButton(page);
    picker->setObjectName(QStringLiteral("%1_btn_colorpanel").arg(prefix));
    picker->setTag(pickerTag);
    picker->setBtnColor(QColor(128, 128, 128));
    picker->setGeometry(x + 280, y, 32, 72);
    buttons_[0] = picker;
    swatch_ = new ColorButton(page);
    swatch_->setObjectName(QStringLiteral("%1_btn_color").arg(prefix));
    swatch_->setBtnColor(Qt::white);  // what the fields start with
    swatch_->setGeometry(x + 328, y, 72, 72);
    swatch_->setFocusPolicy(Qt::NoFocus);  // it only shows the colour

    static const char* const kChannels[] = {"r", "g", "b"};
    for (int c = 0; c < 3; ++c) {
        auto* label = new QLabel(QString::fromLatin1(kChannels[c]).toUpper(), page);
        label->setGeometry(x + 416, y + c * 26, 16, 22);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, theme::kTextColour);
        label->setPalette(palette);
        auto* field = new QLineEdit(QStringLiteral("255"), page);
        field->setObjectName(
            QStringLiteral("%1_edit_color_%2").arg(prefix, QString::fromLatin1(kChannels[c])));
        field->setProperty("tag", firstFieldTag + c);
        field->setGeometry(x + 436, y + c * 26, 60, 22);
        // Only the user's typing applies a colour; the page's own updates do not.
        connect(field, &QLineEdit::textEdited, this, [this, c] { edited(c); });
        fields_[static_cast<std::size_t>(c)] = field;
    }
    relabel();
}

void ColorControls::relabel() {
    for (int c = 0; c < 3; ++c)
        fields_[static_cast<std::size_t>(c)]->setAccessibleName(
            KeyboardViewController::text(1568 + c));
    swatch_->setAccessibleName(
        KeyboardViewController::text(1586).arg(colourName(swatch_->btn_color())));
    swatch_->setAccessibleDescription(swatch_->btn_color().name());
}

ColorButton* ColorControls::button(int tag) const {
    const int i = tag - pickerTag_;
    return i >= 0 && i <= kPresetCount ? buttons_[static_cast<std::size_t>(i)] : nullptr;
}

void ColorControls::showColor(const QColor& color) {
    swatch_->setBtnColor(color);
    relabel();
    const int channels[] = {color.red(), color.green(), color.blue()};
    for (int c = 0; c < 3; ++c)
        fields_[static_cast<std::size_t>(c)]->setText(QString::number(channels[c]));
}

void ColorControls::setEnabled(bool enable) {
    for (QLineEdit* field : fields_) field->setEnabled(enable);
    swatch_->setDiasble(!enable);
    for (ColorButton* b : buttons_) b->setDiasble(!enable);
}

QColor ColorControls::colorFromFields(int r_value, int g_value, int b_value) const {
    auto channel = [this](int value, int c) {
        if (value != 0) return value;
        return channelInput(fields_[static_cast<std::size_t>(c)]->text()).value.value_or(0);
    };
    return QColor(channel(r_value, 0), channel(g_value, 1), channel(b_value, 2));
}

void ColorControls::edited(int channel) {
    QLineEdit* field = fields_[static_cast<std::size_t>(channel)];
    const lightmodes::ChannelInput input = channelInput(field->text());
    if (input.text != field->text()) field->setText(input.text);
    if (!input.value || !typed) return;
    int values[] = {0, 0, 0};
    values[channel] = *input.value;
    typed(values[0], values[1], values[2]);
}

}  // namespace korvex
