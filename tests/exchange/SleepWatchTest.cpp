// Sleep and wake: the logind source without a system bus, and the start-up
// uploads after a wake-up, which wait for the keyboard to settle.

#include "exchange/SleepWatch.h"

#include <gmock/gmock.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdlib>

namespace korvex {
namespace {

using ::testing::HasSubstr;

int argc = 1;
char name[] = "exchange_tests";
char* argv[] = {name, nullptr};

TEST(LogindSleepSource, WithoutASystemBusDoesNothingAndSaysSo) {
    // Must come before the first use of the system bus in this process.
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/korvex-test-bus", 1);
    QCoreApplication app(argc, argv);

    std::vector<std::string> lines;
    LogindSleepSource source([&](const std::string& line) { lines.push_back(line); });
    EXPECT_FALSE(source.start());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_THAT(lines[0], HasSubstr("not set up again after suspend"));
}

// Stands in for logind: the test says when the machine sleeps and wakes.
class HandSleepSource : public SleepSignalSource {
  public:
    bool start() override { return true; }
    void sleep() { emit prepareForSleep(true); }
    void wake() { emit prepareForSleep(false); }
};

// Runs the event loop for `time`; timers due earlier fire first.
void spin(std::chrono::milliseconds time) {
    QEventLoop loop;
    QTimer::singleShot(time, &loop, &QEventLoop::quit);
    loop.exec();
}

TEST(ResumeReapplierTest, WaitsForTheKeyboardToSettleAndASleepMeanwhileCancels) {
    QCoreApplication app(argc, argv);
    HandSleepSource source;
    int sent = 0;
    bool attached = false;
    ResumeReapplier reapplier(
        source, [&] { return attached; }, [&] { ++sent; }, std::chrono::milliseconds(20));

    source.sleep();
    source.wake();
    attached = true;  // the keyboard came back while the wake-up settled
    EXPECT_EQ(sent, 0);
    spin(std::chrono::milliseconds(80));
    EXPECT_EQ(sent, 1);

    source.sleep();
    source.wake();
    source.sleep();  // asleep again before the wake-up settled
    spin(std::chrono::milliseconds(80));
    EXPECT_EQ(sent, 1);
}

}  // namespace
}  // namespace korvex
