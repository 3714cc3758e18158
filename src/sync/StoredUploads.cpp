#include "StoredUploads.h"

#include <cstdio>

namespace korvex {

std::vector<Upload> storedUploads(DeviceSQLite& db, sync::UploadChoice choice,
                                  std::int64_t profile) {
    sync::BuiltUploads built =
        db.isOpen() ? sync::buildUploads(db, {choice, profile, std::nullopt}) : sync::BuiltUploads{};
    if (built.status != sync::BuiltUploads::Status::Ready) {
        std::fprintf(stderr, "korvex: nothing sent: %s\n", built.message.c_str());
        return {};
    }
    return std::move(built.uploads);
}

Upload startupUpload(DeviceSQLite& db) {
    Upload all;
    all.kind = UploadKind::Keys;
    all.target = -1;  // no other upload has this target
    all.label = "start-up settings";
    for (Upload& part : storedUploads(db, sync::UploadChoice::Startup))
        for (Transfer& t : part.transfers) all.transfers.push_back(std::move(t));
    return all;
}

}  // namespace korvex
