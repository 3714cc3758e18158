#include "protocol/Encoders.h"
#include "protocol/Frames.h"

namespace korvex {

std::uint8_t parseStoredByte(std::string_view text) {
    if (text.empty() || text.size() > 3) return 0;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value <= 0xFF ? static_cast<std::uint8_t>(value) : 0;
}

SystemFunctionState systemFunctionStateFromStore(const StoredSystemValues& stored) {
    SystemFunctionState state;
    state.fnfunction = parseStoredByte(stored.fnfunction);
    state.sleeplight = parseStoredByte(stored.sleeplight);
    if (stored.gamemode != "1") return state;
    state.gameMode = true;
    state.disableAltTab = stored.disable_alttab == "1";
    state.disableAltF4 = stored.disable_altf4 == "1";
    state.disableWin = stored.disable_win == "1";
    return state;
}

std::vector<Transfer> SendSystemFunctionData(const SystemFunctionState& state) {
    frames::CommandArray command;
    std::vector<Transfer> out;
    out.push_back(command.report(frames::kBegin, 0x00));
    // Byte 2 stays set in the command array and goes out again in the end
    // report; the keyboard has always seen it there.
    command.set(2, 0x01);
    out.push_back(command.report(frames::kSystemFunctions, 0x01));

    std::vector<std::uint8_t> data(kReportSize, 0);
    data[1] = state.gameMode ? 1 : 0;
    data[2] = state.disableAltTab ? 1 : 0;
    data[3] = state.disableAltF4 ? 1 : 0;
    data[4] = state.disableWin ? 1 : 0;
    data[5] = state.fnfunction;
    data[6] = state.sleeplight;
    frames::endMarker(data, kReportSize - 2);
    out.push_back(frames::dataReport(std::move(data)));

    out.push_back(command.report(frames::kEnd, 0x00));
    return out;
}

Upload systemFunctionUpload(const SystemFunctionState& state) {
    return {UploadKind::SystemFunctions, 0, SendSystemFunctionData(state), "system functions"};
}

}  // namespace korvex
