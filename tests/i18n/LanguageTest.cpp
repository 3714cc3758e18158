#include "i18n/Language.h"

#include <climits>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "i18n/TextRows.h"

namespace korvex {
namespace {

constexpr const LanguageTable* kTables[] = {&ENGLanguage, &CHSLanguage, &CHTLanguage};

std::vector<int> heldIds() {
    std::vector<int> ids;
    for (const auto& row : i18n::firstHalfRows()) ids.push_back(row.id);
    for (const auto& row : i18n::secondHalfRows()) ids.push_back(row.id);
    return ids;
}

std::string digitsOf(std::string_view s) {
    std::string out;
    for (char c : s) {
        if (c >= '0' && c <= '9') out += c;
    }
    return out;
}

std::string asciiOf(std::string_view s) {
    std::string out;
    for (char c : s) {
        if (static_cast<unsigned char>(c) < 0x80) out += c;
    }
    return out;
}

bool hasNonAscii(std::string_view s) {
    return asciiOf(s).size() != s.size();
}

// Restores the process-wide language so tests do not leak it into each other.
class LanguageTest : public ::testing::Test {
  protected:
    void TearDown() override { curLanguage = saved_; }

  private:
    int saved_ = curLanguage;
};

TEST_F(LanguageTest, EveryHeldIdHasTextInAllThreeLanguages) {
    const std::vector<int> ids = heldIds();
    EXPECT_EQ(std::set<int>(ids.begin(), ids.end()).size(), ids.size());
    for (const LanguageTable* table : kTables) {
        EXPECT_EQ(table->size(), ids.size()) << table->codeText();
        for (int id : ids) {
            auto found = table->find(id);
            ASSERT_TRUE(found.has_value()) << table->codeText() << " id " << id;
            EXPECT_EQ(found->empty(), id == 1) << table->codeText() << " id " << id;
            EXPECT_EQ(table->getLan(id), *found);
        }
    }
}

TEST_F(LanguageTest, EveryIdTheFeaturesAskForIsHeld) {
    // Relabelling pass, sheets, key menu, custom key dialog, macro page, light pages.
    std::vector<int> used = {2,   3,   30,  67,  68,  69,  70,  71,  72,  90,  91,  101, 102, 103,
                             111, 112, 165, 166, 167, 171, 180, 181, 182, 183, 184, 185, 186, 188,
                             189, 190, 191, 192, 193, 200, 201, 210, 211, 212, 220, 221, 222, 223,
                             224, 225, 230, 231, 232, 233, 234, 530, 531, 532, 535, 560, 561, 566,
                             567, 600, 601, 602, 603, 605, 606, 607, 610, 611, 620, 621};
    // The dialog lists, the light mode rows and the sleep time choices are id ranges.
    for (auto [first, last] : {std::pair{120, 125},
                               {131, 138},
                               {145, 151},
                               {156, 161},
                               {168, 170},
                               {500, 519},
                               {536, 539}}) {
        for (int id = first; id <= last; ++id) used.push_back(id);
    }
    for (const LanguageTable* table : kTables) {
        for (int id : used) {
            auto found = table->find(id);
            ASSERT_TRUE(found.has_value()) << table->codeText() << " id " << id;
            EXPECT_FALSE(found->empty()) << table->codeText() << " id " << id;
        }
    }
}

TEST_F(LanguageTest, UnknownIdsGiveTheLanguageCode) {
    for (int id : {0, 4, 300, 318, 999, -1, 235, 499, 622, INT_MIN, INT_MAX}) {
        curLanguage = kLanguageEnglish;
        EXPECT_EQ(text(id), "ENG") << id;
        curLanguage = kLanguageSimplifiedChinese;
        EXPECT_EQ(text(id), "CHS") << id;
        curLanguage = kLanguageTraditionalChinese;
        EXPECT_EQ(text(id), "CHT") << id;
        EXPECT_FALSE(CHTLanguage.find(id).has_value()) << id;
    }
    // The second half alone knows only its own ids.
    EXPECT_EQ(CHSLanguage.getLan2(2), "CHS");
    EXPECT_EQ(CHSLanguage.getLan2(603), "语言");
    for (const LanguageTable* table : kTables) EXPECT_EQ(table->getLan(1), "");
}

TEST_F(LanguageTest, LanguageSelection) {
    EXPECT_EQ(curLanguage, kStartLanguage);
    EXPECT_EQ(kStartLanguage, kLanguageSimplifiedChinese);
    for (int other : {kLanguageEnglish, 0, -1, 9999, 2051}) {
        curLanguage = other;
        EXPECT_EQ(text(603), "Language") << other;
        EXPECT_EQ(&languageTable(other), &ENGLanguage);
        EXPECT_EQ(text(other, 603), "Language");
    }
    curLanguage = kLanguageTraditionalChinese;
    EXPECT_EQ(text(603), "語言");
    EXPECT_EQ(text(kLanguageSimplifiedChinese, 603), "语言");
    for (const LanguageTable* table : kTables) {
        EXPECT_TRUE(isKnownLanguage(table->code()));
        EXPECT_EQ(&languageTable(table->code()), table);
    }
    EXPECT_FALSE(isKnownLanguage(0));
    EXPECT_FALSE(isKnownLanguage(9999));
}

TEST_F(LanguageTest, LanguageListAndStoredChoice) {
    ASSERT_EQ(LanguageListDatas.size(), 3u);
    EXPECT_EQ(LanguageListDatas[0].text, "English");
    EXPECT_EQ(LanguageListDatas[1].text, "简体中文");
    EXPECT_EQ(LanguageListDatas[2].text, "繁体中文");
    EXPECT_EQ(languageListIndex(1033), 0);
    EXPECT_EQ(languageListIndex(2052), 1);
    EXPECT_EQ(languageListIndex(1028), 2);
    EXPECT_EQ(languageListIndex(0), -1);
    EXPECT_EQ(parseStoredLanguage("1033"), kLanguageEnglish);
    EXPECT_EQ(parseStoredLanguage("2052"), kLanguageSimplifiedChinese);
    EXPECT_EQ(parseStoredLanguage("1028"), kLanguageTraditionalChinese);
    for (std::string_view bad : {"", "9999", " 1033", "1033 ", "01033", "2052x", "ENG"}) {
        EXPECT_FALSE(parseStoredLanguage(bad).has_value()) << bad;
    }
}

// Cross-row checks: a text typed into the wrong row or column breaks one of these.
TEST_F(LanguageTest, RowsAgreeAcrossLanguages) {
    for (int id : heldIds()) {
        std::string_view eng = *ENGLanguage.find(id);
        std::string_view chs = *CHSLanguage.find(id);
        std::string_view cht = *CHTLanguage.find(id);
        EXPECT_FALSE(hasNonAscii(eng)) << id;
        EXPECT_EQ(digitsOf(chs), digitsOf(eng)) << id;
        EXPECT_EQ(asciiOf(cht), asciiOf(chs)) << id;
        // A Chinese text is either its own or the English one copied on purpose (id 30).
        EXPECT_TRUE(eng == chs || hasNonAscii(chs)) << id;
        EXPECT_TRUE(eng == cht || hasNonAscii(cht)) << id;
    }
    for (const LanguageTable* table : kTables) {
        EXPECT_EQ(table->getLan(30), "Korvex");
        for (int id = 220; id <= 225; ++id) {
            std::string_view prefix = id % 2 == 0 ? "[MOUSE DOWN] " : "[MOUSE UP] ";
            EXPECT_TRUE(table->getLan(id).starts_with(prefix)) << table->codeText() << id;
        }
    }
}

TEST_F(LanguageTest, TraditionalDiffersFromSimplifiedWhereItShould) {
    for (int id : {71,  72,  111, 112, 123, 180, 181, 200, 201, 210, 211, 212, 530,
                   531, 535, 537, 561, 600, 602, 603, 605, 606, 610, 611, 620, 621}) {
        EXPECT_NE(CHTLanguage.getLan(id), CHSLanguage.getLan(id)) << id;
    }
    for (int id : {2, 3, 30, 67, 146, 182, 536, 560, 601}) {
        EXPECT_EQ(CHTLanguage.getLan(id), CHSLanguage.getLan(id)) << id;
    }
}

TEST_F(LanguageTest, GameModeTextsInTraditionalChinese) {
    for (int id : {605, 606, 607}) {
        auto found = CHTLanguage.find(id);
        ASSERT_TRUE(found.has_value()) << id;
        EXPECT_FALSE(found->empty()) << id;
        EXPECT_TRUE(hasNonAscii(*found)) << id;
    }
    // Simplified-only characters must not appear in our own Traditional texts.
    for (std::string_view simplified : {"游", "戏", "锁"}) {
        for (int id : {605, 606, 607}) {
            EXPECT_EQ(CHTLanguage.getLan(id).find(simplified), std::string_view::npos) << id;
        }
    }
    EXPECT_TRUE(CHTLanguage.getLan(605).ends_with("模式"));
    EXPECT_TRUE(CHTLanguage.getLan(606).ends_with("Command"));
    EXPECT_EQ(CHTLanguage.getLan(607), "禁用");
}

// Spot checks against the texts the feature pages quote for their sheets and lists.
TEST_F(LanguageTest, SheetAndListTextsAsTheFeaturePagesQuoteThem) {
    EXPECT_EQ(ENGLanguage.getLan(610), "Reset keyboard");
    EXPECT_EQ(ENGLanguage.getLan(620),
              "Resetting the keyboard will erase all keyboard data. Continue?");
    EXPECT_EQ(CHSLanguage.getLan(620), "重置当前配置删除键盘当前数据，是否继续?");
    EXPECT_EQ(CHTLanguage.getLan(610), "重置當前配置");
    EXPECT_EQ(CHSLanguage.getLan(611), "恢复出厂设置");
    EXPECT_EQ(CHTLanguage.getLan(621), "恢復出廠設置會刪除所有數據，是否繼續?");
    // The factory-settings warning names what it erases, and it is not a mouse.
    EXPECT_EQ(ENGLanguage.getLan(621).find("mouse"), std::string_view::npos);
    EXPECT_EQ(ENGLanguage.getLan(3), "NO");
    EXPECT_EQ(CHTLanguage.getLan(2), "是");
    EXPECT_EQ(ENGLanguage.getLan(71), "Delete configuration scheme");
    EXPECT_EQ(ENGLanguage.getLan(72), "The last configuration scheme cannot be deleted");
    EXPECT_EQ(ENGLanguage.getLan(111), "Custom Key");
    EXPECT_EQ(ENGLanguage.getLan(112), "Please select a key on the keyboard");
    EXPECT_EQ(ENGLanguage.getLan(566), "User light");
    EXPECT_EQ(ENGLanguage.getLan(567), "Please add user lights");
    EXPECT_EQ(ENGLanguage.getLan(211), "Delete macro data item");
    EXPECT_EQ(ENGLanguage.getLan(212), "Please select macro list data");
    EXPECT_EQ(ENGLanguage.getLan(505), "Colourful");
    EXPECT_EQ(ENGLanguage.getLan(513), "Launch");
    EXPECT_EQ(ENGLanguage.getLan(519), "Close Backlight");
    EXPECT_EQ(ENGLanguage.getLan(539), "30 min");
    EXPECT_EQ(ENGLanguage.getLan(171), "Loop count(1 ~ 255)");
    EXPECT_EQ(ENGLanguage.getLan(102), "Disable Keys");
}

}  // namespace
}  // namespace korvex
