#include "ui/keys/KeyMenuWindow.h"

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
    for (MenuItem* item : items_) item->textView()->setText(text_(item->curMenuID()));
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
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
                hide();
                return true;
            }
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
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
