#include "i18n/Language.h"

#include <iconv.h>

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

std::set<int> heldIds() {
    std::set<int> ids;
    for (auto half : {i18n::firstHalfRows(), i18n::secondHalfRows(), i18n::ownRows()}) {
        for (const auto& row : half) ids.insert(row.id);
    }
    return ids;
}

std::string keep(std::string_view s, bool (*pred)(unsigned char)) {
    std::string out;
    for (char c : s) {
        if (pred(static_cast<unsigned char>(c))) out += c;
    }
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
class LanguageTest : public ::testing::Test {
  protected:
    void TearDown() override { curLanguage = saved_; }

  private:
    int saved_ = curLanguage;
};

TEST_F(LanguageTest, EveryIdTheFeaturesAskForHasTextInAllLanguages) {
    const std::set<int> held = heldIds();
    for (const LanguageTable* table : kTables) {
        EXPECT_EQ(table->size(), held.size()) << table->codeText();
        for (int id : held) {
            auto found = table->find(id);
            ASSERT_TRUE(found.has_value()) << table->codeText() << " id " << id;
            EXPECT_EQ(found->empty(), id == 1) << table->codeText() << " id " << id;
        }
    }
    // Relabelling pass, sheets, key menu, dialog lists, macro page, light pages, user light
    // files.
    std::set<int> used = {2,   3,   30,  67,  68,  69,  70,  71,  72,  90,  91,  101, 102, 103, 111,
                          112, 165, 166, 167, 171, 180, 181, 182, 183, 184, 185, 186, 188, 189, 190,
                          191, 192, 193, 200, 201, 210, 211, 212, 530, 531, 532, 535, 560, 561, 566,
                          567, 600, 601, 602, 603, 605, 606, 607, 610, 611, 620, 621};
    for (auto [first, last] : {std::pair{120, 125},
                               {131, 138},
                               {145, 151},
                               {156, 161},
                               {168, 170},
                               {220, 225},
                               {230, 234},
                               {500, 519},
                               {536, 539},
                               {950, 973}}) {
        for (int id = first; id <= last; ++id) used.insert(id);
    }
    for (int id : used) EXPECT_TRUE(held.contains(id)) << id;
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
    EXPECT_EQ(CHSLanguage.getLan2(2), "CHS");  // the second half knows only its own ids
    EXPECT_EQ(CHSLanguage.getLan2(603), "语言");
    for (const LanguageTable* table : kTables) EXPECT_EQ(table->getLan(1), "");
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
        EXPECT_TRUE(isKnownLanguage(entry.mode));
        EXPECT_EQ(languageListIndex(entry.mode), i);
        EXPECT_EQ(languageTable(entry.mode).code(), entry.mode);
        EXPECT_EQ(parseStoredLanguage(std::to_string(entry.mode)), entry.mode);
    }
    EXPECT_EQ(LanguageListDatas[1].text, "简体中文");
    EXPECT_EQ(languageListIndex(0), -1);
    EXPECT_FALSE(isKnownLanguage(9999));
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
        // A Chinese text is its own or the English one kept on purpose (the product name).
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
    for (int id : {71, 72, 111, 123, 180, 181, 211, 212, 531, 537, 600, 603, 610, 611, 621}) {
        EXPECT_NE(CHTLanguage.getLan(id), CHSLanguage.getLan(id)) << id;
    }
    for (int id : {2, 3, 67, 146, 182, 536, 560, 601}) {
        EXPECT_EQ(CHTLanguage.getLan(id), CHSLanguage.getLan(id)) << id;
    }
}

// A Traditional Chinese reader sees a Simplified character as a misprint.
// Simplified-only: GB2312 holds it and Big5 does not, or it is one of the few
// simplified forms Big5 keeps as a rare character.
bool encodes(const char* charset, const std::string& utf8) {
    iconv_t cd = iconv_open(charset, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string in = utf8;
    char out[16];
    char* inPtr = in.data();
    char* outPtr = out;
    std::size_t inLeft = in.size(), outLeft = sizeof out;
    const bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    return ok && inLeft == 0;
}

std::vector<std::string> characters(std::string_view utf8) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        out.emplace_back(utf8.substr(i, n));
        i += n;
    }
    return out;
}

bool simplifiedOnly(const std::string& c) {
    static const std::string kKeptByBig5 = "并厂构机极价洁惊据坏怀离么气确扰胜圣听万网优与愿种体复";
    if (c.size() < 3) return false;
    if (kKeptByBig5.find(c) != std::string::npos) return true;
    return encodes("GB2312", c) && !encodes("BIG5", c);
}

TEST_F(LanguageTest, TraditionalTextsUseNoSimplifiedOnlyCharacter) {
    // The check itself: one character that must be caught, its Traditional
    // form and a character both scripts share must not.
    ASSERT_TRUE(simplifiedOnly("层"));
    ASSERT_TRUE(simplifiedOnly("体"));
    ASSERT_FALSE(simplifiedOnly("層"));
    ASSERT_FALSE(simplifiedOnly("光"));
    for (int id : heldIds()) {
        for (const std::string& c : characters(*CHTLanguage.find(id)))
            EXPECT_FALSE(simplifiedOnly(c)) << id << " " << c;
    }
    EXPECT_TRUE(CHTLanguage.getLan(605).ends_with("模式"));
    EXPECT_TRUE(CHTLanguage.getLan(606).ends_with("Command"));
    EXPECT_EQ(CHTLanguage.getLan(607), "禁用");
}

// Spot checks against the texts the feature pages quote for their sheets and lists.
TEST_F(LanguageTest, TextsAsTheFeaturePagesQuoteThem) {
    EXPECT_EQ(ENGLanguage.getLan(620),
              "Resetting the keyboard will erase all keyboard data. Continue?");
    EXPECT_EQ(CHSLanguage.getLan(620), "重置当前配置删除键盘当前数据，是否继续?");
    EXPECT_EQ(CHTLanguage.getLan(610), "重置當前配置");
    EXPECT_EQ(CHTLanguage.getLan(621), "恢復出廠設置會刪除所有數據，是否繼續?");
    // The factory-settings warning is about this keyboard, not a mouse.
    EXPECT_EQ(ENGLanguage.getLan(621).find("mouse"), std::string_view::npos);
    EXPECT_EQ(ENGLanguage.getLan(72), "The last configuration scheme cannot be deleted");
    EXPECT_EQ(ENGLanguage.getLan(112), "Please select a key on the keyboard");
    EXPECT_EQ(ENGLanguage.getLan(567), "Please add user lights");
    EXPECT_EQ(ENGLanguage.getLan(212), "Please select macro list data");
    EXPECT_EQ(ENGLanguage.getLan(505), "Colourful");
    EXPECT_EQ(ENGLanguage.getLan(519), "Close Backlight");
}

}  // namespace
}  // namespace korvex
