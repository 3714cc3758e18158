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

std::string storeFaultSentence(const std::string& subject, StoreFault fault,
                               const std::string& detail) {
    std::string sentence = subject;
    switch (fault) {
        case StoreFault::Busy:
        case StoreFault::NotADatabase:
        case StoreFault::Damaged:
        case StoreFault::MissingSchema:
            sentence += " is " + storeFaultText(fault);
            break;
        case StoreFault::PermissionDenied:
            sentence += " cannot be used: permission denied";
            break;
        case StoreFault::NoSpace:
            sentence += " cannot be written: no space left on the device";
            break;
        case StoreFault::ChangedOutside:
            sentence += " was " + storeFaultText(fault);
            break;
        case StoreFault::None:
        case StoreFault::ReadError:
            sentence += " cannot be read";
            break;
    }
    // SQLite's own words add nothing when they say the same ("database is
    // locked" for a file in use).
    if (!detail.empty() && fault != StoreFault::Busy && detail != storeFaultText(fault))
        sentence += " (" + detail + ")";
    return sentence;
}

std::string damagedText(const std::string& path, const std::string& detail) {
    return storeFaultSentence("the settings database " + path, StoreFault::Damaged, detail) +
           "; it was left untouched";
}

}  // namespace korvex
