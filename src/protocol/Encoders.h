#pragma once

// Encoders: stored settings in, the keyboard's reports out. Every function
// here is pure; nothing is sent. The transfers come in wire order and carry
// exactly the bytes the keyboard receives.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/Transfer.h"
#include "store/Records.h"

namespace korvex {

// Sizes the keyboard relies on.
inline constexpr std::size_t kReportSize = 64;
inline constexpr std::size_t kCommandArraySize = 65;  // only the first 64 bytes go out
inline constexpr std::size_t kTableSize = 780;        // key table and per-key colour table
inline constexpr std::size_t kTableRunLength = 640;   // sends 9 reports, bytes 0 to 575
inline constexpr std::size_t kMacroImageSize = 3200;
inline constexpr std::size_t kMacroSlots = 100;
inline constexpr std::size_t kMacroSizeLimit = 2500;  // 4 * events + 8 * macros

// ---- key tables ----------------------------------------------------------

// The key table of one layer: begin, header (0x11 for layer 0, 0x27 for any
// other layer), 9 table reports, end. `rows` are the layer's assignments in
// store order; `macros` the whole macro list in store order, which names the
// slot a macro key plays. Rows for keys the catalog does not know are skipped;
// a later row of a key replaces an earlier one. A stored value that does not
// fit its byte is sent as 0, and a macro past the 100 slots of the macro
// image leaves the key at its own function.
std::vector<Transfer> SendKeyMacroData(std::int64_t fnlayer, const std::vector<ProfileKey>& rows,
                                       const std::vector<MacroInfo>& macros);

// The key tables of a profile: the top layer, then at once its Fn layer, so
// Fn-layer assignments reach the keyboard whenever the keys are uploaded.
Upload keyTablesUpload(std::int64_t profile, const std::vector<ProfileKey>& topRows,
                       const std::vector<ProfileKey>& fnRows, const std::vector<MacroInfo>& macros);

// The key table of one layer of a profile (0 top, any other the Fn layer),
// for an edit that changed that layer alone.
Upload keyLayerUpload(std::int64_t profile, std::int64_t fnlayer,
                      const std::vector<ProfileKey>& rows, const std::vector<MacroInfo>& macros);

// ---- system functions ----------------------------------------------------

// The four check boxes of the settings page and the two stored numbers.
struct SystemFunctionState {
    bool gameMode = false;
    bool disableAltTab = false;
    bool disableAltF4 = false;
    bool disableWin = false;
    std::uint8_t fnfunction = 0;
    std::uint8_t sleeplight = 0;
};

// The stored configuration texts of profile 1 that the system upload uses.
struct StoredSystemValues {
    std::string gamemode;
    std::string disable_alttab;
    std::string disable_altf4;
    std::string disable_win;
    std::string fnfunction;
    std::string sleeplight;
};

// A stored number of one byte: decimal digits only, 0 to 255. Anything else
// (empty, signs, blanks, larger values) counts as 0.
std::uint8_t parseStoredByte(std::string_view text);

// The boxes as the settings page restores them from the store: all off
// unless game mode is "1"; then each sub-box on exactly when it is "1".
SystemFunctionState systemFunctionStateFromStore(const StoredSystemValues& stored);

// begin, header (04 17 01 .. 01), the data report, end (byte 2 still 0x01).
std::vector<Transfer> SendSystemFunctionData(const SystemFunctionState& state);
Upload systemFunctionUpload(const SystemFunctionState& state);

// ---- lighting ------------------------------------------------------------

// The built-in light mode: begin, header 0x13, the mode data report, end,
// store. Without a stored record the parameters are zero.
std::vector<Transfer> SendLightModeData(std::uint8_t lightMode,
                                        const std::optional<lightData>& record);
Upload lightModeUpload(std::uint8_t lightMode, const std::optional<lightData>& record);

// The switch into user light mode, the same frame with a fixed data report.
std::vector<Transfer> SendUserLightModeData();
Upload userLightModeUpload();

// The per-key colours of one user light (rows in store order; a later row of
// the same key wins), followed by the switch into user light mode. Rows for
// unknown keys and colours above 0xFFFFFF are skipped.
std::vector<Transfer> SendUserLightLedData(const std::vector<UserLightLEDData>& leds);
Upload userLightUpload(std::int64_t userlightId, const std::vector<UserLightLEDData>& leds);

// ---- macros --------------------------------------------------------------

enum class MacroImageStatus {
    Ready,
    TooLarge,  // over the event limit, past the image or more macros than slots; nothing to send
};

struct MacroImageResult {
    MacroImageStatus status = MacroImageStatus::Ready;
    Upload upload;       // no transfers unless Ready
    std::string reason;  // why it was refused, one line for the user
};

// The macro image of every macro: `macros` in store order, `records` their
// event rows (any order of macros, each macro's rows in store order).
// `storedRecordCount` is the number of event rows the store holds, rows of
// macros no longer listed included; the event limit counts it when larger.
MacroImageResult SaveMacroToKeyboard(const std::vector<MacroInfo>& macros,
                                     const std::vector<RecordInfo>& records,
                                     std::size_t storedRecordCount = 0);

// ---- first attach ----------------------------------------------------------

// What the uploads of a first attach are built from.
struct StartupSettings {
    std::optional<std::int64_t> firstListedProfile;  // first row of the profile list, if any
    std::vector<ProfileKey> firstListedTopRows;
    std::vector<ProfileKey> firstListedFnRows;
    std::vector<MacroInfo> macros;
    // The selected light mode of the profile it ends on and its stored
    // record; without a record the light page selects the row but sends
    // nothing.
    std::uint8_t lightMode = 0;
    std::optional<lightData> lightModeRecord;
    // The user light it ends on; none: it ends on the light mode.
    std::optional<std::int64_t> firstUserLightId;
    std::vector<UserLightLEDData> firstUserLightLeds;
    SystemFunctionState system;
    std::vector<ProfileKey> profile1TopRows;
    std::vector<ProfileKey> profile1FnRows;
};

// In order: the key tables of the first listed profile, the light mode, the
// first user light twice (when there is one), the system functions, the key
// tables of profile 1.
std::vector<Upload> firstAttachUploads(const StartupSettings& settings);

}  // namespace korvex
