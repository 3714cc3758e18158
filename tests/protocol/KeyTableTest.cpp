#include <gtest/gtest.h>

#include "EncoderTestSupport.h"

namespace korvex {
namespace {

using namespace korvex::test;

constexpr int kA = 4;  // the "a" key

const Bytes kEmptyTable = zerosWith(kTableSize, {{574, {0xAA, 0x55}}});

const Transfer& table(const std::vector<Transfer>& t) {
    return t.at(2);
}

// The table with one entry at the key's slot.
Bytes tableWith(int keyCode, Bytes entry) {
    return zerosWith(kTableSize,
                     {{4 * static_cast<std::size_t>(key(keyCode).key_index), std::move(entry)},
                      {574, {0xAA, 0x55}}});
}

TEST(KeyTable, FrameOfBothLayers) {
    for (std::int64_t layer : {0, 1, 7}) {
        SCOPED_TRACE(layer);
        const auto t = SendKeyMacroData(layer, {}, {});
        ASSERT_EQ(t.size(), 4u);
        expectRunExchange(t, 0x18, layer == 0 ? 0x11 : 0x27, 0x09, 640, kEmptyTable);
        for (const Transfer& x : t) EXPECT_FALSE(x.extraPause);
    }
}

// The entry a key's rows give; plain keys, lone modifiers and each mouse,
// multimedia and Mac shortcut value are ExpectedTables' to check.
TEST(KeyTable, EntryOfEachKindOfRow) {
    struct Case {
        const char* name;
        std::vector<ProfileKey> rows;
        Bytes entry;  // at the key's slot; none: the key keeps its own function
        std::vector<MacroInfo> macros = {};
    };
    const std::vector<MacroInfo> three = {macro(11), macro(7), macro(30)};
    std::vector<MacroInfo> many;
    for (int id = 1; id <= 101; ++id) many.push_back(macro(id));
    const Case cases[] = {
        {"key with left shift", {row(kA, 3, 4, 225)}, {0x02, 0x02, 0x04, 0x00}},
        {"modifier with modifier", {row(kA, 3, 231, 224)}, {0x02, 0x01, 0x80, 0x00}},
        {"no such key code", {row(kA, 3, 300)}, {0x02, 0x00, 0x00, 0x00}},
        {"past the media codes", {row(kA, 3, 518)}, {0x03, 0x00, 0x00, 0x00}},
        {"three key codes", {row(kA, 14, 224, 4, 0)}, {0x07, 0x01, 0x04, 0x00}},
        {"three key codes, two modifiers", {row(kA, 14, 5, 229, 230)}, {0x07, 0x05, 0x20, 0x40}},
        {"disabled", {row(kA, 2)}, {0x05, 0x03, 0x00, 0x00}},
        {"past the mouse table", {row(kA, 6, 9)}, {0x01, 0x00, 0x00, 0x00}},
        {"past the multimedia table", {row(kA, 7, 0)}, {0x03, 0x00, 0x00, 0x00}},
        {"past the Mac shortcuts", {row(kA, 8, 7)}, {0x02, 0x00, 0x00, 0x00}},
        // A macro key names the macro's position in the list, one of 100 slots.
        {"macro", {row(kA, 4, 30, 1, 5)}, {0x06, 0x02, 0x01, 0x05}, three},
        {"macro that is gone", {row(kA, 4, 12, 1, 5)}, {}, three},
        {"no macros at all", {row(kA, 4, 30, 1, 5)}, {}},
        {"the 100th macro", {row(kA, 4, 100, 0, 0)}, {0x06, 99, 0x00, 0x00}, many},
        {"the 101st macro", {row(kA, 4, 101, 0, 0)}, {}, many},
        // The later row of a key wins, also when it brings the key back to default.
        {"later row", {row(kA, 2), row(kA, 3, 5)}, {0x02, 0x00, 0x05, 0x00}},
        {"later default", {row(kA, 2), row(kA, 1)}, {}},
        {"not keys of this keyboard", {row(0, 2), row(3, 2), row(1 << 20, 2), row(-4, 2)}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(table(SendKeyMacroData(0, c.rows, c.macros)).bytes,
                  c.entry.empty() ? kEmptyTable : tableWith(kA, c.entry))
            << c.name;
    // Types without an entry leave the key at its own function.
    for (std::int64_t type : {0, 1, 5, 9, 10, 11, 12, 13, 15, -1})
        EXPECT_EQ(table(SendKeyMacroData(0, {row(kA, type, 4, 225, 1)}, {})).bytes, kEmptyTable)
            << type;
}

}  // namespace
}  // namespace korvex
