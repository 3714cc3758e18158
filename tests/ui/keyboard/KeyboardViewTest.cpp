#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QSvgRenderer>
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
    QColor shownColour(QImage& frame, QPointF p) const {
        const qreal s = frame.devicePixelRatio();
        return frame.pixelColor((p * s).toPoint());
    }

    QApplication& app = test::app();  // before any widget
    QWidget host;
    KeyboardView* view = nullptr;
};

// The artwork: transparent exactly where the keys are, opaque elsewhere,
// at 1x and 2x (edges are whole points, so also whole pixels at 2x).
TEST_F(KeyboardViewTest, PictureIsTransparentExactlyOverTheKeyRectangles) {
    QSvgRenderer renderer(keyboardImagePath(QStringLiteral("img_keyboard_layout")));
    ASSERT_TRUE(renderer.isValid());
    for (int scale : {1, 2}) {
        QImage image(666 * scale, 250 * scale, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            renderer.render(&painter, QRectF(image.rect()));
        }
        std::vector<int> owner(static_cast<std::size_t>(image.width() * image.height()), -1);
        for (const KeyData& k : view->kbKeyArrayHover()) {
            const QRect px(QPointF(k.rect.topLeft() * scale).toPoint(),
                           QPointF(k.rect.bottomRight() * scale).toPoint() - QPoint(1, 1));
            for (int y = px.top(); y <= px.bottom(); ++y)
                for (int x = px.left(); x <= px.right(); ++x)
                    owner[static_cast<std::size_t>(y * image.width() + x)] = k.index;
            // The lower part of every cap is clear of its legend: all see-through.
            for (int y = px.top() + px.height() / 2; y <= px.bottom(); ++y)
                for (int x = px.left(); x <= px.right(); ++x)
                    ASSERT_EQ(qAlpha(image.pixel(x, y)), 0)
                        << k.keyname.toStdString() << " at " << x << "," << y << " x" << scale;
        }
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (owner[static_cast<std::size_t>(y * image.width() + x)] < 0) {
                    ASSERT_EQ(qAlpha(image.pixel(x, y)), 255)
                        << "gap pixel " << x << "," << y << " x" << scale;
                }
    }
}

// A click at the centre of every key selects that key and reports it by name;
// the rendered view then outlines that key (and only that one) while its face
// keeps the colour of an untouched key, so selected never reads as assigned.
TEST_F(KeyboardViewTest, ClickAtEveryKeyCentreSelectsThatKey) {
    Recorder clicks(notification::kKeyboardKeyAction);
    for (const KeyData& k : view->kbKeyArrayHover()) {
        click(k.index);
        ASSERT_EQ(view->selectKeyItem(), k.index);
        ASSERT_FALSE(clicks.posts.empty());
        EXPECT_EQ(clicks.posts.back().toString(), k.keyname);
    }
    EXPECT_EQ(clicks.posts.size(), view->kbKeyArrayHover().size());

    const int esc = indexOf("escape");
    click(esc);
    QTest::mouseMove(&host, QPoint(695, 295));  // off the keyboard: no hover colour
    // Every earlier selection was cleared: only the last key is outlined
    // (at the window's scale: the x2 run).
    QImage frame = view->grab().toImage();
    for (const KeyData& k : view->kbKeyArrayHover()) {
        ASSERT_EQ(shownColour(frame, k.rect.center()), keycolors::kWhite)
            << k.keyname.toStdString();
        const QPointF edge(k.rect.center().x(), k.rect.bottom() - 1);
        ASSERT_EQ(shownColour(frame, edge) == keycolors::kSelectOutline, k.index == esc)
            << k.keyname.toStdString();
    }
}

TEST_F(KeyboardViewTest, TooltipFollowsThePointerAndGoesOffTheKeysAndOnTheHomePage) {
    Recorder tips(notification::kShowKeyboardToolTipWnd);
    const int q = indexOf("q"), w = indexOf("w");
    QTest::mouseMove(view, centreOf(key(q).rect));
    tips.posts.clear();
    QTest::mouseMove(view, centreOf(key(w).rect));
    ASSERT_EQ(tips.posts.size(), 2u);
    const QVariantMap hide = tips.posts[0].toMap(), show = tips.posts[1].toMap();
    EXPECT_EQ(hide["show"].toInt(), 0);
    // (What it says: KeyPageTest's tooltip case.)
    EXPECT_EQ(show["show"].toInt(), 1);
    // Top centre of the key, in the host's coordinates.
    EXPECT_EQ(show["keyPoint"].toPointF(),
              QPointF(key(w).rect.center().x() + 10, key(w).rect.top() + 20));
    EXPECT_TRUE(view->keyView(w)->isHover());
    EXPECT_FALSE(view->keyView(q)->isHover());

    // The gap between the two keys.
    tips.posts.clear();
    QTest::mouseMove(view, QPoint(int(key(w).rect.left()) - 1, centreOf(key(w).rect).y()));
    ASSERT_EQ(tips.posts.size(), 1u);
    EXPECT_EQ(tips.posts[0].toMap()["show"].toInt(), 0);
    EXPECT_EQ(view->hoverKeyItem(), -1);
    EXPECT_FALSE(view->keyView(w)->isHover());

    // Off the keyboard altogether: the tooltip goes and a check mark is cleared.
    view->selectKeyView(w)->setKeyCheck(true);
    QTest::mouseMove(view, centreOf(key(w).rect));
    tips.posts.clear();
    QTest::mouseMove(&host, QPoint(695, 295));
    ASSERT_FALSE(tips.posts.empty());
    EXPECT_EQ(tips.posts.back().toMap()["show"].toInt(), 0);
    EXPECT_EQ(view->hoverKeyItem(), -1);
    EXPECT_FALSE(view->selectKeyView(w)->keyCheck());

    // Nor is there hover or a tooltip while the home page is shown.
    g_show_homepage = true;
    tips.posts.clear();
    QTest::mouseMove(view, centreOf(key(q).rect));
    EXPECT_EQ(view->hoverKeyItem(), -1);
    for (const QVariant& t : tips.posts) EXPECT_EQ(t.toMap()["show"].toInt(), 0);
    EXPECT_FALSE(view->keyView(q)->isHover());
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
    // Hovering an untouched key tints it; it never turns assignment orange.
    QTest::mouseMove(view, centreOf(key(indexOf("c")).rect));
    EXPECT_EQ(view->keyView(indexOf("c"))->fillColor(), keycolors::kHoverTint);

    // A key set back to default looks untouched, label and all.
    view->setKeyMacro(z, keyFullName("z"), false, QStringLiteral("ignored"));
    EXPECT_EQ(view->keyView(z)->fillColor(), keycolors::kWhite);
    EXPECT_TRUE(view->selectKeyView(z)->faceLabel().isEmpty());

    view->resetKeyMacro();
    for (const KeyData& k : view->kbKeyArraySelect()) {
        EXPECT_EQ(view->keyView(k.index)->fillColor(),
                  k.index == indexOf("c") ? keycolors::kHoverTint : keycolors::kWhite);
        EXPECT_EQ(k.keyMacro, keyFullName(k.keyname));
        EXPECT_TRUE(view->selectKeyView(k.index)->faceLabel().isEmpty());
    }
    // Indices outside the keyboard (rows of foreign keys) are ignored.
    view->setKeyMacro(-1, "x", true);
    view->setKeyMacro(80, "x", true);
}

TEST_F(KeyboardViewTest, MarksDrawDashedFramesOnlyWhereTheyShould) {
    auto painted = [](QWidget& w) {
        QImage image = w.grab().toImage();
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) n += qAlpha(image.pixel(x, y)) > 0;
        return n;
    };
    SelectKeyView mark(QRectF(0, 0, 37, 35));
    mark.setAttribute(Qt::WA_TranslucentBackground);
    EXPECT_EQ(painted(mark), 0);
    mark.setKeyCheck(true);
    EXPECT_GT(painted(mark), 0);

    FrameSelectView frame;
    frame.setAttribute(Qt::WA_TranslucentBackground);
    frame.resize(10, 40);
    EXPECT_EQ(painted(frame), 0);
    frame.resize(40, 40);
    EXPECT_GT(painted(frame), 0);
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
