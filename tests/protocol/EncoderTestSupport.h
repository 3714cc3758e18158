#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "catalog/KeyCatalog.h"
#include "protocol/Encoders.h"

namespace korvex::test {

using Bytes = std::vector<std::uint8_t>;

// The 65-byte command array with the given bytes set.
inline Bytes commandBytes(std::uint8_t code, std::uint8_t byte8 = 0, std::uint8_t byte2 = 0) {
    Bytes c(kCommandArraySize, 0);
    c[0] = 0x04;
    c[1] = code;
    c[2] = byte2;
    c[8] = byte8;
    return c;
}

inline void expectCommand(const Transfer& t, std::uint8_t code, std::uint8_t byte8 = 0,
                          std::uint8_t byte2 = 0) {
    EXPECT_EQ(t.kind, Transfer::Kind::Command);
    EXPECT_EQ(t.bytes, commandBytes(code, byte8, byte2)) << "command 0x" << std::hex << int{code};
}

// Bytes [at, at + values.size()) hold values and every other byte is zero.
inline Bytes zerosWith(std::size_t size, std::vector<std::pair<std::size_t, Bytes>> parts) {
    Bytes b(size, 0);
    for (const auto& [at, values] : parts)
        for (std::size_t i = 0; i < values.size(); ++i) b[at + i] = values[i];
    return b;
}

inline const KeyInfo& key(int code) {
    const KeyInfo* k = findKeyByCode(code);
    if (k == nullptr) ADD_FAILURE() << "no key " << code;
    return k ? *k : allKeys()[0];
}

inline const KeyInfo& keyWithIndex(int keyIndex) {
    for (const KeyInfo& k : allKeys())
        if (k.key_index == keyIndex) return k;
    ADD_FAILURE() << "no key with index " << keyIndex;
    return allKeys()[0];
}

inline ProfileKey row(int keyCode, std::int64_t type, std::int64_t v = 0, std::int64_t v2 = 0,
                      std::int64_t v3 = 0, std::int64_t layer = 0) {
    ProfileKey r;
    r.keyValue = keyCode;
    r.fnlayerId = layer;
    r.macroType = type;
    r.macroValue = v;
    r.macro2Value = v2;
    r.macro3Value = v3;
    return r;
}

inline MacroInfo macro(std::int64_t id) {
    MacroInfo m;
    m.macroId = id;
    m.macroName = "macro " + std::to_string(id);
    return m;
}

inline RecordInfo event(std::int64_t macroId, std::int64_t type, std::int64_t value) {
    RecordInfo r;
    r.macroId = macroId;
    r.recordType = type;
    r.recordValue = value;
    return r;
}

}  // namespace korvex::test
