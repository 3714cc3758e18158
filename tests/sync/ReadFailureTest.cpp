// A read that fails part way through a build sends nothing and says why:
// an empty list from a failed query must never reach the keyboard as
// default entries.

#include <gtest/gtest.h>

#include "../store/StoreTestSupport.h"
#include "sync/StoreUploads.h"

namespace korvex::testing {
namespace {

using sync::BuiltUploads;
using sync::UploadChoice;

constexpr UploadChoice kAllChoices[] = {UploadChoice::Keys,         UploadChoice::System,
                                        UploadChoice::LightMode,    UploadChoice::UserLight,
                                        UploadChoice::Macros,       UploadChoice::Startup,
                                        UploadChoice::TopLayerKeys, UploadChoice::FnLayerKeys};

struct Builds : StoreTest {
    void SetUp() override {
        StoreTest::SetUp();
        openOrFail();
        // Something in every table a build reads, so an empty answer differs
        // from the stored one.
        ASSERT_GT(store_.addKeyProfile({0, 0, 1, 41, 3, 5, 0, 0, "B"}), 0);
        const std::int64_t macro = store_.addMacroProfile("m");
        ASSERT_TRUE(store_.rewriteMacroRecords(macro, {{0, macro, 2, 0, 4, "A"}}));
        const std::int64_t light = store_.addUserLight(1, "u");
        ASSERT_TRUE(store_.rewriteUserLightLEDData(light, {{0, light, 41, 0xFF0000}}));
        ASSERT_TRUE(store_.writeLightProfile(1));
        for (UploadChoice choice : kAllChoices)
            ASSERT_EQ(build(choice).status, BuiltUploads::Status::Ready);
    }
    BuiltUploads build(UploadChoice choice) {
        return sync::buildUploads(store_, {choice, 1, {}, {}});
    }
    void expectNothingSent(const BuiltUploads& b, StoreFault fault, const std::string& why) {
        EXPECT_EQ(b.status, BuiltUploads::Status::DatabaseUnreadable) << why;
        EXPECT_TRUE(b.uploads.empty()) << why;
        EXPECT_EQ(b.fault, fault) << why << ": " << b.message;
        EXPECT_NE(b.message.find(storeFaultText(fault)), std::string::npos) << b.message;
    }
};

TEST_F(Builds, AnyFailingReadSendsNothingAndNamesTheCause) {
    RawDb other(file_);
    // Another program holds the file past the busy timeout.
    store_.setBusyTimeout(50);
    ASSERT_TRUE(other.exec("BEGIN EXCLUSIVE"));
    for (UploadChoice choice : kAllChoices)
        expectNothingSent(build(choice), StoreFault::Busy, "locked");
    ASSERT_TRUE(other.exec("ROLLBACK"));

    // A renamed column fails its query instead of reading its own name.
    ASSERT_TRUE(other.exec("ALTER TABLE t_keyprofile RENAME COLUMN macroType TO kind"));
    for (UploadChoice choice : {UploadChoice::Keys, UploadChoice::Startup})
        expectNothingSent(build(choice), StoreFault::MissingSchema, "renamed column");
    ASSERT_TRUE(other.exec("ALTER TABLE t_keyprofile RENAME COLUMN kind TO macroType"));

    // A missing table is no macros, not an empty macro list.
    ASSERT_TRUE(other.exec("ALTER TABLE t_macrorecord RENAME TO t_gone"));
    expectNothingSent(build(UploadChoice::Macros), StoreFault::MissingSchema, "missing table");
    ASSERT_TRUE(other.exec("ALTER TABLE t_macro_data RENAME TO t_gone2"));
    for (UploadChoice choice : {UploadChoice::Keys, UploadChoice::Startup, UploadChoice::Macros})
        expectNothingSent(build(choice), StoreFault::MissingSchema, "missing table");
}

TEST_F(Builds, ADamagedPageSendsNothingAndWritesNothing) {
    // Garbage pages SQLite reports by itself, and cell pointers that read as
    // rows of NULLs without any error, in each table an upload reads.
    const std::pair<const char*, void (*)(const fs::path&, const std::string&)> damages[] = {
        {"garbage", damageTable}, {"cell pointers", scribbleCellPointers}};
    const fs::path copy = dir_ / "copy.sqlite3";
    for (const char* table :
         {"t_keyprofile", "t_configdata", "t_lightdata", "t_userlight_leddata", "t_macrorecord"}) {
        for (const auto& [kind, damage] : damages) {
            fs::copy_file(file_, copy, fs::copy_options::overwrite_existing);
            damage(copy, table);
            const std::string before = readBytes(copy);
            const std::string what = std::string(kind) + " in " + table;
            DeviceSQLite fresh([](const std::string&) {});
            const OpenResult opened = fresh.openFile(copy.string());
            EXPECT_EQ(opened.error, OpenError::Damaged) << what << ": " << opened.reason;
            for (UploadChoice choice : kAllChoices) {
                expectNothingSent(sync::buildUploads(copy.string(), {choice, 1, {}, {}}),
                                  StoreFault::Damaged, what);
            }
            EXPECT_EQ(readBytes(copy), before) << what;  // no seed rows, no light rows
        }
    }
}

}  // namespace
}  // namespace korvex::testing
