// The built korvexctl against a temporary XDG_DATA_HOME: exit codes, messages
// and, replayed into a simulated keyboard, what its wire log says was sent.

#include <gmock/gmock.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "../exchange/ExchangeTestSupport.h"
#include "catalog/KeyCatalog.h"
#include "device/SimulatedKeyboard.h"
#include "exchange/ProfileFile.h"
#include "store/DeviceSQLite.h"
#include "store/StorePath.h"

#ifndef KORVEXCTL_PATH
#error "KORVEXCTL_PATH must name the built korvexctl"
#endif

namespace korvex {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testing::readBytes;
using X = SimExchange;

struct Outcome {
    int exitCode;
    std::string out, err;
};

// A fresh root folder per test (`root`), and the wire log in it.
struct Korvexctl : testing::TempHome {
    fs::path wire;

    void SetUp() override {
        TempHome::SetUp();
        wire = root / "wire.log";
    }

    Outcome run(const std::string& args) {
        const fs::path out = root / "stdout.txt", err = root / "stderr.txt";
        const std::string cmd = "XDG_DATA_HOME='" + root.string() + "' '" KORVEXCTL_PATH "' " +
                                args + " >'" + out.string() + "' 2>'" + err.string() + "'";
        const int status = std::system(cmd.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readBytes(out), readBytes(err)};
    }
    Outcome simulate(const std::string& args) {
        return run(args + " --simulate --wire-log '" + wire.string() + "'");
    }
    fs::path database() const { return root / "korvex/db" / kDatabaseFileName; }

    // The store the tool reads, opened (and created) the same way.
    void withStore(const std::function<void(DeviceSQLite&)>& edit) {
        DeviceSQLite store([](const std::string&) {});
        ASSERT_TRUE(store.openFile(database().string()).ok);
        edit(store);
    }

    // Plays the wire log into a fresh simulated keyboard, line by line.
    void replay(SimulatedKeyboard& kb) {
        std::ifstream in(wire);
        std::string tag, hex;
        std::size_t n = 0;
        while (in >> tag >> hex) {
            ++n;
            ASSERT_EQ(hex.size(), 128u) << "line " << n;
            std::vector<std::uint8_t> bytes(64);
            for (std::size_t i = 0; i < 64; ++i)
                bytes[i] = static_cast<std::uint8_t>(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
            if (tag == "set") {
                kb.setFeatureReport(bytes);
            } else {
                ASSERT_EQ(tag, "get") << "line " << n;
                std::vector<std::uint8_t> answer(64);
                std::size_t read = 0;
                kb.getFeatureReport(answer, read);
                EXPECT_EQ(answer, bytes) << "line " << n;
            }
        }
    }
};

// --help is read by korvexctl_help_agrees_with_manual_and_completion.
TEST_F(Korvexctl, UsageErrors) {
    // clang-format off
    const char* const usageErrors[] = {
        "", "upload", "upload bogus", "download keys", "upload keys --profile 0",
        "upload keys --profile x", "upload keys --profile=", "upload system --profile 2",
        "upload keys --light-id 3", "upload keys --frobnicate", "upload keys --wire-log",
        "upload keys extra", "upload keys --simulate=1", "status keys", "status --simulate",
        "export", "export --profile 1", "export f --simulate", "import", "import f g",
        "import f --profile 2", "restore", "restore f --wire-log w", "backup f g",
        "backup --verbose"};
    // clang-format on
    for (const char* args : usageErrors) {
        const Outcome r = run(args);
        EXPECT_EQ(r.exitCode, 2) << args;
    }
    EXPECT_FALSE(fs::exists(database()));  // a usage error touches nothing
}

TEST_F(Korvexctl, WithoutAKeyboardItSaysSo) {
    for (const char* args : {"upload keys", "status"}) {
        const Outcome r = run(args);
        EXPECT_EQ(r.exitCode, 1) << args;
        EXPECT_THAT(r.err, ::testing::AnyOf(HasSubstr("no keyboard found"),
                                            HasSubstr("USB cannot be used")))
            << args;
    }
}

TEST_F(Korvexctl, StartupOnAFreshDatabaseThenStoredSettingsByTheirOwnCommands) {
    const Outcome r = simulate("upload startup");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    SimulatedKeyboard kb;
    replay(kb);
    EXPECT_THAT(kb.violations(), IsEmpty());
    // The (empty) macro image, keys (both layers), the default light mode 11,
    // system functions, keys.
    EXPECT_THAT(kb.exchanges(), ElementsAre(X::Macros, X::KeyTableTop, X::KeyTableFn, X::LightMode,
                                            X::SystemFunctions, X::KeyTableTop, X::KeyTableFn));
    EXPECT_EQ(kb.lightMode(), (SimLightMode{11, 202, 81, 0, 1, 15, 12, 0}));
    EXPECT_EQ(kb.systemFunctions(), (SimSystem{}));

    const KeyInfo& esc = *findKeyByCode(41);
    std::int64_t light = 0;
    withStore([&](DeviceSQLite& s) {
        light = s.addUserLight(1, "User light 0");
        ASSERT_GT(s.addUserLightLEDData({0, light, esc.code, 0x12AB34}), 0);
        ASSERT_TRUE(s.updateConfigData(1, "gamemode", "1"));
        ASSERT_TRUE(s.updateConfigData(1, "disable_altf4", "1"));
        ASSERT_TRUE(s.updateConfigData(1, "sleeplight", "2"));
        ASSERT_TRUE(s.updateConfigData(1, "fnfunction", "junk"));
    });
    // The log is appended to: the new lines play on after the first run's.
    ASSERT_EQ(simulate("upload system").exitCode, 0);
    ASSERT_EQ(simulate("upload userlight --light-id " + std::to_string(light)).exitCode, 0);
    replay(kb);
    EXPECT_THAT(kb.violations(), IsEmpty());
    EXPECT_EQ(kb.systemFunctions(), (SimSystem{1, 0, 1, 0, 0, 2}));
    EXPECT_EQ(kb.ledColour(esc.light_index), 0x12AB34u);
    EXPECT_EQ(kb.lightMode()->mode, 0x80);  // it ends in user light mode
    EXPECT_EQ(simulate("upload lightmode --profile 1").exitCode, 0);
}

TEST_F(Korvexctl, RefusalsSendNothing) {
    ASSERT_EQ(run("upload system --simulate").exitCode, 0);
    withStore([](DeviceSQLite& s) {
        const std::int64_t m = s.addMacroProfile("long");
        std::vector<RecordInfo> rows(700, RecordInfo{0, m, 1, 0, 10, "delay"});
        ASSERT_TRUE(s.rewriteMacroRecords(m, rows));
    });
    for (const char* args : {"upload macros", "upload keys --profile 2", "upload userlight",
                             "upload userlight --light-id 9"}) {
        const Outcome r = simulate(args);
        EXPECT_EQ(r.exitCode, 1) << args;
    }
    EXPECT_FALSE(fs::exists(wire));
}

TEST_F(Korvexctl, AStoreThatCannotBeReadIsLeftAloneSendsNothingAndSaysWhy) {
    ASSERT_EQ(run("upload system --simulate").exitCode, 0);  // creates the database
    const fs::path pristine = root / "pristine.sqlite3";
    fs::copy_file(database(), pristine);
    ProfileFile named;
    named.name = "p";
    std::ofstream(root / "p.json") << profileFileText(named);
    const fs::path out = root / "out.json", copy = root / "copy.sqlite3";
    const std::pair<std::string, const char*> cases[] = {
        {"ALTER TABLE t_keyprofile RENAME COLUMN macroType TO kind", "t_keyprofile.macroType"},
        // SQLite reads these as rows of NULLs without an error.
        {"pointers", "is damaged ("},
    };
    for (const auto& [damage, says] : cases) {
        fs::copy_file(pristine, database(), fs::copy_options::overwrite_existing);
        if (damage == "pointers")
            testing::scribbleCellPointers(database(), "t_configdata");
        else
            ASSERT_TRUE(testing::RawDb(database()).exec(damage)) << damage;
        const std::string before = readBytes(database());
        for (const std::string& args :
             {std::string("upload keys --simulate --wire-log '" + wire.string() + "'"),
              std::string("upload startup --simulate --wire-log '" + wire.string() + "'"),
              "export '" + out.string() + "'", "import '" + (root / "p.json").string() + "'"}) {
            const Outcome r = run(args);
            EXPECT_EQ(r.exitCode, 1) << args << " " << says;
            EXPECT_THAT(r.err, HasSubstr(says)) << args;
            EXPECT_THAT(r.out, IsEmpty()) << args;
        }
        EXPECT_EQ(readBytes(database()), before) << says;
        EXPECT_FALSE(fs::exists(wire)) << says;
        EXPECT_FALSE(fs::exists(out)) << says;
    }
    // A damaged file (the last case) is not backed up either, in the same words.
    const Outcome r = run("backup '" + copy.string() + "'");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.err, HasSubstr("is damaged ("));
    EXPECT_FALSE(fs::exists(copy));
}

// Stopped mid-upload, it still prints what it sent (stdout a pipe, which stdio
// fills before it writes) and names what it did not.
TEST_F(Korvexctl, StoppedBySignalItKeepsTheLinesItOwesAndNamesWhatWasNotSent) {
    ASSERT_EQ(simulate("upload macros").exitCode, 0);
    auto lines = [&] {
        const std::string log = readBytes(wire);
        return static_cast<std::size_t>(std::count(log.begin(), log.end(), '\n'));
    };
    const std::size_t imageLines = lines();
    fs::remove(wire);
    const fs::path err = root / "stderr.txt";
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        if (!std::freopen(err.c_str(), "w", stderr)) ::_exit(126);
        ::setenv("XDG_DATA_HOME", root.c_str(), 1);
        ::execl(KORVEXCTL_PATH, "korvexctl", "upload", "startup", "--simulate", "--wire-log",
                wire.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    // The image is out and the key tables are on their way.
    for (int i = 0; i < 2000 && lines() < imageLines + 3; ++i) ::usleep(5000);
    ::kill(child, SIGTERM);
    std::string said;
    char buf[256];
    for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;)
        said.append(buf, static_cast<std::size_t>(n));
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_THAT(said, HasSubstr("sent macros\n"));
    EXPECT_THAT(readBytes(err), HasSubstr("stopped by SIGTERM; "));
    EXPECT_THAT(readBytes(err), HasSubstr("not sent: "));
}

TEST_F(Korvexctl, BackupAndRestoreWithoutAWindow) {
    EXPECT_EQ(run("backup").exitCode, 1);                    // nothing to back up yet
    ASSERT_EQ(run("upload system --simulate").exitCode, 0);  // creates the database
    const Outcome made = run("backup");
    ASSERT_EQ(made.exitCode, 0) << made.err;
    ASSERT_TRUE(made.out.starts_with("backed up to ")) << made.out;
    const std::string backup = made.out.substr(13, made.out.size() - 14);
    EXPECT_THAT(backup, HasSubstr("/korvex/backups/korvex-"));

    withStore([](DeviceSQLite& s) { ASSERT_GT(s.addProfile("Travel"), 0); });
    const Outcome restored = run("restore '" + backup + "'");
    ASSERT_EQ(restored.exitCode, 0) << restored.err;
    EXPECT_THAT(restored.out, HasSubstr("-restore.sqlite3"));
    withStore([](DeviceSQLite& s) {
        std::vector<ProfileData> profiles;
        EXPECT_TRUE(s.queryProfileList(profiles));
        EXPECT_EQ(profiles.size(), 1u);
    });
}

}  // namespace
}  // namespace korvex
