#include <QFile>
#include <QRegularExpression>

#include "../keys/PageTestSupport.h"
#include "ui/light/LightModes.h"
#include "ui/recorder/Keylogger.h"
#include "ui/userlight/KeyboardUserLightView.h"
#include "ui/userlight/KeyboardViewUserLight.h"
#include "ui/userlight/UserLightFile.h"

namespace korvex::test {
namespace {

using namespace lightmodes;
namespace button = userlightbutton;
constexpr int kLeftShiftUsage = 225;

class UserLightPage : public PageTest {
  protected:
    void SetUp() override {
        PageTest::SetUp();
        openPage(KeyboardViewController::kUserLightView);
        ASSERT_NE(page(), nullptr);
        page()->chooseFile = [this](bool, const QString&) { return chosenFile; };
    }

    KeyboardViewUserLight* page() { return hub->findChild<KeyboardViewUserLight*>(); }
    KeyboardUserLightView* editor() { return page()->userlight_keyboardctrl(); }

    // A deletion is confirmed (the case that it asks is below).
    void press(int tag) {
        QTest::mouseClick(page()->listButton(tag), Qt::LeftButton);
        if (tag == button::kDelete && page()->sheet()) answer(page()->sheet(), true);
        waitForUploads();
    }
    void apply() {
        QTest::mouseClick(page()->userlight_btn_apply(), Qt::LeftButton);
        waitForUploads();
    }
    void preset(int n) {
        QTest::mouseClick(page()->colorButton(kUserLightPickerTag + n), Qt::LeftButton);
    }

    static const KeyInfo& key(const char* name) { return *findKeyByName(name); }
    QPoint centre(const char* name) {
        return editor()
            ->kbKeyArrayHover()[static_cast<std::size_t>(key(name).layout_index)]
            .rect.center()
            .toPoint();
    }
    // Shift reaches the editor as the recorder saw it: Left Shift held.
    static void holdShift(Qt::KeyboardModifiers mods, bool down) {
        if (mods & Qt::ShiftModifier)
            Keylogger::shared().Handle_IOHIDInputValueCallback(kLeftShiftUsage, down ? 1 : 0,
                                                               Keylogger::monotonicMs());
    }
    void clickKey(const char* name, Qt::KeyboardModifiers mods = {}) {
        QTest::mouseMove(editor(), centre(name));
        holdShift(mods, true);
        QTest::mouseClick(editor(), Qt::LeftButton, mods, centre(name));
        holdShift(mods, false);
    }
    void drag(QPoint from, QPoint to, Qt::KeyboardModifiers mods = {}) {
        holdShift(mods, true);
        QTest::mousePress(editor(), Qt::LeftButton, mods, from);
        QTest::mouseMove(editor(), (from + to) / 2);
        QTest::mouseMove(editor(), to);
        QTest::mouseRelease(editor(), Qt::LeftButton, mods, to);
        holdShift(mods, false);
    }

    std::set<std::string> marked() {
        std::set<std::string> names;
        for (int index : editor()->markedKeys())
            names.insert(std::string(findKeyByLayoutIndex(index)->key_name));
        return names;
    }

    std::map<std::int64_t, std::int64_t> storedColours(std::int64_t id) {
        std::vector<UserLightLEDData> leds;
        store().getUserLightLEDData(id, leds);
        std::map<std::int64_t, std::int64_t> byCode;
        for (const auto& led : leds) byCode[led.key_value] = led.key_rgbvalue;
        return byCode;
    }

    std::size_t schemeCount() {
        std::vector<UserLightData> schemes;
        store().getUserLightData(1, schemes);
        return schemes.size();
    }

    QString sheetText() {
        QMessageBox* box = page()->sheet();
        return box ? box->text() + QStringLiteral(" | ") + box->informativeText() : QString();
    }

    // Text `id` in the current language as a pattern, its placeholders replaced by the
    // patterns `args`; placeholders past them match any text.
    static QString textPattern(int id, const QStringList& args = {}) {
        QString out =
            QRegularExpression::escape(KeyboardViewController::text(id));  // escaped: %1 reads \%1
        for (int n = 1; n <= 9; ++n)
            out.replace(QStringLiteral("\\%") + QString::number(n),
                        n <= args.size() ? args[n - 1] : QStringLiteral(".+"));
        return out;
    }
    static QString lit(const char* s) { return QRegularExpression::escape(QString::fromUtf8(s)); }
    // A refusal sheet: the message, then "file: reason".
    bool refused(const char* file, const QString& reasonPattern) {
        return QRegularExpression(QRegularExpression::anchoredPattern(
                                      textPattern(957) + QStringLiteral(" \\| ") +
                                      textPattern(958, {lit(file), reasonPattern})))
            .match(sheetText())
            .hasMatch();
    }
    QString filePath(const char* name) const {
        return dataHome.filePath(QString::fromLatin1(name));
    }
    // Writes `data` to the file `name` and has the page's file dialog choose it.
    void chooseWritten(const char* name, const QByteArray& data) {
        QFile f(filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(data);
        chosenFile = f.fileName();
    }
    QString chosenFile;
};

// (An added scheme is listed, shown and sent: the one-truth property.)
TEST_F(UserLightPage, ClickShiftClickAndRubberBandMarkKeysAndOnlyMarkedKeysTakeAColour) {
    press(button::kAdd);
    // Nothing marked: a preset only becomes the colour to paint with.
    preset(3);
    for (const KeyData& k : editor()->kbKeyArrayHover())
        ASSERT_EQ(editor()->keyColor(k.index), QColor(Qt::black));
    EXPECT_EQ(page()->userlight_btn_color()->btn_color(), QColor(126, 0, 255));
    EXPECT_EQ(page()->colorField(0)->text(), "126");

    clickKey("f1");
    EXPECT_EQ(marked(), (std::set<std::string>{"f1"}));
    clickKey("f5", Qt::ShiftModifier);
    clickKey("escape", Qt::ShiftModifier);
    EXPECT_EQ(marked(), (std::set<std::string>{"f1", "f5", "escape"}));
    clickKey("q");
    EXPECT_EQ(marked(), (std::set<std::string>{"q"}));

    // A band touching three keys marks exactly those, Shift or not.
    for (Qt::KeyboardModifiers mods :
         {Qt::KeyboardModifiers{}, Qt::KeyboardModifiers{Qt::ShiftModifier}}) {
        clickKey("q");
        drag(centre("f1"), centre("f3") + QPoint(0, 3), mods);
        EXPECT_EQ(marked(), (std::set<std::string>{"f1", "f2", "f3"}));
    }

    // Only marked keys take a colour; the band left "q" unmarked.
    preset(1);
    EXPECT_EQ(editor()->keyColor(key("f2").layout_index), QColor(255, 0, 0));
    EXPECT_EQ(editor()->keyColor(key("q").layout_index), QColor(Qt::black));
}

TEST_F(UserLightPage, ApplyAndResetStoreAndSendAllKeys) {
    press(button::kAdd);
    const std::int64_t id = page()->userlight_id();
    clickKey("escape");
    clickKey("f12", Qt::ShiftModifier);
    preset(11);  // (255, 168, 0)
    clickKey("space");
    typeInto(page()->colorField(2), "7");  // (255, 168, 7)
    apply();
    const std::int64_t orange = 255 * 65536 + 168 * 256;
    EXPECT_EQ(storedColours(id),
              (std::map<std::int64_t, std::int64_t>{{key("escape").code, orange},
                                                    {key("f12").code, orange},
                                                    {key("space").code, orange + 7}}));
    // The keyboard shows the stored scheme: the one-truth property's UserLight step.
    EXPECT_EQ(sim().lightMode()->mode, 0x80);

    QTest::mouseClick(page()->userlight_btn_resetcolor(), Qt::LeftButton);
    waitForUploads();
    EXPECT_TRUE(storedColours(id).empty());
    EXPECT_TRUE(editor()->markedKeys().empty());
    EXPECT_EQ(sim().ledColour(key("escape").light_index), 0u);
    EXPECT_TRUE(sim().violations().empty());
}

TEST_F(UserLightPage, SelectingASchemeShowsAndSendsItsColours) {
    press(button::kAdd);
    clickKey("a");
    preset(4);
    apply();
    press(button::kAdd);
    EXPECT_EQ(editor()->keyColor(key("a").layout_index), QColor(Qt::black));
    clickRow(page()->userlightlist(), 0);
    EXPECT_EQ(editor()->keyColor(key("a").layout_index), QColor(0, 0, 255));
    EXPECT_TRUE(editor()->markedKeys().empty());  // a preset now paints nothing

    // Paint not yet applied is not dropped by a switch without asking.
    clickKey("s");
    preset(1);
    clickRow(page()->userlightlist(), 1);
    answer(page()->sheet(), false);
    EXPECT_EQ(page()->userlightlist()->selectedRow(), 0);
    EXPECT_EQ(editor()->keyColor(key("s").layout_index), QColor(255, 0, 0));
    clickRow(page()->userlightlist(), 1);
    answer(page()->sheet(), true);
    EXPECT_EQ(page()->userlight_id(), page()->userlight_datas()[1].light);
    EXPECT_EQ(editor()->keyColor(key("s").layout_index), QColor(Qt::black));
    // Nothing unapplied: no question.
    QTest::qWait(10);
    clickRow(page()->userlightlist(), 0);
    EXPECT_EQ(page()->sheet(), nullptr);
}

TEST_F(UserLightPage, DeletingAsksByNameMovesToTheNextRowAndNeverWritesTheDeletedScheme) {
    for (int i = 0; i < 3; ++i) press(button::kAdd);
    const auto ids = page()->userlight_datas();
    clickRow(page()->userlightlist(), 1);
    QTest::mouseClick(page()->listButton(button::kDelete), Qt::LeftButton);
    ASSERT_NE(page()->sheet(), nullptr);
    EXPECT_EQ(page()->sheet()->text(),
              "Delete the light scheme \"" + page()->userlightlist()->row(1)->text() + "\"?");
    answer(page()->sheet(), false);
    EXPECT_EQ(schemeCount(), 3u);
    press(button::kDelete);
    EXPECT_EQ(page()->userlightlist()->selectedRow(), 1);
    EXPECT_EQ(page()->userlight_id(), ids[2].light);  // the row now at that place
    press(button::kDelete);
    EXPECT_EQ(page()->userlightlist()->selectedRow(), 0);  // the new last row
    EXPECT_EQ(page()->userlight_id(), ids[0].light);
    press(button::kDelete);
    EXPECT_EQ(page()->userlight_id(), 0);

    // Apply without a scheme offers one; declined, nothing is stored or sent
    // and the paint stays on screen.
    const std::size_t before = exchangeCount();
    clickKey("b");
    preset(1);
    apply();
    answer(page()->sheet(), false);
    for (const auto& row : ids) EXPECT_TRUE(storedColours(row.light).empty());
    EXPECT_EQ(exchangeCount(), before);
    EXPECT_EQ(editor()->keyColor(key("b").layout_index), QColor(255, 0, 0));
    // Accepted, the paint becomes a new scheme, stored and sent.
    apply();
    answer(page()->sheet(), true);
    waitForUploads();
    ASSERT_EQ(schemeCount(), 1u);
    EXPECT_EQ(storedColours(page()->userlight_id()),
              (std::map<std::int64_t, std::int64_t>{{key("b").code, 255 * 65536}}));
    EXPECT_EQ(sim().ledColour(key("b").light_index), 255u * 65536u);
}

TEST_F(UserLightPage, ARenamedSchemeExportedAndImportedIsTheSame) {
    press(button::kAdd);
    // Any text is a name; an empty one is refused and the row keeps its name.
    const QString name = QStringLiteral("Bob's \"red\"; DROP TABLE t_userlight_data; --");
    auto* row = qobject_cast<KeyTableItemView*>(page()->userlightlist()->row(0));
    for (const QString& typed : {name, QString()}) {
        press(button::kEdit);
        ASSERT_TRUE(row && row->isEditing());
        row->editor()->setText(typed);
        QTest::keyClick(row->editor(), Qt::Key_Return);
        EXPECT_EQ(row->text(), name);
    }
    std::vector<UserLightData> stored;
    store().getUserLightData(1, stored);
    EXPECT_EQ(stored.at(0).userlight_name, name.toStdString());
    clickKey("escape");
    clickKey("enter", Qt::ShiftModifier);
    preset(12);
    clickKey("leftArrow");
    preset(5);
    apply();
    chosenFile = filePath("first.json");
    press(button::kExport);
    EXPECT_EQ(page()->sheet(), nullptr);
    const auto first = storedColours(page()->userlight_id());

    press(button::kImport);
    ASSERT_EQ(page()->userlight_datas().size(), 2u);
    EXPECT_EQ(page()->userlightlist()->selectedRow(), 1);
    EXPECT_EQ(page()->userlight_datas()[1].name, name);
    EXPECT_EQ(storedColours(page()->userlight_id()), first);
    // The imported scheme was loaded and sent.
    EXPECT_EQ(editor()->keyColor(key("leftArrow").layout_index), presetColor(5));
    EXPECT_EQ(sim().ledColour(key("enter").light_index), 0xEA5413u);

    // A file without a usable name gets the next default name.
    chooseWritten("unnamed.json", userLightFileData(QStringLiteral("  "), {}));
    press(button::kImport);
    EXPECT_EQ(page()->userlight_datas().back().name, "User light 2");
    press(button::kDelete);

    // (Writing what was read gives the same file: UserLightFileTest.)
    // Without a scheme there is nothing to export.
    press(button::kDelete);
    press(button::kDelete);
    press(button::kExport);
    EXPECT_EQ(sheetText(), KeyboardViewController::text(567) + QStringLiteral(" | ") +
                               KeyboardViewController::text(566));
}

TEST_F(UserLightPage, BadFilesAreRefusedWholeWithTheReasonInTheCurrentLanguage) {
    QByteArray good = userLightFileData(QStringLiteral("x"), {{0, 0, 41, 0xFF0000}});
    auto edited = [&](const char* from, const char* to, QByteArray b = {}) {
        if (b.isEmpty()) b = good;
        const qsizetype at = b.indexOf(from);
        EXPECT_GE(at, 0) << from;
        return b.replace(at, static_cast<qsizetype>(qstrlen(from)), to);
    };
    // The reasons are put together from parts; every language must keep them whole.
    for (int language : {kLanguageEnglish, kLanguageTraditionalChinese}) {
        languageTo(language);
        // Patterns of texts are built in the language they are read in.
        const QString escape = lit("\"escape\""), version = QString::number(kUserLightFileVersion);
        const struct {
            QByteArray data;
            int reason;
            QStringList args;
        } cases[] = {
            {"{\n  \"format\": \"korvex-userlight\",\n  \"version\": 1,,\n}", 960, {".+", "3"}},
            {edited("\"version\": 1", "\"version\": 2"), 962, {"2", version}},
            {edited("\"version\": 1", "\"version\": 1.0000000001"),
             962,
             {lit("1.0000000001"), version}},
            {edited("\"name\": \"escape\"", "\"name\": \"numpad5\""),
             968,
             {textPattern(966, {"1"}), lit("\"numpad5\"")}},
            {edited("\"#FF0000\"", "\"#FF00\""), 970, {escape, lit("\"#FF00\"")}},
            {edited("\"#FF0000\"", "\"red\""), 970, {escape, lit("\"red\"")}},
            {edited("\"code\": 41", "\"code\": 42"), 969, {escape, "42", "41"}},
            {edited("\"name\": \"f1\"", "\"name\": \"escape\"",
                    edited("\"code\": 58", "\"code\": 41")),
             971,
             {escape}},
            {edited("korvex-userlight", "something-else"), 961, {}},
            {QByteArray(), 960, {".+", "1", "1"}},
        };
        for (const auto& c : cases) {
            chooseWritten("bad.json", c.data);
            press(button::kImport);
            EXPECT_TRUE(refused("bad.json", textPattern(c.reason, c.args)))
                << language << ": " << sheetText().toStdString() << " is not text " << c.reason;
            EXPECT_EQ(schemeCount(), 0u);
            closeSheets();
        }
        chosenFile = filePath("missing.json");
        press(button::kImport);
        EXPECT_TRUE(refused("missing.json", QStringLiteral(".+"))) << sheetText().toStdString();
        EXPECT_EQ(schemeCount(), 0u);
        closeSheets();
    }
}

}  // namespace
}  // namespace korvex::test
