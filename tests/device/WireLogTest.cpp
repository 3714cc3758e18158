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

TEST(WireLog, AppendsSetsAndGetsInWireOrder) {
    const auto path = (std::filesystem::temp_directory_path() /
                       ("korvex-wire-" + std::to_string(::getpid()) + ".log"))
                          .string();
    std::filesystem::remove(path);
    { std::ofstream(path) << "earlier line\n"; }
    test::CountingClock clock;
    test::ScriptedLink link;
    link.answers.push_back({test::answerWithByte3(0xFF)});
    link.answers.push_back({{}, 64, false});  // the second read fails: no line
    {
        WireLog log(link, path);
        ASSERT_TRUE(log.isOpen());
        DeviceComm comm(&log, &clock);
        comm.sendDeviceData(test::command(0xAB).bytes);
    }
    const auto got = lines(path);
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0], "earlier line");
    const std::string cmdHex = "04ab" + std::string(124, '0');
    EXPECT_EQ(got[1], "set " + cmdHex);
    EXPECT_EQ(got[2], "get 040000ff" + std::string(120, '0'));
    EXPECT_EQ(got[3], "set " + cmdHex);
    std::filesystem::remove(path);

    test::ScriptedLink other;
    WireLog bad(other, "/nonexistent-dir/x.log");
    EXPECT_FALSE(bad.isOpen());
    EXPECT_NE(bad.error().find("/nonexistent-dir/x.log"), std::string::npos);
}

}  // namespace
}  // namespace korvex
