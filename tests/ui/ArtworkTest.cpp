#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include "UiTestSupport.h"
#include "catalog/KeyLayout.h"
#include "ui/Images.h"

namespace korvex {
namespace {

QImage render(const QString& name, QSize size) {
    QSvgRenderer renderer(imagePath(name));
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

TEST(ArtworkTest, EveryImageIsValidArtworkAndPairsAreComplete) {
    test::app();
    imagePath("korvex");  // registers the resources
    const QStringList files = QDir(":/images").entryList({"*.svg"});
    ASSERT_FALSE(files.isEmpty());
    for (const QString& file : files) {
        const QString name = file.chopped(4);
        QSvgRenderer renderer(imagePath(name));
        EXPECT_TRUE(renderer.isValid()) << name.toStdString();
        EXPECT_FALSE(renderer.defaultSize().isEmpty()) << name.toStdString();
        // A selected or hover variant always has its normal image.
        for (const QString suffix : {"_check", "_hover", "_h"}) {
            if (!name.endsWith(suffix)) continue;
            const QString base = name.chopped(suffix.size());
            EXPECT_TRUE(imageExists(base) || imageExists(base + "_n")) << name.toStdString();
        }
    }
}

TEST(ArtworkTest, KeyboardPictureHasAHoleUnderEveryKeyView) {
    test::app();
    const QSize size(static_cast<int>(kKeyboardViewSize.width),
                     static_cast<int>(kKeyboardViewSize.height));
    const QImage image = render("img_keyboard_layout", size);
    for (const auto& key : buildKeyRecords()) {
        const QRectF r(key.viewRect.x, key.viewRect.y, key.viewRect.width, key.viewRect.height);
        const QPoint centre = r.center().toPoint();
        EXPECT_EQ(qAlpha(image.pixel(centre)), 0) << key.keyname;
        // Just outside the key the case shows.
        EXPECT_GT(qAlpha(image.pixel(QPoint(centre.x(), static_cast<int>(r.top()) - 2))), 0)
            << key.keyname;
    }
}

}  // namespace
}  // namespace korvex
