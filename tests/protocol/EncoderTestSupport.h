#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "catalog/KeyCatalog.h"
#include "protocol/Encoders.h"

namespace korvex::test {

using Bytes = std::vector<std::uint8_t>;

// Bytes [at, at + values.size()) hold values and every other byte is zero.
inline Bytes zerosWith(std::size_t size, std::vector<std::pair<std::size_t, Bytes>> parts) {
    Bytes b(size, 0);
    for (const auto& [at, values] : parts)
        for (std::size_t i = 0; i < values.size(); ++i) b[at + i] = values[i];
    return b;
}

// A command report: the whole 65-byte array, zero but for bytes 0, 1, 2 and 8.
inline void expectCommand(const Transfer& t, std::uint8_t code, std::uint8_t byte8 = 0,
                          std::uint8_t byte2 = 0) {
    EXPECT_EQ(t.kind, Transfer::Kind::Command);
    EXPECT_EQ(t.bytes, zerosWith(kCommandArraySize, {{0, {0x04, code, byte2}}, {8, {byte8}}}))
        << "command 0x" << std::hex << int{code};
}

// Begin, a header with its byte 8, a run of `length` bytes holding `bytes`, the end report.
inline void expectRunExchange(const std::vector<Transfer>& t, std::uint8_t begin,
                              std::uint8_t header, std::uint8_t byte8, std::size_t length,
                              const Bytes& bytes) {
    ASSERT_GE(t.size(), 4u);
    expectCommand(t[0], begin);
    expectCommand(t[1], header, byte8);
    EXPECT_EQ(t[2].kind, Transfer::Kind::Bulk);
    EXPECT_EQ(t[2].length, length);
    EXPECT_EQ(t[2].bytes, bytes);
    expectCommand(t[3], 0x02);
}

inline const KeyInfo& key(int code) {
    const KeyInfo* k = findKeyByCode(code);
    if (k == nullptr) ADD_FAILURE() << "no key " << code;
    return k ? *k : allKeys()[0];
}

inline ProfileKey row(int keyCode, std::int64_t type, std::int64_t v = 0, std::int64_t v2 = 0,
                      std::int64_t v3 = 0) {
    return {0, 0, 1, keyCode, type, v, v2, v3, ""};
}

inline MacroInfo macro(std::int64_t id) {
    return {id, 1, 0, 0, "macro"};
}

inline RecordInfo event(std::int64_t macroId, std::int64_t type, std::int64_t value) {
    return {0, macroId, type, 0, value, ""};
}

// One delay, then 341 alternating key down and up rows: with the delays put
// between them, 682 events, the largest macro image there is.
inline std::vector<RecordInfo> fullImageRows() {
    std::vector<RecordInfo> rows = {event(1, 1, 1)};
    for (int i = 0; i < 341; ++i) rows.push_back(event(1, i % 2 ? 3 : 2, 4));
    return rows;
}

}  // namespace korvex::test
