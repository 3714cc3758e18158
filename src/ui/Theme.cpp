#include "ui/Theme.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>

#include "ui/Controls.h"

namespace korvex::theme {

void setCaption(QWidget* control, const QString& caption) {
    if (auto* b = qobject_cast<SelectButton*>(control))
        b->setTitle(caption);
    else if (auto* t = qobject_cast<TextButton*>(control))
        t->setTitle(caption);
    else if (auto* a = qobject_cast<QAbstractButton*>(control))
        a->setText(caption);
    else if (auto* l = qobject_cast<QLabel*>(control))
        l->setText(caption);
    else if (auto* e = qobject_cast<QLineEdit*>(control))
        e->setText(caption);
    else if (auto* r = qobject_cast<TableItemView*>(control))
        r->setText(caption);
}

QString caption(const QWidget* control) {
    if (auto* b = qobject_cast<const SelectButton*>(control)) return b->title();
    if (auto* t = qobject_cast<const TextButton*>(control)) return t->title();
    if (auto* a = qobject_cast<const QAbstractButton*>(control)) return a->text();
    if (auto* l = qobject_cast<const QLabel*>(control)) return l->text();
    if (auto* e = qobject_cast<const QLineEdit*>(control)) return e->text();
    if (auto* r = qobject_cast<const TableItemView*>(control)) return r->text();
    return {};
}

QLabel* textLabel(QWidget* parent, const QString& objectName, const QRect& where) {
    auto* label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setGeometry(where);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, kTextColour);
    label->setPalette(palette);
    return label;
}

}  // namespace korvex::theme
