#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

#include "../UiTestSupport.h"
#include "catalog/KeyCatalog.h"
#include "ui/KeyboardViewController.h"
#include "ui/keyboard/CustomKeyFuncView.h"
#include "ui/keyboard/KeyboardView.h"

namespace korvex {
namespace {

using test::Recorder;

QPoint centreOf(const QRectF& r) {
    return r.center().toPoint();
}

class KeyboardViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_show_homepage = false;
        host.resize(700, 300);
        view = new KeyboardView(&host);
        view->move(10, 20);
        view->initKeyboard(1, QStringLiteral("img_keyboard_layout"), keyboardKeyRecords());
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    }
    void TearDown() override {
        // Leave no button held for the next test.
        QTest::mouseMove(&host, QPoint(695, 295));
        g_show_homepage = false;
    }

    const KeyData& key(int i) const { return view->kbKeyArrayHover()[static_cast<std::size_t>(i)]; }
    int indexOf(const char* name) const { return findKeyByName(name)->layout_index; }
    // Over the key, then a click, as a pointer does.
    void click(int i) {
        QTest::mouseMove(view, centreOf(key(i).rect));
        QTest::mouseClick(view, Qt::LeftButton, {}, centreOf(key(i).rect));
    }

    QApplication& app = test::app();  // before any widget
    QWidget host;
    KeyboardView* view = nullptr;
};

// A click at the centre of every key selects that key and reports it by name.
TEST_F(KeyboardViewTest, ClickAtEveryKeyCentreSelectsThatKey) {
    Recorder clicks(notification::kKeyboardKeyAction);
    for (const KeyData& k : view->kbKeyArrayHover()) {
        click(k.index);
        ASSERT_EQ(view->selectKeyItem(), k.index);
        ASSERT_FALSE(clicks.posts.empty());
        EXPECT_EQ(clicks.posts.back().toString(), k.keyname);
    }
    EXPECT_EQ(clicks.posts.size(), view->kbKeyArrayHover().size());
}

TEST_F(KeyboardViewTest, PressDragOffAndReleaseMarksTheKeyButReportsNothing) {
    Recorder clicks(notification::kKeyboardKeyAction);
    const int a = indexOf("a");
    QTest::mouseMove(view, centreOf(key(a).rect));
    QTest::mousePress(view, Qt::LeftButton, {}, centreOf(key(a).rect));
    QTest::mouseMove(view, QPoint(2, 2));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_TRUE(clicks.posts.empty());
    EXPECT_EQ(view->selectKeyItem(), a);
    EXPECT_TRUE(view->selectKeyView(a)->isSelected());

    // A second click on the selected key reports it again, and it stays selected.
    click(a);
    click(a);
    EXPECT_EQ(clicks.posts.size(), 2u);
    EXPECT_TRUE(view->keyView(a)->isSelect());
}

TEST_F(KeyboardViewTest, AssignmentMarksAndFaceLabelsOutlastHoverUntilReset) {
    const int z = indexOf("z"), x = indexOf("x");
    view->setKeyMacro(z, QStringLiteral("Vol Up"), true, QStringLiteral("Vol+"));
    view->setKeyMacro(x, QStringLiteral("Disable Keys"), true, QStringLiteral("-"));
    QTest::mouseMove(view, centreOf(key(z).rect));
    Recorder tips(notification::kShowKeyboardToolTipWnd);
    QTest::mouseMove(view, centreOf(key(x).rect));
    EXPECT_EQ(tips.posts.back().toMap()["keyMacro"].toString(), "Disable Keys");
    QTest::mouseMove(&host, QPoint(695, 295));
    EXPECT_EQ(view->keyView(z)->fillColor(), keycolors::kHighlight);
    EXPECT_EQ(view->keyView(x)->fillColor(), keycolors::kHighlight);
    EXPECT_EQ(view->selectKeyView(z)->faceLabel(), "Vol+");

    // A key set back to default looks untouched, label and all.
    view->setKeyMacro(z, keyFullName("z"), false, QStringLiteral("ignored"));
    EXPECT_EQ(view->keyView(z)->fillColor(), keycolors::kWhite);
    EXPECT_TRUE(view->selectKeyView(z)->faceLabel().isEmpty());

    view->resetKeyMacro();
    for (const KeyData& k : view->kbKeyArraySelect()) {
        EXPECT_EQ(view->keyView(k.index)->fillColor(), keycolors::kWhite);
        EXPECT_EQ(k.keyMacro, keyFullName(k.keyname));
        EXPECT_TRUE(view->selectKeyView(k.index)->faceLabel().isEmpty());
    }
    // Indices outside the keyboard (rows of foreign keys) are ignored.
    view->setKeyMacro(-1, "x", true);
    view->setKeyMacro(80, "x", true);
}

TEST(FunctionPanelTest, TilesPostTheirCodeWhenAClickEndsAndShowThePageMarks) {
    test::app();
    Recorder picks(notification::kCustomKeyFuncAction);
    CustomKeyFuncView panel;
    panel.initUI(functionPanelRecords());
    panel.initUI(functionPanelRecords());  // a rebuild replaces, not adds
    ASSERT_EQ(panel.customkeyselect_array().size(), panel.customkey_array().size());
    ASSERT_EQ(panel.children().size(), panel.customkey_array().size());
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));

    for (const keyFunc& f : panel.customkey_array()) {
        QTest::mouseClick(&panel, Qt::LeftButton, {}, centreOf(f.rect));
        ASSERT_EQ(picks.posts.back().toMap()["key_code"].toInt(), f.key_code) << f.index;
        EXPECT_EQ(static_cast<KeyFuncView*>(f.view.data())->textView()->text(), f.keyname);
    }
    EXPECT_EQ(picks.posts.size(), panel.customkey_array().size());

    // Released elsewhere: the click still counts.
    const keyFunc& first = panel.customkey_array().front();
    QTest::mousePress(&panel, Qt::LeftButton, {}, centreOf(first.rect));
    QTest::mouseRelease(&panel, Qt::LeftButton, {}, QPoint(770, 238));
    EXPECT_EQ(picks.posts.back().toMap()["key_code"].toInt(), first.key_code);

    panel.selectCode(175);
    int selected = 0;
    for (KeyFuncView* t : panel.customkeyselect_array())
        if (t->isSelect()) selected += t->key_code() == 175 ? 1 : 100;
    EXPECT_EQ(selected, 1);
    panel.clearSelection();
    for (KeyFuncView* t : panel.customkeyselect_array()) EXPECT_FALSE(t->isSelect());
}

}  // namespace
}  // namespace korvex
