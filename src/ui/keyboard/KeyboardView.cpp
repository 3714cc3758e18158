#include "ui/keyboard/KeyboardView.h"

#include <QAccessible>
#include <QEnterEvent>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QVariantMap>
#include <cmath>

#include "catalog/KeyCatalog.h"
#include "catalog/KeyLayout.h"
#include "ui/Controls.h"
#include "ui/Images.h"
#include "ui/KeyboardViewController.h"
#include "ui/NotificationCenter.h"

// The keyboard artwork is a resource of this static library; register it
// explicitly so the linker cannot drop it.
static void registerKeyboardArtwork() {
    Q_INIT_RESOURCE(keyboard_art);
}

namespace korvex {

namespace {

QString fromView(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QRect widgetRect(const QRectF& r) {
    // Layout rectangles are whole points; rounding only guards against
    // representation noise.
    return r.toAlignedRect();
}

// A dashed pen whose dash lengths are in points (Qt counts them in pen widths).
QPen dashedPen(const QColor& color, qreal width, qreal on, qreal off) {
    QPen pen(color, width);
    pen.setDashPattern({on / width, off / width});
    return pen;
}

// Half-open, like the layout's own hit test: a shared edge belongs to one key.
bool holds(const QRectF& r, const QPointF& p) {
    return p.x() >= r.left() && p.x() < r.right() && p.y() >= r.top() && p.y() < r.bottom();
}

void strokeBounds(QWidget* w, const QPen& pen) {
    QPainter painter(w);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const qreal inset = pen.widthF() / 2;
    painter.drawRect(QRectF(w->rect()).adjusted(inset, inset, -inset, -inset));
}

}  // namespace

QString keyFullName(const QString& keyname) {
    const std::optional<std::string_view> label = labelOfName(keyname.toStdString());
    return label ? fromView(*label) : keyname;
}

std::vector<KeyData> keyboardKeyRecords() {
    std::vector<KeyData> keys;
    for (const KeyLayoutRecord& r : buildKeyRecords()) {
        KeyData k;
        k.index = r.index;
        k.rect = QRectF(r.viewRect.x, r.viewRect.y, r.viewRect.width, r.viewRect.height);
        k.keycode = r.keycode;
        k.keyname = fromView(r.keyname);
        k.keyMacro = keyFullName(k.keyname);
        keys.push_back(k);
    }
    return keys;
}

QString keyboardImagePath(const QString& imageName) {
    static const bool registered = (registerKeyboardArtwork(), true);
    (void)registered;
    // The keyboard views' own artwork first, then the window's images.
    const QString own = QStringLiteral(":/keyboard/%1.svg").arg(imageName);
    return QFile::exists(own) ? own : imagePath(imageName);
}

// ---------------------------------------------------------------- KeyView

KeyView::KeyView(const QRectF& rect, QWidget* parent) : QWidget(parent) {
    setGeometry(widgetRect(rect));
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void KeyView::setBackgroundColor(const QColor& color) {
    backgroundColor_ = color;
    update();
}

void KeyView::setHover(bool on) {
    isHover_ = on;
    update();
}

void KeyView::setSelect(bool on) {
    isSelect_ = on;
    update();
}

void KeyView::setMacro(bool on) {
    isMacro_ = on;
    update();
}

QColor KeyView::fillColor() const {
    // Orange means "does something else"; the selected key is outlined
    // above the picture instead, so the two never look alike.
    if (isMacro_) return keycolors::kHighlight;
    return isHover_ ? keycolors::kHoverTint : keycolors::kWhite;
}

void KeyView::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), fillColor());
}

// ----------------------------------------------------------- SelectKeyView

SelectKeyView::SelectKeyView(const QRectF& rect, QWidget* parent) : QWidget(parent) {
    setGeometry(widgetRect(rect));
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SelectKeyView::setKeyCheck(bool on) {
    keyCheck_ = on;
    updateImage();
    update();
}

void SelectKeyView::setKeyHover(bool on) {
    keyHover_ = on;
    updateImage();
}

void SelectKeyView::setImageView(QWidget* image) {
    imageView_ = image;
    updateImage();
}

void SelectKeyView::updateImage() {
    if (imageView_) imageView_->setVisible(keyHover_ || keyCheck_);
}

void SelectKeyView::setFaceLabel(const QString& label) {
    faceLabel_ = label;
    update();
}

void SelectKeyView::setSelected(bool on) {
    selected_ = on;
    update();
}

void SelectKeyView::paintEvent(QPaintEvent*) {
    if (!faceLabel_.isEmpty()) {
        QPainter painter(this);
        painter.setRenderHint(QPainter::TextAntialiasing);
        QFont font = painter.font();
        font.setPixelSize(9);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(keycolors::kWhite);
        // The picture's own legend sits top-left; the lower half is ours.
        const QRectF area = QRectF(rect()).adjusted(2, height() / 2.0 - 2, -2, -1);
        const QString shown =
            QFontMetrics(font).elidedText(faceLabel_, Qt::ElideRight, int(area.width()));
        painter.drawText(area, Qt::AlignHCenter | Qt::AlignVCenter, shown);
    }
    if (selected_) strokeBounds(this, QPen(keycolors::kSelectOutline, 2));
    if (keyCheck_) strokeBounds(this, dashedPen(keycolors::kHighlight, 2, 3, 1));
}

// --------------------------------------------------------- FrameSelectView

FrameSelectView::FrameSelectView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void FrameSelectView::paintEvent(QPaintEvent*) {
    if (drawsFrame()) strokeBounds(this, dashedPen(keycolors::kFrameGreen, 5, 3, 1));
}

// ------------------------------------------------------- KeyboardImageView

KeyboardImageView::KeyboardImageView(const QString& imageName, QWidget* parent)
    : QWidget(parent), imageName_(imageName) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void KeyboardImageView::setLegendsShown(bool shown) {
    withoutLegends_.clear();
    if (!shown) {
        QFile file(keyboardImagePath(imageName_));
        if (file.open(QIODevice::ReadOnly)) {
            const QString svg = QString::fromUtf8(file.readAll());
            static const QRegularExpression legends(
                QStringLiteral("<g id=\"legends\"[^>]*>.*?</g>"),
                QRegularExpression::DotMatchesEverythingOption);
            withoutLegends_ = QString(svg).remove(legends).toUtf8();
        }
    }
    update();
}

void KeyboardImageView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0,
                       drawnSvg(keyboardImagePath(imageName_), size(), devicePixelRatioF(), false,
                                withoutLegends_));
}

// ------------------------------------------------------------ KeyboardView

KeyboardView::KeyboardView(QWidget* parent) : QWidget(parent) {
    setFixedSize(static_cast<int>(kKeyboardViewSize.width),
                 static_cast<int>(kKeyboardViewSize.height));
    // Moves arrive with and without a button held.
    setMouseTracking(true);
    // One stop in the Tab order; the arrows move between the keys.
    setFocusPolicy(Qt::StrongFocus);
}

KeyView* KeyboardView::makeKeyView(const KeyData& key) {
    return new KeyView(key.rect, this);
}

SelectKeyView* KeyboardView::makeSelectKeyView(const KeyData& key) {
    return new SelectKeyView(key.rect, this);
}

namespace {

// The ring round the key the keyboard focus is on, above the picture.
class KeyFocusMark : public QWidget {
  public:
    explicit KeyFocusMark(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(keycolors::kHighlight.lighter(130), 3));
        painter.drawRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), 4, 4);
    }
};

}  // namespace

void KeyboardView::removeKeys() {
    for (auto* list : {&kbKeyArrayHover_, &kbKeyArraySelect_})
        for (KeyData& k : *list) delete k.view.data();
    delete kbImageView_.data();
    kbKeyArrayHover_.clear();
    kbKeyArraySelect_.clear();
    hoverKeyItem_ = selectKeyItem_ = focusKey_ = -1;
    if (focusMark_) focusMark_->hide();
}

void KeyboardView::initKeyboard(int type, const QString& kb_image,
                                const std::vector<KeyData>& keyArray) {
    removeKeys();
    kbKeyArrayHover_ = keyArray;
    kbKeyArraySelect_ = keyArray;
    keyboardType_ = type;
    isEvent_ = true;
    // Stacking follows creation: key colours, then the picture, then the marks.
    for (KeyData& k : kbKeyArrayHover_) {
        k.view = makeKeyView(k);
        k.view->show();
    }
    kbImageView_ = new KeyboardImageView(kb_image, this);
    kbImageView_->setGeometry(rect());
    if (!pictureLegends()) kbImageView_->setLegendsShown(false);
    kbImageView_->show();
    for (KeyData& k : kbKeyArraySelect_) {
        k.view = makeSelectKeyView(k);
        k.view->show();
    }
}

KeyView* KeyboardView::keyView(int index) const {
    if (index < 0 || index >= static_cast<int>(kbKeyArrayHover_.size())) return nullptr;
    return static_cast<KeyView*>(kbKeyArrayHover_[static_cast<std::size_t>(index)].view.data());
}

SelectKeyView* KeyboardView::selectKeyView(int index) const {
    if (index < 0 || index >= static_cast<int>(kbKeyArraySelect_.size())) return nullptr;
    return static_cast<SelectKeyView*>(
        kbKeyArraySelect_[static_cast<std::size_t>(index)].view.data());
}

void KeyboardView::setKeyMacro(int layoutIndex, const QString& text, bool macroState,
                               const QString& faceLabel) {
    // Stored rows may name keys this keyboard lacks; they have no place here.
    KeyView* view = keyView(layoutIndex);
    if (!view) return;
    KeyData& k = kbKeyArraySelect_[static_cast<std::size_t>(layoutIndex)];
    k.keyMacro = text;
    k.faceLabel = macroState ? faceLabel : QString();
    view->setMacro(macroState);
    if (SelectKeyView* mark = selectKeyView(layoutIndex)) mark->setFaceLabel(k.faceLabel);
}

void KeyboardView::resetKeyMacro() {
    for (std::size_t i = 0; i < kbKeyArraySelect_.size(); ++i) {
        kbKeyArraySelect_[i].keyMacro = keyFullName(kbKeyArraySelect_[i].keyname);
        kbKeyArraySelect_[i].faceLabel.clear();
        if (KeyView* view = keyView(static_cast<int>(i))) view->setMacro(false);
        if (SelectKeyView* mark = selectKeyView(static_cast<int>(i))) mark->setFaceLabel({});
    }
}

int KeyboardView::keyIndexAt(const QPointF& point) const {
    for (const KeyData& k : kbKeyArrayHover_)
        if (holds(k.rect, point)) return k.index;
    return -1;
}

void KeyboardView::setHovered(int index, bool on) {
    if (KeyView* view = keyView(index)) view->setHover(on);
    if (SelectKeyView* mark = selectKeyView(index)) {
        // A checked key keeps its image when the pointer moves on.
        if (on || !mark->keyCheck()) mark->setKeyHover(on);
    }
}

void KeyboardView::postToolTip(int index) {
    const KeyData& k = kbKeyArraySelect_[static_cast<std::size_t>(index)];
    QVariantMap info;
    info[QStringLiteral("show")] = 1;
    info[QStringLiteral("keyDesc")] = k.keyname;
    info[QStringLiteral("keyMacro")] = k.keyMacro;
    // The top centre of the key, in the coordinates of the view holding us.
    const QPointF top(k.rect.x() + k.rect.width() / 2, k.rect.y());
    info[QStringLiteral("keyPoint")] = top + QPointF(pos());
    // The same point on screen, so the tooltip needs no knowledge of the page.
    info[QStringLiteral("keyGlobalPoint")] = mapToGlobal(top);
    NotificationCenter::defaultCenter().post(notification::kShowKeyboardToolTipWnd, info);
}

void KeyboardView::postToolTipHidden() {
    QVariantMap info;
    info[QStringLiteral("show")] = 0;
    info[QStringLiteral("keyDesc")] = QStringLiteral("null");
    info[QStringLiteral("keyMacro")] = QStringLiteral("null");
    info[QStringLiteral("keyPoint")] = QPointF(0, 0);
    NotificationCenter::defaultCenter().post(notification::kShowKeyboardToolTipWnd, info);
}

void KeyboardView::pointerMoved(const QPointF& p) {
    if (!isEvent_ || g_show_homepage) return;
    if (hoverKeyItem_ >= 0) {
        if (holds(kbKeyArrayHover_[static_cast<std::size_t>(hoverKeyItem_)].rect, p)) return;
        setHovered(hoverKeyItem_, false);
        hoverKeyItem_ = -1;
        postToolTipHidden();
    }
    const int index = keyIndexAt(p);
    if (index < 0) return;
    setHovered(index, true);
    hoverKeyItem_ = index;
    postToolTip(index);
}

void KeyboardView::mouseMoveEvent(QMouseEvent* event) {
    pointerMoved(event->position());
}

void KeyboardView::enterEvent(QEnterEvent* event) {
    postToolTipHidden();
    QWidget::enterEvent(event);
}

void KeyboardView::leaveEvent(QEvent* event) {
    postToolTipHidden();
    if (isEvent_ && hoverKeyItem_ >= 0) {
        if (!customMode_)
            if (SelectKeyView* mark = selectKeyView(hoverKeyItem_)) mark->setKeyCheck(false);
        setHovered(hoverKeyItem_, false);
        hoverKeyItem_ = -1;
    }
    QWidget::leaveEvent(event);
}

void KeyboardView::mousePressEvent(QMouseEvent* event) {
    // A press without a move first (a touchpad tap) still finds its key.
    pointerMoved(event->position());
    if (!isEvent_ || hoverKeyItem_ < 0) return;
    if (selectKeyItem_ == hoverKeyItem_) return;
    if (KeyView* old = keyView(selectKeyItem_)) old->setSelect(false);
    if (SelectKeyView* old = selectKeyView(selectKeyItem_)) old->setSelected(false);
    selectKeyItem_ = hoverKeyItem_;
    keyView(selectKeyItem_)->setSelect(true);
    if (SelectKeyView* mark = selectKeyView(selectKeyItem_)) mark->setSelected(true);
}

int KeyboardView::keyToward(int from, int arrowKey) const {
    if (from < 0 || from >= static_cast<int>(kbKeyArrayHover_.size())) return -1;
    const QPointF at = kbKeyArrayHover_[static_cast<std::size_t>(from)].rect.center();
    const bool across = arrowKey == Qt::Key_Left || arrowKey == Qt::Key_Right;
    const double sign = (arrowKey == Qt::Key_Right || arrowKey == Qt::Key_Down) ? 1 : -1;
    int best = -1;
    double bestScore = 0;
    for (const KeyData& k : kbKeyArrayHover_) {
        const QPointF d = k.rect.center() - at;
        const double ahead = sign * (across ? d.x() : d.y());
        const double aside = std::abs(across ? d.y() : d.x());
        // Along a row a key must overlap the row; up and down any key ahead
        // counts, the nearest row first.
        if (ahead < 1 || (across && aside > k.rect.height() / 2)) continue;
        const double score = across ? ahead : ahead * 4 + aside;
        if (best < 0 || score < bestScore) {
            best = k.index;
            bestScore = score;
        }
    }
    return best;
}

void KeyboardView::setFocusKeyItem(int index) {
    if (index < 0 || index >= static_cast<int>(kbKeyArrayHover_.size())) return;
    focusKey_ = index;
    const KeyData& k = kbKeyArrayHover_[static_cast<std::size_t>(index)];
    if (!focusMark_) focusMark_ = new KeyFocusMark(this);
    focusMark_->setGeometry(k.rect.toAlignedRect().adjusted(-3, -3, 3, 3));
    focusMark_->setVisible(hasFocus());
    focusMark_->raise();
    if (hasFocus()) {
        // A screen reader follows the focus from key to key.
        QAccessibleEvent event(this, QAccessible::Focus);
        event.setChild(index);
        QAccessible::updateAccessibility(&event);
    }
}

void KeyboardView::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    setFocusKeyItem(focusKey_ >= 0 ? focusKey_ : std::max(selectKeyItem_, 0));
}

void KeyboardView::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    if (focusMark_) focusMark_->hide();
}

void KeyboardView::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down) {
        const int to = keyToward(focusKey_, key);
        if (to >= 0) setFocusKeyItem(to);
        return;
    }
    if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) &&
        !event->isAutoRepeat() && focusKey_ >= 0) {
        pressLikePointer(this, kbKeyArrayHover_[static_cast<std::size_t>(focusKey_)].rect.center());
        return;
    }
    QWidget::keyPressEvent(event);
}

void KeyboardView::mouseReleaseEvent(QMouseEvent* event) {
    if (!isEvent_ || selectKeyItem_ < 0) return;
    const KeyData& k = kbKeyArrayHover_[static_cast<std::size_t>(selectKeyItem_)];
    if (holds(k.rect, event->position()))
        NotificationCenter::defaultCenter().post(notification::kKeyboardKeyAction, k.keyname);
}

}  // namespace korvex
