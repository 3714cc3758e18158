#include "ui/config/SystemFunctions.h"

#include "store/DeviceSQLite.h"
#include "ui/KeyboardViewController.h"

namespace korvex {

bool storeAppValue(DeviceSQLite& db, const std::string& key, const std::string& value) {
    const DeviceSQLite::FailureWatch watch(db);
    if (!db.updateConfigData(kAppProfileId, key, value)) return false;
    const std::string stored = db.getConfigData(kAppProfileId, key);
    if (watch.failed()) return false;
    return stored == value || db.writeConfigData(kAppProfileId, key, value);
}

void SendSystemFunctionData(KeyboardViewController& hub) {
    // Built by the same reader as every other upload: from what the store
    // holds, never from what a page shows (it may show a refused value).
    hub.sendStored(sync::UploadChoice::System, hub.currentProfile);
}

}  // namespace korvex
