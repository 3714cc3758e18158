#include "exchange/Backups.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <system_error>
#include <thread>

#include "exchange/BoundedFile.h"
#include "exchange/ExchangeInternal.h"
#include "store/Schema.h"
#include "store/Sqlite.h"
#include "store/StorePath.h"

namespace korvex {

namespace exchange {

bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
    const QString file = QString::fromStdString(path);
    const QString folder = QFileInfo(file).absolutePath();
    if (!QDir().mkpath(folder)) {
        if (error) *error = "cannot create the folder " + folder.toStdString();
        return false;
    }
    const FileWrite written = writeWholeFile(path, bytes);
    if (written.ok()) return true;
    if (error)
        *error = "cannot write " + path + ": " +
                 (written.status == FileWrite::Status::NoSpace ? "no space left on the device"
                                                               : written.reason);
    return false;
}

bool readWholeFile(const std::string& path, std::string& bytes, std::string* error) {
    QFile in(QString::fromStdString(path));
    if (!in.open(QIODevice::ReadOnly)) {
        if (error) *error = "cannot read " + path + ": " + in.errorString().toStdString();
        return false;
    }
    const QByteArray all = in.readAll();
    if (in.error() != QFileDevice::NoError) {
        if (error) *error = "cannot read " + path + ": " + in.errorString().toStdString();
        return false;
    }
    bytes.assign(all.constData(), static_cast<std::size_t>(all.size()));
    return true;
}

bool openReadOnly(sql::Connection& db, const std::string& path) {
    if (!db.open(path, SQLITE_OPEN_READONLY)) return false;
    db.setBusyTimeout(kBusyTimeoutMs);
    return true;
}

bool onlineBackup(sql::Connection& to, sql::Connection& from, std::string* error) {
    sqlite3_backup* backup = sqlite3_backup_init(to.handle(), "main", from.handle(), "main");
    if (!backup) {
        *error = sqlite3_errmsg(to.handle());
        return false;
    }
    int rc = SQLITE_OK;
    // The busy timeout covers the source; the destination lock is retried here.
    for (int attempt = 0; attempt < 50; ++attempt) {
        rc = sqlite3_backup_step(backup, -1);
        if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) {
        *error = sqlite3_errstr(rc);
        return false;
    }
    return true;
}

bool isBusy(int sqliteCode) {
    return (sqliteCode & 0xFF) == SQLITE_BUSY || (sqliteCode & 0xFF) == SQLITE_LOCKED;
}

}  // namespace exchange

namespace {

namespace fs = std::filesystem;
using namespace std::chrono;
using exchange::kBusyTimeoutMs;
using exchange::kLockWaitMs;
using exchange::onlineBackup;
using exchange::openReadOnly;

constexpr std::string_view kDamagedTag = "damaged";
// Journal files SQLite may keep next to a database; a hot journal left beside
// a replaced file would be played into the new one.
constexpr const char* kCompanionSuffixes[] = {"-journal", "-wal", "-shm"};

bool isRegularFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

std::string formatName(system_clock::time_point t, std::string_view tag) {
    const auto ms = duration_cast<milliseconds>(t.time_since_epoch()).count();
    const std::time_t secs = static_cast<std::time_t>(ms / 1000);
    std::tm utc{};
    gmtime_r(&secs, &utc);
    char buf[64];
    std::snprintf(buf, sizeof buf, "korvex-%04d%02d%02d-%02d%02d%02d-%03d-", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(ms % 1000));
    return std::string(buf) + std::string(tag) + ".sqlite3";
}

std::optional<BackupInfo> parseName(const fs::path& file) {
    static const std::regex pattern(
        R"(korvex-(\d{4})(\d{2})(\d{2})-(\d{2})(\d{2})(\d{2})-(\d{3})-([a-z]+(-[a-z]+)*)\.sqlite3)");
    const std::string name = file.filename().string();
    std::smatch m;
    if (!std::regex_match(name, m, pattern)) return std::nullopt;
    auto n = [&](int i) { return std::stoi(m[i].str()); };
    std::tm utc{};
    utc.tm_year = n(1) - 1900;
    utc.tm_mon = n(2) - 1;
    utc.tm_mday = n(3);
    utc.tm_hour = n(4);
    utc.tm_min = n(5);
    utc.tm_sec = n(6);
    const std::time_t secs = timegm(&utc);
    BackupInfo info;
    info.path = file.string();
    info.created = system_clock::from_time_t(secs) + milliseconds(n(7));
    info.tag = m[8].str();
    return info;
}

BackupResult failed(std::string message) {
    BackupResult r;
    r.message = std::move(message);
    return r;
}

BackupResult succeeded(std::string path) {
    BackupResult r;
    r.ok = true;
    r.path = std::move(path);
    return r;
}

// A backup must be a healthy file holding this program's settings.
std::optional<std::string> unusableBackup(const std::string& file) {
    const DatabaseCheck check = checkDatabase(file);
    if (check.status == DatabaseCheck::Status::Missing)
        return "there is no backup " + file + "; nothing was restored";
    if (check.status == DatabaseCheck::Status::Damaged)
        return file + " is damaged (" + check.message + "); nothing was restored";
    if (check.status == DatabaseCheck::Status::Unreadable)
        return storeFaultSentence(file, check.fault, check.message) + "; nothing was restored";
    sql::Connection db;
    if (!openReadOnly(db, file)) return "cannot open " + file + ": " + db.errorMessage();
    const SchemaCheck schema = checkSchema(db, SchemaScope::Whole);
    if (!schema.readable)
        return storeFaultSentence(file, storeFaultOf(schema.errorCode), schema.error) +
               "; nothing was restored";
    if (!schema.missing.empty())
        return file + " does not hold Korvex settings: it lacks " + schema.missingList() +
               "; nothing was restored";
    return std::nullopt;
}

// Holds the bytes SQLite locks on a database file, through an open file
// description lock: it conflicts with the locks of every SQLite connection,
// those of this process included. While it is held, no program reads or
// writes the file, so it and its journal can be moved without losing a
// change another program is making.
class FileLock {
  public:
    explicit FileLock(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd_ < 0) {
            error_ = "cannot open " + path + ": " + std::strerror(errno);
            return;
        }
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = kPendingByte;
        lock.l_len = kLockBytes;
        // A reader holds its lock only for a moment; a writer longer.
        for (int attempt = 0; attempt < exchange::kLockWaitMs / 20; ++attempt) {
            if (::fcntl(fd_, F_OFD_SETLK, &lock) == 0) {
                held_ = true;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~FileLock() {
        if (fd_ >= 0) ::close(fd_);  // closing the description releases the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool held() const { return held_; }
    // Why the file could not be opened; empty when it was (and is busy).
    const std::string& error() const { return error_; }

  private:
    // Where SQLite's unix locks live: the pending byte, the reserved byte and
    // the 510 shared bytes after them.
    static constexpr off_t kPendingByte = 0x40000000;
    static constexpr off_t kLockBytes = 512;
    int fd_ = -1;
    bool held_ = false;
    std::string error_;
};

}  // namespace

std::string_view backupTag(BackupReason reason) {
    switch (reason) {
        case BackupReason::FactoryRestore:
            return "factory-restore";
        case BackupReason::ProfileReset:
            return "profile-reset";
        case BackupReason::ProfileDelete:
            return "profile-delete";
        case BackupReason::Import:
            return "import";
        case BackupReason::Restore:
            return "restore";
        case BackupReason::Manual:
            break;
    }
    return "manual";
}

int backupTagTextId(std::string_view tag) {
    constexpr std::pair<std::string_view, int> kTexts[] = {
        {"factory-restore", 918}, {"profile-reset", 919}, {"profile-delete", 920}, {"import", 921},
        {"restore", 922},         {"manual", 923},        {kDamagedTag, 924}};
    for (const auto& [name, id] : kTexts) {
        if (name == tag) return id;
    }
    return 0;
}

std::optional<std::string> backupDirectory() {
    const auto db = databaseDirectory();
    if (!db) return std::nullopt;
    return fs::path(*db).parent_path().append("backups").string();
}

DatabaseCheck checkDatabase(const std::string& path, int busyTimeoutMs) {
    DatabaseCheck result;
    std::error_code ec;
    const auto status = fs::status(path, ec);
    if (ec || !fs::exists(status)) return result;
    // Anything that stops the check without showing damage is Unreadable: a
    // file that is merely locked or not ours must never be replaced.
    auto unreadable = [&](StoreFault fault, std::string message) {
        result.status = DatabaseCheck::Status::Unreadable;
        result.fault = fault;
        result.message = std::move(message);
        return result;
    };
    auto failedWith = [&](const sql::Connection& db) {
        const StoreFault fault = storeFaultOf(db.errorCode());
        if (fault != StoreFault::Damaged) return unreadable(fault, db.errorMessage());
        result.status = DatabaseCheck::Status::Damaged;
        result.fault = fault;
        result.message = db.errorMessage();
        return result;
    };
    if (!fs::is_regular_file(status))
        return unreadable(StoreFault::NotADatabase, path + " is not a regular file");
    if (::access(path.c_str(), R_OK) != 0)
        return unreadable(StoreFault::PermissionDenied, path + ": permission denied");
    sql::Connection db;
    if (!openReadOnly(db, path)) return failedWith(db);
    db.setBusyTimeout(busyTimeoutMs);
    const sql::PageCheck pages = sql::quickCheck(db);
    if (pages.result == sql::PageCheck::Result::Failed) {
        // An interrupted write leaves a journal that only a writer may
        // undo; SQLite does so when the store opens the file, which is the
        // normal recovery, not damage.
        if (sqlite3_extended_errcode(db.handle()) == SQLITE_READONLY_ROLLBACK) {
            result.status = DatabaseCheck::Status::Healthy;
            result.interrupted = true;
            result.message = "an interrupted change is undone when the file is opened";
            return result;
        }
        return failedWith(db);
    }
    if (pages.result == sql::PageCheck::Result::Healthy) {
        result.status = DatabaseCheck::Status::Healthy;
        return result;
    }
    result.status = DatabaseCheck::Status::Damaged;
    result.fault = StoreFault::Damaged;
    result.message = pages.message;
    return result;
}

namespace {

// Plays back the journal of a write that was cut off; why it could not, in
// plain words, otherwise.
std::optional<std::string> undoInterruptedWrite(const std::string& database) {
    sql::Connection writer;
    if (writer.open(database, SQLITE_OPEN_READWRITE)) {
        writer.setBusyTimeout(kBusyTimeoutMs);
        if (writer.exec("SELECT count(*) FROM sqlite_master")) return std::nullopt;
    }
    return "the last change to " + database + " was interrupted and cannot be undone now (" +
           writer.errorMessage() +
           "); start Korvex once, or make the file and its folder writable, then back up again";
}

}  // namespace

BackupResult copyDatabase(const std::string& source, const std::string& destination) {
    if (!isRegularFile(source)) return failed("there is no database at " + source);
    std::error_code ec;
    if (fs::equivalent(source, destination, ec))
        return failed(destination + " is the settings database itself; nothing was copied");
    sql::Connection from;
    if (!openReadOnly(from, source))
        return failed("cannot open " + source + ": " + from.errorMessage());
    // One read transaction for the check and the copy: the pages copied are
    // the ones checked, and a writer waits for us instead of failing the
    // copy half way. A damaged file is no backup: restore would refuse it.
    if (!from.exec("BEGIN")) return failed("cannot copy " + source + ": " + from.errorMessage());
    sql::PageCheck pages = sql::quickCheck(from);
    if (pages.result == sql::PageCheck::Result::Failed &&
        sqlite3_extended_errcode(from.handle()) == SQLITE_READONLY_ROLLBACK) {
        // A write was cut off (a crash, a kill) and left its journal, which
        // only a writer may play back. Any program opening the file for
        // writing does so; do it now, then copy the settings as they were
        // before that write.
        from.exec("ROLLBACK");
        if (const auto why = undoInterruptedWrite(source)) return failed(*why);
        if (!from.exec("BEGIN"))
            return failed("cannot copy " + source + ": " + from.errorMessage());
        pages = sql::quickCheck(from);
    }
    if (pages.result == sql::PageCheck::Result::Damaged)
        return failed(storeFaultSentence(source, StoreFault::Damaged, pages.message) +
                      "; no copy was made");
    if (pages.result == sql::PageCheck::Result::Failed)
        return failed(storeFaultSentence(source, storeFaultOf(from.errorCode()), pages.message) +
                      "; no copy was made");
    sql::Connection memory;
    if (!memory.open(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE))
        return failed("cannot copy " + source + ": " + memory.errorMessage());
    std::string error;
    if (!onlineBackup(memory, from, &error)) return failed("cannot copy " + source + ": " + error);
    sqlite3_int64 size = 0;
    std::unique_ptr<unsigned char, decltype(&sqlite3_free)> image(
        sqlite3_serialize(memory.handle(), "main", &size, 0), &sqlite3_free);
    if (!image && size != 0) return failed("cannot copy " + source + ": out of memory");
    const std::string_view bytes(reinterpret_cast<const char*>(image.get()),
                                 static_cast<std::size_t>(size));
    if (!exchange::writeFileAtomically(destination, bytes, &error)) return failed(error);
    return succeeded(destination);
}

BackupShelf::BackupShelf(std::string directory, Clock now)
    : directory_(std::move(directory)), now_(std::move(now)) {
    if (!now_) now_ = [] { return system_clock::now(); };
}

std::optional<BackupShelf> BackupShelf::standard() {
    auto dir = backupDirectory();
    if (!dir) return std::nullopt;
    return BackupShelf(*dir);
}

std::string BackupShelf::nextPath(std::string_view tag) {
    // Names must stay unique and in time order, even for two backups within
    // the same millisecond.
    auto msOf = [](system_clock::time_point t) {
        return duration_cast<milliseconds>(t.time_since_epoch()).count();
    };
    const auto existing = list();
    for (auto t = now_();; t += milliseconds(1)) {
        const bool taken = std::any_of(existing.begin(), existing.end(), [&](const BackupInfo& b) {
            return msOf(b.created) == msOf(t);
        });
        const fs::path candidate = fs::path(directory_) / formatName(t, tag);
        std::error_code ec;
        if (!taken && !fs::exists(candidate, ec)) return candidate.string();
    }
}

BackupResult BackupShelf::backup(const std::string& database, BackupReason reason) {
    BackupResult r = copyDatabase(database, nextPath(backupTag(reason)));
    if (r.ok) prune();
    return r;
}

std::vector<BackupInfo> BackupShelf::list() const {
    std::vector<BackupInfo> out;
    std::error_code ec;
    for (fs::directory_iterator it(directory_, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        if (auto info = parseName(it->path())) out.push_back(std::move(*info));
    }
    std::sort(out.begin(), out.end(), [](const BackupInfo& a, const BackupInfo& b) {
        return a.created != b.created ? a.created > b.created : a.path > b.path;
    });
    return out;
}

std::optional<BackupInfo> BackupShelf::newest() const {
    for (auto& info : list()) {
        if (info.tag != kDamagedTag) return info;
    }
    return std::nullopt;
}

void BackupShelf::prune() const {
    // Each kind keeps its own newest ones: a run of imports never pushes out
    // the copy made before a factory restore or a profile deletion.
    std::map<std::string, std::size_t> kept;
    for (const BackupInfo& info : list()) {
        // The user's own backups are theirs to delete.
        if (info.tag == kDamagedTag || info.tag == backupTag(BackupReason::Manual)) continue;
        if (++kept[info.tag] <= kKeptBackups) continue;
        std::error_code ec;
        fs::remove(info.path, ec);
    }
}

BackupResult BackupShelf::keepDamaged(const std::string& database) {
    const std::string copy = nextPath(kDamagedTag);
    std::string bytes, error;
    if (!exchange::readWholeFile(database, bytes, &error) ||
        !exchange::writeFileAtomically(copy, bytes, &error))
        return failed(error + "; the damaged database was left as it is");
    for (const char* suffix : kCompanionSuffixes) {
        const std::string companion = database + suffix;
        std::error_code ec;
        if (!fs::exists(companion, ec)) continue;
        fs::rename(companion, copy + suffix, ec);
        if (ec)
            return failed("cannot move " + companion + " aside: " + ec.message() +
                          "; the damaged database was left as it is");
    }
    return succeeded(copy);
}

BackupResult BackupShelf::replaceHealthy(const std::string& database,
                                         const std::string& backupFile) {
    const std::string inUse = database + " " + exchange::kInUse + "; nothing was restored";
    sql::Connection to, from;
    if (!to.open(database, SQLITE_OPEN_READWRITE))
        return failed("cannot open " + database + ": " + to.errorMessage());
    if (!openReadOnly(from, backupFile))
        return failed("cannot open " + backupFile + ": " + from.errorMessage());
    to.setBusyTimeout(kLockWaitMs);
    std::unique_ptr<sqlite3_backup, decltype(&sqlite3_backup_finish)> copy(
        sqlite3_backup_init(to.handle(), "main", from.handle(), "main"), &sqlite3_backup_finish);
    if (!copy) return failed("cannot restore into " + database + ": " + to.errorMessage());
    // A step of no pages takes the database's exclusive lock and keeps it
    // until the copy is done: the safety copy holds exactly what is
    // replaced, and no change of another program falls between the two.
    const int locked = sqlite3_backup_step(copy.get(), 0);
    if (locked != SQLITE_OK)
        return failed(exchange::isBusy(locked)
                          ? inUse
                          : "cannot lock " + database + ": " + sqlite3_errstr(locked) +
                                "; nothing was restored");
    // Under that lock the file holds its last committed state (any journal
    // was played back when the lock was taken), so its bytes are the copy.
    // No pruning yet: the backup being restored may be the oldest one.
    const std::string safetyPath = nextPath(backupTag(BackupReason::Restore));
    std::string bytes, error;
    if (!exchange::readWholeFile(database, bytes, &error) ||
        !exchange::writeFileAtomically(safetyPath, bytes, &error))
        return failed(error + "; nothing was restored");
    if (afterSafetyCopy_) afterSafetyCopy_();
    const int done = sqlite3_backup_step(copy.get(), -1);
    if (done != SQLITE_DONE)
        return failed("cannot restore into " + database + ": " + sqlite3_errstr(done) +
                      "; the settings were left as they were");
    return succeeded(safetyPath);
}

BackupResult BackupShelf::restore(const std::string& database, const std::string& backupFile) {
    std::error_code ec;
    if (fs::equivalent(database, backupFile, ec))
        return failed(backupFile + " is the settings database itself; nothing was restored");
    if (auto why = unusableBackup(backupFile)) return failed(*why);
    const std::string inUse = database + " " + exchange::kInUse + "; nothing was restored";

    BackupResult safety = succeeded("");
    const DatabaseCheck current = checkDatabase(database);
    // Only a writer could read a file with a pending journal; keep the pair
    // as it is, like a damaged file, so that nothing of it is lost.
    const auto status = current.interrupted ? DatabaseCheck::Status::Damaged : current.status;
    switch (status) {
        case DatabaseCheck::Status::Unreadable:
            // Locked by another program (whose change would be lost), not
            // readable, or not ours: nothing is moved or replaced.
            if (current.fault == StoreFault::Busy) return failed(inUse);
            return failed(storeFaultSentence(database, current.fault, current.message) +
                          "; nothing was restored");
        case DatabaseCheck::Status::Missing:
            safety = copyDatabase(backupFile, database);
            if (!safety.ok) return safety;
            safety.path.clear();
            break;
        case DatabaseCheck::Status::Healthy: {
            safety = replaceHealthy(database, backupFile);
            if (!safety.ok) return safety;
            break;
        }
        case DatabaseCheck::Status::Damaged: {
            const FileLock lock(database);
            if (!lock.held())
                return failed(lock.error().empty() ? inUse
                                                   : lock.error() + "; nothing was restored");
            safety = keepDamaged(database);
            if (!safety.ok) return safety;
            BackupResult replaced = copyDatabase(backupFile, database);
            if (!replaced.ok) return replaced;
            break;
        }
    }
    prune();
    return safety;
}

}  // namespace korvex
