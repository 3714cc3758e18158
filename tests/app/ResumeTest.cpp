// After the machine wakes up, the start-up uploads wait for the keyboard to
// settle, and a new sleep meanwhile cancels them.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include "exchange/SleepWatch.h"

namespace korvex {
namespace {

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
    int argc = 1;
    char name[] = "korvexctl_tests";
    char* argv[] = {name, nullptr};
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
