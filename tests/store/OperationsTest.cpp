// Row-level operations: results on success and failure, row id reuse and
// the orders the listings rely on.

#include <tuple>

#include "StoreTestSupport.h"

namespace korvex::testing {
namespace {

struct OpenStore : StoreTest {
    void SetUp() override {
        StoreTest::SetUp();
        openOrFail();
    }
};

TEST_F(OpenStore, ProfilesReuseTheLargestIdAndListInIdOrder) {
    EXPECT_EQ(store_.addProfile("Configuration File 2"), 2);
    EXPECT_EQ(store_.addProfile("Configuration File 3"), 3);
    ASSERT_TRUE(store_.addKeyProfile({0, 0, 3, 41, 3, 5, 0, 0, "B"}));
    ASSERT_TRUE(store_.writeLightProfile(3));
    const std::int64_t light = store_.addUserLight(3, "mine");
    ASSERT_TRUE(store_.rewriteUserLightLEDData(light, {{0, light, 41, 0xFF0000}}));
    ASSERT_TRUE(store_.deleteProfile(3));
    // Its rows went with it, so nothing of it can be read back.
    RawDb raw(file_);
    for (const char* table : {"t_keyprofile", "t_lightdata", "t_configdata"})
        EXPECT_EQ(raw.count(table, "profId = 3"), 0) << table;
    EXPECT_EQ(raw.count("t_userlight_data", "profile = 3"), 0);
    EXPECT_EQ(raw.count("t_userlight_leddata", "1 = 1"), 0);
    // Rows another program left under the freed id are not inherited either.
    ASSERT_TRUE(store_.addKeyProfile({0, 0, 3, 41, 3, 5, 0, 0, "B"}));
    EXPECT_EQ(store_.addProfile("again"), 3);
    EXPECT_EQ(raw.count("t_keyprofile", "profId = 3"), 0);
    ASSERT_TRUE(store_.deleteProfile(2));
    EXPECT_EQ(store_.addProfile("four"), 4);
    ASSERT_TRUE(store_.updateProfileName(4, ""));
    raw.exec("UPDATE t_profile SET name = NULL WHERE profId = 3");
    std::vector<ProfileData> list{{9, "caller's"}};
    ASSERT_TRUE(store_.queryProfileList(list));
    ASSERT_EQ(list.size(), 4u);
    // NULL lists as empty text.
    EXPECT_EQ(std::tie(list[2].profId, list[2].name, list[3].profId), std::make_tuple(3, "", 4));
    // The first profile's schemes are every profile's: they outlive it.
    const std::int64_t shared = store_.addUserLight(1, "everyone's");
    ASSERT_TRUE(store_.rewriteUserLightLEDData(shared, {{0, shared, 41, 0x00FF00}}));
    ASSERT_TRUE(store_.deleteProfile(1));
    EXPECT_EQ(raw.count("t_userlight_data", "profile = 1"), 1);
    EXPECT_EQ(raw.count("t_userlight_leddata", "1 = 1"), 1);
    EXPECT_EQ(raw.count("t_keyprofile", "profId = 1"), 0);
}

TEST_F(OpenStore, ConfigValuesReadTheFirstRowAndUpdateOnlyExistingOnes) {
    EXPECT_EQ(store_.getConfigData(1, "language"), "1033");
    EXPECT_EQ(store_.getConfigData(2, "language"), "");  // application-wide: profile 1 only
    EXPECT_TRUE(store_.updateConfigData(1, "no such key", "x"));
    EXPECT_EQ(store_.getConfigData(1, "no such key"), "");
    EXPECT_TRUE(store_.updateConfigData(1, "language", "2052"));
    EXPECT_EQ(store_.getConfigData(1, "language"), "2052");
    EXPECT_TRUE(store_.writeConfigData(1, "language", "1028"));  // always a new row
    EXPECT_EQ(store_.getConfigData(1, "language"), "2052");
    EXPECT_TRUE(store_.updateConfigData(1, "language", "1033"));  // every matching row
    EXPECT_EQ(RawDb(file_).rows("SELECT DISTINCT value FROM t_configdata WHERE key = 'language'"),
              Rows{"1033"});
}

TEST_F(OpenStore, LightRowsAreSeededOnceAndKeepTheirBytes) {
    ASSERT_EQ(store_.addProfile("P2"), 2);
    ASSERT_TRUE(store_.writeLightProfile(2));
    RawDb raw(file_);
    // The per-profile block: rate, switch, index, then six DPI steps and six colours.
    std::vector<std::string> keys = {"report_rate", "dpi_switch_config", "dpi_index"};
    for (const char* kind : {"value", "rgb"})
        for (int i = 0; i < 6; ++i) keys.push_back("dpi_group" + std::to_string(i) + "_" + kind);
    EXPECT_EQ(raw.rows("SELECT key FROM t_configdata WHERE profId = 2 ORDER BY keyId"), keys);
    EXPECT_EQ(raw.rows("SELECT group_concat(value) FROM t_configdata WHERE profId = 2 "
                       "AND key LIKE '%_value'"),
              Rows{"12,24,32,50,100,160"});
    EXPECT_EQ(raw.rows("SELECT group_concat(mode) FROM (SELECT mode FROM t_lightdata "
                       "WHERE profId = 2 ORDER BY lightId)"),
              Rows{"0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20"});
    ASSERT_TRUE(store_.writeLightProfile(2));
    EXPECT_EQ(raw.count("t_lightdata", "profId = 2") + raw.count("t_configdata", "profId = 2"),
              21 + 15);
    // The seeded bytes reach the keyboard: korvexctl's start-up sends mode 11
    // as stored, the light page mode 10's direction.
    // Element 0 never picks the row and is never stored.
    std::vector<std::uint8_t> bytes = {4, 1, 2, 3, 4, 5, 6, 7, 0, 9, 10, 1};
    ASSERT_TRUE(store_.modifyLightData(2, 5, bytes));
    lightData five;
    ASSERT_TRUE(store_.queryLightInfo(2, 5, five));
    bytes[0] = 5;
    EXPECT_EQ(five.lightBytes, bytes);
    EXPECT_TRUE(store_.queryLightInfo(2, 4, five));
    EXPECT_EQ(five.lightBytes[1], 202);
    EXPECT_FALSE(store_.modifyLightData(2, 5, {1, 2, 3}));

    // A byte the array cannot hold, a short array or a missing mode fail and
    // leave the caller's record as it was.
    raw.exec("UPDATE t_lightdata SET byte9 = 300 WHERE profId = 2 AND mode = 6");
    lightData untouched;
    EXPECT_FALSE(store_.queryLightInfo(2, 6, untouched));
    EXPECT_FALSE(store_.queryLightInfo(2, 21, untouched));
    EXPECT_EQ(untouched.lightBytes, std::vector<std::uint8_t>(12, 0));
    lightData shortRecord;
    shortRecord.lightBytes.resize(11);
    EXPECT_FALSE(store_.queryLightInfo(2, 5, shortRecord));

    ASSERT_TRUE(store_.selectLightMode(2, 5));
    EXPECT_EQ(store_.getLightModeSelectIndex(2), 5);
    EXPECT_EQ(store_.getLightModeSelectIndex(1), 0);  // profiles are independent
    ASSERT_TRUE(store_.selectLightMode(2, 42));
    EXPECT_EQ(store_.getLightModeSelectIndex(2), 0);
}

// Replacing, clearing and keeping the layers apart are checked through the
// key page, the key dialog and the one-truth test.
TEST_F(OpenStore, KeyAssignmentsListInTheOrderTheyWereMade) {
    ASSERT_GT(store_.addKeyProfile({0, 0, 1, 41, 3, 5, 7, 9, "B"}), 0);
    ASSERT_GT(store_.addKeyProfile({0, 0, 1, 30, 3, 4, 0, 0, "A"}), 0);
    std::vector<ProfileKey> top;
    ASSERT_TRUE(store_.queryKeysProfile(1, 0, top));
    ASSERT_EQ(top.size(), 2u);
    EXPECT_EQ(std::tie(top[0].keyValue, top[0].macroDesc, top[0].macro3Value, top[1].keyValue),
              std::make_tuple(41, "B", 9, 30));

    ProfileKey factory{1, 2, 3, 4, 5, 6, 7, 8, "factory"};
    EXPECT_FALSE(store_.queryKeyProfile(1, 0, 99, factory));
    EXPECT_EQ(std::tie(factory.macroDesc, factory.keyId), std::make_tuple("factory", 1));
    EXPECT_EQ(store_.addKeyProfile({0, 0, 1, 0, 3, 5, 0, 0, "x"}), 0);  // key code 0 refused
    EXPECT_EQ(RawDb(file_).count("t_keyprofile"), 2);
}

// The order of a macro's events, its delays and rewriting them are checked
// through the macro page and the one-truth test.
TEST_F(OpenStore, MacrosAndTheirEventsLiveAndDieTogether) {
    EXPECT_EQ(store_.addMacroProfile("one"), 1);
    EXPECT_EQ(store_.addMacroProfile("two"), 2);
    MacroInfo info;
    ASSERT_TRUE(store_.queryMacroInfo(2, info));
    EXPECT_EQ(std::tie(info.playTimes, info.delayType, info.macroName),
              std::make_tuple(1, 0, "two"));
    ASSERT_TRUE(store_.rewriteMacroRecords(
        2, {{0, 2, 2, 0, 4, "A"}, {0, 2, 3, 1, 4, "A"}, {0, 2, 2, 2, 4, "A"}}));
    ASSERT_TRUE(store_.rewriteMacroRecords(1, {{0, 1, 1, 0, 50, "50 ms"}}));
    EXPECT_EQ(store_.getRecordCount(), 4);
    // All rows at once, in row order, whichever macro they belong to.
    std::vector<RecordInfo> all;
    EXPECT_EQ(store_.queryAllMacroRecords(all), 4);
    EXPECT_EQ(std::tie(all[0].macroId, all[2].recordIndex, all[3].macroId, all[3].recordDesc),
              std::make_tuple(2, 2, 1, "50 ms"));

    ASSERT_TRUE(store_.addKeyProfile({0, 0, 1, 41, 4, 2, 0, 1, "two"}));
    ASSERT_TRUE(store_.deleteMacroProfile(2));
    EXPECT_EQ(store_.getRecordCount(), 1);
    ProfileKey player;
    // The key that played it is unbound with it: the reused id below must
    // not make it play the new macro.
    EXPECT_FALSE(store_.queryKeyProfile(1, 0, 41, player));
    EXPECT_EQ(store_.addMacroProfile("three"), 2);
    std::vector<RecordInfo> none;
    EXPECT_EQ(store_.queryMacroRecord(2, none), 0);

    ASSERT_TRUE(store_.updateMacroProfileName(1, "renamed"));
    std::vector<MacroInfo> macros{MacroInfo{}};
    EXPECT_EQ(store_.queryAllMacroData(macros), 3);
    EXPECT_EQ(std::tie(macros[1].macroName, macros[2].macroId), std::make_tuple("renamed", 2));

    ASSERT_TRUE(store_.rewriteMacroRecords(1, {{0, 99, 4, 0, 1, "L"}, {0, 99, 5, 1, 1, "L"}}));
    std::vector<RecordInfo> rewritten;
    ASSERT_EQ(store_.queryMacroRecord(1, rewritten), 2);
    EXPECT_EQ(std::tie(rewritten[0].macroId, rewritten[1].recordType), std::make_tuple(1, 5));
    ASSERT_TRUE(store_.rewriteMacroRecords(1, {}));
    EXPECT_EQ(store_.getRecordCount(), 0);
}

TEST_F(OpenStore, UserLightColoursKeepOneRowPerKeyAndSchemesStartBlack) {
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(store_.addUserLight(1, "s" + std::to_string(i)), i);
    std::vector<UserLightData> schemes(2);
    EXPECT_EQ(store_.getUserLightData(1, schemes), 5);
    EXPECT_EQ(std::tie(schemes[2].speed, schemes[4].brightness, schemes[4].userlight_name),
              std::make_tuple(15, 15, "s3"));
    std::vector<UserLightLEDData> leds(1);
    EXPECT_EQ(store_.getUserLightLEDData(1, leds), 1);

    // Last entry per key wins, black and key 0 leave no row, other schemes keep theirs.
    ASSERT_TRUE(store_.rewriteUserLightLEDData(2, {{0, 2, 41, 0x0000FF}}));
    ASSERT_TRUE(store_.rewriteUserLightLEDData(
        3, {{0, 0, 4, 1}, {0, 0, 5, 2}, {0, 0, 4, 3}, {0, 0, 6, 0}, {0, 0, 0, 9}, {0, 0, 5, 0}}));
    RawDb raw(file_);
    EXPECT_EQ(raw.rows("SELECT light_id, keyvalue, rgbvalue FROM t_userlight_leddata "
                       "ORDER BY ledId"),
              (Rows{"2|41|255", "3|4|3"}));
    ASSERT_TRUE(store_.deleteUserLight(3));
    EXPECT_EQ(store_.addUserLight(1, "new"), 3);
    leds.clear();
    EXPECT_EQ(store_.getUserLightLEDData(3, leds), 0);
}

TEST_F(OpenStore, FreeTextNamesAreStoredExactly) {
    const std::vector<std::string> names = {"it's \"quoted\"",
                                            "a; DROP TABLE t_profile; --",
                                            "SELECT * FROM t_macro_data WHERE 1",
                                            "配置文件 一",
                                            "Профиль ✓",
                                            "🎹🔥👍🏽",
                                            std::string(100000, 'x') + "end",
                                            "",
                                            std::string("nul\0inside", 10),
                                            "%s %n ?1 :name @x $y"};
    for (const auto& name : names) {
        const std::int64_t profile = store_.addProfile(name);
        ASSERT_GT(profile, 0);
        const std::int64_t macro = store_.addMacroProfile(name);
        ASSERT_GT(store_.addUserLight(1, name), 0);
        ASSERT_TRUE(store_.writeConfigData(profile, name, name));
        ASSERT_GT(store_.addKeyProfile({0, 0, profile, 4, 3, 4, 0, 0, name}), 0);
        ASSERT_TRUE(store_.rewriteMacroRecords(macro, {{0, macro, 2, 0, 4, name}}));
        EXPECT_EQ(store_.getConfigData(profile, name), name);
        ProfileKey key;
        ASSERT_TRUE(store_.queryKeyProfile(profile, 0, 4, key));
        EXPECT_EQ(key.macroDesc, name);
        MacroInfo info;
        ASSERT_TRUE(store_.queryMacroInfo(macro, info));
        EXPECT_EQ(info.macroName, name);
        std::vector<RecordInfo> events;
        store_.queryMacroRecord(macro, events);
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].recordDesc, name);
    }
    std::vector<ProfileData> profiles;
    ASSERT_TRUE(store_.queryProfileList(profiles));
    std::vector<UserLightData> schemes;
    store_.getUserLightData(1, schemes);
    ASSERT_EQ(profiles.size(), names.size() + 1);
    ASSERT_EQ(schemes.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(profiles[i + 1].name, names[i]);
        EXPECT_EQ(schemes[i].userlight_name, names[i]);
    }
    EXPECT_EQ(RawDb(file_).count("sqlite_master", "type = 'table'"), 12);  // the ten and our two
}

}  // namespace
}  // namespace korvex::testing
