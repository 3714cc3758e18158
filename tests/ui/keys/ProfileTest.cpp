#include <QLineEdit>

#include "PageTestSupport.h"

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
        hub->deviceDB()->queryProfileList(profiles);
        std::vector<std::string> names;
        for (const auto& p : profiles) names.push_back(p.name);
        return names;
    }
};

TEST_F(ProfileTest, AddingNamesTheNextFreeConfigurationFileAndSwitchesToIt) {
    ASSERT_EQ(list()->rowCount(), 1);
    EXPECT_EQ(rowText(0), "Configuration File 1");
    press(profilebutton::kAdd);
    press(profilebutton::kAdd);
    EXPECT_EQ(storedNames(),
              (std::vector<std::string>{"Configuration File 1", "Configuration File 2",
                                        "Configuration File 3"}));
    EXPECT_EQ(list()->selectedRow(), 2);
    EXPECT_EQ(hub->currentProfile, hub->profileDatas[2].profId);
    EXPECT_TRUE(static_cast<KeyTableItemView*>(list()->row(2))->isSelect());
}

TEST_F(ProfileTest, RenameKeepsQuotesAndNonLatinTextAndFactoryNamesFollowTheLanguage) {
    press(profilebutton::kAdd);
    const QString name = QStringLiteral("O'Brien \"快\" 配置; DROP TABLE t_profile");
    rename(name);
    EXPECT_EQ(storedNames().back(), name.toStdString());
    EXPECT_EQ(rowText(1), name);
    EXPECT_EQ(list()->selectedRow(), 1);

    rename(QString());  // an empty name is ignored
    EXPECT_EQ(storedNames().back(), name.toStdString());

    languageTo(kLanguageSimplifiedChinese);
    EXPECT_EQ(rowText(0), QString::fromUtf8(text(kLanguageSimplifiedChinese, 67).data()));
    EXPECT_EQ(rowText(1), name);
}

TEST_F(ProfileTest, DeletingLeavesTheNeighbourSelectedAndTheLastProfileIsKept) {
    press(profilebutton::kAdd);
    press(profilebutton::kAdd);
    list()->setSelectedRow(2);
    press(profilebutton::kDelete);
    EXPECT_EQ(list()->rowCount(), 2);
    EXPECT_EQ(list()->selectedRow(), 1);
    EXPECT_EQ(hub->currentProfile, hub->profileDatas[1].profId);

    list()->setSelectedRow(0);
    press(profilebutton::kDelete);
    ASSERT_EQ(storedNames().size(), 1u);
    EXPECT_EQ(hub->currentProfile, hub->profileDatas[0].profId);
    EXPECT_EQ(keys->sheet(), nullptr);

    press(profilebutton::kDelete);
    ASSERT_NE(keys->sheet(), nullptr);
    EXPECT_EQ(keys->sheet()->text(), "Delete configuration scheme");
    EXPECT_EQ(keys->sheet()->informativeText(), "The last configuration scheme cannot be deleted");
    EXPECT_EQ(storedNames().size(), 1u);
}

}  // namespace
}  // namespace korvex
