#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korvex {

// One step of an upload, in wire order. Encoders produce these from stored
// settings; the transport sends them. Bytes are exactly what goes out.
struct Transfer {
    enum class Kind {
        Command,  // one report written, then read back (repeat once on 0xFF in byte 3)
        Data,     // one lone 64-byte report, no read-back
        Bulk,     // a run of 64-byte chunks cut from bytes; length as the caller passes it
    };
    Kind kind = Kind::Command;
    std::vector<std::uint8_t> bytes;  // Command: 65 (first 64 go out); Data: 64; Bulk: length
    std::size_t length = 0;           // Bulk only: the length argument of the run
    // One more 8 ms gap before this transfer, on top of the transport's own:
    // the keyboard gets it before the macro image and before the report that
    // closes it.
    bool extraPause = false;

    bool operator==(const Transfer&) const = default;
};

// Command codes (byte 1) that open an exchange with the keyboard: begin, and
// the macro image's own begin. An exchange runs until the next one opens.
inline constexpr std::uint8_t kBeginCommand = 0x18;
inline constexpr std::uint8_t kMacroBeginCommand = 0x19;

inline bool opensExchange(const Transfer& t) {
    return t.kind == Transfer::Kind::Command && t.bytes.size() > 1 &&
           (t.bytes[1] == kBeginCommand || t.bytes[1] == kMacroBeginCommand);
}

// What one upload is for; the worker replaces a queued upload of the same
// kind and target with a newer one. One layer's key table has a kind of its
// own, so a queued table of the other layer is never replaced by it.
enum class UploadKind {
    Keys,
    SystemFunctions,
    LightMode,
    UserLight,
    Macros,
    TopLayerKeys,
    FnLayerKeys
};

struct Upload {
    UploadKind kind = UploadKind::Keys;
    std::int64_t target = 0;  // profile, light id, ... ; 0 when the kind has one target
    std::vector<Transfer> transfers;
    std::string label;  // short description for logs and status
};

}  // namespace korvex
