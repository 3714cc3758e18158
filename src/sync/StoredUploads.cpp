#include "StoredUploads.h"

#include <cstdio>

namespace korvex {

std::vector<Upload> storedUploads(DeviceSQLite& db, sync::UploadChoice choice, std::int64_t profile,
                                  std::optional<std::vector<MacroInfo>> keyboardMacros) {
    sync::BuiltUploads built =
        db.isOpen()
            ? sync::buildUploads(db, {choice, profile, std::nullopt, std::move(keyboardMacros)})
            : sync::BuiltUploads{};
    if (built.status != sync::BuiltUploads::Status::Ready) {
        std::fprintf(stderr, "korvex: nothing sent: %s\n", built.message.c_str());
        return {};
    }
    return std::move(built.uploads);
}

Upload startupUpload(DeviceSQLite& db, std::int64_t profile,
                     std::vector<MacroInfo> keyboardMacros) {
    Upload all;
    all.kind = UploadKind::Keys;
    all.target = -1;  // no other upload has this target
    all.label = "start-up settings";
    for (Upload& part :
         storedUploads(db, sync::UploadChoice::Startup, profile, std::move(keyboardMacros)))
        for (Transfer& t : part.transfers) all.transfers.push_back(std::move(t));
    return all;
}

}  // namespace korvex
