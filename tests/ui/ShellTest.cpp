#include <gtest/gtest.h>

#include <QLabel>
#include <QMenu>
#include <QSignalSpy>

#include "UiTestSupport.h"
#include "ui/AppDelegate.h"
#include "ui/KeyboardViewController.h"
#include "ui/KorvexApp.h"
#include "ui/MainWindowController.h"

namespace korvex {
namespace {

std::optional<KorvexOptions> parse(std::vector<std::string> args, std::string* error = nullptr) {
    args.insert(args.begin(), "korvex");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    std::string ignored;
    return parseKorvexOptions(static_cast<int>(argv.size()), argv.data(), error ? error : &ignored);
}

TEST(ShellTest, OptionsAreThoseOfKorvexctlAndMistakesSayWhy) {
    auto o = parse({"--simulate", "--wire-log", "f.log"});
    ASSERT_TRUE(o);
    EXPECT_TRUE(o->simulate);
    EXPECT_EQ(o->wireLog, "f.log");
    EXPECT_EQ(parse({"--wire-log=g.log"})->wireLog, "g.log");
    EXPECT_TRUE(parse({"--hidden"})->hidden);
    // Qt's own options and their values pass through to QApplication.
    EXPECT_TRUE(parse({"-platform", "offscreen", "--version"})->version);

    std::string error;
    EXPECT_FALSE(parse({"--wire-log"}, &error));
    EXPECT_EQ(error, "--wire-log needs a file name");
    EXPECT_FALSE(parse({"--wire-log="}, &error));
    EXPECT_FALSE(parse({"--simulat"}, &error));
    EXPECT_EQ(error, "unknown option --simulat");
}

TEST(ShellTest, LaunchStepsAndTheMainWindow) {
    test::app();
    AppDelegate delegate;
    int shown = 0;
    delegate.applicationDidFinishLaunching([&] { ++shown; });
    EXPECT_TRUE(delegate.privilegeMonitorRunning());
    ASSERT_NE(delegate.keylogger(), nullptr);
    // The quick menu: its first entry shows the window, its last one quits.
    const auto actions = delegate.quickMenu()->actions();
    ASSERT_GE(actions.size(), 2);
    QSignalSpy quit(&delegate, &AppDelegate::quitRequested);
    actions.first()->trigger();
    actions.last()->trigger();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(quit.count(), 1);

    MainWindowController window(new KeyboardViewController);
    window.showWindow();
    EXPECT_EQ(window.titleLabel()->text(), window.window()->windowTitle());
}

}  // namespace
}  // namespace korvex
