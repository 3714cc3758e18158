#include "device/WireLog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "FakeLink.h"
#include "device/DeviceComm.h"

namespace korvex {
namespace {

std::vector<std::string> lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> out;
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

// The log is evidence: a line per transfer in wire order, and a failed one
// marked as such rather than claimed.
TEST(WireLog, LogsWhatWentThroughAndMarksFailures) {
    const auto path = (std::filesystem::temp_directory_path() /
                       ("korvex-wire-" + std::to_string(::getpid()) + ".log"))
                          .string();
    std::filesystem::remove(path);
    { std::ofstream(path) << "earlier line\n"; }
    test::CountingClock clock;
    test::ScriptedLink link;
    link.answers.push_back({test::answerWithByte3(0xFF)});
    link.answers.push_back({{}, 64, false});  // the second read fails
    link.failSetAt = 2;
    {
        WireLog log(link, path);
        ASSERT_TRUE(log.isOpen());
        DeviceComm comm(&log, &clock);
        comm.sendDeviceData(test::command(0xAB).bytes);
        comm.sendDataReport(std::vector<std::uint8_t>(64, 0x11));
    }
    const auto got = lines(path);
    const std::string cmdHex = "04ab" + std::string(124, '0');
    std::string dataHex;
    for (int i = 0; i < 64; ++i) dataHex += "11";
    EXPECT_EQ(got, (std::vector<std::string>{
                       "earlier line", "set " + cmdHex, "get 040000ff" + std::string(120, '0'),
                       "set " + cmdHex, "fail get failed", "fail set " + dataHex + " failed"}));
    std::filesystem::remove(path);

    test::ScriptedLink other;
    WireLog bad(other, "/nonexistent-dir/x.log");
    EXPECT_FALSE(bad.isOpen());
    EXPECT_NE(bad.error().find("/nonexistent-dir/x.log"), std::string::npos);
}

}  // namespace
}  // namespace korvex
