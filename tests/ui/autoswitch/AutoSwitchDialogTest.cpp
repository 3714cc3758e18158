// The rules dialog refuses bad rules with the reason and keeps what was
// typed, and after a refused write shows what the store holds.

#include <QCheckBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "store/DeviceSQLite.h"
#include "ui/KeyboardViewController.h"
#include "ui/autoswitch/AutoSwitchControl.h"
#include "ui/autoswitch/AutoSwitchDialog.h"

#include "../UiTestSupport.h"

namespace korvex {
namespace {

TEST(AutoSwitchDialogTest, RefusesBadRulesAndShowsTheStoreAfterARefusedWrite) {
    test::app();
    QTemporaryDir dir;
    const std::string file = dir.filePath("settings.sqlite3").toStdString();
    DeviceSQLite store([](const std::string&) {});
    ASSERT_TRUE(store.openFile(file).ok);
    ASSERT_NE(store.addProfile("Game"), 0);
    std::vector<ProfileData> profiles;
    ASSERT_TRUE(store.queryProfileList(profiles));

    AutoSwitchControl::Hooks hooks;
    hooks.store = [&] { return &store; };
    AutoSwitchControl control(hooks);
    auto text = [](int id) { return KeyboardViewController::text(id); };
    AutoSwitchDialog dialog(
        control, [&] { return &store; }, [&] { return profiles; }, text);

    // An empty name, then a 10,000-character title: each refused with its
    // reason, what was typed offered again; then a good rule is stored.
    const std::pair<std::string, std::string> typed[] = {
        {"   ", ""}, {"steam", std::string(10000, 'x')}, {"steam", ""}};
    std::vector<QString> problems;
    std::size_t asked = 0;
    dialog.editRule = [&](const AutoSwitchRule& start, const QString& problem) {
        problems.push_back(problem);
        EXPECT_EQ(start.match, asked > 0 ? typed[asked - 1].first : start.match);
        AutoSwitchRule rule = start;
        rule.profId = 2;
        std::tie(rule.match, rule.title) = typed[asked++];
        return std::optional(rule);
    };
    dialog.findChild<QPushButton*>(QStringLiteral("autoswitch_add"))->click();
    EXPECT_EQ(problems, (std::vector<QString>{"", text(1824), text(1825)}));
    ASSERT_EQ(dialog.ruleList()->topLevelItemCount(), 1);

    // Another program holds the file: turning switching on is refused, and
    // the box shows the stored "off" with the reason beside it.
    store.setBusyTimeout(0);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    dialog.enabledBox()->click();
    EXPECT_FALSE(dialog.enabledBox()->isChecked());
    EXPECT_EQ(dialog.message(), text(1827));
    dialog.findChild<QPushButton*>(QStringLiteral("autoswitch_remove"))->click();
    EXPECT_EQ(dialog.ruleList()->topLevelItemCount(), 1);
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);

    dialog.enabledBox()->click();
    EXPECT_TRUE(dialog.enabledBox()->isChecked());
    EXPECT_TRUE(dialog.message().isEmpty());
    AutoSwitchSettings settings;
    ASSERT_TRUE(store.queryAutoSwitch(settings));
    EXPECT_TRUE(settings.enabled);
}

}  // namespace
}  // namespace korvex
