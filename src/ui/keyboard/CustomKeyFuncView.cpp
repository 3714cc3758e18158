#include "ui/keyboard/CustomKeyFuncView.h"

#include <QFontMetrics>
#include <QKeyEvent>

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVariantMap>
#include <cmath>

#include "catalog/KeyLayout.h"
#include "ui/Controls.h"
#include "ui/NotificationCenter.h"
#include "ui/keyboard/KeyboardView.h"

namespace korvex {

namespace {

QString fromView(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

constexpr int kIconSize = 20;
constexpr int kLabelHeight = 16;
constexpr int kBorderWidth = 3;

}  // namespace

std::vector<keyFunc> functionPanelRecords() {
    std::vector<keyFunc> tiles;
    for (const FuncLayoutRecord& r : buildFunctionRecords()) {
        keyFunc f;
        f.index = r.index;
        f.key_code = r.key_code;
        f.rect = QRectF(r.viewRect.x, r.viewRect.y, r.viewRect.width, r.viewRect.height);
        f.keyname = fromView(r.label);
        f.standard_name = f.keyname;
        f.key_icon = fromView(r.icon);
        tiles.push_back(f);
    }
    return tiles;
}

// ------------------------------------------------------------- KeyFuncView

KeyFuncView::KeyFuncView(const QRectF& rect, QWidget* parent) : QWidget(parent) {
    setGeometry(rect.toAlignedRect());
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::ClickFocus);
}

void KeyFuncView::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    auto* panel = qobject_cast<CustomKeyFuncView*>(parentWidget());
    if (panel &&
        (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down)) {
        if (KeyFuncView* to = panel->tileToward(this, key)) {
            panel->setTabTile(to);
            to->setFocus(Qt::TabFocusReason);
        }
        return;
    }
    if (isPressKey(key) && !event->isAutoRepeat()) {
        pressLikePointer(this, QRectF(rect()).center());
        return;
    }
    QWidget::keyPressEvent(event);
}

void KeyFuncView::initView(const QString& icon, const QString& label, int keyCode) {
    if (initFinish_) return;
    initFinish_ = true;
    key_code_ = keyCode;
    if (!icon.isEmpty()) {
        iconView_ = new QLabel(this);
        iconView_->setAttribute(Qt::WA_TransparentForMouseEvents);
        iconView_->setGeometry((width() - kIconSize) / 2, (height() - kIconSize) / 2, kIconSize,
                               kIconSize);
        iconView_->setPixmap(QIcon(keyboardImagePath(icon)).pixmap(kIconSize, kIconSize));
    } else {
        textView_ = new QLabel(label, this);
        textView_->setAttribute(Qt::WA_TransparentForMouseEvents);
        textView_->setGeometry(0, (height() - kLabelHeight) / 2, width(), kLabelHeight);
        textView_->setAlignment(Qt::AlignCenter);
        // Narrow tiles take a smaller font rather than clipping their label
        // ("Scroll", "PgUp"); the border stays clear of the text.
        QFont font = textView_->font();
        const int room = width() - 2 * kBorderWidth - 2;
        for (int size = 9; size >= 6; --size) {
            font.setPixelSize(size);
            if (QFontMetrics(font).horizontalAdvance(label) <= room) break;
        }
        textView_->setFont(font);
        setToolTip(label);
        textView_->setStyleSheet(
            QStringLiteral("color: white; background: transparent; border: none;"));
    }
}

void KeyFuncView::setSelect(bool on) {
    isSelect_ = on;
    update();
}

void KeyFuncView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), isSelect_ ? keycolors::kHighlight : keycolors::kPanelGrey);
    QPen pen(isHover_ ? keycolors::kBorderHover : keycolors::kBorderGrey, kBorderWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    const qreal inset = kBorderWidth / 2.0;
    painter.drawRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset));
}

void KeyFuncView::enterEvent(QEnterEvent* event) {
    isHover_ = true;
    update();
    QWidget::enterEvent(event);
}

void KeyFuncView::leaveEvent(QEvent* event) {
    isHover_ = false;
    update();
    QWidget::leaveEvent(event);
}

void KeyFuncView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) pressed_ = true;
}

void KeyFuncView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_) return;
    pressed_ = false;
    // The release ends the click wherever the pointer is by then.
    QVariantMap info;
    info[QStringLiteral("key_code")] = key_code_;
    NotificationCenter::defaultCenter().post(notification::kCustomKeyFuncAction, info);
}

// ------------------------------------------------------- CustomKeyFuncView

CustomKeyFuncView::CustomKeyFuncView(QWidget* parent) : QWidget(parent) {
    setFixedSize(static_cast<int>(kFunctionPanelSize.width),
                 static_cast<int>(kFunctionPanelSize.height));
}

void CustomKeyFuncView::initUI(const std::vector<keyFunc>& keyArray) {
    for (keyFunc& f : customkey_array_) delete f.view.data();
    customkey_array_ = keyArray;
    for (keyFunc& f : customkey_array_) {
        auto* view = new KeyFuncView(f.rect, this);
        view->initView(f.key_icon, f.keyname, f.key_code);
        view->show();
        f.view = view;
    }
    if (KeyFuncView* first = tile(0)) setTabTile(first);
}

void CustomKeyFuncView::setTabTile(KeyFuncView* tile) {
    for (KeyFuncView* t : customkeyselect_array())
        t->setFocusPolicy(t == tile ? Qt::StrongFocus : Qt::ClickFocus);
}

KeyFuncView* CustomKeyFuncView::tileToward(const KeyFuncView* from, int arrowKey) const {
    if (!from) return nullptr;
    const QPointF at = QRectF(from->geometry()).center();
    const bool across = arrowKey == Qt::Key_Left || arrowKey == Qt::Key_Right;
    const double sign = (arrowKey == Qt::Key_Right || arrowKey == Qt::Key_Down) ? 1 : -1;
    KeyFuncView* best = nullptr;
    double bestScore = 0;
    for (KeyFuncView* t : customkeyselect_array()) {
        const QRectF r(t->geometry());
        const QPointF d = r.center() - at;
        const double ahead = sign * (across ? d.x() : d.y());
        const double aside = std::abs(across ? d.y() : d.x());
        if (ahead < 1 || (across && aside > r.height() / 2)) continue;
        const double score = across ? ahead : ahead * 4 + aside;
        if (!best || score < bestScore) {
            best = t;
            bestScore = score;
        }
    }
    return best;
}

KeyFuncView* CustomKeyFuncView::tile(int index) const {
    if (index < 0 || index >= static_cast<int>(customkey_array_.size())) return nullptr;
    return static_cast<KeyFuncView*>(customkey_array_[static_cast<std::size_t>(index)].view.data());
}

std::vector<KeyFuncView*> CustomKeyFuncView::customkeyselect_array() const {
    std::vector<KeyFuncView*> tiles;
    for (int i = 0; i < static_cast<int>(customkey_array_.size()); ++i)
        if (KeyFuncView* t = tile(i)) tiles.push_back(t);
    return tiles;
}

void CustomKeyFuncView::clearSelection() {
    for (KeyFuncView* t : customkeyselect_array()) t->setSelect(false);
}

void CustomKeyFuncView::selectCode(int keyCode) {
    for (KeyFuncView* t : customkeyselect_array())
        if (t->key_code() == keyCode) t->setSelect(true);
}

}  // namespace korvex
