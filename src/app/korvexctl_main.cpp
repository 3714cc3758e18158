// korvexctl: sends stored settings to the keyboard from the command line.

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "CtlUploads.h"
#include "device/DeviceComm.h"
#include "device/KeyboardLink.h"
#include "device/SimulatedKeyboard.h"
#include "device/WireLog.h"
#include "store/StorePath.h"

#ifndef KORVEX_VERSION
#define KORVEX_VERSION "0"
#endif

namespace {

using namespace korvex;

constexpr int kOk = 0;
constexpr int kFailure = 1;
constexpr int kUsage = 2;

const char* const kUsageText =
    "Usage: korvexctl upload KIND [OPTIONS]\n"
    "       korvexctl --help | --version\n"
    "\n"
    "Sends the settings stored for the keyboard to it.\n"
    "\n"
    "KIND:\n"
    "  keys       key assignments of a profile, top layer then Fn layer\n"
    "  system     game mode switches, Fn key mode and light sleep time\n"
    "  lightmode  the selected built-in light mode of a profile\n"
    "  userlight  per-key colours of a user light, then user light mode\n"
    "  macros     all macros\n"
    "  startup    everything the program sends when it first finds the keyboard\n"
    "\n"
    "Options:\n"
    "  --profile N      profile for keys, lightmode and userlight (default 1)\n"
    "  --light-id N     user light to send (default: the profile's first)\n"
    "  --simulate       send to a simulated keyboard instead of USB\n"
    "  --wire-log FILE  append every transfer to FILE (\"set <hex>\" / \"get <hex>\")\n"
    "  --verbose        print each bulk data report on standard output\n"
    "  --help           show this text\n"
    "  --version        show the version\n"
    "\n"
    "Exit status: 0 sent, 1 not sent (the reason is printed), 2 usage error.\n";

struct Options {
    ctl::UploadRequest request;
    bool simulate = false;
    bool verbose = false;
    std::string wireLog;
};

int usageError(const std::string& what) {
    std::fprintf(stderr, "korvexctl: %s\nTry 'korvexctl --help'.\n", what.c_str());
    return kUsage;
}

int failure(const std::string& what) {
    std::fprintf(stderr, "korvexctl: %s\n", what.c_str());
    return kFailure;
}

std::optional<std::int64_t> positive(std::string_view text) {
    std::int64_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v <= 0) return std::nullopt;
    return v;
}

std::optional<ctl::UploadChoice> choiceOf(std::string_view kind) {
    using C = ctl::UploadChoice;
    if (kind == "keys") return C::Keys;
    if (kind == "system") return C::System;
    if (kind == "lightmode") return C::LightMode;
    if (kind == "userlight") return C::UserLight;
    if (kind == "macros") return C::Macros;
    if (kind == "startup") return C::Startup;
    return std::nullopt;
}

// Returns an exit code when the run ends here (help, version, usage error).
std::optional<int> parse(int argc, char** argv, Options& o) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.empty()) return usageError("missing command");
    std::optional<std::string_view> command, kind;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view a = args[i];
        std::optional<std::string_view> inlineValue;
        if (a.starts_with("--")) {
            if (const auto eq = a.find('='); eq != std::string_view::npos) {
                inlineValue = a.substr(eq + 1);
                a = a.substr(0, eq);
            }
        }
        auto value = [&]() -> std::optional<std::string_view> {
            if (inlineValue) return inlineValue;
            if (i + 1 < args.size()) return args[++i];
            return std::nullopt;
        };
        if (a == "--help" || a == "-h") {
            std::fputs(kUsageText, stdout);
            return kOk;
        }
        if (a == "--version") {
            std::printf("korvexctl %s\n", KORVEX_VERSION);
            return kOk;
        }
        if (a == "--simulate" || a == "--verbose") {
            if (inlineValue) return usageError(std::string(a) + " takes no value");
            (a == "--simulate" ? o.simulate : o.verbose) = true;
        } else if (a == "--profile" || a == "--light-id") {
            const auto v = value();
            if (!v) return usageError(std::string(a) + " needs a number");
            const auto n = positive(*v);
            if (!n)
                return usageError(std::string(a) + " needs a positive whole number, not '" +
                                  std::string(*v) + "'");
            (a == "--profile" ? o.request.profile : o.request.lightId) = n;
        } else if (a == "--wire-log") {
            const auto v = value();
            if (!v || v->empty()) return usageError("--wire-log needs a file name");
            o.wireLog = std::string(*v);
        } else if (a.starts_with("-")) {
            return usageError("unknown option '" + std::string(a) + "'");
        } else if (!command) {
            command = a;
        } else if (!kind) {
            kind = a;
        } else {
            return usageError("unexpected argument '" + std::string(a) + "'");
        }
    }
    if (!command) return usageError("missing command");
    if (*command != "upload") return usageError("unknown command '" + std::string(*command) + "'");
    if (!kind)
        return usageError(
            "upload needs a kind: keys, system, lightmode, userlight, macros or startup");
    const auto choice = choiceOf(*kind);
    if (!choice) return usageError("unknown upload kind '" + std::string(*kind) + "'");
    o.request.choice = *choice;
    using C = ctl::UploadChoice;
    if (o.request.profile && *choice != C::Keys && *choice != C::LightMode &&
        *choice != C::UserLight)
        return usageError("--profile applies to keys, lightmode and userlight only");
    if (o.request.lightId && *choice != C::UserLight)
        return usageError("--light-id applies to userlight only");
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (const auto done = parse(argc, argv, o)) return *done;

    // Database first: what cannot be built is reported before any keyboard
    // is looked for, and nothing is sent.
    const auto dbPath = databasePath();
    if (!dbPath) return failure("neither XDG_DATA_HOME nor HOME is set; cannot find the settings");
    const ctl::BuiltUploads built = ctl::buildUploads(*dbPath, o.request);
    if (built.status != ctl::BuiltUploads::Status::Ready) return failure(built.message);

    // The link: simulated or real, optionally behind the wire log.
    SimulatedKeyboard simulated;
    OpenedLink real;
    HidLink* link = &simulated;
    if (!o.simulate) {
        real = openKeyboardLink();
        if (real.error != LinkOpenError::None || !real.link) return failure(real.detail);
        link = real.link.get();
    }

    std::unique_ptr<WireLog> wire;
    if (!o.wireLog.empty()) {
        wire = std::make_unique<WireLog>(*link, o.wireLog);
        if (!wire->isOpen()) return failure("cannot open the wire log: " + wire->error());
        link = wire.get();
    }

    DeviceComm comm(link);
    if (o.verbose) comm.setChunkLog([](const std::string& line) { std::puts(line.c_str()); });
    // A failed upload does not stop the ones after it, as in the window; a
    // keyboard that is gone does.
    bool allSent = true;
    for (const Upload& upload : built.uploads) {
        const UploadResult r = sendTransfers(comm, upload.transfers);
        if (r.status == UploadResult::Status::NoKeyboard)
            return failure("the keyboard went away; " + upload.label + " not sent");
        if (r.status != UploadResult::Status::Sent) {
            std::fprintf(stderr, "korvexctl: %s: transfer %zu of %zu failed\n",
                         upload.label.c_str(), r.transfer + 1, upload.transfers.size());
            allSent = false;
            continue;
        }
        std::printf("sent %s\n", upload.label.c_str());
    }
    if (o.simulate) {
        const auto problems = simulated.violations();
        for (const auto& p : problems)
            std::fprintf(stderr, "korvexctl: simulated keyboard: %s\n", p.c_str());
        if (!problems.empty()) return kFailure;
    }
    return allSent ? kOk : kFailure;
}
