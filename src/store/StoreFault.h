#pragma once

// Why a settings file could not be read or written, as the user needs to
// know it: another program holding it is not damage, and neither is a full
// disk.

#include <string>

namespace korvex {

enum class StoreFault {
    None,
    Busy,              // another program holds the file past the busy timeout
    PermissionDenied,  // the file or its folder may not be read or written
    NoSpace,           // the device is full
    NotADatabase,      // the file is not an SQLite database at all
    Damaged,           // an SQLite database whose pages fail their check
    MissingSchema,     // a table or column the program reads is not there
    ReadError,         // an input/output error or anything else
    ChangedOutside,    // a write refused: another program changed the file since it was read
};

// The fault behind a primary SQLite result code (SQLITE_BUSY, ...).
StoreFault storeFaultOf(int sqliteCode);

// "in use by another program", "no space left on the device", ...
std::string storeFaultText(StoreFault fault);

// A sentence about `subject` ("the settings database PATH") and the fault:
// "... is in use by another program", "... cannot be written: no space left
// on the device", ... with `detail` (SQLite's words) in parentheses when given.
std::string storeFaultSentence(const std::string& subject, StoreFault fault,
                               const std::string& detail);

// The one sentence every program and command gives for a damaged settings
// file: "the settings database PATH is damaged (DETAIL); it was left untouched".
std::string damagedText(const std::string& path, const std::string& detail);

}  // namespace korvex
