#include "i18n/Language.h"

#include <climits>
#include <set>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "i18n/TextRows.h"

namespace korvex {
namespace {

constexpr const LanguageTable* kTables[] = {&ENGLanguage, &CHSLanguage, &CHTLanguage};

std::set<int> heldIds() {
    std::set<int> ids;
    for (auto half : {i18n::firstHalfRows(), i18n::secondHalfRows(), i18n::ownRows()})
        for (const auto& row : half) ids.insert(row.id);
    return ids;
}

std::string keep(std::string_view s, bool (*pred)(unsigned char)) {
    std::string out;
    for (char c : s)
        if (pred(static_cast<unsigned char>(c))) out += c;
    return out;
}
std::string digitsOf(std::string_view s) {
    return keep(s, [](unsigned char c) { return c >= '0' && c <= '9'; });
}
std::string asciiOf(std::string_view s) {
    return keep(s, [](unsigned char c) { return c < 0x80; });
}
bool hasNonAscii(std::string_view s) {
    return asciiOf(s).size() != s.size();
}

// Restores the process-wide language so tests do not leak it into each other.
struct LanguageTest : ::testing::Test {
    void TearDown() override { curLanguage = saved; }
    int saved = curLanguage;
};

TEST_F(LanguageTest, UnknownIdsGiveTheLanguageCode) {
    const std::pair<int, const char*> languages[] = {{kLanguageEnglish, "ENG"},
                                                     {kLanguageSimplifiedChinese, "CHS"},
                                                     {kLanguageTraditionalChinese, "CHT"}};
    for (const auto& [language, code] : languages) {
        curLanguage = language;
        for (int id : {0, 4, 300, 318, 999, -1, 235, 499, 622, INT_MIN, INT_MAX})
            EXPECT_EQ(text(id), code) << id;
    }
}

TEST_F(LanguageTest, LanguageSelectionAndStoredChoice) {
    EXPECT_EQ(curLanguage, kLanguageSimplifiedChinese);
    for (int other : {kLanguageEnglish, 0, -1, 9999, 2051}) {
        curLanguage = other;
        EXPECT_EQ(text(603), "Language") << other;
        EXPECT_EQ(text(other, 603), "Language") << other;
    }
    curLanguage = kLanguageTraditionalChinese;
    EXPECT_EQ(text(603), "語言");
    for (int i = 0; i < 3; ++i) {
        const LanguageListEntry& entry = LanguageListDatas[i];
        EXPECT_EQ(languageListIndex(entry.mode), i);
        EXPECT_EQ(parseStoredLanguage(std::to_string(entry.mode)), entry.mode);
    }
    EXPECT_EQ(languageListIndex(0), -1);
    for (std::string_view bad : {"", "9999", " 1033", "1033 ", "01033", "2052x", "ENG"})
        EXPECT_FALSE(parseStoredLanguage(bad).has_value()) << bad;
}

// Cross-row checks, also for the texts of our own: a text typed into the wrong row or
// column breaks one of these.
TEST_F(LanguageTest, RowsAgreeAcrossLanguages) {
    for (int id : heldIds()) {
        std::string_view eng = *ENGLanguage.find(id);
        std::string_view chs = *CHSLanguage.find(id);
        std::string_view cht = *CHTLanguage.find(id);
        // Only id 1 is meant to be empty, in every language.
        for (const LanguageTable* table : kTables)
            EXPECT_EQ(table->getLan(id).empty(), id == 1) << id;
        EXPECT_FALSE(hasNonAscii(eng)) << id;
        EXPECT_EQ(digitsOf(chs), digitsOf(eng)) << id;
        EXPECT_EQ(asciiOf(cht), asciiOf(chs)) << id;
        // A Chinese text is its own or the English one kept on purpose (the product name).
        EXPECT_TRUE(eng == chs || hasNonAscii(chs)) << id;
        EXPECT_TRUE(eng == cht || hasNonAscii(cht)) << id;
    }
}

}  // namespace
}  // namespace korvex
