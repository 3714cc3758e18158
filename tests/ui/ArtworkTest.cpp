#include <gtest/gtest.h>

#include <QDir>
#include <QSvgRenderer>

#include "UiTestSupport.h"
#include "ui/Images.h"

namespace korvex {
namespace {

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

}  // namespace
}  // namespace korvex
