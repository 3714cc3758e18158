#include "ui/light/KeyboardLightView.h"

#include <QColorDialog>
#include <QPainter>

#include "catalog/KeyCatalog.h"
#include "ui/Controls.h"
#include "ui/Theme.h"

namespace korvex {

KeyColorView::KeyColorView(const KeyData& key, QWidget* parent) : KeyView(key.rect, parent) {
    const std::string_view legend = keyLegend(key.keyname.toStdString());
    legend_ = QString::fromUtf8(legend.data(), static_cast<qsizetype>(legend.size()));
}

void KeyColorView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), fillColor());
    // Where the keyboard picture prints its legends, in its size.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(8);
    painter.setFont(font);
    painter.setPen(theme::legendColourOn(fillColor()));
    painter.drawText(QPointF(4, 10), legend_);
}

KeyboardLightView::KeyboardLightView(QWidget* parent) : KeyboardView(parent) {
    // A preview only: no hover, no tooltips, no clicks.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

KeyView* KeyboardLightView::makeKeyView(const KeyData& key) {
    auto* view = new KeyColorView(key, this);
    view->setBackgroundColor(Qt::black);
    return view;
}

void KeyboardLightView::setAllKeyColors(const QColor& color) {
    for (const KeyData& k : kbKeyArrayHover())
        if (KeyView* view = keyView(k.index)) view->setBackgroundColor(color);
}

QColor KeyboardLightView::keyColor(int layoutIndex) const {
    const KeyView* view = keyView(layoutIndex);
    return view ? view->backgroundColor() : QColor();
}

void loadColorfulLight(KeyboardView& kb_ctrl) {
    for (const KeyData& k : kb_ctrl.kbKeyArrayHover()) {
        const KeyInfo* info = findKeyByCode(k.keycode);
        if (!info) return;
        if (KeyView* view = kb_ctrl.keyView(k.index))
            view->setBackgroundColor(QColor(info->rgb_r, info->rgb_g, info->rgb_b));
    }
}

void markSelectedRow(ItemListView& list, int selectIndex) {
    const QString normal = QStringLiteral("icon_circle_n"),
                  marked = QStringLiteral("icon_circle_h");
    for (int row = 0; row < list.rowCount(); ++row)
        if (auto* item = qobject_cast<KeyTableItemView*>(list.row(row)))
            item->setIcons(row == selectIndex ? marked : normal, marked);
}

void openColorPanel(QColorDialog* panel, const QColor& initial,
                    std::function<void(const QColor&)> action) {
    static QMetaObject::Connection current;
    QObject::disconnect(current);
    // Set before connecting: the initial colour is not a choice of the user.
    panel->setCurrentColor(initial);
    current = QObject::connect(panel, &QColorDialog::currentColorChanged, panel,
                               [action = std::move(action)](const QColor& c) { action(c); });
    panel->show();
    panel->raise();
}

}  // namespace korvex
