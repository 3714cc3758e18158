#include "ui/config/SystemFunctions.h"

#include <QCheckBox>

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

SystemFunctionState systemFunctionsOnScreen(KeyboardViewController& hub) {
    auto on = [&hub](const char* name) {
        auto* box = hub.findChild<QCheckBox*>(QString::fromLatin1(name));
        return box && box->isChecked();
    };
    SystemFunctionState state;
    state.gameMode = on("config_btn_disable_gamemode");
    state.disableAltTab = on("config_btn_disable_alttab");
    state.disableAltF4 = on("config_btn_disable_altf4");
    state.disableWin = on("config_btn_disable_lockwin");
    if (DeviceSQLite* db = hub.deviceDB()) {
        state.fnfunction = parseStoredByte(db->getConfigData(kAppProfileId, "fnfunction"));
        state.sleeplight = parseStoredByte(db->getConfigData(kAppProfileId, "sleeplight"));
    }
    return state;
}

void SendSystemFunctionData(KeyboardViewController& hub) {
    DeviceSQLite* db = hub.deviceDB();
    if (!db) return;
    const DeviceSQLite::FailureWatch watch(*db);
    const SystemFunctionState state = systemFunctionsOnScreen(hub);
    if (watch.failed()) return hub.reportNotBuilt(sync::readFailure(*db));
    hub.submitUpload(systemFunctionUpload(state));
}

}  // namespace korvex
