#include "ui/light/KeyboardLightView.h"

#include <QColorDialog>

#include "catalog/KeyCatalog.h"
#include "ui/Controls.h"

namespace korvex {

KeyboardLightView::KeyboardLightView(QWidget* parent) : KeyboardView(parent) {
    // A preview only: no hover, no tooltips, no clicks.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

KeyView* KeyboardLightView::makeKeyView(const KeyData& key) {
    auto* view = new KeyColorView(key.rect, this);
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
