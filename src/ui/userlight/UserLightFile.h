#pragma once

// User light files: one scheme as JSON, so schemes can be kept and shared.
//
//   { "format": "korvex-userlight", "version": 1, "name": "...",
//     "keys": [ { "name": "escape", "code": 41, "color": "#FF0000" }, ... ] }
//
// Writing lists every key of the keyboard in on-screen order (black keys
// included), so a file read and written again comes out byte for byte the
// same. Reading refuses the whole file at the first problem and says which
// line or key it is.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

#include "store/Records.h"

namespace korvex {

inline constexpr int kUserLightFileVersion = 1;

struct UserLightFileScheme {
    QString name;
    // Key code and 0xRRGGBB of every key the file lists, in file order.
    std::vector<UserLightLEDData> leds;
};

struct UserLightFileRead {
    std::optional<UserLightFileScheme> scheme;
    QString error;  // one sentence for the user when refused, in the current language
};

// The stored colours of a scheme (store order; a later row for a key wins;
// rows of keys this keyboard lacks are left out).
QByteArray userLightFileData(const QString& name, const std::vector<UserLightLEDData>& leds);
UserLightFileRead readUserLightFileData(const QByteArray& data);

// Whole file or nothing: the old file stays until the new one is complete.
bool writeUserLightFile(const QString& path, const QByteArray& data, QString* error);
std::optional<QByteArray> readWholeFile(const QString& path, QString* error);

}  // namespace korvex
