#include "ui/Images.h"

#include <QFile>
#include <QPainter>
#include <QPixmapCache>
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

QPixmap drawnSvg(const QString& path, const QSize& size, qreal dpr, bool keepProportions,
                 const QByteArray& contents) {
    const QString key = QStringLiteral("svg:%1:%2:%3x%4@%5:%6")
                            .arg(path)
                            .arg(contents.isEmpty() ? 0 : qHash(contents))
                            .arg(size.width())
                            .arg(size.height())
                            .arg(dpr)
                            .arg(keepProportions);
    QPixmap drawn;
    if (QPixmapCache::find(key, &drawn)) return drawn;
    QSvgRenderer renderer;
    if (contents.isEmpty() ? !renderer.load(path) : !renderer.load(contents)) return {};
    QRectF target(QPointF(0, 0), QSizeF(size));
    if (keepProportions) {
        QSizeF picture = renderer.defaultSize();
        picture.scale(target.size(), Qt::KeepAspectRatio);
        target = QRectF((size.width() - picture.width()) / 2,
                        (size.height() - picture.height()) / 2, picture.width(), picture.height());
    }
    drawn = QPixmap((QSizeF(size) * dpr).toSize());
    drawn.setDevicePixelRatio(dpr);
    drawn.fill(Qt::transparent);
    QPainter painter(&drawn);
    renderer.render(&painter, target);
    painter.end();
    QPixmapCache::insert(key, drawn);
    return drawn;
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
    painter.drawPixmap(0, 0, drawnSvg(imagePath(name), size(), devicePixelRatioF(), true));
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
