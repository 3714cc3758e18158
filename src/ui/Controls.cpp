#include "ui/Controls.h"

#include <QApplication>
#include <QHash>

#include <QEnterEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <QVariantMap>
#include <QWindow>

#include "ui/Images.h"
#include "ui/NotificationCenter.h"

namespace korvex {

namespace {

QColor withAlpha(QColor color, double alpha) {
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

void makeCaption(QLabel* label, const QColor& color, int pixelSize) {
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    label->setFont(font);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setAutoFillBackground(false);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

}  // namespace

void pressLikePointer(QWidget* w, const QPointF& local) {
    if (!w) return;
    const QPointF global = w->mapToGlobal(local);
    QMouseEvent move(QEvent::MouseMove, local, global, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QPointer<QWidget> alive(w);
    QApplication::sendEvent(w, &move);
    if (alive) QApplication::sendEvent(w, &press);
    if (alive) QApplication::sendEvent(w, &release);
}

bool isPressKey(int key) {
    return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
}

// --- CustomButton ----------------------------------------------------------

CustomButton::CustomButton(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

void CustomButton::keyPressEvent(QKeyEvent* event) {
    if (!isPressKey(event->key()) || event->isAutoRepeat()) return QWidget::keyPressEvent(event);
    pressLikePointer(this, QRectF(rect()).center());
}

void CustomButton::setBtnColor(const QColor& color) {
    btnColor_ = color;
    stateChanged();
    update();
}

void CustomButton::setDiasble(bool disabled) {
    disabled_ = disabled;
    stateChanged();
    update();
}

QColor CustomButton::fillColor() const {
    if (disabled_) return withAlpha(btnColor_, 0.5);
    if (down_) return withAlpha(btnColor_, 0.9);
    return btnColor_;
}

void CustomButton::enterEvent(QEnterEvent* event) {
    hover_ = true;
    stateChanged();
    update();
    QWidget::enterEvent(event);
}

void CustomButton::leaveEvent(QEvent* event) {
    hover_ = false;
    stateChanged();
    update();
    QWidget::leaveEvent(event);
}

void CustomButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    down_ = true;
    stateChanged();
    update();
}

void CustomButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !down_) return;
    down_ = false;
    stateChanged();
    update();
    NotificationCenter::defaultCenter().post(notificationName(), tag_);
}

// --- ColorButton -----------------------------------------------------------

QString ColorButton::notificationName() const {
    return notification::kColorButtonAction;
}

QColor ColorButton::borderColor() const {
    if (isDiasble()) return QColor(128, 128, 128);
    if (isHover()) return QColor(180, 81, 0);
    return QColor(180, 180, 180);
}

void ColorButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), fillColor());
    QPen pen(borderColor(), 3);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    // A 3 px line centred on the bounds: inset so all of it is visible.
    painter.drawRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5));
}

// --- SelectButton ----------------------------------------------------------

SelectButton::SelectButton(QWidget* parent) : CustomButton(parent), textView_(new QLabel(this)) {
    makeCaption(textView_, Qt::white, 12);
    textView_->setAlignment(Qt::AlignCenter);
}

QString SelectButton::notificationName() const {
    return notification::kSelectButtonAction;
}

void SelectButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fillColor());
    painter.drawRoundedRect(rect(), 3, 3);
}

void SelectButton::resizeEvent(QResizeEvent*) {
    textView_->setGeometry(0, height() / 2 - 8, width(), 16);
}

// --- TextButton ------------------------------------------------------------

TextButton::TextButton(QWidget* parent) : CustomButton(parent), textView_(new QLabel(this)) {
    makeCaption(textView_, btn_color(), 12);
    textView_->setAlignment(Qt::AlignCenter);
}

QString TextButton::notificationName() const {
    return notification::kTextButtonAction;
}

QColor TextButton::captionColor() const {
    return isHover() ? withAlpha(btn_color(), 0.9) : btn_color();
}

void TextButton::stateChanged() {
    QPalette palette = textView_->palette();
    palette.setColor(QPalette::WindowText, captionColor());
    textView_->setPalette(palette);
}

void TextButton::resizeEvent(QResizeEvent*) {
    textView_->setGeometry(rect());
}

// --- MenuItem --------------------------------------------------------------

MenuItem::MenuItem(int menuId, const QString& title, QWidget* parent)
    : QWidget(parent), menuId_(menuId), textView_(new QLabel(title, this)) {
    makeCaption(textView_, QColor(204, 204, 204), 12);
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
}

void MenuItem::setBkgColor(const QColor& color) {
    bkgColor_ = color;
    update();
}

void MenuItem::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), hover_ ? kAccentColor : bkgColor_);
}

void MenuItem::resizeEvent(QResizeEvent*) {
    textView_->setGeometry(6, height() - 12 - 16, width() - 12, 16);
}

void MenuItem::setHover(bool on) {
    hover_ = on;
    update();
}

void MenuItem::enterEvent(QEnterEvent*) {
    hover_ = true;
    update();
}

void MenuItem::leaveEvent(QEvent*) {
    hover_ = false;
    update();
}

void MenuItem::mouseMoveEvent(QMouseEvent* event) {
    const bool inside = rect().contains(event->position().toPoint());
    if (inside != hover_) {
        hover_ = inside;
        update();
    }
}

void MenuItem::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) pressed_ = true;
}

void MenuItem::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_) return;
    pressed_ = false;
    NotificationCenter::defaultCenter().post(notification::kMenuItemMouseUpAction,
                                             QVariantMap{{QStringLiteral("menuid"), menuId_}});
}

// --- TableItemView ---------------------------------------------------------

TableItemView::TableItemView(const QString& text, QWidget* parent)
    : QWidget(parent), textView_(new QLabel(this)) {
    makeCaption(textView_, Qt::white, 12);
    textView_->setGeometry(10, 7, 200, 16);
    setAttribute(Qt::WA_Hover);
    setMinimumHeight(ItemListView::kRowHeight);
    setText(text);
}

void TableItemView::setText(const QString& text) {
    fullText_ = text;
    showElided();
}

void TableItemView::showElided() {
    const QString shown =
        textView_->fontMetrics().elidedText(fullText_, Qt::ElideRight, textView_->width());
    textView_->setText(shown);
    setToolTip(shown == fullText_ ? QString() : fullText_);
}

void TableItemView::resizeEvent(QResizeEvent* event) {
    // Room for the caption up to the icon at the right end.
    textView_->setFixedWidth(std::max(40, std::min(200, width() - 40)));
    showElided();
    QWidget::resizeEvent(event);
}

void TableItemView::setSelect(bool select) {
    select_ = select;
    update();
}

void TableItemView::paintEvent(QPaintEvent*) {
    if (!hasAccentBackground()) return;
    QPainter painter(this);
    painter.fillRect(rect(), kAccentColor);
}

void TableItemView::enterEvent(QEnterEvent*) {
    hover_ = true;
    hoverChanged();
    update();
}

void TableItemView::leaveEvent(QEvent*) {
    hover_ = false;
    hoverChanged();
    update();
}

void TableItemView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit clicked();
}

// --- KeyTableItemView ------------------------------------------------------

KeyTableItemView::KeyTableItemView(const QString& text, QWidget* parent)
    : TableItemView(text, parent), iconView_(new QLabel(this)) {
    iconView_->setAttribute(Qt::WA_TransparentForMouseEvents);
    iconView_->hide();
}

void KeyTableItemView::setIcons(const QString& normalIcon, const QString& hoverIcon) {
    normalIcon_ = normalIcon;
    hoverIcon_ = hoverIcon;
    hoverChanged();
}

void KeyTableItemView::showIcon(const QString& name) {
    shownIcon_ = name;
    if (name.isEmpty()) {
        iconView_->hide();
        return;
    }
    // Drawn once per name and shared: a list of a hundred rows would parse
    // the artwork for each row otherwise. Kept for the process's life.
    static auto* drawn = new QHash<QString, QPixmap>;
    auto it = drawn->find(name);
    if (it == drawn->end()) it = drawn->insert(name, QIcon(imagePath(name)).pixmap(16, 16));
    iconView_->setPixmap(*it);
    iconView_->show();
}

void KeyTableItemView::hoverChanged() {
    showIcon(isHover() ? hoverIcon_ : normalIcon_);
}

void KeyTableItemView::resizeEvent(QResizeEvent* event) {
    TableItemView::resizeEvent(event);
    iconView_->setGeometry(width() - 26, (height() - 16) / 2, 16, 16);
    if (editor_) editor_->setGeometry(6, 3, std::min(220, width() - 40), height() - 6);
}

void KeyTableItemView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) beginEdit();
}

void KeyTableItemView::mousePressEvent(QMouseEvent* event) {
    TableItemView::mousePressEvent(event);
    if (iconStartsEdit_ && event->button() == Qt::LeftButton && iconView_->isVisible() &&
        iconView_->geometry().adjusted(-4, -4, 4, 4).contains(event->position().toPoint()))
        beginEdit();
}

void KeyTableItemView::beginEdit() {
    if (editor_) return;
    editor_ = new QLineEdit(text(), this);
    editor_->setGeometry(6, 3, std::min(220, width() - 40), height() - 6);
    editor_->installEventFilter(this);
    connect(editor_, &QLineEdit::editingFinished, this, [this] { finishEdit(true); });
    textView()->hide();
    editor_->show();
    editor_->setFocus();
    editor_->selectAll();
}

bool KeyTableItemView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editor_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        finishEdit(false);
        return true;
    }
    return TableItemView::eventFilter(watched, event);
}

void KeyTableItemView::finishEdit(bool commit) {
    if (!editor_) return;
    // Detach first: hiding the editor ends editing again, which must not post twice.
    QLineEdit* editor = editor_;
    editor_ = nullptr;
    const QString newText = editor->text();
    editor->disconnect(this);
    editor->hide();
    editor->deleteLater();
    textView()->show();
    if (!commit) return;
    NotificationCenter::defaultCenter().post(
        notification::kKeyTableItemViewEdit,
        QVariantMap{{QStringLiteral("index"), index_}, {QStringLiteral("text"), newText}});
}

// --- ItemListView ----------------------------------------------------------

ItemListView::ItemListView(QWidget* parent)
    : QScrollArea(parent), content_(new QWidget), layout_(new QVBoxLayout(content_)) {
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    layout_->addStretch(1);
    setWidget(content_);
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAutoFillBackground(false);
    content_->setAutoFillBackground(false);
    setFocusPolicy(Qt::StrongFocus);
}

void ItemListView::addRow(TableItemView* row) {
    const int index = rowCount();
    row->setParent(content_);
    row->setFixedHeight(kRowHeight);
    layout_->insertWidget(index, row);
    rows_.push_back(row);
    connect(row, &TableItemView::clicked, this, [this, row] {
        for (int i = 0; i < rowCount(); ++i)
            if (rows_[static_cast<std::size_t>(i)] == row) setSelectedRow(i);
    });
}

void ItemListView::clear() {
    for (auto* row : rows_) row->deleteLater();
    for (auto* row : rows_) layout_->removeWidget(row);
    rows_.clear();
    if (selected_ != -1) {
        selected_ = -1;
        emit selectionChanged(-1);
    }
}

void ItemListView::removeRow(int index) {
    TableItemView* gone = row(index);
    if (!gone) return;
    layout_->removeWidget(gone);
    gone->deleteLater();
    rows_.erase(rows_.begin() + index);
    if (selected_ == index) {
        selected_ = -1;
        emit selectionChanged(-1);
    } else if (selected_ > index) {
        --selected_;  // the same row, one place up
    }
}

void ItemListView::keepRows(int count, const std::function<TableItemView*()>& make) {
    setSelectedRow(-1);
    while (rowCount() > count) removeRow(rowCount() - 1);
    while (rowCount() < count) addRow(make());
}

TableItemView* ItemListView::row(int index) const {
    if (index < 0 || index >= rowCount()) return nullptr;
    return rows_[static_cast<std::size_t>(index)];
}

void ItemListView::setSelectedRow(int index) {
    if (index < -1 || index >= rowCount()) index = -1;
    if (index == selected_) return;
    if (auto* old = row(selected_)) old->setSelect(false);
    selected_ = index;
    if (auto* now = row(selected_)) {
        now->setSelect(true);
        ensureWidgetVisible(now);
    }
    emit selectionChanged(selected_);
}

void ItemListView::keyPressEvent(QKeyEvent* event) {
    int to = selected_;
    switch (event->key()) {
        case Qt::Key_Up:
            to = selected_ < 0 ? rowCount() - 1 : std::max(0, selected_ - 1);
            break;
        case Qt::Key_Down:
            to = std::min(rowCount() - 1, selected_ + 1);
            break;
        case Qt::Key_Home:
            to = 0;
            break;
        case Qt::Key_End:
            to = rowCount() - 1;
            break;
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // The row in focus is the chosen one; a press chooses it again
            // as a click on it would.
            if (auto* r = row(selected_ < 0 ? 0 : selected_)) emit r->clicked();
            return;
        case Qt::Key_F2:
            if (auto* r = qobject_cast<KeyTableItemView*>(row(selected_))) r->beginEdit();
            return;
        default:
            return QScrollArea::keyPressEvent(event);
    }
    if (to >= 0 && to != selected_) setSelectedRow(to);
}

// --- AreaView / DragView ---------------------------------------------------

AreaView::AreaView(const QColor& color, QWidget* parent) : QWidget(parent), color_(color) {}

void AreaView::setBackgroundColor(const QColor& color) {
    color_ = color;
    update();
}

void AreaView::paintEvent(QPaintEvent*) {
    if (!color_.isValid()) return;
    QPainter painter(this);
    painter.fillRect(rect(), color_);
}

void DragView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    // Let the window manager move the window when it can (Wayland needs it);
    // otherwise follow the pointer ourselves.
    QWindow* handle = window()->windowHandle();
    manualDrag_ = !(handle && handle->startSystemMove());
    dragOffset_ = event->globalPosition().toPoint() - window()->frameGeometry().topLeft();
}

void DragView::mouseMoveEvent(QMouseEvent* event) {
    if (manualDrag_ && (event->buttons() & Qt::LeftButton))
        window()->move(event->globalPosition().toPoint() - dragOffset_);
}

void DragView::mouseReleaseEvent(QMouseEvent*) {
    manualDrag_ = false;
}

}  // namespace korvex
