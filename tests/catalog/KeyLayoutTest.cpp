#include "catalog/KeyLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
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

double maxRight(const auto& records) {
    double m = 0;
    for (const auto& r : records) m = std::max(m, r.rect.x + r.rect.width);
    return m;
}

TEST(KeyLayout, KeyboardWorkedRectangles) {
    const auto keys = buildKeyRecords();
    ASSERT_EQ(keys.size(), 80u);
    // Escape, F1, Tab, Backspace; Up Arrow on row 7 continues Right Shift's run
    // (separator 3, extra 6); Left Control and Right Alt are sized by name and
    // as an ordinary key; the arrows below the bottom row continue Right
    // Control's run (extra 8).
    const std::pair<int, Rect> worked[] = {
        {0, {12, 207, 35, 33}},   {1, {92, 207, 35, 33}},  {28, {12, 122, 56, 33}},
        {26, {532, 158, 76, 33}}, {69, {578, 42, 35, 33}}, {70, {12, 13, 45, 33}},
        {73, {162, 13, 244, 33}}, {74, {412, 13, 35, 33}}, {77, {536, 6, 35, 33}},
        {78, {577, 6, 35, 33}},   {79, {618, 6, 35, 33}}};
    for (const auto& [i, rect] : worked) EXPECT_EQ(keys[i].rect, rect) << keys[i].keyname;
    double top = 0;
    for (const auto& k : keys) {
        top = std::max(top, k.rect.y + k.rect.height);
        EXPECT_EQ(k.rect.height, 33) << k.keyname;
    }
    EXPECT_EQ(top, 240);
    EXPECT_EQ(maxRight(keys), 656);
}

TEST(KeyLayout, FunctionPanelWorkedRectangles) {
    const auto tiles = buildFunctionRecords();
    ASSERT_EQ(tiles.size(), 111u);
    EXPECT_EQ(tiles[0].rect, (Rect{12, 176, 30, 30}));   // Esc
    EXPECT_EQ(tiles[1].rect, (Rect{82, 176, 30, 30}));   // F1
    EXPECT_EQ(tiles[75].rect, (Rect{739, 77, 30, 64}));  // keypad +
    EXPECT_EQ(maxRight(tiles), 769);
    std::set<int> codes;
    for (const auto& t : tiles) {
        EXPECT_TRUE(codes.insert(t.key_code).second) << t.index;
        EXPECT_NE(t.rect.y, 209) << "row 1 has no tiles";
        EXPECT_TRUE(t.icon.empty());
        EXPECT_FALSE(t.label.empty());
    }
    EXPECT_EQ(tiles[51].label, "\\|");
    EXPECT_EQ(tiles[108].rect.width, 63);  // keypad 0 is double width
    EXPECT_EQ(tiles[110].rect.height, 64);
}

TEST(KeyLayout, RectanglesAreDisjointAndInsideTheirViews) {
    expectDisjointAndInside(buildKeyRecords(), kKeyboardViewSize);
    expectDisjointAndInside(buildFunctionRecords(), kFunctionPanelSize);
}

TEST(KeyLayout, ViewCoordinatesFlipOnlyY) {
    EXPECT_EQ(toTopLeft(Rect{12, 207, 35, 33}, 250), (Rect{12, 10, 35, 33}));
    const auto keys = buildKeyRecords();
    // Escape is on the top row, so it is near the top of the view.
    EXPECT_LT(keys[0].viewRect.y, keys[73].viewRect.y);
}

}  // namespace
}  // namespace korvex
