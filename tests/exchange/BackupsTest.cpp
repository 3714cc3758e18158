// Backups taken before destructive operations, restore, retention, and the
// start-up check that never touches a damaged database.

#include "exchange/Backups.h"

#include <gmock/gmock.h>

#include <sys/stat.h>

#include "ExchangeTestSupport.h"
#include "exchange/ProfileFile.h"
#include "exchange/Safeguards.h"

namespace korvex {
namespace {

using namespace std::chrono;
using testing::dumpTables;
using testing::FailsWith;
using ::testing::HasSubstr;
namespace fs = std::filesystem;
using testing::readBytes;
using testing::writeBytes;

// A clock that moves one second per backup, so names never collide.
BackupShelf::Clock steppingClock() {
    auto t = std::make_shared<system_clock::time_point>(system_clock::from_time_t(1800000000));
    return [t] { return *t += seconds(1); };
}

class Backups : public testing::TempHome {
  protected:
    void SetUp() override {
        TempHome::SetUp();
        shelf = BackupShelf(shelfDir(), steppingClock());
        openStore(store, database);
        const std::int64_t second = store.addProfile("Second");
        for (const std::int64_t p : {std::int64_t{1}, second})
            EXPECT_TRUE(store.writeLightProfile(p));
        EXPECT_GT(store.addKeyProfile({0, 0, 1, 4, 3, 5, 0, 0, "B"}), 0);
        EXPECT_GT(store.addKeyProfile({0, 1, second, 41, 2, 1, 0, 0, "Disable Keys"}), 0);
        const std::int64_t macro = store.addMacroProfile("Hello");
        EXPECT_TRUE(store.rewriteMacroRecords(
            macro, {{0, macro, 2, 0, 11, "H"}, {0, macro, 3, 1, 11, "H"}}));
        const std::int64_t light = store.addUserLight(1, "Red");
        EXPECT_TRUE(store.rewriteUserLightLEDData(light, {{0, light, 41, 0xFF0000}}));
    }

    std::string shelfDir() const { return (root / "data/korvex/backups").string(); }

    DeviceSQLite store;
    BackupShelf shelf{""};
};

TEST_F(Backups, AFullDiskKeepsEveryEarlierFileAndSaysSo) {
    testing::SmallDisk disk(root / "small");
    if (!disk.mounted()) GTEST_SKIP() << disk.why();
    const fs::path small = root / "small";
    const fs::path db = small / "settings.sqlite3", exported = small / "profile.json",
                   copy = small / "copy.sqlite3";
    fs::copy_file(database, db);
    DeviceSQLite onDisk;
    openStore(onDisk, db);
    ASSERT_TRUE(exportProfileToFile(onDisk, 1, exported.string()).ok);
    ASSERT_TRUE(copyDatabase(db.string(), copy.string()).ok);
    const ProfileExport second = exportProfile(onDisk, 2);
    ASSERT_TRUE(second.ok);
    const std::string earlierExport = readBytes(exported), earlierCopy = readBytes(copy);
    const auto settings = dumpTables(db);
    disk.fill();
    const auto noSpace = FailsWith("no space left on the device");

    EXPECT_THAT(exportProfileToFile(onDisk, 2, exported.string()), noSpace);
    EXPECT_EQ(readBytes(exported), earlierExport);
    EXPECT_THAT(copyDatabase(db.string(), copy.string()), noSpace);
    EXPECT_EQ(readBytes(copy), earlierCopy);
    BackupShelf fullShelf((small / "backups").string(), steppingClock());
    EXPECT_THAT(fullShelf.backup(db.string(), BackupReason::Manual), noSpace);
    EXPECT_TRUE(fullShelf.list().empty());
    // Its backup goes elsewhere; the settings file itself cannot grow.
    EXPECT_THAT(importProfile(db.string(), second.text, &shelf), noSpace);
    EXPECT_EQ(dumpTables(db), settings);
}

TEST_F(Backups, EachDestructiveOperationIsPrecededByABackupThatRestoresTheStateBeforeIt) {
    const std::pair<const char*, std::function<GuardedResult()>> cases[] = {
        {"factory-restore", [&] { return restoreFactorySettings(store, shelf); }},
        {"profile-reset", [&] { return resetProfile(store, shelf, 2); }},
        {"profile-delete", [&] { return deleteProfile(store, shelf, 2); }},
    };
    for (const auto& [tag, run] : cases) {
        SCOPED_TRACE(tag);
        const auto before = dumpTables(database);
        const GuardedResult done = run();
        ASSERT_TRUE(done.ok) << done.message;
        ASSERT_NE(dumpTables(database), before);  // the operation did change something
        EXPECT_THAT(done.backupPath, HasSubstr(std::string("-") + tag + ".sqlite3"));
        EXPECT_EQ(dumpTables(done.backupPath), before);

        const BackupResult restored = shelf.restore(database.string(), done.backupPath);
        ASSERT_TRUE(restored.ok) << restored.message;
        EXPECT_EQ(dumpTables(database), before);
        // The store kept open by the window reads the restored settings.
        std::vector<ProfileData> profiles;
        EXPECT_TRUE(store.queryProfileList(profiles));
        ASSERT_EQ(profiles.size(), 2u);
        EXPECT_EQ(profiles[1].name, "Second");
        // The state the restore replaced was itself kept.
        EXPECT_THAT(restored.path, HasSubstr("-restore.sqlite3"));
        EXPECT_NE(dumpTables(restored.path), before);
    }
}

TEST_F(Backups, PruningKeepsTheNewestTenOfEachKindAndNeverTheUsersOwn) {
    fs::create_directories(shelfDir());
    writeBytes(fs::path(shelfDir()) / "notes.txt", "mine");
    std::vector<std::string> manual, automatic;
    for (int i = 0; i < 2; ++i)
        manual.push_back(shelf.backup(database.string(), BackupReason::Manual).path);
    // The copy made before a factory restore outlives the imports after it.
    manual.push_back(shelf.backup(database.string(), BackupReason::FactoryRestore).path);
    for (int i = 0; i < 12; ++i) {
        const BackupResult r = shelf.backup(database.string(), BackupReason::Import);
        ASSERT_TRUE(r.ok) << r.message;
        automatic.push_back(r.path);
    }
    const auto listed = shelf.list();
    ASSERT_EQ(listed.size(), kKeptBackups + manual.size());
    for (std::size_t i = 0; i < kKeptBackups; ++i) {
        EXPECT_EQ(listed[i].path, automatic[automatic.size() - 1 - i]);  // newest first
    }
    for (int i : {0, 1}) EXPECT_FALSE(fs::exists(automatic[i]));
    for (const std::string& mine : manual) EXPECT_TRUE(fs::exists(mine));
    EXPECT_TRUE(fs::exists(fs::path(shelfDir()) / "notes.txt"));
}

TEST_F(Backups, RestoreHoldsTheFileFromItsSafetyCopyThroughTheOverwrite) {
    const BackupResult older = shelf.backup(database.string(), BackupReason::Manual);
    ASSERT_TRUE(older.ok) << older.message;
    ASSERT_GT(store.addProfile("Later"), 0);
    const auto replaced = dumpTables(database);
    bool otherWrote = true;
    shelf.setAfterSafetyCopy([&] {
        testing::RawDb other(database);
        other.exec("PRAGMA busy_timeout = 100");
        otherWrote = other.exec("INSERT INTO t_profile (name) VALUES ('Lost')");
    });
    const BackupResult r = shelf.restore(database.string(), older.path);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_FALSE(otherWrote);  // it waited, so its change cannot fall between the two files
    EXPECT_EQ(dumpTables(r.path), replaced);
    EXPECT_EQ(dumpTables(database), dumpTables(older.path));
}

TEST_F(Backups, ABackupAfterACrashHoldsTheSettingsBeforeTheCutWriteAndADamagedOneIsRefused) {
    // The file and journal as a write that was killed half way leaves them.
    const auto before = dumpTables(database);
    const fs::path crashed = root / "crashed.sqlite3";
    {
        testing::RawDb writer(database);
        ASSERT_TRUE(writer.exec("PRAGMA cache_size = 1"));
        ASSERT_TRUE(writer.exec(
            "BEGIN; DELETE FROM t_keyprofile; DELETE FROM t_lightdata; DELETE FROM t_configdata"));
        fs::copy_file(database, crashed);
        fs::copy_file(database.string() + "-journal", crashed.string() + "-journal");
        ASSERT_TRUE(writer.exec("ROLLBACK"));
    }
    ASSERT_NE(readBytes(crashed), readBytes(database));  // the cut write reached the file
    const BackupResult b = shelf.backup(crashed.string(), BackupReason::Manual);
    ASSERT_TRUE(b.ok) << b.message;
    EXPECT_EQ(dumpTables(b.path), before);
    EXPECT_EQ(dumpTables(crashed), before);

    for (auto damage : {testing::damageTable, testing::scribbleCellPointers}) {
        fs::copy_file(database, crashed, fs::copy_options::overwrite_existing);
        damage(crashed, "t_profile");
        const std::size_t shelved = shelf.list().size();
        EXPECT_THAT(shelf.backup(crashed.string(), BackupReason::Manual),
                    FailsWith("is damaged ("));
        EXPECT_EQ(shelf.list().size(), shelved);
    }
}

TEST_F(Backups, ABackupOntoTheLiveDatabaseIsRefusedByAnyOfItsNames) {
    struct stat before {};
    ASSERT_EQ(::stat(database.c_str(), &before), 0);
    fs::create_symlink(database, root / "link.sqlite3");
    fs::create_hard_link(database, root / "hard.sqlite3");
    for (const fs::path& target : {database, root / "link.sqlite3", root / "hard.sqlite3"})
        EXPECT_THAT(copyDatabase(database.string(), target.string()),
                    FailsWith("is the settings database itself"))
            << target;
    struct stat after {};
    ASSERT_EQ(::stat(database.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    // The window's connection still writes to the file everyone reads.
    ASSERT_GT(store.addProfile("Still here"), 0);
    EXPECT_THAT(testing::RawDb(database).rows("SELECT name FROM t_profile"),
                ::testing::Contains("Still here"));
}

TEST_F(Backups, SameMillisecondBackupsGetDistinctOrderedNames) {
    BackupShelf frozen(shelfDir(), [] { return system_clock::from_time_t(1800000000); });
    const auto a = frozen.backup(database.string(), BackupReason::Import);
    const auto b = frozen.backup(database.string(), BackupReason::Manual);
    ASSERT_TRUE(a.ok && b.ok);
    EXPECT_NE(a.path, b.path);
    EXPECT_EQ(frozen.newest()->path, b.path);
}

class DamagedDatabase : public Backups {
  protected:
    void SetUp() override {
        Backups::SetUp();
        const BackupResult r = shelf.backup(database.string(), BackupReason::Manual);
        ASSERT_TRUE(r.ok);
        good = r.path;
        store = DeviceSQLite();  // the window never got to open it
        // Overwrite the middle of the file: the header stays valid, pages do not.
        std::string bytes = readBytes(database);
        ASSERT_GT(bytes.size(), 3 * 4096u);
        for (std::size_t i = 4096 + 16; i < 3 * 4096; ++i) bytes[i] = '\x5a';
        writeBytes(database, bytes);
        damaged = bytes;
    }
    std::string good, damaged;
};

TEST_F(DamagedDatabase, OnlyDamagedPagesCountAsDamagedNotLockedForeignOrForbidden) {
    const DatabaseCheck check = checkDatabase(database.string());
    EXPECT_EQ(check.status, DatabaseCheck::Status::Damaged);
    EXPECT_EQ(check.fault, StoreFault::Damaged);
    EXPECT_FALSE(check.message.empty());
    EXPECT_EQ(readBytes(database), damaged);
    EXPECT_EQ(checkDatabase((root / "absent").string()).status, DatabaseCheck::Status::Missing);
    EXPECT_EQ(checkDatabase(good).status, DatabaseCheck::Status::Healthy);
    // The window offers the newest backup.
    EXPECT_EQ(shelf.newest()->path, good);

    auto expectUnreadable = [](const std::string& file, StoreFault fault) {
        const DatabaseCheck c = checkDatabase(file);
        EXPECT_EQ(c.status, DatabaseCheck::Status::Unreadable) << file << ": " << c.message;
        EXPECT_EQ(c.fault, fault) << file << ": " << c.message;
    };
    writeBytes(root / "foreign", "not a database at all, just some text that is long enough");
    expectUnreadable((root / "foreign").string(), StoreFault::NotADatabase);

    // Another program in the middle of a write: in use, not damaged, and a
    // restore moves nothing (the other program's change would be lost).
    const std::string live = (root / "live.sqlite3").string();
    fs::copy_file(good, live);
    testing::RawDb other(live);
    ASSERT_TRUE(other.exec("BEGIN EXCLUSIVE; DELETE FROM t_keyprofile"));
    expectUnreadable(live, StoreFault::Busy);
    EXPECT_THAT(shelf.restore(live, good), FailsWith("in use by another program"));
    ASSERT_TRUE(other.exec("COMMIT"));
    EXPECT_EQ(testing::RawDb(live).count("t_keyprofile"), 0);  // the other program's change held

    fs::permissions(live, fs::perms::none);
    const int forbidden = testing::runUnprivileged([&] {
        const DatabaseCheck c = checkDatabase(live);
        return c.status == DatabaseCheck::Status::Unreadable &&
                       c.fault == StoreFault::PermissionDenied
                   ? 0
                   : 1;
    });
    fs::permissions(live, fs::perms::owner_read | fs::perms::owner_write);
    if (forbidden >= 0) {
        EXPECT_EQ(forbidden, 0);
    }
}

TEST_F(DamagedDatabase, RestoreKeepsTheDamagedFileAndItsJournalOnTheShelf) {
    writeBytes(database.string() + "-journal", "journal bytes");
    const auto expected = dumpTables(good);
    const BackupResult r = shelf.restore(database.string(), good);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_THAT(r.path, HasSubstr("-damaged.sqlite3"));
    EXPECT_EQ(readBytes(r.path), damaged);
    EXPECT_EQ(readBytes(r.path + "-journal"), "journal bytes");
    EXPECT_FALSE(fs::exists(database.string() + "-journal"));
    EXPECT_EQ(dumpTables(database), expected);
    EXPECT_EQ(checkDatabase(database.string()).status, DatabaseCheck::Status::Healthy);

    // Damaged copies are not counted among the ten, so they are never pruned.
    for (int i = 0; i < 12; ++i) shelf.backup(database.string(), BackupReason::Manual);
    EXPECT_TRUE(fs::exists(r.path));
}

TEST_F(DamagedDatabase, ADamagedForeignOrIncompleteBackupIsRefused) {
    writeBytes(root / "copy.sqlite3", damaged);
    writeBytes(root / "empty.sqlite3", "");
    std::vector<std::pair<std::string, std::string>> backups;  // and what the refusal says
    for (const char* name : {"copy.sqlite3", "empty.sqlite3", "absent.sqlite3"})
        backups.emplace_back((root / name).string(), "nothing was restored");
    backups.emplace_back(database.string(), "nothing was restored");
    // Sound SQLite files that lack part of the settings schema: changed copies
    // of the good one, and one with a bare t_profile alone.
    const std::pair<std::string, const char*> schemaFaults[] = {
        {"DROP TABLE t_macrorecord", "lacks t_macrorecord"},
        {"ALTER TABLE t_keyprofile RENAME COLUMN macroType TO kind",
         "lacks t_keyprofile.macroType"},
        {"CREATE TABLE t_profile (profId INTEGER)", "lacks t_profile.name"}};
    for (const auto& [sql, why] : schemaFaults) {
        const std::string file = (root / ("schema" + std::to_string(backups.size()))).string();
        if (!sql.starts_with("CREATE")) fs::copy_file(good, file);
        ASSERT_TRUE(testing::RawDb(file).exec(sql)) << sql;
        backups.emplace_back(file, why);
    }
    for (const auto& [file, says] : backups) {
        const BackupResult r = shelf.restore(database.string(), file);
        EXPECT_THAT(r, FailsWith(says)) << file;
        EXPECT_THAT(r.message, HasSubstr("nothing was restored")) << file;
        EXPECT_EQ(readBytes(database), damaged);
    }
}

TEST_F(DamagedDatabase, ALockHeldOnItKeepsItAndItsJournalInPlace) {
    testing::RawDb other(database);
    ASSERT_TRUE(other.exec("BEGIN IMMEDIATE"));  // page one is intact: the lock is taken
    writeBytes(database.string() + "-journal", "journal bytes");  // its pending change
    EXPECT_THAT(shelf.restore(database.string(), good), FailsWith("in use by another program"));
    EXPECT_EQ(readBytes(database), damaged);
    EXPECT_EQ(readBytes(database.string() + "-journal"), "journal bytes");
    EXPECT_EQ(shelf.list().size(), 1u);
}

}  // namespace
}  // namespace korvex
