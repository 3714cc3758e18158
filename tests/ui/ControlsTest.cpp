#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "UiTestSupport.h"
#include "ui/Controls.h"

namespace korvex {
namespace {

using test::Recorder;

class ControlsTest : public ::testing::Test {
  protected:
    void SetUp() override { test::app(); }
};

TEST_F(ControlsTest, NotificationCenterDeliversByNameAndForgetsDeadContexts) {
    auto& center = NotificationCenter::defaultCenter();
    std::vector<int> seen;
    auto* context = new QObject;
    center.addObserver(
        "a", [&](const QVariant& v) { seen.push_back(v.toInt()); }, context);
    const auto other = center.addObserver("b", [&](const QVariant&) { seen.push_back(-1); });
    center.post("a", 7);
    delete context;
    center.post("a", 8);
    EXPECT_EQ(seen, std::vector<int>{7});

    // An observer that removes another during delivery: the removed one is not called.
    NotificationCenter::Token second = 0;
    const auto first =
        center.addObserver("c", [&](const QVariant&) { center.removeObserver(second); });
    second = center.addObserver("c", [&](const QVariant&) { seen.push_back(99); });
    center.post("c");
    EXPECT_EQ(seen, std::vector<int>{7});
    center.removeObserver(first);
    center.removeObserver(other);
}

TEST_F(ControlsTest, ButtonsPostTheirNameAndTagOnceOnRelease) {
    Recorder color(notification::kColorButtonAction), select(notification::kSelectButtonAction),
        text(notification::kTextButtonAction);
    ColorButton cb;
    SelectButton sb;
    TextButton tb;
    for (auto* b : std::initializer_list<CustomButton*>{&cb, &sb, &tb}) {
        b->resize(60, 30);
        b->setTag(42);
        b->show();
        QTest::mousePress(b, Qt::LeftButton, {}, QPoint(10, 10));
        EXPECT_TRUE(b->isDown());
        // Released outside its bounds: still one post.
        QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(200, 200));
        EXPECT_FALSE(b->isDown());
        // A release without a press on the button (a drag that ended here) posts nothing.
        QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(10, 10));
    }
    for (const Recorder* posted : {&color, &select, &text}) {
        ASSERT_EQ(posted->posts.size(), 1u);
        EXPECT_EQ(posted->posts[0].toInt(), 42);
    }
}

// Disabled still reports the click; the handler decides.
TEST_F(ControlsTest, DisabledColorButtonStillReportsTheClick) {
    Recorder color(notification::kColorButtonAction);
    ColorButton b;
    b.resize(40, 40);
    b.show();
    b.setDiasble(true);
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(color.posts.size(), 1u);
}

TEST_F(ControlsTest, ListSelectionRunsForClicksAndProgramAlike) {
    ItemListView list;
    list.resize(200, 200);
    for (const char* t : {"one", "two", "three"}) list.addRow(new TableItemView(t));
    list.show();
    QSignalSpy spy(&list, &ItemListView::selectionChanged);
    list.setSelectedRow(0);
    QTest::mouseClick(list.row(2), Qt::LeftButton);
    list.setSelectedRow(2);  // unchanged: no second run
    list.setSelectedRow(7);  // out of range means none
    ASSERT_EQ(spy.count(), 3);
    EXPECT_EQ(spy[0][0].toInt(), 0);
    EXPECT_EQ(spy[1][0].toInt(), 2);
    EXPECT_EQ(spy[2][0].toInt(), -1);
}

// Return renames the row's item (the profile, macro and scheme rename cases).
TEST_F(ControlsTest, EditableRowEscapeCancels) {
    Recorder rec(notification::kKeyTableItemViewEdit);
    KeyTableItemView row("Configuration File 1");
    row.show();
    row.beginEdit();
    ASSERT_TRUE(row.isEditing());
    row.editor()->setText("Discard me");
    QTest::keyClick(row.editor(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_FALSE(row.isEditing());
    EXPECT_TRUE(rec.posts.empty());
}

}  // namespace
}  // namespace korvex
