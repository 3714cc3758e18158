#pragma once

// Interface texts in English, Simplified Chinese and Traditional Chinese, looked up by a
// numeric text id. Every lookup answers: an id no table holds gives the table's language
// code ("ENG", "CHS", "CHT") so a missing text is visible on screen instead of a crash.

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace korvex {

inline constexpr int kLanguageEnglish = 1033, kLanguageSimplifiedChinese = 2052,
                     kLanguageTraditionalChinese = 1028;

// The language the interface uses until the stored choice has been read.
inline constexpr int kStartLanguage = kLanguageSimplifiedChinese;

// The process-wide current language; main thread only. Values other than 1028 and 2052
// select English.
extern int curLanguage;

// The text of `textId` in curLanguage.
std::string_view text(int textId);
// The text of `textId` in `language` (1028 Traditional, 2052 Simplified, anything else
// English).
std::string_view text(int language, int textId);
bool isKnownLanguage(int language);

// One language's table. getLan answers any id: its first half (ids 1 to 234), then
// getLan2 (ids 500 to 621, then our own ids 800 to 1999), then the language code text.
class LanguageTable {
  public:
    enum class Column { English, SimplifiedChinese, TraditionalChinese };

    constexpr LanguageTable(int code, std::string_view codeText, Column column)
        : code_(code), codeText_(codeText), column_(column) {}

    int code() const { return code_; }
    std::string_view codeText() const { return codeText_; }

    std::string_view getLan(int textId) const;
    std::string_view getLan2(int textId) const;
    // The text when the table holds the id; empty texts (id 1) are held texts.
    std::optional<std::string_view> find(int textId) const;
    // Number of ids the table holds.
    std::size_t size() const;

  private:
    int code_;
    std::string_view codeText_;
    Column column_;
};

inline constexpr LanguageTable ENGLanguage{kLanguageEnglish, "ENG", LanguageTable::Column::English};
inline constexpr LanguageTable CHSLanguage{kLanguageSimplifiedChinese, "CHS",
                                           LanguageTable::Column::SimplifiedChinese};
inline constexpr LanguageTable CHTLanguage{kLanguageTraditionalChinese, "CHT",
                                           LanguageTable::Column::TraditionalChinese};

// The table `language` selects (1028 Traditional, 2052 Simplified, anything else English).
const LanguageTable& languageTable(int language);

// The entries of the language combo box, in display order.
struct LanguageListEntry {
    std::string_view text;
    int mode;
};
inline constexpr std::array<LanguageListEntry, 3> LanguageListDatas{{
    {"English", kLanguageEnglish},
    {"简体中文", kLanguageSimplifiedChinese},
    {"繁体中文", kLanguageTraditionalChinese},
}};

// Row of `language` in LanguageListDatas, or -1.
int languageListIndex(int language);

// The language of a stored "language" value ("1033", "2052" or "1028"); nullopt for any
// other text, including the empty one.
std::optional<int> parseStoredLanguage(std::string_view stored);

}  // namespace korvex
