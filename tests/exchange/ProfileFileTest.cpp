// Profile files: a full round trip between two machines, macro name clashes,
// and every kind of bad file refused with the database left as it was.

#include "exchange/ProfileFile.h"

#include <sys/stat.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <tuple>
#include <variant>

#include "ExchangeTestSupport.h"
#include "catalog/FunctionCatalog.h"
#include "catalog/KeyCatalog.h"
#include "exchange/Backups.h"

namespace korvex {
namespace {

namespace fs = std::filesystem;
using testing::dumpTables;
using ::testing::ElementsAre;
using testing::FailsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testing::readBytes;

int code(std::string_view keyName) {
    return findKeyByName(keyName)->code;
}

// Replaces (or with an undefined value, removes) the value at `path` of a JSON text.
using Step = std::variant<const char*, int>;
QJsonValue replaced(const QJsonValue& at, std::vector<Step>::const_iterator step,
                    std::vector<Step>::const_iterator end, const QJsonValue& value) {
    if (step == end) return value;
    if (std::holds_alternative<int>(*step)) {
        QJsonArray a = at.toArray();
        const int i = std::get<int>(*step);
        a[i] = replaced(a[i], step + 1, end, value);
        return a;
    }
    QJsonObject o = at.toObject();
    const char* name = std::get<const char*>(*step);
    const QJsonValue inner = replaced(o.value(name), step + 1, end, value);
    if (inner.isUndefined())
        o.remove(name);
    else
        o.insert(name, inner);
    return o;
}
std::string edited(const std::string& text, const std::vector<Step>& path, const QJsonValue& v) {
    const QJsonValue root = QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
    return QJsonDocument(replaced(root, path.begin(), path.end(), v).toObject())
        .toJson()
        .toStdString();
}

class ProfileFiles : public testing::TempHome {
  protected:
    void SetUp() override {
        TempHome::SetUp();
        shelf = BackupShelf((root / "data/korvex/backups").string());
        openStore(store, database);
        profile = store.addProfile("Gaming");
        EXPECT_TRUE(store.writeLightProfile(profile));
        // A macro no key plays: it must stay out of the file.
        EXPECT_GT(store.addMacroProfile("Unused"), 0);
        macros = {addMacro("Greeting", {{2, 11, "H"}, {1, 40, "40"}, {3, 11, "H"}}),
                  addMacro("Clicks",
                           {{4, 1, "[MOUSE DOWN] Left Button"}, {5, 1, "[MOUSE UP] Left Button"}}),
                  addMacro("Long", {{2, 4, "A"}, {3, 4, "A"}, {2, 5, "B"}, {3, 5, "B"}})};
        EXPECT_TRUE(store.modifyMacroInfo({macros[2], 0, 2, 25, {}}));
        auto key = [&](std::int64_t layer, const char* name, std::int64_t type, std::int64_t v,
                       std::int64_t v2, std::int64_t v3, const char* text) {
            ASSERT_GT(store.addKeyProfile({0, layer, profile, code(name), type, v, v2, v3, text}),
                      0)
                << name;
        };
        key(0, "a", kMacroTypeDisabled, 1, 0, 0, "Disable Keys");
        key(0, "b", kMacroTypeKeyboard, 6, 0, 0, "C");
        key(0, "c", kMacroTypeKeyboard, 25, 227, 0, "Command+V");
        key(0, "d", kMacroTypeKeyboard, 504, 0, 0, "Play/Pause");
        key(0, "e", kMacroTypeMacro, macros[0], kPlayOnce, 0, "Greeting");
        key(0, "f", kMacroTypeMacro, macros[1], kPlayMultipleTimes, 7, "Clicks");
        key(1, "g", kMacroTypeMacro, macros[2], kStopWhenPressedAgain, 0, "Long");
        key(1, "h", kMacroTypeMouse, 8, 0, 0, "Mouse Button 5");
        key(1, "i", kMacroTypeMultimedia, 7, 0, 0, "Mute");
        key(1, "j", kMacroTypeMacShortcut, 4, 0, 0, "Copy");
        key(1, "k", kMacroTypeThreeKeys, 4, 5, 6, "");
        EXPECT_TRUE(store.modifyLightData(profile, 4, {4, 1, 2, 3, 0, 0, 0, 0, 0, 9, 8, 1}));
        EXPECT_TRUE(store.selectLightMode(profile, 4));
        const std::int64_t light = store.addUserLight(profile, "Sunset");
        EXPECT_TRUE(store.rewriteUserLightLEDData(
            light, {{0, light, code("escape"), 0xFF8000}, {0, light, code("space"), 0x0000FF}}));
        EXPECT_GT(store.addUserLight(1, "Not this profile's"), 0);
    }

    std::int64_t addMacro(const char* name,
                          std::vector<std::tuple<std::int64_t, std::int64_t, const char*>> events) {
        const std::int64_t id = store.addMacroProfile(name);
        std::vector<RecordInfo> rows;
        for (const auto& [type, value, text] : events)
            rows.push_back({0, id, type, static_cast<std::int64_t>(rows.size()), value, text});
        EXPECT_TRUE(store.rewriteMacroRecords(id, rows));
        return id;
    }

    std::string exported() {
        const ProfileExport e = exportProfile(store, profile);
        EXPECT_TRUE(e.ok) << e.message;
        EXPECT_THAT(e.skipped, IsEmpty());
        return e.text;
    }

    DeviceSQLite store;
    BackupShelf shelf{""};
    std::int64_t profile = 0;
    std::vector<std::int64_t> macros;
};

TEST_F(ProfileFiles, MoveToAnotherMachineAndBackGivesTheSameFile) {
    const std::string text = exported();
    const fs::path file = root / "gaming.korvex.json";
    ASSERT_TRUE(exportProfileToFile(store, profile, file.string()).ok);
    EXPECT_EQ(readBytes(file), text);
    EXPECT_THAT(text, Not(HasSubstr("Unused")));
    EXPECT_THAT(text, Not(HasSubstr("Not this profile's")));

    // Spaces around names are not part of them (the macro a key plays included).
    std::string padded = edited(text, {"profile", "name"}, " Gaming\t");
    padded = edited(padded, {"macros", 2, "name"}, "  Long ");
    padded = edited(padded, {"profile", "fnLayer", 0, "macro"}, "Long  ");
    padded = edited(padded, {"profile", "userLights", 0, "name"}, "Sunset\n");
    testing::writeBytes(file, padded);
    const fs::path other = root / "other.sqlite3";
    const ProfileImport imported = importProfileFile(other.string(), file.string(), nullptr);
    ASSERT_TRUE(imported.ok) << imported.message;
    EXPECT_EQ(imported.profile, 2);  // after the first-run profile of the new machine
    EXPECT_EQ(imported.name, "Gaming");
    EXPECT_THAT(imported.renamedMacros, IsEmpty());

    DeviceSQLite there;
    openStore(there, other);
    const ProfileExport again = exportProfile(there, imported.profile);
    ASSERT_TRUE(again.ok);
    EXPECT_EQ(again.text, text);
}

TEST_F(ProfileFiles, ImportKeepsTheKeyPagesRulesAndReusesOnlyTheSameMacro) {
    // A file from elsewhere may set a key to Fn on the top layer only.
    ASSERT_GT(
        store.addKeyProfile({0, 0, profile, code("l"), kMacroTypeKeyboard, kFnKeyCode, 0, 0, "Fn"}),
        0);
    const std::string text = exported();
    // Here "Clicks" has changed since, and its first copy's name is taken;
    // "Greeting" and "Long" are still the macros the file brings.
    EXPECT_GT(store.addMacroProfile("Clicks (2)"), 0);
    ASSERT_TRUE(store.rewriteMacroRecords(macros[1], {{0, macros[1], 4, 0, 2, "x"}}));
    const auto before = dumpTables(database);
    const ProfileImport imported = importProfile(database.string(), text, &shelf);
    ASSERT_TRUE(imported.ok) << imported.message;
    using Rename = std::pair<std::string, std::string>;
    EXPECT_THAT(imported.renamedMacros, ElementsAre(Rename{"Clicks", "Clicks (3)"}));
    EXPECT_EQ(dumpTables(imported.backupPath), before);  // the state before the import

    std::vector<MacroInfo> list;
    store.queryAllMacroData(list);
    EXPECT_EQ(list.size(), 6u);  // Unused, the three, "Clicks (2)" and "Clicks (3)"
    ProfileKey f, e, g, fn;
    ASSERT_TRUE(store.queryKeyProfile(imported.profile, 0, code("f"), f));
    const auto played = std::find_if(list.begin(), list.end(),
                                     [&](const MacroInfo& m) { return m.macroId == f.macroValue; });
    ASSERT_NE(played, list.end());
    EXPECT_EQ(played->macroName, "Clicks (3)");
    EXPECT_EQ(f.macroDesc, "Clicks (3)");  // the key is labelled by the copy it plays
    EXPECT_EQ(std::tie(f.macro2Value, f.macro3Value), std::make_tuple(kPlayMultipleTimes, 7));
    ASSERT_TRUE(store.queryKeyProfile(imported.profile, 0, code("e"), e));
    EXPECT_EQ(std::tie(e.macroValue, e.macroDesc), std::make_tuple(macros[0], "Greeting"));
    ASSERT_TRUE(store.queryKeyProfile(imported.profile, 1, code("g"), g));
    EXPECT_EQ(g.macroValue, macros[2]);
    ASSERT_TRUE(store.queryKeyProfile(imported.profile, 1, code("l"), fn));
    EXPECT_EQ(std::tie(fn.macroType, fn.macroValue),
              std::make_tuple(kMacroTypeKeyboard, kFnKeyCode));
    // The originals are untouched.
    ProfileKey original;
    ASSERT_TRUE(store.queryKeyProfile(profile, 0, code("f"), original));
    EXPECT_EQ(original.macroValue, macros[1]);
}

TEST_F(ProfileFiles, EveryKindOfBadFileIsRefusedAsAWholeAndNothingIsStored) {
    const std::string good = exported();
    std::string huge = good;
    {
        // 700 events alone exceed what the keyboard's macro memory holds.
        QJsonArray events;
        for (int i = 0; i < 700; ++i)
            events.append(QJsonObject{{"type", 2}, {"value", 4}, {"text", "A"}});
        huge = edited(good, {"macros", 0, "events"}, events);
    }
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"{ not json", "not a JSON file"},
        {"[1, 2]", "not a Korvex profile file"},
        {edited(good, {"format"}, "something-else"), "file.format"},
        {edited(good, {"version"}, 2), "version 2 cannot be read"},
        {edited(good, {"keyboard", "productId"}, 0x0257), "05ac:0257"},
        {edited(good, {"keyboard", "productId"}, 0x10256), "for the keyboard 05ac:66134,"},
        {edited(good, {"profile", "topLayer", 1, "key"}, "Q2"), "\"Q2\" is not a key"},
        {edited(good, {"profile", "topLayer", 1, "key"}, "a"), "\"a\" is assigned twice"},
        {edited(good, {"profile", "fnLayer", 1, "value"}, 9), "profile.fnLayer[1].value"},
        {edited(good, {"profile", "topLayer", 2, "value2"}, 5), "modifier"},
        {edited(good, {"profile", "topLayer", 5, "value3"}, 0), "loop count"},
        {edited(good, {"profile", "topLayer", 4, "macro"}, "Missing"), "no macro \"Missing\""},
        {edited(good, {"profile", "topLayer", 0, "type"}, 5), "profile.topLayer[0].type"},
        {edited(good, {"profile", "topLayer", 0, "value"}, 1.5), "whole number"},
        {edited(good, {"profile", "topLayer", 0, "text"}, 3), "must be a text"},
        {edited(good, {"profile", "topLayer", 0, "extra"}, 1), "unknown member \"extra\""},
        {edited(good, {"profile", "fnLayer"}, QJsonValue(QJsonValue::Undefined)),
         "\"fnLayer\" is missing"},
        {edited(good, {"profile", "lightModes", 3, "bytes", 0}, 256), "256 is out of range"},
        {edited(good, {"profile", "lightModes", 3, "mode"}, 2), "mode 2 appears twice"},
        {edited(good, {"profile", "selectedLightMode"}, 20), "selectedLightMode"},
        {edited(good, {"profile", "lightModes", 3, "mode"}, 21), "21 is out of range"},
        {edited(good, {"profile", "userLights", 0, "keys", 0, "color"}, "#000000"), "colour"},
        {edited(good, {"profile", "userLights", 0, "keys", 0, "color"}, "orange"), "colour"},
        {edited(good, {"profile", "userLights", 0, "keys", 0, "color"}, "#ff800\n"), "colour"},
        {edited(good, {"profile", "userLights", 0, "keys", 1, "color"}, "# 0000f"), "colour"},
        {edited(good, {"profile", "userLights", 0, "keys", 1, "color"}, "#+0000f"), "colour"},
        {edited(good, {"profile", "name"}, "   "), "profile.name: must not be empty"},
        {edited(good, {"profile", "userLights", 0, "name"}, ""), "userLights[0].name"},
        {edited(good, {"macros", 0, "name"}, QString(257, QLatin1Char('x'))),
         "macros[0].name: must be at most 256 characters"},
        {edited(good, {"macros", 1, "name"}, "Greeting"), "another macro of this file"},
        {edited(good, {"macros", 0, "events", 0, "type"}, 9), "macros[0].events[0].type"},
        {edited(good, {"macros", 1, "events", 0, "value"}, 4), "mouse button"},
        {edited(good, {"macros", 2, "delayType"}, 3), "macros[2].delayType"},
        {huge, "would not fit the keyboard"},
    };
    const std::string bytes = readBytes(database);
    for (const auto& [text, says] : cases) {
        EXPECT_THAT(importProfile(database.string(), text, &shelf), FailsWith(says));
        EXPECT_EQ(readBytes(database), bytes) << says;
    }
    const fs::path big = root / "big.json";
    testing::writeBytes(big, "");
    fs::resize_file(big, 17u << 20);
    EXPECT_THAT(importProfileFile(database.string(), big.string(), &shelf).message,
                HasSubstr("too large"));
    EXPECT_THAT(importProfileFile(database.string(), (root / "none.json").string(), &shelf).message,
                HasSubstr("cannot read"));
    // Neither is read: one gives bytes forever, the other would block.
    const fs::path fifo = root / "fifo.json";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const fs::path& special : {fs::path("/dev/zero"), fifo}) {
        EXPECT_THAT(importProfileFile(database.string(), special.string(), &shelf).message,
                    HasSubstr("is not a regular file"));
    }
    {
        // Another program in the middle of a change: the file stays as it has it.
        testing::RawDb other(database);
        ASSERT_TRUE(other.exec("BEGIN IMMEDIATE; INSERT INTO t_profile (name) VALUES ('x')"));
        EXPECT_THAT(importProfile(database.string(), good, &shelf).message,
                    HasSubstr("is in use by another program"));
        ASSERT_TRUE(other.exec("ROLLBACK"));
    }
    EXPECT_EQ(readBytes(database), bytes);
    EXPECT_THAT(shelf.list(), IsEmpty());  // nothing happened, so nothing to undo
    EXPECT_TRUE(
        importProfile(database.string(), good, &shelf).ok);  // the cases were the only fault
}

TEST_F(ProfileFiles, ExportLeavesOutWhatAFileCannotCarryAndSaysSo) {
    EXPECT_GT(store.addKeyProfile({0, 0, profile, code("l"), kMacroTypeMacro, 99, 0, 0, "gone"}),
              0);
    EXPECT_GT(store.addKeyProfile({0, 0, profile, 240, kMacroTypeKeyboard, 4, 0, 0, "foreign key"}),
              0);
    EXPECT_GT(store.addKeyProfile({0, 0, profile, code("m"), kMacroTypeMouse, 12, 0, 0, "?"}), 0);
    testing::RawDb raw(database);
    ASSERT_TRUE(raw.exec("UPDATE t_macrorecord SET record_type = 9 WHERE macro_id = " +
                         std::to_string(macros[0]) + " AND record_index = 1"));
    ASSERT_TRUE(raw.exec("UPDATE t_userlight_data SET name = '  ' WHERE profile = " +
                         std::to_string(profile)));
    ASSERT_TRUE(raw.exec("UPDATE t_lightdata SET status = (mode = 20) WHERE profId = " +
                         std::to_string(profile)));
    const ProfileExport e = exportProfile(store, profile);
    ASSERT_TRUE(e.ok);
    EXPECT_THAT(e.skipped, ElementsAre(HasSubstr("selected light mode 20"), HasSubstr("macro 99"),
                                       HasSubstr("key 240"), HasSubstr("value must be 1 to"),
                                       HasSubstr("macro \"Greeting\" event 2 of 3: type"),
                                       HasSubstr("has no name; written as \"User light")));
    EXPECT_TRUE(parseProfileFile(e.text).file.has_value());  // what was written imports
    EXPECT_FALSE(exportProfile(store, 42).ok);
}

}  // namespace
}  // namespace korvex
