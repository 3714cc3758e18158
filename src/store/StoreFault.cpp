#include "StoreFault.h"

#include <sqlite3.h>

#include "store/Sqlite.h"

namespace korvex {

StoreFault storeFaultOf(int sqliteCode) {
    if (sqliteCode == sql::kStaleWrite) return StoreFault::ChangedOutside;
    switch (sqliteCode & 0xff) {
        case SQLITE_OK:
        case SQLITE_ROW:
        case SQLITE_DONE:
            return StoreFault::None;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return StoreFault::Busy;
        case SQLITE_PERM:
        case SQLITE_READONLY:
        case SQLITE_AUTH:
        case SQLITE_CANTOPEN:
            return StoreFault::PermissionDenied;
        case SQLITE_FULL:
            return StoreFault::NoSpace;
        case SQLITE_NOTADB:
            return StoreFault::NotADatabase;
        case SQLITE_CORRUPT:
            return StoreFault::Damaged;
        case SQLITE_ERROR:  // "no such table", "no such column"
        case SQLITE_SCHEMA:
            return StoreFault::MissingSchema;
        default:
            return StoreFault::ReadError;
    }
}

std::string storeFaultText(StoreFault fault) {
    switch (fault) {
        case StoreFault::None:
            return {};
        case StoreFault::Busy:
            return "in use by another program";
        case StoreFault::PermissionDenied:
            return "permission denied";
        case StoreFault::NoSpace:
            return "no space left on the device";
        case StoreFault::NotADatabase:
            return "not a settings database";
        case StoreFault::Damaged:
            return "damaged";
        case StoreFault::MissingSchema:
            return "missing a table or column the settings need";
        case StoreFault::ChangedOutside:
            return "changed by another program since it was read";
        case StoreFault::ReadError:
            break;
    }
    return "cannot be read";
}

}  // namespace korvex
