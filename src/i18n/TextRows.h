#pragma once

// The rows behind the language tables: one row per text id with its three texts, so an
// id cannot be present in one language and forgotten in another.

#include <array>
#include <cstddef>
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
// Ids 500 to 621, ascending.
std::span<const TextRow> secondHalfRows();
// Ids 800 to 1999, ascending: texts of this program the two halves lack.
std::span<const TextRow> ownRows();

inline constexpr int kFirstHalfMin = 1, kFirstHalfMax = 234;
inline constexpr int kSecondHalfMin = 500, kSecondHalfMax = 621;
inline constexpr int kOwnMin = 800, kOwnMax = 1999;

// Rows sorted by id without repeats and inside their range; checked at compile time.
template <std::size_t N>
constexpr bool ascendingWithin(const std::array<TextRow, N>& rows, int min, int max) {
    for (std::size_t i = 0; i < N; ++i) {
        if (rows[i].id < min || rows[i].id > max) return false;
        if (i > 0 && rows[i - 1].id >= rows[i].id) return false;
    }
    return true;
}

}  // namespace korvex::i18n
