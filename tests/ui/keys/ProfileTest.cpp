#include <QSignalSpy>

#include "../../store/StoreTestSupport.h"
#include "PageTestSupport.h"
#include "ui/UploadIndicator.h"

namespace korvex {
namespace {

class ProfileTest : public test::PageTest {
  protected:
    ItemListView* list() const { return keys->customkey_keyprofile(); }
    QString rowText(int i) const { return list()->row(i)->text(); }
    void press(int tag) {
        click(keys->profileButton(tag));
        settle();
    }
    void rename(const QString& text) {
        press(profilebutton::kEdit);
        auto* row = static_cast<KeyTableItemView*>(list()->row(list()->selectedRow()));
        ASSERT_TRUE(row->isEditing());
        row->editor()->setText(text);
        QTest::keyClick(row->editor(), Qt::Key_Return);
        settle();
    }
    std::vector<std::string> storedNames() {
        std::vector<ProfileData> profiles;
        EXPECT_TRUE(hub->deviceDB()->queryProfileList(profiles));
        std::vector<std::string> names;
        for (const auto& p : profiles) names.push_back(p.name);
        return names;
    }
};

TEST_F(ProfileTest, RenameKeepsQuotesAndNonLatinTextAndFactoryNamesFollowTheLanguage) {
    press(profilebutton::kAdd);
    const QString name = QStringLiteral("O'Brien \"快\" 配置; DROP TABLE t_profile");
    rename(name);
    EXPECT_EQ(storedNames().back(), name.toStdString());
    EXPECT_EQ(rowText(1), name);

    for (const QString& none : {QString(), QStringLiteral("   \t ")}) {  // no name: ignored
        rename(none);
        EXPECT_EQ(storedNames().back(), name.toStdString());
        EXPECT_EQ(rowText(1), name);
    }

    languageTo(kLanguageSimplifiedChinese);
    EXPECT_EQ(rowText(0), QString::fromUtf8(text(kLanguageSimplifiedChinese, 67).data()));
    EXPECT_EQ(rowText(1), name);
}

TEST_F(ProfileTest, AddingNamesTheNextFreeFileAndSwitchesDeletingAsksAndKeepsTheLast) {
    EXPECT_EQ(rowText(0), "Configuration File 1");
    press(profilebutton::kAdd);
    press(profilebutton::kAdd);
    EXPECT_EQ(storedNames(),
              (std::vector<std::string>{"Configuration File 1", "Configuration File 2",
                                        "Configuration File 3"}));
    EXPECT_EQ(list()->selectedRow(), 2);
    EXPECT_EQ(hub->currentProfile, hub->profileDatas[2].profId);
    // Nothing goes before the user said so, by name.
    press(profilebutton::kDelete);
    ASSERT_NE(keys->sheet(), nullptr);
    EXPECT_EQ(keys->sheet()->text(), "Delete the profile \"" + rowText(2) + "\"?");
    answer(keys->sheet(), false);
    EXPECT_EQ(list()->rowCount(), 3);
    press(profilebutton::kDelete);
    answer(keys->sheet(), true);
    EXPECT_EQ(list()->rowCount(), 2);
    EXPECT_EQ(list()->selectedRow(), 1);
    EXPECT_EQ(hub->currentProfile, hub->profileDatas[1].profId);

    list()->setSelectedRow(0);
    press(profilebutton::kDelete);
    answer(keys->sheet(), true);
    ASSERT_EQ(storedNames().size(), 1u);
    EXPECT_EQ(hub->currentProfile, hub->profileDatas[0].profId);

    press(profilebutton::kDelete);
    ASSERT_NE(keys->sheet(), nullptr);
    EXPECT_EQ(keys->sheet()->informativeText(), "The last configuration scheme cannot be deleted");
    EXPECT_EQ(storedNames().size(), 1u);
}

// (The lists follow another program's change: StoreLockTest.)
TEST_F(ProfileTest, AChangeByAnotherProgramIsReloadedSoNothingIsWrittenFromStaleLists) {
    EXPECT_FALSE(hub->reloadIfChangedOutside());  // nothing changed yet
    execOnFile("INSERT INTO t_profile (name) VALUES ('Imported')");
    EXPECT_TRUE(hub->reloadIfChangedOutside());
    // Our own writes are no outside change.
    press(profilebutton::kAdd);
    EXPECT_FALSE(hub->reloadIfChangedOutside());

    // A change that leaves damage SQLite reads without an error: the window
    // lets go of the file, offers a backup and sends nothing from it.
    waitForUploads();
    const std::size_t sent = monitor->keyboard().writes().size();
    const std::string file = hub->deviceDB()->filePath();
    execOnFile("UPDATE t_profile SET name = 'Later' WHERE name = 'Imported'");
    testing::scribbleCellPointers(file, "t_configdata");
    const std::string damaged = testing::readBytes(file);
    QSignalSpy offered(hub, &KeyboardViewController::databaseDamaged);
    EXPECT_TRUE(hub->reloadIfChangedOutside());
    EXPECT_EQ(offered.count(), 1);
    EXPECT_FALSE(hub->deviceDB()->isOpen());
    list()->setSelectedRow(0);
    waitForUploads();
    EXPECT_EQ(monitor->keyboard().writes().size(), sent);
    EXPECT_EQ(testing::readBytes(file), damaged);
}

TEST_F(ProfileTest, KeysThatCannotBeReadAreNotSentAndTheWindowSaysWhy) {
    press(profilebutton::kAdd);
    waitForUploads();
    execOnFile("ALTER TABLE t_keyprofile RENAME COLUMN macroType TO kind");
    list()->setSelectedRow(0);  // switching sends the profile's keys
    waitForUploads();
    EXPECT_EQ(hub->uploadIndicator()->state(), UploadIndicator::State::NotSent);
    ASSERT_NE(hub->sheet(), nullptr);
    EXPECT_TRUE(hub->sheet()->text().contains(KeyboardViewController::text(1011)));
}

}  // namespace
}  // namespace korvex
