#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <map>

#include "catalog/KeyCatalog.h"
#include "ui/userlight/UserLightFile.h"

namespace korvex {
namespace {

std::map<std::int64_t, std::int64_t> byCode(const std::vector<UserLightLEDData>& leds) {
    std::map<std::int64_t, std::int64_t> m;
    for (const auto& led : leds) m[led.key_value] = led.key_rgbvalue;
    return m;
}

TEST(UserLightFile, ListsEveryKeyOnceInScreenOrder) {
    const QByteArray data = userLightFileData(
        QStringLiteral("Mine"),
        {{0, 1, 41, 0x123456}, {0, 1, 41, 0xABCDEF}, {0, 1, 9999, 0xFFFFFF}, {0, 1, 44, 0x0000FF}});
    const QJsonObject root = QJsonDocument::fromJson(data).object();
    EXPECT_EQ(root.value("version").toInt(), kUserLightFileVersion);
    EXPECT_EQ(root.value("name").toString(), "Mine");
    const QJsonArray keys = root.value("keys").toArray();
    ASSERT_EQ(keys.size(), kKeyCount);
    for (int i = 0; i < kKeyCount; ++i) {
        const QJsonObject entry = keys[i].toObject();
        const KeyInfo* key = findKeyByLayoutIndex(i);
        EXPECT_EQ(entry.value("name").toString().toStdString(), key->key_name);
        EXPECT_EQ(entry.value("code").toInt(), key->code);
        const QString expect = key->code == 41   ? "#ABCDEF"  // the later row wins
                               : key->code == 44 ? "#0000FF"
                                                 : "#000000";
        EXPECT_EQ(entry.value("color").toString(), expect) << key->key_name;
    }
}

TEST(UserLightFile, ReadingWhatWasWrittenGivesTheSameSchemeAndFileAndShortListsAreRead) {
    // Over four files every channel takes every value 0..255.
    for (int part = 0; part < 4; ++part) {
        std::vector<UserLightLEDData> leds;
        for (int i = 0; i < 64; ++i) {
            const std::int64_t v = part * 64 + i;
            leds.push_back({0, 1, findKeyByLayoutIndex(i)->code,
                            (v << 16) | (((v + 85) % 256) << 8) | ((v + 170) % 256)});
        }
        const QString name = QStringLiteral("Ünïcode \"quoted\" \\ name");
        const QByteArray first = userLightFileData(name, leds);
        const UserLightFileRead read = readUserLightFileData(first);
        ASSERT_TRUE(read.scheme) << read.error.toStdString();
        EXPECT_EQ(read.scheme->name, name);
        auto expect = byCode(leds);
        for (int i = 64; i < kKeyCount; ++i)
            expect[findKeyByLayoutIndex(i)->code] = 0;  // listed black
        EXPECT_EQ(byCode(read.scheme->leds), expect);
        EXPECT_EQ(userLightFileData(read.scheme->name, read.scheme->leds), first);
    }
    // Files written by hand: short lists and lower case are read too.
    const QByteArray data = R"({"format": "korvex-userlight", "version": 1, "name": "",
        "keys": [{"name": "a", "code": 4, "color": "#ff8000"}]})";
    const UserLightFileRead read = readUserLightFileData(data);
    ASSERT_TRUE(read.scheme) << read.error.toStdString();
    EXPECT_EQ(byCode(read.scheme->leds), (std::map<std::int64_t, std::int64_t>{{4, 0xFF8000}}));
}

TEST(UserLightFile, WritingIsAllOrNothing) {
    QTemporaryDir dir;
    const QString path = dir.filePath("s.json");
    QString error;
    ASSERT_TRUE(writeUserLightFile(path, "one", &error));
    EXPECT_FALSE(writeUserLightFile(dir.filePath("no/such/folder/s.json"), "two", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readWholeFile(path, &error).value_or(""), "one");
    EXPECT_FALSE(readWholeFile(dir.filePath("none.json"), &error));
    // Neither is opened: one gives bytes forever, the other waits for a writer.
    const QString fifo = dir.filePath("fifo.json");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& special : {QStringLiteral("/dev/zero"), fifo}) {
        error.clear();
        EXPECT_FALSE(readWholeFile(special, &error));
        EXPECT_FALSE(error.isEmpty());
    }
    // (A full disk keeps the earlier file: the shared writer's case in Backups.)
}

}  // namespace
}  // namespace korvex
