#pragma once

// The settings store: one SQLite file with ten tables holding profiles,
// configuration values, light modes, user lights, key assignments and macros.
//
// Without an open connection every operation executes nothing and returns
// its "no connection" result (noted per operation below; operations without
// a note return false, 0, empty text or the caller's array size), so callers
// never have to check first. Every write that touches more than one row runs
// in one transaction: it happens completely or not at all. Results that say
// whether an operation worked must be looked at ([[nodiscard]]); ignoring
// one would let a failed read or write pass as success.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "store/Records.h"
#include "store/Sqlite.h"

namespace korvex {

// Why an opening failed. The window shows `reason`; `error` lets it pick
// advice (e.g. "close the other program").
enum class OpenError {
    None,
    NoLocation,      // neither XDG_DATA_HOME nor HOME is usable
    CannotCreate,    // the folder or the new file cannot be created
    CannotOpen,      // the file exists but cannot be opened (permissions, not a file)
    NotADatabase,    // the file exists but is not an SQLite database
    Damaged,         // an SQLite database whose pages fail their check
    ReadOnly,        // the file or its folder cannot be written
    Locked,          // another program holds the file longer than the busy timeout
    SchemaFailed,    // creating the tables or the first-run rows failed
    SchemaMismatch,  // a table or column the program reads is missing
};

struct OpenResult {
    bool ok = false;
    OpenError error = OpenError::None;
    std::string reason;   // one sentence for the user; empty on success
    std::string path;     // the file that was (or would have been) opened
    std::string missing;  // SchemaMismatch: "t_keyprofile.macroType, t_macro_data"
    std::string damage;   // Damaged: what the check found
};

class DeviceSQLite {
  public:
    // Lines the store writes ("init: connect success", "createTable fail ...").
    // Standard output unless replaced.
    using LogSink = std::function<void(const std::string& line)>;

    static constexpr int kDefaultBusyTimeoutMs = 5000;

    // While alive, the queries of one build (an upload read from several
    // tables) run in one read transaction: they see one state of the file
    // and take its lock once instead of once per query. Read only; nests
    // into nothing (does nothing inside another transaction).
    class ReadScope {
      public:
        explicit ReadScope(DeviceSQLite& store);
        ~ReadScope();
        ReadScope(const ReadScope&) = delete;
        ReadScope& operator=(const ReadScope&) = delete;

      private:
        sql::Connection& db_;
        bool began_ = false;
    };

    // Tells whether any operation failed since it was made; for results that
    // cannot tell "none" or "nothing to do" from "failed" (counts, texts,
    // row ids that are 0 also for a cleared key).
    class FailureWatch {
      public:
        explicit FailureWatch(const DeviceSQLite& store)
            : store_(store), start_(store.errorCount()) {}
        bool failed() const { return store_.errorCount() != start_; }

      private:
        const DeviceSQLite& store_;
        std::uint64_t start_;
    };

    // While alive, every write through the store joins one write transaction
    // (the store's own transactions become savepoints in it): a batch of
    // changes costs one commit instead of one per row, and is kept whole or
    // not at all. The write lock is taken at once, so a busy file is known
    // before anything changes. Without commit() everything is rolled back.
    class WriteScope {
      public:
        explicit WriteScope(DeviceSQLite& store) : tx_(store.db_) {}
        bool ok() const { return tx_.ok(); }
        [[nodiscard]] bool commit() { return tx_.commit(); }

      private:
        sql::Transaction tx_;
    };

    DeviceSQLite();
    explicit DeviceSQLite(LogSink log);

    // Opens `device` (a file name) in the database folder, creating the
    // folder first, then creates missing tables and the first-run rows.
    [[nodiscard]] OpenResult init(const std::string& device);
    // The same for an explicit file path (its folder is created when missing).
    // An existing file that cannot be opened read-write, is not a database or
    // stays locked is left exactly as it is and the store has no connection.
    [[nodiscard]] OpenResult openFile(const std::string& path);

    bool isOpen() const { return db_.isOpen(); }
    const std::string& filePath() const { return path_; }
    // Applies to the next opening and to the open connection.
    void setBusyTimeout(int milliseconds);
    void setLogSink(LogSink log) { log_ = std::move(log); }
    // The SQLite text of the last failed statement (for diagnostics and tests).
    const std::string& lastError() const { return db_.errorMessage(); }
    // Primary SQLite result code of the last failure (SQLITE_BUSY: another
    // program holds the file).
    int lastErrorCode() const { return db_.errorCode(); }
    // Changes whenever another connection (another program) commits to the
    // file; our own writes leave it as it is. Empty when it cannot be read.
    std::optional<std::int64_t> dataVersion();
    // PRAGMA quick_check of the open file: a file another program changed is
    // checked again before anything is built from it.
    sql::PageCheck checkPages();
    // From now on every write first checks, under the write lock, that no
    // other connection committed since `version` (a dataVersion() taken
    // before reading what the write is based on); when one did, the write
    // changes nothing and fails with StoreFault::ChangedOutside. Our own
    // writes keep the version. Empty: writes are not checked.
    void refuseWritesChangedSince(std::optional<std::int64_t> version);
    // Failures seen so far; unchanged across a group of reads means none failed.
    std::uint64_t errorCount() const { return db_.errorCount(); }

    // --- schema and seeds ------------------------------------------------------

    // Creates the ten tables that are missing and runs the first-run seed, all
    // in one transaction: a failure leaves the file as it was.
    [[nodiscard]] bool createTable();
    // First-run rows: the first profile when "t_profile" is empty, the 13
    // configuration rows when "t_configdata" is empty. All or nothing.
    [[nodiscard]] bool initDBdata(std::int64_t profile);
    // Factory reset: drops nine tables ("t_triggerkey" stays) and re-creates
    // them with the first-run rows in the same transaction, so a failure
    // anywhere keeps every setting. Reopening afterwards changes nothing.
    [[nodiscard]] bool dropTable();
    // Deletes the profile's key assignments and configuration rows, selects
    // light mode 3 and re-writes the per-profile configuration rows, all or
    // nothing. Application-wide values (stored under profile 1) are kept.
    [[nodiscard]] bool resetProfile(std::int64_t profile);
    // The 15 per-profile configuration rows, all or nothing.
    [[nodiscard]] bool writeConfigInfo(std::int64_t profile);

    // --- profiles and configuration ---------------------------------------------

    // New profile id; 0 on failure or without connection. Rows a deleted
    // profile with the same id left behind are removed, so it starts fresh.
    [[nodiscard]] std::int64_t addProfile(const std::string& profile_name);
    // Deletes the profile with its keys, lights, user lights and settings in
    // one transaction; profile 1's application-wide values stay.
    [[nodiscard]] bool deleteProfile(std::int64_t profile);  // no connection: true
    [[nodiscard]] bool updateProfileName(std::int64_t profile,
                                         const std::string& profile_name);  // no connection: true
    // Appends all profiles in ascending id. NULL names read as empty text.
    [[nodiscard]] bool queryProfileList(
        std::vector<ProfileData>& dataArray);  // no connection: false
    // Always inserts a new row.
    [[nodiscard]] bool writeConfigData(std::int64_t profile, const std::string& keyValue,
                                       const std::string& newvalue);  // no connection: true
    // Changes existing rows only (true also when none matched).
    [[nodiscard]] bool updateConfigData(std::int64_t profile, const std::string& keyValue,
                                        const std::string& newvalue);  // no connection: true
    // First matching row's value; empty text when none.
    std::string getConfigData(std::int64_t profile, const std::string& keyValue);

    // --- light modes ---------------------------------------------------------------

    // Creates the per-profile configuration rows and the 21 light rows when
    // the profile has no light row, all or nothing. No connection: true.
    [[nodiscard]] bool writeLightProfile(std::int64_t profile);
    // False (record unchanged) when there is no row or a stored byte is out of
    // range, or `data.lightBytes` has fewer than 12 elements.
    [[nodiscard]] bool queryLightInfo(std::int64_t profile, std::int64_t mode, lightData& data);
    // Writes data[1..11] to "byte1".."byte11"; false with fewer than 12 bytes.
    [[nodiscard]] bool modifyLightData(
        std::int64_t profile, std::int64_t mode,
        const std::vector<std::uint8_t>& data);  // no connection: true
    // Moves the selection flag to `mode`, both updates in one transaction.
    [[nodiscard]] bool selectLightMode(std::int64_t profile,
                                       std::int64_t mode);       // no connection: true
    std::int64_t getLightModeSelectIndex(std::int64_t profile);  // none: 0

    // --- key assignments -------------------------------------------------------------

    // Appends the rows of a profile and layer in order of assignment.
    [[nodiscard]] bool queryKeysProfile(
        std::int64_t profile, std::int64_t fnlayer,
        std::vector<ProfileKey>& dataArray);  // no connection: false
    [[nodiscard]] bool queryKeyProfile(std::int64_t profile, std::int64_t fnlayer,
                                       std::int64_t keyValue, ProfileKey& data);
    // Replaces the key's row; macroValue 0 just deletes it. The new row id, or
    // 0 (key code 0, cleared key, failure). A failed insert keeps the old row.
    [[nodiscard]] std::int64_t addKeyProfile(const ProfileKey& data);

    // --- macros -------------------------------------------------------------------------

    // The query operations append and return the array's size afterwards.
    std::int64_t queryAllMacroData(std::vector<MacroInfo>& dataArray);
    std::int64_t getRecordCount();
    std::int64_t queryMacroRecord(std::int64_t macorId, std::vector<RecordInfo>& dataArray);
    // Every event row of every macro (also of macros no longer listed), each
    // macro's rows in event order, in one pass over the table.
    std::int64_t queryAllMacroRecords(std::vector<RecordInfo>& dataArray);
    // New macro id (1 play, no delay); 0 on failure.
    [[nodiscard]] std::int64_t addMacroProfile(const std::string& macro_name);
    // Deletes the macro, its events and the key rows that play it, together.
    // No connection: true.
    [[nodiscard]] bool deleteMacroProfile(std::int64_t macorId);
    [[nodiscard]] bool queryMacroInfo(std::int64_t macorId, MacroInfo& info);
    [[nodiscard]] bool deleteMacroRecord(std::int64_t macorId);  // no connection: true
    [[nodiscard]] std::int64_t addMacroRecord(const RecordInfo& infos);
    [[nodiscard]] bool updateMacroProfileName(
        std::int64_t macorId,
        const std::string& macro_name);  // no connection: true
    // Writes play times and delay settings; the name is not written.
    [[nodiscard]] bool modifyMacroInfo(const MacroInfo& info);  // no connection: true
    // Replaces all events of a macro by `records`, in their order, in one
    // transaction; each record's macroId is taken from `macorId`.
    [[nodiscard]] bool rewriteMacroRecords(std::int64_t macorId,
                                           const std::vector<RecordInfo>& records);

    // --- user lights ----------------------------------------------------------------------

    std::int64_t getUserLightData(std::int64_t profile_id, std::vector<UserLightData>& dataArray);
    // New scheme id (speed and brightness 15), starting without colours; 0 on failure.
    [[nodiscard]] std::int64_t addUserLight(std::int64_t profile_id, const std::string& name);
    // Deletes the scheme and its colours together. No connection: true.
    [[nodiscard]] bool deleteUserLight(std::int64_t userlight_id);
    // Renames a scheme; the name is free text. No connection: false.
    [[nodiscard]] bool updateUserLightName(std::int64_t userlight_id, const std::string& name);
    std::int64_t getUserLightLEDData(std::int64_t userlight_id,
                                     std::vector<UserLightLEDData>& dataArray);
    // Sets one key's colour (black deletes it). New row id; -1 when nothing
    // was stored; 0 without connection. A failed insert keeps the old colour.
    [[nodiscard]] std::int64_t addUserLightLEDData(const UserLightLEDData& data);
    // Replaces all colours of a scheme in one transaction: the scheme then
    // holds the non-black entries of `leds` with a key code, one per key (the
    // last entry for a key wins), in list order.
    [[nodiscard]] bool rewriteUserLightLEDData(std::int64_t userlight_id,
                                               const std::vector<UserLightLEDData>& leds);

    // --- automatic profile switching ----------------------------------------------------

    // Reads the switch, the default profile and the rules in their order;
    // false (and `out` unchanged) when anything could not be read.
    [[nodiscard]] bool queryAutoSwitch(AutoSwitchSettings& out);
    [[nodiscard]] bool setAutoSwitchEnabled(bool enabled);
    // 0 clears it; a profile that does not exist is refused.
    [[nodiscard]] bool setAutoSwitchDefault(std::int64_t profile);
    // Appends a rule; its new id, or 0 (failure, or a profile that does not exist).
    [[nodiscard]] std::int64_t addAutoSwitchRule(const AutoSwitchRule& rule);
    // Changes a rule in place (its position stays); false when there is no such rule.
    [[nodiscard]] bool updateAutoSwitchRule(const AutoSwitchRule& rule);
    [[nodiscard]] bool deleteAutoSwitchRule(std::int64_t ruleId);
    // Moves a rule to `index` in the order (clamped), renumbering all in one transaction.
    [[nodiscard]] bool moveAutoSwitchRule(std::int64_t ruleId, std::int64_t index);

  private:
    void log(const std::string& line) const;
    bool createTablesAndSeed();
    bool deleteProfileConfigRows(std::int64_t profile);
    OpenResult openFailed(OpenResult result, OpenError error, const std::string& reason);

    sql::Connection db_;
    std::string path_;
    int busyTimeoutMs_ = kDefaultBusyTimeoutMs;
    LogSink log_;
};

}  // namespace korvex
