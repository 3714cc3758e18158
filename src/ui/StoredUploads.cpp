#include "ui/StoredUploads.h"

#include <cstdio>

namespace korvex {

std::vector<Upload> storedUploads(DeviceSQLite& db, ctl::UploadChoice choice,
                                  std::int64_t profile) {
    ctl::BuiltUploads built =
        db.isOpen() ? ctl::buildUploads(db, {choice, profile, std::nullopt}) : ctl::BuiltUploads{};
    if (built.status != ctl::BuiltUploads::Status::Ready) {
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
    for (Upload& part : storedUploads(db, ctl::UploadChoice::Startup))
        for (Transfer& t : part.transfers) all.transfers.push_back(std::move(t));
    return all;
}

}  // namespace korvex
