#include "StoredUploads.h"

namespace korvex {

sync::BuiltUploads startupUploads(DeviceSQLite& db, std::int64_t profile,
                                  std::optional<std::int64_t> userLight,
                                  std::vector<MacroInfo> keyboardMacros,
                                  std::optional<std::int64_t>& endsOnUserLight) {
    endsOnUserLight.reset();
    sync::BuiltUploads built = sync::buildUploads(
        db, {sync::UploadChoice::Startup, profile, userLight, std::move(keyboardMacros)});
    if (built.status != sync::BuiltUploads::Status::Ready) return built;
    for (const Upload& part : built.uploads)
        if (part.kind == UploadKind::UserLight) endsOnUserLight = part.target;
    Upload all;
    all.kind = UploadKind::Keys;
    all.target = -1;  // no other upload has this target
    all.label = "start-up settings";
    for (Upload& part : built.uploads)
        for (Transfer& t : part.transfers) all.transfers.push_back(std::move(t));
    built.uploads.clear();
    if (!all.transfers.empty()) built.uploads.push_back(std::move(all));
    return built;
}

}  // namespace korvex
