#include "exchange/Backups.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <regex>
#include <system_error>
#include <thread>

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
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()) ||
        !out.commit()) {
        if (error) *error = "cannot write " + path + ": " + out.errorString().toStdString();
        out.cancelWriting();
        return false;
    }
    return true;
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
        return file + " cannot be read: " + storeFaultText(check.fault) + " (" + check.message +
               "); nothing was restored";
    sql::Connection db;
    if (!openReadOnly(db, file)) return "cannot open " + file + ": " + db.errorMessage();
    const SchemaCheck schema = checkSchema(db, SchemaScope::Whole);
    if (!schema.readable)
        return file + " cannot be read: " + storeFaultText(storeFaultOf(schema.errorCode)) + " (" +
               schema.error + "); nothing was restored";
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
    sql::Statement check(db, "PRAGMA quick_check");
    std::vector<std::string> lines;
    for (;;) {
        const auto step = check.step();
        if (step == sql::Statement::Step::Row) {
            lines.push_back(check.columnText(0));
            continue;
        }
        if (step == sql::Statement::Step::Error) {
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
        break;
    }
    if (lines.size() == 1 && lines.front() == "ok") {
        result.status = DatabaseCheck::Status::Healthy;
        return result;
    }
    result.status = DatabaseCheck::Status::Damaged;
    result.fault = StoreFault::Damaged;
    for (std::size_t i = 0; i < lines.size() && i < 3; ++i) {
        if (i) result.message += "; ";
        result.message += lines[i];
    }
    if (result.message.empty()) result.message = "quick_check gave no answer";
    return result;
}

BackupResult copyDatabase(const std::string& source, const std::string& destination) {
    if (!isRegularFile(source)) return failed("there is no database at " + source);
    std::error_code ec;
    if (fs::equivalent(source, destination, ec))
        return failed(destination + " is the settings database itself; nothing was copied");
    sql::Connection from;
    if (!openReadOnly(from, source))
        return failed("cannot open " + source + ": " + from.errorMessage());
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
    std::size_t kept = 0;
    for (const BackupInfo& info : list()) {
        // The user's own backups are theirs to delete.
        if (info.tag == kDamagedTag || info.tag == backupTag(BackupReason::Manual)) continue;
        if (++kept <= kKeptBackups) continue;
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
            return failed(database + " is " + storeFaultText(current.fault) + " (" +
                          current.message + "); nothing was restored");
        case DatabaseCheck::Status::Missing:
            safety = copyDatabase(backupFile, database);
            if (!safety.ok) return safety;
            safety.path.clear();
            break;
        case DatabaseCheck::Status::Healthy: {
            sql::Connection to, from;
            std::string error;
            if (!to.open(database, SQLITE_OPEN_READWRITE))
                return failed("cannot open " + database + ": " + to.errorMessage());
            // The write lock first: a program in the middle of a change keeps
            // it, and the safety copy holds exactly what is replaced.
            to.setBusyTimeout(kLockWaitMs);
            if (!to.exec("BEGIN IMMEDIATE"))
                return failed(exchange::isBusy(to.errorCode())
                                  ? inUse
                                  : "cannot lock " + database + ": " + to.errorMessage() +
                                        "; nothing was restored");
            // No pruning yet: the backup being restored may be the oldest one.
            safety = copyDatabase(database, nextPath(backupTag(BackupReason::Restore)));
            // The page copy below takes the lock itself and cannot start
            // inside a transaction.
            to.exec("ROLLBACK");
            if (!safety.ok) return failed(safety.message + "; nothing was restored");
            to.setBusyTimeout(kBusyTimeoutMs);
            if (!openReadOnly(from, backupFile))
                return failed("cannot open " + backupFile + ": " + from.errorMessage());
            if (!onlineBackup(to, from, &error))
                return failed("cannot restore into " + database + ": " + error +
                              "; the settings were left as they were");
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
