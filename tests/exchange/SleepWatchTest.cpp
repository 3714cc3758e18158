// The logind source without a system bus: nothing happens, one line says so.

#include "exchange/SleepWatch.h"

#include <gmock/gmock.h>

#include <QCoreApplication>
#include <cstdlib>

namespace korvex {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(LogindSleepSource, WithoutASystemBusDoesNothingAndSaysSoOnce) {
    // Must come before the first use of the system bus in this process.
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/korvex-test-bus", 1);
    int argc = 1;
    char name[] = "exchange_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    std::vector<std::string> lines;
    auto warn = [&](const std::string& line) { lines.push_back(line); };
    LogindSleepSource first(warn), second(warn);
    int received = 0;
    QObject::connect(&first, &SleepSignalSource::prepareForSleep, [&](bool) { ++received; });
    EXPECT_FALSE(first.start());
    EXPECT_FALSE(second.start());
    EXPECT_FALSE(first.start());
    QCoreApplication::processEvents();
    EXPECT_EQ(received, 0);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_THAT(lines[0], HasSubstr("no system bus"));
    EXPECT_THAT(lines[0], HasSubstr("not set up again after suspend"));
}

}  // namespace
}  // namespace korvex
