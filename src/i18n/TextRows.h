#pragma once

// The rows behind the language tables: one row per text id with its three texts, so an
// id cannot be present in one language and forgotten in another.

#include <span>
#include <string_view>

namespace korvex::i18n {

struct TextRow {
    int id;
    std::string_view english;
    std::string_view simplifiedChinese;
    std::string_view traditionalChinese;
};

// Ids 1 to 234, ascending.
std::span<const TextRow> firstHalfRows();
// Ids 500 to 999, ascending (900 up: texts added for messages of our own).
std::span<const TextRow> secondHalfRows();

inline constexpr int kFirstHalfMin = 1, kFirstHalfMax = 234;
inline constexpr int kSecondHalfMin = 500, kSecondHalfMax = 999;

}  // namespace korvex::i18n
