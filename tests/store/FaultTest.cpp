// Failures part way through a write, and files the store must never touch.

#include "StoreTestSupport.h"
#include "store/StoreFault.h"

namespace korvex::testing {
namespace {

// A trigger that makes inserts into `table` fail once `condition` holds.
std::string failingInsert(const std::string& table, const std::string& condition) {
    return "CREATE TRIGGER fail_" + table + " BEFORE INSERT ON " + table + " WHEN " + condition +
           " BEGIN SELECT RAISE(ABORT, 'injected failure'); END";
}

// Every row of `tables`, to compare before and after.
Rows snapshot(RawDb& raw, std::initializer_list<const char*> tables) {
    Rows all;
    for (const char* t : tables)
        for (auto& row : raw.rows(std::string("SELECT * FROM ") + t)) all.push_back(row);
    return all;
}

TEST_F(StoreTest, AFailingFirstRunSeedLeavesNothingAndIsCompletedNextTime) {
    openOrFail();
    {
        // Empty tables, of which the two the program only creates are gone.
        RawDb raw(file_);
        ASSERT_TRUE(
            raw.exec("DELETE FROM t_configdata; DELETE FROM t_profile; "
                     "DROP TABLE t_keyrgbdata; DROP TABLE t_triggerkey"));
        ASSERT_TRUE(raw.exec(failingInsert("t_configdata", "NEW.key = 'fnfunction'")));
    }
    const OpenResult failed = open();
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.error, OpenError::SchemaFailed);
    EXPECT_FALSE(failed.reason.empty());
    EXPECT_FALSE(store_.isOpen());
    RawDb raw(file_);
    EXPECT_EQ(raw.count("t_configdata"), 0);
    EXPECT_EQ(raw.count("t_profile"), 0);
    EXPECT_EQ(raw.count("sqlite_master", "name = 't_triggerkey'"), 0);  // no half-made schema

    ASSERT_TRUE(raw.exec("DROP TRIGGER fail_t_configdata"));
    openOrFail();
    EXPECT_EQ(raw.count("t_configdata"), 13);
    EXPECT_EQ(raw.count("t_profile"), 1);
    EXPECT_EQ(raw.count("sqlite_master", "name = 't_triggerkey'"), 1);
}

TEST_F(StoreTest, FailingRewritesKeepTheRowsTheyWouldReplace) {
    openOrFail();
    ASSERT_EQ(store_.addProfile("P2"), 2);
    ASSERT_TRUE(store_.writeLightProfile(2));
    const std::int64_t key = store_.addKeyProfile({0, 0, 2, 41, 3, 5, 0, 0, "old"});
    ASSERT_GT(key, 0);
    ASSERT_GT(store_.addUserLight(1, "u"), 0);
    ASSERT_TRUE(store_.rewriteUserLightLEDData(1, {{0, 1, 41, 0xFF0000}, {0, 1, 42, 0x00FF00}}));
    ASSERT_GT(store_.addMacroProfile("m"), 0);
    ASSERT_TRUE(store_.rewriteMacroRecords(1, {{0, 1, 2, 0, 4, "A"}, {0, 1, 3, 1, 4, "A"}}));
    RawDb raw(file_);
    const auto rows = [&raw] {
        return snapshot(raw, {"t_configdata", "t_keyprofile", "t_lightdata", "t_userlight_leddata",
                              "t_macrorecord"});
    };
    const auto before = rows();

    ASSERT_TRUE(raw.exec(failingInsert("t_keyprofile", "1")));
    EXPECT_EQ(store_.addKeyProfile({0, 0, 2, 41, 3, 6, 0, 0, "new"}), 0);
    ASSERT_TRUE(raw.exec(failingInsert("t_userlight_leddata", "NEW.keyvalue = 42")));
    EXPECT_FALSE(store_.rewriteUserLightLEDData(1, {{0, 1, 41, 1}, {0, 1, 42, 2}}));
    ASSERT_TRUE(raw.exec(failingInsert("t_macrorecord", "NEW.record_index = 1")));
    EXPECT_FALSE(store_.rewriteMacroRecords(1, {{0, 1, 2, 0, 5, "B"}, {0, 1, 3, 1, 5, "B"}}));
    ASSERT_TRUE(raw.exec(failingInsert("t_configdata", "NEW.key = 'dpi_group5_rgb'")));
    EXPECT_FALSE(store_.resetProfile(2));
    EXPECT_FALSE(store_.writeConfigInfo(3));
    ASSERT_EQ(store_.addProfile("P3"), 3);
    EXPECT_FALSE(store_.writeLightProfile(3));
    EXPECT_EQ(rows(), before);
    EXPECT_EQ(store_.getLightModeSelectIndex(2), 11);  // the reset's selection was undone too

    // The store keeps working once the cause is gone.
    ASSERT_TRUE(raw.exec("DROP TRIGGER fail_t_configdata"));
    EXPECT_TRUE(store_.writeLightProfile(3));
    EXPECT_EQ(raw.count("t_lightdata", "profId = 3"), 21);
}

TEST_F(StoreTest, WritesBasedOnAnOlderReadAreRefusedOnceAnotherProgramCommitted) {
    openOrFail();
    ASSERT_GT(store_.addMacroProfile("m"), 0);
    ASSERT_TRUE(store_.rewriteMacroRecords(1, {{0, 1, 2, 0, 4, "A"}}));
    store_.refuseWritesChangedSince(store_.dataVersion());
    // Our own writes keep the version the window read.
    ASSERT_TRUE(store_.updateProfileName(1, "own"));
    ASSERT_TRUE(store_.rewriteMacroRecords(1, {{0, 1, 2, 0, 4, "A"}, {0, 1, 3, 1, 4, "A"}}));

    RawDb other(file_);
    ASSERT_TRUE(other.exec("UPDATE t_macro_data SET macro_name = 'restored'"));
    const auto rows = [&other] {
        return snapshot(other, {"t_profile", "t_configdata", "t_lightdata", "t_macro_data",
                                "t_macrorecord", "t_keyprofile", "t_userlight_data"});
    };
    const Rows before = rows();
    const MacroInfo info{1, 9, 1, 1, "m"};
    const ProfileKey key{0, 0, 1, 41, 3, 6, 0, 0, "k"};
    const std::vector<std::function<bool()>> writes = {
        [&] { return store_.updateProfileName(1, "x"); },
        [&] { return store_.updateConfigData(1, "language", "x"); },
        [&] { return store_.writeConfigData(1, "x", "x"); },
        [&] { return store_.modifyLightData(1, 3, std::vector<std::uint8_t>(12, 1)); },
        [&] { return store_.selectLightMode(1, 4); },
        [&] { return store_.rewriteMacroRecords(1, {}); },
        [&] { return store_.modifyMacroInfo(info); },
        [&] { return store_.deleteMacroProfile(1); },
        [&] { return store_.addKeyProfile(key) != 0; },
        [&] { return store_.updateUserLightName(1, "x") || store_.addUserLight(1, "u") != 0; },
    };
    for (std::size_t i = 0; i < writes.size(); ++i) {
        EXPECT_FALSE(writes[i]()) << "write " << i;
        EXPECT_EQ(storeFaultOf(store_.lastErrorCode()), StoreFault::ChangedOutside) << i;
    }
    {
        DeviceSQLite::WriteScope batch(store_);
        EXPECT_FALSE(batch.ok());
    }
    EXPECT_EQ(rows(), before);

    // Read again: writes go on.
    store_.refuseWritesChangedSince(store_.dataVersion());
    EXPECT_TRUE(store_.rewriteMacroRecords(1, {}));
    EXPECT_EQ(other.count("t_macrorecord"), 0);
    store_.refuseWritesChangedSince(std::nullopt);
    ASSERT_TRUE(other.exec("UPDATE t_profile SET name = 'again'"));
    EXPECT_TRUE(store_.updateProfileName(1, "unchecked"));
}

class UntouchableFile : public StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        fs::create_directories(file_.parent_path());
    }
    // A first-run file made by another store, which is closed again.
    void seedFile() {
        ASSERT_TRUE(DeviceSQLite([](const std::string&) {}).openFile(file_.string()).ok);
    }
    // Opens the file and checks it was refused for `expected` and left as it was.
    void expectRefused(OpenError expected, const std::function<void()>& prepare = {}) {
        const std::string before = readBytes(file_);
        if (prepare) prepare();
        const OpenResult result = open();
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error, expected) << result.reason;
        EXPECT_FALSE(result.reason.empty());
        EXPECT_FALSE(store_.isOpen());
        EXPECT_EQ(readBytes(file_), before);
        EXPECT_EQ(fs::directory_iterator(file_.parent_path())->path(), file_);  // no journal left
    }
};

TEST_F(UntouchableFile, GarbageAndForeignFormatsAreNotDatabases) {
    std::ofstream(file_, std::ios::binary) << (std::string(4096, 'x') + "not a database");
    expectRefused(OpenError::NotADatabase);
    std::ofstream(file_, std::ios::binary)
        << (std::string("SQLite format 3\0", 16) + std::string(200, '\xff'));
    expectRefused(OpenError::NotADatabase);
}

TEST_F(UntouchableFile, AMissingTableOrColumnIsNamedAndTheFileLeftAlone) {
    seedFile();
    {
        RawDb raw(file_);
        ASSERT_TRUE(
            raw.exec("ALTER TABLE t_keyprofile RENAME COLUMN macroType TO kind; "
                     "DROP TABLE t_macro_data"));
    }
    expectRefused(OpenError::SchemaMismatch);
    const OpenResult result = open();
    EXPECT_EQ(result.missing, "t_keyprofile.macroType, t_macro_data");
    EXPECT_NE(result.reason.find("t_keyprofile.macroType"), std::string::npos) << result.reason;
}

TEST_F(UntouchableFile, LockedByAnotherProgramIsReportedAfterTheBusyTimeout) {
    seedFile();
    RawDb other(file_);
    ASSERT_TRUE(other.exec("BEGIN EXCLUSIVE"));
    store_.setBusyTimeout(100);
    const std::string before = readBytes(file_);
    const OpenResult result = open();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, OpenError::Locked) << result.reason;
    EXPECT_EQ(readBytes(file_), before);
    ASSERT_TRUE(other.exec("ROLLBACK"));
    // Two users of one file at once: both see each other's writes.
    openOrFail();
    DeviceSQLite second([](const std::string&) {});
    ASSERT_TRUE(second.openFile(file_.string()).ok);
    ASSERT_EQ(second.addProfile("from the tool"), 2);
    EXPECT_EQ(store_.addProfile("from the window"), 3);
}

TEST_F(UntouchableFile, ReadOnlyOrUnreadableFilesAreLeftAlone) {
    seedFile();
    const std::string before = readBytes(file_);
    const auto openAs = [this] { return static_cast<int>(store_.openFile(file_.string()).error); };

    fs::permissions(file_, fs::perms(0444));
    const int readOnly = runUnprivileged(openAs);
    if (readOnly < 0) GTEST_SKIP() << "cannot drop root rights here";
    EXPECT_EQ(readOnly, static_cast<int>(OpenError::ReadOnly));
    fs::permissions(file_, fs::perms(0000));
    EXPECT_EQ(runUnprivileged(openAs), static_cast<int>(OpenError::CannotOpen));
    fs::permissions(file_, fs::perms(0644));
    EXPECT_EQ(readBytes(file_), before);
    EXPECT_EQ(fs::directory_iterator(file_.parent_path())->path(), file_);
}

}  // namespace
}  // namespace korvex::testing
