// Every fixed table against the expected values in tests/data: the keys (names,
// screen position, key table slot on both layers, LED), the name map, the
// function types with the bytes each value sends, the media codes, the panel's
// code table and the texts of the three languages.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "EncoderTestSupport.h"
#include "catalog/FunctionCatalog.h"
#include "data/ExpectedTables.h"
#include "i18n/Language.h"
#include "i18n/TextRows.h"

namespace korvex {
namespace {

using namespace korvex::test;

Bytes bulkTable(const std::vector<Transfer>& transfers) {
    return transfers.at(2).bytes;
}

// The 4-byte entry a single row of `type` and `value` puts in the key table.
Bytes entryOf(std::int64_t type, std::int64_t value) {
    const Bytes table = bulkTable(SendKeyMacroData(0, {row(4, type, value)}, {}));
    const auto at = table.begin() + 4 * key(4).key_index;
    return Bytes(at, at + 4);
}

std::string english(int id) {
    return std::string(ENGLanguage.getLan(id));
}

TEST(ExpectedTables, EveryKeyItsNamesPlaceSlotOnBothLayersAndLed) {
    const auto keys = expectedTable("keys.tsv");
    ASSERT_EQ(keys.size(), allKeys().size());
    // Each key sends its own code, so two keys that trade slots show.
    std::vector<ProfileKey> rows;
    std::vector<UserLightLEDData> leds;
    Bytes keyTable(kTableSize, 0), ledTable(kTableSize, 0);
    for (std::size_t i = 0; i <= 122; ++i) ledTable[4 * i] = static_cast<std::uint8_t>(i);
    for (const Row& k : keys) {
        const int code = num(k[0]), slot = num(k[5]);
        SCOPED_TRACE(k[1]);
        const KeyInfo* info = findKeyByCode(code);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(
            std::tie(info->key_name, info->short_name, info->full_name, info->layout_index,
                     info->key_index, info->light_index, info->rgb_r, info->rgb_g, info->rgb_b),
            std::make_tuple(k[1], k[2], k[3], num(k[4]), slot, slot, num(k[6]), num(k[7]),
                            num(k[8])));
        EXPECT_EQ(findKeyByLayoutIndex(num(k[4])), info);
        EXPECT_EQ(findKeyByName(k[1]), info);
        EXPECT_EQ(info->key_type == Keyboard_EN_Type::flag, k[9] == "modifier");

        rows.push_back(row(code, kMacroTypeKeyboard, code));
        const bool modifier = code >= 224 && code <= 231;
        keyTable[4 * slot] = 0x02;
        keyTable[4 * slot + (modifier ? 1 : 2)] =
            static_cast<std::uint8_t>(modifier ? 1 << (code - 224) : code);
        // Red, green and blue differ, so bytes that trade places show.
        leds.push_back({0, 1, code, code << 16 | (code ^ 0xFF) << 8 | code / 2});
        ledTable[4 * slot + 1] = static_cast<std::uint8_t>(code);
        ledTable[4 * slot + 2] = static_cast<std::uint8_t>(code ^ 0xFF);
        ledTable[4 * slot + 3] = static_cast<std::uint8_t>(code / 2);
    }
    keyTable[574] = ledTable[574] = 0xAA;
    keyTable[575] = ledTable[575] = 0x55;
    for (std::int64_t layer : {0, 1})
        EXPECT_EQ(bulkTable(SendKeyMacroData(layer, rows, {})), keyTable) << "layer " << layer;
    EXPECT_EQ(bulkTable(SendUserLightLedData(leds)), ledTable);
}

TEST(ExpectedTables, NameMap) {
    const auto names = expectedTable("key_names.tsv");
    EXPECT_EQ(G_KB_SuperKeyNameMap.size(), names.size());
    for (const Row& n : names) {
        SCOPED_TRACE(n[0]);
        const NameKeyInfo* e = G_KB_SuperKeyNameMap.find(n[0]);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(std::tuple(e->key_code, codeOfName(n[0]), e->short_name, labelOfName(n[0]),
                             e->key_type == Keyboard_EN_Type::flag),
                  std::tuple(num(n[1]), num(n[1]), n[2], n[3], n[4] == "modifier"));
    }
}

// Mouse, multimedia and Mac shortcut values: the text each is offered under
// and the bytes it sends, in the order the dialog lists them.
TEST(ExpectedTables, FunctionValuesTheirTextsAndBytes) {
    std::map<int, std::vector<ComboEntry>> lists;
    for (const Row& f : expectedTable("functions.tsv")) {
        const int type = num(f[0]), value = num(f[1]), textId = num(f[2]);
        SCOPED_TRACE("type " + f[0] + " value " + f[1]);
        lists[type].push_back({textId, value});
        EXPECT_EQ(entryOf(type, value), hexBytes(f[3])) << english(textId);
    }
    for (const auto& [type, expected] : lists) {
        const auto list = fixedFunctionList(type);
        ASSERT_EQ(list.size(), expected.size()) << type;
        for (std::size_t i = 0; i < list.size(); ++i)
            EXPECT_EQ(std::pair(list[i].textId, list[i].mode),
                      std::pair(expected[i].textId, expected[i].mode))
                << "type " << type << " row " << i;
    }
    std::map<std::string, std::vector<std::pair<int, int>>> dialog;
    for (const Row& d : expectedTable("dialog_lists.tsv"))
        dialog[d[0]].emplace_back(num(d[1]), num(d[2]));
    auto pairs = [](auto list) {
        std::vector<std::pair<int, int>> out;
        for (const ComboEntry& e : list) out.emplace_back(e.textId, e.mode);
        return out;
    };
    EXPECT_EQ(pairs(keyFunctionTypeDatas), dialog["type"]);
    EXPECT_EQ(pairs(keyFunctionMacroTypeDatas), dialog["playmode"]);
    // The type table names each type as the dialog and the key menu do.
    for (const auto& [textId, type] : dialog["type"])
        EXPECT_EQ(findFunctionType(type)->textId, textId) << type;
    for (const auto& [textId, type] : dialog["menu"])
        EXPECT_EQ(findFunctionType(type)->menuTextId, textId) << type;
}

// The media codes of the keyboard function type, then the panel's keys: the
// code table's order and short names, and the usage each media code sends.
TEST(ExpectedTables, MediaCodesAndThePanelsCodeTable) {
    std::vector<std::pair<int, std::string>> expected;
    for (const Row& m : expectedTable("media_codes.tsv")) {
        const int code = num(m[0]), usage = num(m[2], 16);
        expected.emplace_back(code, m[1]);
        EXPECT_EQ(entryOf(kMacroTypeKeyboard, code),
                  (Bytes{0x03, static_cast<std::uint8_t>(usage & 0xFF),
                         static_cast<std::uint8_t>(usage >> 8), 0x00}))
            << m[1];
    }
    for (const Row& k : expectedTable("panel_keys.tsv")) expected.emplace_back(num(k[0]), k[1]);
    std::vector<std::pair<int, std::string>> actual;
    for (const CustomKeyFunc& f : CustomKeyFuncCodeMap)
        actual.emplace_back(f.code, std::string(f.short_name));
    EXPECT_EQ(actual, expected);
}

TEST(ExpectedTables, TextsOfAllThreeLanguages) {
    const auto texts = expectedTable("texts.tsv");
    // No id of the two halves beyond those expected.
    EXPECT_EQ(i18n::firstHalfRows().size() + i18n::secondHalfRows().size(),
              std::count_if(texts.begin(), texts.end(),
                            [](const Row& t) { return num(t[0]) <= i18n::kSecondHalfMax; }));
    for (const Row& t : texts) {
        const int id = num(t[0]);
        EXPECT_EQ(ENGLanguage.getLan(id), t[1]) << id;
        EXPECT_EQ(CHSLanguage.getLan(id), t[2]) << id;
        EXPECT_EQ(CHTLanguage.getLan(id), t[3]) << id;
    }
}

}  // namespace
}  // namespace korvex
