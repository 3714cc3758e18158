#pragma once

// Expected values typed once from the printed tables, one tab-separated file
// per table in this folder. Tests compare the product's tables with these, so
// a swapped or mistyped entry fails instead of being looked up through itself.

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace korvex::test {

using Row = std::vector<std::string>;

inline std::vector<Row> expectedTable(const std::string& name) {
    std::ifstream in(std::string(KORVEX_TEST_DATA) + "/" + name);
    std::vector<Row> rows;
    for (std::string line; std::getline(in, line);) {
        Row row;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');) row.push_back(cell);
        if (line.ends_with('\t')) row.emplace_back();
        rows.push_back(std::move(row));
    }
    if (rows.empty()) ADD_FAILURE() << "no expected values in " << name;
    return rows;
}

inline int num(const std::string& cell, int base = 10) {
    return std::stoi(cell, nullptr, base);
}

// "02 08 1b 00" as bytes.
inline std::vector<std::uint8_t> hexBytes(const std::string& cell) {
    std::vector<std::uint8_t> out;
    std::istringstream in(cell);
    for (std::string b; in >> b;) out.push_back(static_cast<std::uint8_t>(num(b, 16)));
    return out;
}

}  // namespace korvex::test
