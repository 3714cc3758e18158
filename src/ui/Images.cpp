#include "ui/Images.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

// The artwork lives in this static library; nothing else references its
// resource object, so register it explicitly or the linker may drop it.
static void registerArtwork() {
    Q_INIT_RESOURCE(resources);
}

namespace korvex {

QString imagePath(const QString& name) {
    static const bool registered = (registerArtwork(), true);
    (void)registered;
    return QStringLiteral(":/images/%1.svg").arg(name);
}

bool imageExists(const QString& name) {
    return QFile::exists(imagePath(name));
}

QPixmap imagePixmap(const QString& name, const QSize& size) {
    return QIcon(imagePath(name)).pixmap(size);
}

ImageButton::ImageButton(const QString& imageName, QWidget* parent)
    : QAbstractButton(parent), imageName_(imageName) {
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
}

void ImageButton::setImageName(const QString& name) {
    imageName_ = name;
    update();
}

void ImageButton::setHoverImageName(const QString& name) {
    hoverImageName_ = name;
    update();
}

QSize ImageButton::sizeHint() const {
    return {40, 40};
}

void ImageButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (hover_ && isEnabled()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255, 18));
        painter.drawRoundedRect(rect(), 6, 6);
    }
    const QString name = hover_ && !hoverImageName_.isEmpty() ? hoverImageName_ : imageName_;
    if (name.isEmpty()) return;
    QSvgRenderer renderer(imagePath(name));
    if (!renderer.isValid()) return;
    // Keep the picture's proportions, centred in the button.
    QSizeF picture = renderer.defaultSize();
    picture.scale(QSizeF(size()), Qt::KeepAspectRatio);
    const QRectF target((width() - picture.width()) / 2, (height() - picture.height()) / 2,
                        picture.width(), picture.height());
    renderer.render(&painter, target);
}

void ImageButton::enterEvent(QEnterEvent* event) {
    hover_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void ImageButton::leaveEvent(QEvent* event) {
    hover_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

}  // namespace korvex
