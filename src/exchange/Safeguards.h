#pragma once

// The destructive operations of the settings store, each preceded by an
// automatic backup so the user can undo it from "Restore from backup". When
// the backup cannot be made the operation is not run: losing the safety net
// silently would be worse than asking the user to free some space first.

#include <cstdint>
#include <string>

namespace korvex {

class DeviceSQLite;
class BackupShelf;

struct GuardedResult {
    bool ok = false;
    std::string backupPath;  // the backup made before the operation
    std::string message;     // why nothing (or not everything) happened
};

// dropTable(); the caller then reopens the store, as after any factory reset.
GuardedResult restoreFactorySettings(DeviceSQLite& store, BackupShelf& shelf);
GuardedResult resetProfile(DeviceSQLite& store, BackupShelf& shelf, std::int64_t profile);
GuardedResult deleteProfile(DeviceSQLite& store, BackupShelf& shelf, std::int64_t profile);

}  // namespace korvex
