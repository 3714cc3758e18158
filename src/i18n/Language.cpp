#include "i18n/Language.h"

#include <algorithm>
#include <string>

#include "i18n/TextRows.h"

namespace korvex {

int curLanguage = kStartLanguage;

namespace {

const i18n::TextRow* findRow(std::span<const i18n::TextRow> rows, int textId) {
    auto it = std::lower_bound(rows.begin(), rows.end(), textId,
                               [](const i18n::TextRow& row, int id) { return row.id < id; });
    if (it == rows.end() || it->id != textId) return nullptr;
    return &*it;
}

std::string_view column(const i18n::TextRow& row, LanguageTable::Column c) {
    switch (c) {
        case LanguageTable::Column::SimplifiedChinese:
            return row.simplifiedChinese;
        case LanguageTable::Column::TraditionalChinese:
            return row.traditionalChinese;
        case LanguageTable::Column::English:
            break;
    }
    return row.english;
}

}  // namespace

std::optional<std::string_view> LanguageTable::find(int textId) const {
    const i18n::TextRow* row = findRow(i18n::firstHalfRows(), textId);
    if (row == nullptr) row = findRow(i18n::secondHalfRows(), textId);
    if (row == nullptr) row = findRow(i18n::ownRows(), textId);
    if (row == nullptr) return std::nullopt;
    return column(*row, column_);
}

std::string_view LanguageTable::getLan(int textId) const {
    if (const i18n::TextRow* row = findRow(i18n::firstHalfRows(), textId)) {
        return column(*row, column_);
    }
    return getLan2(textId);
}

std::string_view LanguageTable::getLan2(int textId) const {
    if (const i18n::TextRow* row = findRow(i18n::secondHalfRows(), textId)) {
        return column(*row, column_);
    }
    if (const i18n::TextRow* row = findRow(i18n::ownRows(), textId)) {
        return column(*row, column_);
    }
    return codeText_;
}

std::size_t LanguageTable::size() const {
    // Every row carries all three languages, so the count is the same for each table.
    return i18n::firstHalfRows().size() + i18n::secondHalfRows().size() + i18n::ownRows().size();
}

const LanguageTable& languageTable(int language) {
    switch (language) {
        case kLanguageTraditionalChinese:
            return CHTLanguage;
        case kLanguageSimplifiedChinese:
            return CHSLanguage;
        default:
            return ENGLanguage;
    }
}

std::string_view text(int language, int textId) {
    return languageTable(language).getLan(textId);
}

std::string_view text(int textId) {
    return text(curLanguage, textId);
}

bool isKnownLanguage(int language) {
    return languageListIndex(language) >= 0;
}

int languageListIndex(int language) {
    for (std::size_t i = 0; i < LanguageListDatas.size(); ++i) {
        if (LanguageListDatas[i].mode == language) return static_cast<int>(i);
    }
    return -1;
}

std::optional<int> parseStoredLanguage(std::string_view stored) {
    for (const LanguageListEntry& entry : LanguageListDatas) {
        if (stored == std::to_string(entry.mode)) return entry.mode;
    }
    return std::nullopt;
}

}  // namespace korvex
