// The file the store creates: tables, column definitions, first-run rows,
// and the factory and profile resets.

#include "StoreTestSupport.h"

namespace korvex::testing {
namespace {

// name:type:notnull:pk for every column, in order, as PRAGMA table_info shows them.
const std::vector<std::pair<std::string, std::string>> kExpectedTables = {
    {"t_profile", "profId:INTEGER:1:1 name:TEXT:0:0"},
    {"t_configdata", "keyId:INTEGER:1:1 key:TEXT:1:0 profId:INTEGER:1:0 value:TEXT:1:0"},
    {"t_lightdata",
     "lightId:INTEGER:1:1 profId:INTEGER:1:0 name:TEXT:0:0 mode:INTEGER:1:0 byte1:INTEGER:1:0 "
     "byte2:INTEGER:1:0 byte3:INTEGER:1:0 byte4:INTEGER:1:0 byte5:INTEGER:1:0 byte6:INTEGER:1:0 "
     "byte7:INTEGER:1:0 byte8:INTEGER:1:0 byte9:INTEGER:1:0 byte10:INTEGER:1:0 "
     "byte11:INTEGER:1:0 status:INTEGER:1:0"},
    {"t_keyrgbdata",
     "rgbId:INTEGER:1:1 lightId:INTEGER:1:0 profId:INTEGER:1:0 keyvalue:INTEGER:1:0 "
     "rgbvalue:INTEGER:1:0"},
    {"t_userlight_data",
     "light_id:INTEGER:1:1 profile:INTEGER:1:0 name:TEXT:0:0 speed:INTEGER:1:0 "
     "brightness:INTEGER:1:0"},
    {"t_userlight_leddata",
     "ledId:INTEGER:1:1 light_id:INTEGER:1:0 keyvalue:INTEGER:1:0 rgbvalue:INTEGER:1:0"},
    {"t_triggerkey",
     "triggerId:INTEGER:1:1 profId:INTEGER:1:0 layer:INTEGER:1:0 keyvalue:INTEGER:1:0 "
     "keydesc:TEXT:1:0"},
    {"t_keyprofile",
     "keyId:INTEGER:1:1 profId:INTEGER:1:0 fnlayerId:INTEGER:1:0 keyvalue:INTEGER:1:0 "
     "macroType:INTEGER:1:0 macroValue:INTEGER:1:0 macro2Value:INTEGER:1:0 "
     "macro3Value:INTEGER:1:0 macroDesc:TEXT:1:0"},
    {"t_macro_data",
     "macro_id:INTEGER:1:1 play_times:INTEGER:1:0 delay_type:INTEGER:1:0 "
     "delay_time:INTEGER:1:0 macro_name:TEXT:1:0"},
    {"t_macrorecord",
     "record_id:INTEGER:1:1 macro_id:INTEGER:1:0 record_type:INTEGER:1:0 "
     "record_index:INTEGER:1:0 record_desc:TEXT:1:0 record_value:INTEGER:1:0"},
};

std::string describeTable(RawDb& raw, const std::string& table) {
    const std::string info = " FROM pragma_table_info('" + table + "')";
    EXPECT_EQ(raw.rows("SELECT count(*)" + info + " WHERE dflt_value IS NOT NULL"), Rows{"0"})
        << table << ": a column has a default";
    const auto r = raw.rows(
        "SELECT group_concat(name || ':' || type || ':' || \"notnull\" || ':' "
        "|| pk, ' ')" +
        info);
    return r.empty() ? "" : r[0];
}

TEST_F(StoreTest, FreshFileHasTheTenTablesInOrderAndOnlyTheFirstRunRows) {
    openOrFail();
    RawDb raw(file_);
    std::vector<std::string> names;
    for (const auto& [name, columns] : kExpectedTables) {
        names.push_back(name);
        EXPECT_EQ(describeTable(raw, name), columns) << name;
        if (name != "t_profile" && name != "t_configdata") {
            EXPECT_EQ(raw.count(name), 0) << name;
        }
    }
    // Creation order is visible as the order in sqlite_master; no indexes,
    // triggers or AUTOINCREMENT bookkeeping were added to the ten. The two
    // tables of automatic switching, ours alone, follow them.
    for (const char* ours :
         {"t_autoswitch_rule", "t_autoswitch", "sqlite_autoindex_t_autoswitch_1"})
        names.push_back(ours);
    EXPECT_EQ(raw.rows("SELECT name FROM sqlite_master ORDER BY rowid"), names);
    EXPECT_EQ(raw.rows("SELECT profId, name FROM t_profile"), Rows{"1|Configuration File 1"});
    EXPECT_EQ(raw.rows("SELECT key, profId, value FROM t_configdata ORDER BY keyId"),
              (Rows{"keyboardLayout|1|0", "language|1|1033", "gamemode|1|0", "disable_alttab|1|0",
                    "disable_altf4|1|0", "disable_win|1|0", "keyboard_layout|1|0",
                    "customlight_run|1|0", "cur_customlightmode|1|0", "fnlayer|1|0",
                    "sleeplight|1|0", "fnfunction|1|0", "tab_view|1|1"}));
}

TEST_F(StoreTest, ReopeningChangesNothingAndSeedsOnlyEmptyTables) {
    openOrFail();
    ASSERT_EQ(store_.addProfile("Second"), 2);
    ASSERT_TRUE(store_.writeLightProfile(2));
    const std::string before = readBytes(file_);
    DeviceSQLite again([](const std::string&) {});
    ASSERT_TRUE(again.openFile(file_.string()).ok);
    EXPECT_EQ(readBytes(file_), before);

    // Any configuration row, even of another profile, stops the first-run
    // rows; so does any profile row for the first profile.
    RawDb raw(file_);
    raw.exec("DELETE FROM t_configdata WHERE profId = 1; DELETE FROM t_profile WHERE profId = 1");
    ASSERT_TRUE(again.initDBdata(7));
    EXPECT_EQ(raw.count("t_configdata", "profId = 1"), 0);
    EXPECT_EQ(raw.count("t_profile"), 1);
    raw.exec("DELETE FROM t_configdata; DELETE FROM t_profile");
    ASSERT_TRUE(again.initDBdata(7));
    EXPECT_EQ(raw.rows("SELECT profId FROM t_configdata WHERE key = 'keyboardLayout'"), Rows{"7"});
    EXPECT_EQ(raw.count("t_configdata", "profId = 1"), 12);
    EXPECT_EQ(raw.rows("SELECT profId, name FROM t_profile"), Rows{"1|Configuration File 1"});
}

TEST_F(StoreTest, FactoryResetKeepsTriggerKeysAndEndsWithTheFirstRunStateOrChangesNothing) {
    openOrFail();
    store_.setBusyTimeout(50);
    EXPECT_GT(store_.addProfile("P2"), 0);
    EXPECT_TRUE(store_.writeLightProfile(2));
    EXPECT_GT(store_.addMacroProfile("m"), 0);
    EXPECT_GT(store_.addUserLight(1, "u"), 0);
    RawDb raw(file_);
    ASSERT_TRUE(raw.exec("INSERT INTO t_triggerkey VALUES (5, 1, 0, 4, 'kept')"));
    // Another program in the middle of reading: the reset cannot commit.
    const auto before = raw.rows("SELECT * FROM t_profile");
    ASSERT_TRUE(raw.exec("BEGIN"));
    ASSERT_EQ(raw.count("t_profile"), 2);
    EXPECT_FALSE(store_.dropTable());
    ASSERT_TRUE(raw.exec("COMMIT"));
    EXPECT_EQ(raw.rows("SELECT * FROM t_profile"), before);
    EXPECT_EQ(raw.count("t_macro_data"), 1);

    ASSERT_TRUE(store_.dropTable());
    EXPECT_EQ(raw.rows("SELECT * FROM t_triggerkey"), Rows{"5|1|0|4|kept"});
    EXPECT_EQ(raw.rows("SELECT * FROM t_profile"), Rows{"1|Configuration File 1"});
    EXPECT_EQ(raw.count("t_configdata"), 13);
    for (const char* t : {"t_lightdata", "t_macro_data", "t_userlight_data", "t_keyprofile"})
        EXPECT_EQ(raw.count(t), 0) << t;
}

TEST_F(StoreTest, ProfileResetRestoresDefaultsButKeepsApplicationSettings) {
    openOrFail();
    ASSERT_EQ(store_.addProfile("P2"), 2);
    for (std::int64_t p : {1, 2}) {
        ASSERT_TRUE(store_.writeLightProfile(p));
        for (std::int64_t layer : {0, 1})
            EXPECT_GT(store_.addKeyProfile({0, layer, p, 41, 3, 5, 0, 0, "B"}), 0);
        EXPECT_TRUE(store_.updateConfigData(p, "dpi_index", "4"));
    }
    EXPECT_TRUE(store_.updateConfigData(1, "gamemode", "1"));
    RawDb raw(file_);
    const auto profileOne = raw.rows("SELECT * FROM t_configdata WHERE profId = 1 ORDER BY keyId");

    ASSERT_TRUE(store_.resetProfile(2));
    EXPECT_EQ(raw.count("t_keyprofile", "profId = 2"), 0);
    EXPECT_EQ(raw.count("t_configdata", "profId = 2"), 15);
    EXPECT_EQ(store_.getConfigData(2, "dpi_index"), "1");
    EXPECT_EQ(store_.getLightModeSelectIndex(2), 3);
    EXPECT_EQ(raw.rows("SELECT * FROM t_configdata WHERE profId = 1 ORDER BY keyId"), profileOne);
    EXPECT_EQ(raw.count("t_keyprofile", "profId = 1"), 2);

    // Profile 1 also carries the application-wide values; they survive its reset.
    ASSERT_TRUE(store_.resetProfile(1));
    EXPECT_EQ(store_.getConfigData(1, "gamemode"), "1");
    EXPECT_EQ(store_.getConfigData(1, "language"), "1033");
    EXPECT_EQ(store_.getConfigData(1, "dpi_index"), "1");
    EXPECT_EQ(raw.count("t_configdata", "profId = 1"), 13 + 15);
    EXPECT_EQ(raw.count("t_keyprofile", "profId = 1"), 0);
    EXPECT_EQ(store_.getLightModeSelectIndex(1), 3);
}

}  // namespace
}  // namespace korvex::testing
