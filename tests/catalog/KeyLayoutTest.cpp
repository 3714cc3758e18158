#include "catalog/KeyLayout.h"

#include <gtest/gtest.h>

#include <set>

namespace korvex {
namespace {

bool overlaps(const Rect& a, const Rect& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&
           b.y < a.y + a.height;
}

template <typename Records>
void expectDisjointAndInside(const Records& records, const ViewSize& view) {
    for (std::size_t i = 0; i < records.size(); ++i) {
        const Rect& r = records[i].viewRect;
        SCOPED_TRACE(i);
        EXPECT_EQ(records[i].index, static_cast<int>(i));
        EXPECT_GT(r.width, 0);
        EXPECT_GT(r.height, 0);
        EXPECT_GE(r.x, 0);
        EXPECT_GE(r.y, 0);
        EXPECT_LE(r.x + r.width, view.width);
        EXPECT_LE(r.y + r.height, view.height);
        for (std::size_t j = i + 1; j < records.size(); ++j)
            EXPECT_FALSE(overlaps(r, records[j].viewRect)) << "with " << j;
    }
}

// Exact positions are the picture's business; what breaks use is a missing or
// doubled key or tile, two that overlap (a click hits either), or one outside
// its view.
TEST(KeyLayout, EveryKeyAndTileOnceDisjointAndInsideTheirViews) {
    const auto keys = buildKeyRecords();
    ASSERT_EQ(keys.size(), 80u);
    // Escape is on the top row: near the top of the view, not flipped to the bottom.
    EXPECT_LT(keys[0].viewRect.y, keys[73].viewRect.y);
    std::set<int> codes;
    for (const auto& k : keys) EXPECT_TRUE(codes.insert(k.keycode).second) << k.keyname;
    const auto tiles = buildFunctionRecords();
    ASSERT_EQ(tiles.size(), 111u);
    codes.clear();
    for (const auto& t : tiles) {
        EXPECT_TRUE(codes.insert(t.key_code).second) << t.index;
        EXPECT_FALSE(t.label.empty());
    }
    expectDisjointAndInside(keys, kKeyboardViewSize);
    expectDisjointAndInside(tiles, kFunctionPanelSize);
}

}  // namespace
}  // namespace korvex
