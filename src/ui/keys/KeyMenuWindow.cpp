#include "ui/keys/KeyMenuWindow.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "ui/Controls.h"

namespace korvex {

namespace {

constexpr int kMenuWidth = 160;
constexpr int kMenuItemHeight = 30;
// Above the key, a little left of its centre, clear of the pointer.
constexpr int kToolTipLeftOfCentre = 20;
constexpr int kToolTipGap = 8;

Qt::WindowFlags floatingWindowFlags() {
    return Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
           Qt::WindowDoesNotAcceptFocus;
}

}  // namespace

KeyMenuWindow::KeyMenuWindow(std::function<QString(int)> text, QWidget* parent)
    : QWidget(parent, floatingWindowFlags()), text_(std::move(text)) {
    setObjectName(QStringLiteral("keyboardkey_menu"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(2);
    const std::array<std::pair<int, const char*>, 3> entries{{
        {menuid::kDefaultKey, "menuitem_defaultkey"},
        {menuid::kDisableKey, "menuitem_diablekey"},
        {menuid::kCustomKey, "menuitem_customkey"},
    }};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        auto* item = new MenuItem(entries[i].first, text_(entries[i].first), this);
        item->setObjectName(QString::fromLatin1(entries[i].second));
        item->setFixedHeight(kMenuItemHeight);
        column->addWidget(item);
        items_[i] = item;
    }
    setFixedWidth(kMenuWidth);
    adjustSize();
}

MenuItem* KeyMenuWindow::menuitem(int menuId) const {
    for (MenuItem* item : items_)
        if (item->curMenuID() == menuId) return item;
    return nullptr;
}

void KeyMenuWindow::showAt(const QPoint& topLeft) {
    // The language may have changed since the menu was last shown.
    for (MenuItem* item : items_) {
        item->textView()->setText(text_(item->curMenuID()));
        item->setHover(false);
    }
    hide();
    move(topLeft);
    show();
    raise();
}

void KeyMenuWindow::showEvent(QShowEvent* event) {
    // The menu never takes focus (typing must reach the window), so it
    // watches the whole application for the press or key that ends it.
    qApp->installEventFilter(this);
    QWidget::showEvent(event);
}

void KeyMenuWindow::hideEvent(QHideEvent* event) {
    qApp->removeEventFilter(this);
    QWidget::hideEvent(event);
}

bool KeyMenuWindow::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            // Not consumed: a press on another key or tile still acts.
            const QPoint at = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
            if (!frameGeometry().contains(at)) hide();
            break;
        }
        case QEvent::KeyPress: {
            // The menu never has the focus, so it takes its keys here: the
            // arrows move the highlight, Space and Enter choose, Escape closes.
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Escape) {
                hide();
                return true;
            }
            if (key == Qt::Key_Up || key == Qt::Key_Down) {
                moveHighlight(key == Qt::Key_Down ? 1 : -1);
                return true;
            }
            if (isPressKey(key) && highlighted() >= 0) {
                MenuItem* item = items_[static_cast<std::size_t>(highlighted())];
                pressLikePointer(item, QRectF(item->rect()).center());
                return true;
            }
            break;
        }
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

int KeyMenuWindow::highlighted() const {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i]->isHover()) return static_cast<int>(i);
    return -1;
}

void KeyMenuWindow::moveHighlight(int step) {
    const int count = static_cast<int>(items_.size());
    const int from = highlighted();
    const int to = from < 0 ? (step > 0 ? 0 : count - 1) : (from + step + count) % count;
    for (int i = 0; i < count; ++i) items_[static_cast<std::size_t>(i)]->setHover(i == to);
    QAccessibleEvent focus(items_[static_cast<std::size_t>(to)], QAccessible::Focus);
    QAccessible::updateAccessibility(&focus);
}

void KeyMenuWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgbF(0.318f, 0.318f, 0.318f, 0.8f));
}

KeyToolTipWindow::KeyToolTipWindow(QWidget* parent)
    : QWidget(parent, floatingWindowFlags()),
      keyDesc_(new QLabel(this)),
      keyMacro_(new QLabel(this)) {
    setObjectName(QStringLiteral("keyboard_tooltips"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_ShowWithoutActivating);
    keyDesc_->setObjectName(QStringLiteral("label_keydesc"));
    keyMacro_->setObjectName(QStringLiteral("label_keymacro"));
    keyDesc_->setStyleSheet(QStringLiteral("color: rgb(75, 165, 201);"));
    keyMacro_->setStyleSheet(QStringLiteral("color: white;"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 6, 10, 6);
    column->setSpacing(2);
    column->addWidget(keyDesc_);
    column->addWidget(keyMacro_);
}

void KeyToolTipWindow::showFor(const QString& keyDesc, const QString& keyMacro,
                               const QPoint& keyTop) {
    keyDesc_->setText(keyDesc);
    keyMacro_->setText(keyMacro);
    adjustSize();
    move(keyTop.x() - kToolTipLeftOfCentre, keyTop.y() - height() - kToolTipGap);
    show();
    raise();
}

void KeyToolTipWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(40, 40, 44, 235));
    painter.drawRoundedRect(rect(), 5, 5);
}

}  // namespace korvex
