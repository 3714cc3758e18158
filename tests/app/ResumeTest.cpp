// After the machine wakes up, the start-up uploads reach the keyboard again,
// once, and only when it is attached.

#include <gmock/gmock.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <filesystem>

#include "../device/FakeLink.h"
#include "../exchange/ExchangeTestSupport.h"
#include "catalog/KeyCatalog.h"
#include "device/DeviceComm.h"
#include "device/PauseClock.h"
#include "device/SimulatedKeyboard.h"
#include "exchange/SleepWatch.h"
#include "store/DeviceSQLite.h"
#include "sync/StoreUploads.h"

namespace korvex {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using X = SimExchange;

// Stands in for logind: the test says when the machine sleeps and wakes.
class HandSleepSource : public SleepSignalSource {
  public:
    bool start() override { return true; }
    void sleep() { emit prepareForSleep(true); }
    void wake() { emit prepareForSleep(false); }
};

using ResumeReapplierTest = testing::TempHome;

TEST_F(ResumeReapplierTest, SendsTheStartupUploadsOnceAfterEachResumeWhileAttached) {
    DeviceSQLite store;
    openStore(store, database);
    ASSERT_GT(store.addKeyProfile({0, 0, 1, 4, 2, 1, 0, 0, "off"}), 0);

    SimulatedKeyboard kb;
    test::CountingClock clock;
    DeviceComm comm(&kb, &clock);
    bool attached = true;
    HandSleepSource source;
    ResumeReapplier reapplier(
        source, [&] { return attached; },
        [&] {
            const sync::BuiltUploads built =
                sync::buildUploads(store, {sync::UploadChoice::Startup, {}, {}, {}});
            ASSERT_EQ(built.status, sync::BuiltUploads::Status::Ready);
            for (const Upload& u : built.uploads) sendTransfers(comm, u.transfers);
        });
    const std::vector<X> startup = {X::Macros,          X::KeyTableTop, X::KeyTableFn, X::LightMode,
                                    X::SystemFunctions, X::KeyTableTop, X::KeyTableFn};

    source.sleep();
    EXPECT_THAT(kb.exchanges(), IsEmpty());  // nothing before the machine is back
    source.wake();
    EXPECT_EQ(kb.exchanges(), startup);
    source.wake();  // the same resume reported twice
    EXPECT_EQ(reapplier.reapplied(), 1);
    EXPECT_EQ(kb.exchanges().size(), startup.size());

    attached = false;  // unplugged while asleep: the next attach sends everything
    source.sleep();
    source.wake();
    EXPECT_EQ(reapplier.reapplied(), 1);

    attached = true;
    source.sleep();
    source.wake();
    EXPECT_EQ(reapplier.reapplied(), 2);
    EXPECT_EQ(kb.exchanges().size(), 2 * startup.size());
    EXPECT_THAT(kb.violations(), IsEmpty());
    EXPECT_TRUE(kb.keyEntry(0, findKeyByCode(4)->key_index).isDisabled());
}

// Runs the event loop for `time`; timers due earlier fire first.
void spin(std::chrono::milliseconds time) {
    QEventLoop loop;
    QTimer::singleShot(time, &loop, &QEventLoop::quit);
    loop.exec();
}

TEST_F(ResumeReapplierTest, WaitsForTheKeyboardToSettleAndASleepMeanwhileCancels) {
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
