#pragma once

// Safety copies of the settings database. A copy is taken with SQLite's
// online backup, so it is consistent even while the window holds the file
// open, and written atomically: a backup file is either complete or absent.
//
// Automatic backups live in $XDG_DATA_HOME/korvex/backups under names that
// sort by time ("korvex-20261207-015512-345-import.sqlite3", UTC); only the
// newest kKeptBackups automatic ones of each kind (tag) are kept. Backups the user made (tag
// "manual") and copies of a damaged database (tag "damaged") are never
// pruned, and files of any other name are never touched.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/StoreFault.h"

namespace korvex {

inline constexpr std::size_t kKeptBackups = 10;

// What a backup was made before; it becomes part of the file name.
enum class BackupReason { Manual, FactoryRestore, ProfileReset, ProfileDelete, Import, Restore };
std::string_view backupTag(BackupReason reason);
// Text id (language tables) describing a tag in the "Restore from backup"
// list; 0 for a tag this program does not write.
int backupTagTextId(std::string_view tag);

// $XDG_DATA_HOME/korvex/backups (next to the database folder); empty when
// neither XDG_DATA_HOME nor HOME is usable.
std::optional<std::string> backupDirectory();

struct BackupInfo {
    std::string path;
    std::chrono::system_clock::time_point created;  // from the name, millisecond precision
    std::string tag;                                // "import", "restore", "damaged", ...
};

struct BackupResult {
    bool ok = false;
    std::string path;     // the file written
    std::string message;  // why it failed, one sentence; empty on success
};

// The result of PRAGMA quick_check on a database file, opened read-only so
// that checking never changes the file. Only a file whose pages fail the
// check is Damaged (and worth replacing by a backup); one that is locked by
// another program, may not be read or is no database is Unreadable, and
// `fault` says which.
struct DatabaseCheck {
    enum class Status { Missing, Healthy, Damaged, Unreadable };
    Status status = Status::Missing;
    StoreFault fault = StoreFault::None;
    std::string message;  // what SQLite reported when Damaged or Unreadable
    // Healthy, but a journal of an interrupted change waits beside the file;
    // SQLite plays it back when the store opens it, so it could not be read
    // (nor checked) read-only.
    bool interrupted = false;
};
// `busyTimeoutMs`: how long to wait for another program's lock before
// calling the file Unreadable (Busy).
DatabaseCheck checkDatabase(const std::string& path, int busyTimeoutMs = 5000);

// Copies the database at `source` into the file `destination` (created or
// replaced atomically). The source is only read; a destination that is the
// source itself (another name for the same file) is refused, since replacing
// it would leave every program that holds it open writing to a lost file.
BackupResult copyDatabase(const std::string& source, const std::string& destination);

class BackupShelf {
  public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    // The shelf in `directory`; `now` names new backups (the system clock
    // unless given).
    explicit BackupShelf(std::string directory, Clock now = {});
    // The shelf in backupDirectory(); nullopt when there is no such place.
    static std::optional<BackupShelf> standard();

    const std::string& directory() const { return directory_; }

    // A timestamped copy of `database`, then pruning of the automatic
    // backups. Fails (and writes nothing) when the database cannot be read.
    BackupResult backup(const std::string& database, BackupReason reason);

    // Backups on the shelf, newest first.
    std::vector<BackupInfo> list() const;
    std::optional<BackupInfo> newest() const;

    // Replaces `database` with the contents of `backupFile` after a backup
    // of the current database. A healthy current database is overwritten in
    // place in one transaction, so a store that holds it open sees the restored
    // settings; it stays locked from the safety copy through the overwrite, so
    // no other program's change falls between them; a damaged one is first copied to the shelf as
    // it is (with its journal) and then replaced. A backup file that fails its check or does not
    // hold the whole settings schema is refused. A database another program holds locked is refused
    // ("in use by another program") and left as it is, with its journal.
    BackupResult restore(const std::string& database, const std::string& backupFile);

    // Removes the oldest automatic backups beyond kKeptBackups of their kind; the user's
    // own backups and damaged copies are not counted and never removed.
    void prune() const;

    // Runs in restore between the safety copy and the overwrite (tests try
    // another writer there).
    void setAfterSafetyCopy(std::function<void()> hook) { afterSafetyCopy_ = std::move(hook); }

  private:
    std::string nextPath(std::string_view tag);
    BackupResult replaceHealthy(const std::string& database, const std::string& backupFile);
    BackupResult keepDamaged(const std::string& database);

    std::string directory_;
    Clock now_;
    std::function<void()> afterSafetyCopy_;
};

}  // namespace korvex
