#include "exchange/Safeguards.h"

#include "exchange/Backups.h"
#include "store/DeviceSQLite.h"

namespace korvex {

namespace {

template <typename Operation>
GuardedResult guarded(DeviceSQLite& store, BackupShelf& shelf, BackupReason reason,
                      const char* what, Operation operation) {
    GuardedResult r;
    if (!store.isOpen()) {
        r.message = "the settings database is not open";
        return r;
    }
    const BackupResult backup = shelf.backup(store.filePath(), reason);
    if (!backup.ok) {
        r.message =
            "no backup could be made (" + backup.message + "), so the " + what + " was not done";
        return r;
    }
    r.backupPath = backup.path;
    r.ok = operation();
    if (!r.ok) r.message = std::string("the ") + what + " failed: " + store.lastError();
    return r;
}

}  // namespace

GuardedResult restoreFactorySettings(DeviceSQLite& store, BackupShelf& shelf) {
    return guarded(store, shelf, BackupReason::FactoryRestore, "factory restore",
                   [&] { return store.dropTable(); });
}

GuardedResult resetProfile(DeviceSQLite& store, BackupShelf& shelf, std::int64_t profile) {
    return guarded(store, shelf, BackupReason::ProfileReset, "profile reset",
                   [&] { return store.resetProfile(profile); });
}

GuardedResult deleteProfile(DeviceSQLite& store, BackupShelf& shelf, std::int64_t profile) {
    return guarded(store, shelf, BackupReason::ProfileDelete, "profile deletion",
                   [&] { return store.deleteProfile(profile); });
}

}  // namespace korvex
