#include "store/StorePath.h"

#include "StoreTestSupport.h"

namespace korvex::testing {
namespace {

// No other store test reads the variables this one changes.
TEST_F(StoreTest, ThePathFollowsXdgDataHomeOrHomeAndTheStoreOpensThere) {
    ::setenv("HOME", "/home/u", 1);
    ::setenv("XDG_DATA_HOME", "/data/", 1);
    EXPECT_EQ(databasePath(), "/data/korvex/db/device_keyboard_tarnel_v1.sqlite3");
    ::setenv("XDG_DATA_HOME", "relative/dir", 1);  // not absolute: ignored
    EXPECT_EQ(databaseDirectory(), "/home/u/.local/share/korvex/db");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(databaseDirectory(), "/home/u/.local/share/korvex/db");
    ::unsetenv("HOME");
    EXPECT_FALSE(databasePath().has_value());
    EXPECT_EQ(store_.init(kDatabaseFileName).error, OpenError::NoLocation);

    ::setenv("XDG_DATA_HOME", dir_.c_str(), 1);
    const OpenResult opened = store_.init(kDatabaseFileName);
    EXPECT_TRUE(opened.ok) << opened.reason;
    EXPECT_EQ(opened.path, *databasePath());
    // A plain file where a folder must go is an open failure that says why.
    const OpenResult blocked =
        store_.openFile((dir_ / "korvex/db" / kDatabaseFileName / "x").string());
    EXPECT_EQ(blocked.error, OpenError::CannotCreate);
    EXPECT_FALSE(blocked.reason.empty());
}

}  // namespace
}  // namespace korvex::testing
