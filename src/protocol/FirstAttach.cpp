#include "protocol/Encoders.h"

namespace korvex {

std::vector<Upload> firstAttachUploads(const StartupSettings& s) {
    std::vector<Upload> out;
    // Selecting the first row of the profile list switches to that profile.
    if (s.firstListedProfile)
        out.push_back(keyTablesUpload(*s.firstListedProfile, s.firstListedTopRows,
                                      s.firstListedFnRows, s.macros));
    if (s.lightModeRecord) out.push_back(lightModeUpload(s.lightMode, s.lightModeRecord));
    if (s.firstUserLightId) {
        // Loading the list's first user light uploads it, and selecting its
        // row uploads it once more.
        for (int i = 0; i < 2; ++i)
            out.push_back(userLightUpload(*s.firstUserLightId, s.firstUserLightLeds));
    }
    out.push_back(systemFunctionUpload(s.system));
    out.push_back(keyTablesUpload(1, s.profile1TopRows, s.profile1FnRows, s.macros));
    return out;
}

}  // namespace korvex
