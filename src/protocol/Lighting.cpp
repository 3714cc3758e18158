#include "protocol/Encoders.h"
#include "protocol/Frames.h"

namespace korvex {

namespace {

constexpr std::size_t kModeMarkerAt = 14;
constexpr std::size_t kLedEntries = 123;  // entries that start as [index, 0, 0, 0]
constexpr std::size_t kTableMarkerAt = kTableRunLength - kReportSize - 2;

// begin, light mode header, the one data report, end, store.
std::vector<Transfer> modeFrames(std::vector<std::uint8_t> data) {
    frames::CommandArray command;
    std::vector<Transfer> out;
    out.push_back(command.report(frames::kBegin, 0x00));
    out.push_back(command.report(frames::kLightMode, 0x01));
    out.push_back(frames::dataReport(std::move(data)));
    out.push_back(command.report(frames::kEnd, 0x00));
    out.push_back(command.report(frames::kStore, 0x00));
    return out;
}

}  // namespace

std::vector<Transfer> SendLightModeData(std::uint8_t lightMode,
                                        const std::optional<lightData>& record) {
    std::vector<std::uint8_t> data(kReportSize, 0);
    data[0] = lightMode;
    if (record) {
        // Colour, then random colour flag, brightness, speed and direction.
        for (std::size_t i : {1, 2, 3, 8, 9, 10, 11})
            if (i < record->lightBytes.size()) data[i] = record->lightBytes[i];
    }
    frames::endMarker(data, kModeMarkerAt);
    return modeFrames(std::move(data));
}

Upload lightModeUpload(std::uint8_t lightMode, const std::optional<lightData>& record) {
    return {UploadKind::LightMode, 0, SendLightModeData(lightMode, record),
            "light mode " + std::to_string(lightMode)};
}

std::vector<Transfer> SendUserLightModeData() {
    std::vector<std::uint8_t> data(kReportSize, 0);
    data[0] = 0x80;  // user light
    data[1] = 0xFF;
    data[8] = 0x01;
    data[9] = data[10] = data[11] = 0x0F;
    frames::endMarker(data, kModeMarkerAt);
    return modeFrames(std::move(data));
}

Upload userLightModeUpload() {
    // It replaces the keyboard's light mode, like any light mode upload.
    return {UploadKind::LightMode, 0, SendUserLightModeData(), "user light mode"};
}

std::vector<Transfer> SendUserLightLedData(const std::vector<UserLightLEDData>& leds) {
    frames::CommandArray command;
    std::vector<Transfer> out;
    out.push_back(command.report(frames::kBegin, 0x00));
    out.push_back(command.report(frames::kUserLightLeds, 0x09));

    std::vector<std::uint8_t> table(kTableSize, 0);
    for (std::size_t i = 0; i < kLedEntries; ++i) table[4 * i] = static_cast<std::uint8_t>(i);
    for (const UserLightLEDData& led : leds) {
        if (led.key_rgbvalue < 0 || led.key_rgbvalue > 0xFFFFFF) continue;
        const auto index = frames::lightTableIndex(led.key_value);
        if (!index) continue;
        const std::size_t at = 4 * *index;
        table[at] = static_cast<std::uint8_t>(*index);
        table[at + 1] = static_cast<std::uint8_t>(led.key_rgbvalue >> 16);
        table[at + 2] = static_cast<std::uint8_t>(led.key_rgbvalue >> 8);
        table[at + 3] = static_cast<std::uint8_t>(led.key_rgbvalue);
    }
    frames::endMarker(table, kTableMarkerAt);
    out.push_back(frames::bulkRun(std::move(table), kTableRunLength));
    out.push_back(command.report(frames::kEnd, 0x00));
    out.push_back(command.report(frames::kStore, 0x00));

    frames::append(out, SendUserLightModeData());
    return out;
}

Upload userLightUpload(std::int64_t userlightId, const std::vector<UserLightLEDData>& leds) {
    return {UploadKind::UserLight, userlightId, SendUserLightLedData(leds),
            "user light " + std::to_string(userlightId)};
}

}  // namespace korvex
