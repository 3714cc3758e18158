#include "ui/Theme.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QFocusFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPalette>
#include <QPointer>
#include <QRect>

#include <cmath>

#include "ui/Controls.h"

namespace korvex::theme {

namespace {

QString rgb(const QColor& c) {
    return QStringLiteral("rgb(%1, %2, %3)").arg(c.red()).arg(c.green()).arg(c.blue());
}

double linear(double channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

// Follows the focus widget; QFocusFrame keeps it on the widget's parent,
// over the widget, through moves and resizes. It is always a child of some
// window's widgets, so it goes with them.
class FocusRing : public QFocusFrame {
  public:
    explicit FocusRing(QWidget* parent) : QFocusFrame(parent) {
        setObjectName(QStringLiteral("focus_ring"));
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(kAccentColor.lighter(130), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 3, 3);
    }
};

QPointer<FocusRing> g_ring;

void followFocus(QWidget* now) {
    // Fields draw their own accent border; windows have no parent to draw on.
    const bool ringed = now && !now->isWindow() && now->parentWidget() &&
                        !qobject_cast<QLineEdit*>(now) && !qobject_cast<QAbstractSpinBox*>(now);
    if (!ringed) {
        if (g_ring) {
            g_ring->setWidget(nullptr);
            g_ring->hide();
        }
        return;
    }
    if (!g_ring) g_ring = new FocusRing(now->parentWidget());
    g_ring->setWidget(now);
    g_ring->show();
    g_ring->raise();
}

}  // namespace

void installFocusRing() {
    static bool installed = false;
    if (installed || !qApp) return;
    installed = true;
    QObject::connect(qApp, &QApplication::focusChanged, qApp,
                     [](QWidget*, QWidget* now) { followFocus(now); });
}

void applyTheme(QApplication& app) {
    // Fusion draws every control from the palette; the platform's own style
    // would keep some of them light.
    QApplication::setStyle(QStringLiteral("Fusion"));
    QPalette p;
    const QColor accent(202, 81, 0);
    p.setColor(QPalette::Window, kWindowColour);
    p.setColor(QPalette::WindowText, kTextColour);
    p.setColor(QPalette::Base, kFieldColour);
    p.setColor(QPalette::AlternateBase, kPageColour);
    p.setColor(QPalette::ToolTipBase, kButtonColour);
    p.setColor(QPalette::ToolTipText, kTextColour);
    p.setColor(QPalette::PlaceholderText, kMutedTextColour);
    p.setColor(QPalette::Text, kTextColour);
    p.setColor(QPalette::Button, kButtonColour);
    p.setColor(QPalette::ButtonText, kTextColour);
    p.setColor(QPalette::BrightText, Qt::white);
    p.setColor(QPalette::Light, kFrameColour);
    p.setColor(QPalette::Midlight, kButtonColour.lighter(115));
    p.setColor(QPalette::Mid, kFieldColour);
    p.setColor(QPalette::Dark, kTitleColour);
    p.setColor(QPalette::Shadow, Qt::black);
    p.setColor(QPalette::Highlight, accent);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, accent.lighter(140));
    p.setColor(QPalette::LinkVisited, accent.lighter(120));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, kMutedTextColour);
    p.setColor(QPalette::Disabled, QPalette::Button, kFieldColour);
    p.setColor(QPalette::Disabled, QPalette::Base, kWindowColour);
    p.setColor(QPalette::Disabled, QPalette::Highlight, kFrameColour);
    QApplication::setPalette(p);
    app.setStyleSheet(styleSheet());
}

QString styleSheet() {
    // Only what the palette cannot say: frames, the accent on focus and
    // hover, the tooltip. Text colours stay with the palette, so controls
    // that set their own keep them.
    const QString accent = QStringLiteral("rgb(202, 81, 0)");
    return QStringLiteral(
               "QToolTip { color: %1; background: %2; border: 1px solid %3; padding: 3px; }"
               "QPushButton { background: %2; border: 1px solid %3; border-radius: 3px;"
               " padding: 4px 12px; min-height: 18px; }"
               "QPushButton:hover, QPushButton:default { border-color: %4; }"
               "QPushButton:pressed { background: %5; }"
               "QPushButton:disabled { color: %6; border-color: %2; }"
               "QLineEdit, QAbstractSpinBox, QComboBox { border: 1px solid %3;"
               " border-radius: 3px; padding: 2px 4px; background: %5; }"
               "QLineEdit:focus, QAbstractSpinBox:focus, QComboBox:focus,"
               " QComboBox:on { border-color: %4; }"
               "QComboBox::drop-down { border: none; width: 18px; }"
               "QComboBox QAbstractItemView { background: %5; border: 1px solid %3;"
               " selection-background-color: %4; }"
               "QScrollBar:vertical { background: %7; width: 10px; margin: 0; }"
               "QScrollBar:horizontal { background: %7; height: 10px; margin: 0; }"
               "QScrollBar::handle { background: %3; border-radius: 4px; min-height: 24px;"
               " min-width: 24px; margin: 1px; }"
               "QScrollBar::handle:hover { background: %8; }"
               "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; }"
               "QScrollBar::add-page, QScrollBar::sub-page { background: none; }")
        .arg(rgb(kTextColour), rgb(kButtonColour), rgb(kFrameColour), accent, rgb(kFieldColour),
             rgb(kMutedTextColour), rgb(kTitleColour), rgb(kMutedTextColour));
}

QColor legendColourOn(const QColor& background) {
    // Relative luminance; at about 0.18 black and white contrast equally.
    const double l = 0.2126 * linear(background.redF()) + 0.7152 * linear(background.greenF()) +
                     0.0722 * linear(background.blueF());
    return l > 0.179 ? QColor(Qt::black) : QColor(Qt::white);
}

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

QLabel* pageLabel(QWidget* page, const QString& name, const QRect& geometry) {
    auto* label = new QLabel(page);
    label->setObjectName(name);
    label->setGeometry(geometry);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, kTextColour);
    label->setPalette(palette);
    return label;
}

}  // namespace korvex::theme
