// korvexctl: sends stored settings to the keyboard from the command line.

#include <algorithm>
#include <charconv>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/CtlBus.h"
#include "app/CtlRules.h"
#include "device/DeviceComm.h"
#include "device/KeyboardLink.h"
#include "device/SimulatedKeyboard.h"
#include "device/StopSignals.h"
#include "device/WireLog.h"
#include "device/usb/KeyboardStatus.h"
#include "device/usb/LibusbBackend.h"
#include "exchange/Backups.h"
#include "exchange/ProfileFile.h"
#include "store/DeviceSQLite.h"
#include "store/StorePath.h"
#include "sync/StoreUploads.h"

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
    "       korvexctl status\n"
    "       korvexctl export [--profile N] FILE\n"
    "       korvexctl import FILE\n"
    "       korvexctl backup [FILE]\n"
    "       korvexctl restore FILE\n"
    "       korvexctl profile list | switch ID|NAME | next | previous\n"
    "       korvexctl rules list | add app|program NAME --profile N [--title TEXT]\n"
    "                       | remove ID | default ID|none\n"
    "       korvexctl auto on|off\n"
    "       korvexctl --help | --version\n"
    "\n"
    "Sends the settings stored for the keyboard to it.\n"
    "status lists the keyboards plugged in and whether this user may open them.\n"
    "export writes a profile (with the macros its keys play) to a file that\n"
    "import adds as a new profile, on this machine or another one.\n"
    "backup copies the settings to FILE, or to the backups folder when no FILE\n"
    "is given; restore puts a backup back, keeping the current settings as a\n"
    "backup first. Import and restore also back up first. Backups are kept in\n"
    "$XDG_DATA_HOME/korvex/backups (the newest 10 of each kind).\n"
    "profile lists the profiles or switches the keyboard to another one (its\n"
    "key tables, then its light mode); next and previous go round the list.\n"
    "rules sets up automatic switching: a profile while an app (its id or window\n"
    "class, and a part of its title with --title) is in front or while a program\n"
    "runs; default names the profile when no rule matches. auto turns it on or off.\n"
    "\n"
    "While the Korvex window runs, it alone writes the keyboard and the settings:\n"
    "upload, import, restore, backup, profile, rules and auto ask it to do the work (and show\n"
    "it). A window that does not answer within 2 s is an error. Without a window\n"
    "these work alone, except next and previous, which need the window.\n"
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
    "  --profile N      profile for keys, lightmode, userlight and export (default 1)\n"
    "  --light-id N     user light to send (default: the profile's first)\n"
    "  --title TEXT     rules add app: a part of the window title the rule needs\n"
    "  --simulate       send to a simulated keyboard of korvexctl's own instead of\n"
    "                   USB (never through the window)\n"
    "  --wire-log FILE  append every transfer to FILE (\"set <hex>\" / \"get <hex>\")\n"
    "  --verbose        print each bulk data report on standard output\n"
    "  --help           show this text\n"
    "  --version        show the version\n"
    "\n"
    "Exit status: 0 sent, 1 not sent (the reason is printed), 2 usage error.\n";

// The commands that move settings in and out of the database.
enum class FileCommand { None, Export, Import, Backup, Restore };
enum class ProfileCommand { None, List, Switch, Next, Previous };

struct Options {
    bool status = false;
    FileCommand fileCommand = FileCommand::None;
    std::string file;  // may stay empty for backup
    ProfileCommand profileCommand = ProfileCommand::None;
    std::string profileArg;  // switch: an id or a name
    sync::UploadRequest request;
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

std::optional<sync::UploadChoice> choiceOf(std::string_view kind) {
    using C = sync::UploadChoice;
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
    std::optional<std::string_view> command, kind, third;
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
        } else if (command == "profile" && kind == "switch" && !third) {
            third = a;
        } else {
            return usageError("unexpected argument '" + std::string(a) + "'");
        }
    }
    if (!command) return usageError("missing command");
    if (*command == "status") {
        if (kind) return usageError("status takes no argument");
        if (o.simulate || o.verbose || o.request.profile || o.request.lightId || !o.wireLog.empty())
            return usageError("status takes no options");
        o.status = true;
        return std::nullopt;
    }
    const std::pair<std::string_view, FileCommand> fileCommands[] = {
        {"export", FileCommand::Export},
        {"import", FileCommand::Import},
        {"backup", FileCommand::Backup},
        {"restore", FileCommand::Restore}};
    for (const auto& [name, which] : fileCommands) {
        if (*command != name) continue;
        const std::string n(name);
        if (o.simulate || o.verbose || o.request.lightId || !o.wireLog.empty() ||
            (o.request.profile && which != FileCommand::Export))
            return usageError(which == FileCommand::Export ? n + " takes only --profile"
                                                           : n + " takes no options");
        if (!kind && which != FileCommand::Backup) return usageError(n + " needs a file name");
        o.fileCommand = which;
        if (kind) o.file = std::string(*kind);
        return std::nullopt;
    }
    if (*command == "profile") {
        const std::pair<std::string_view, ProfileCommand> subs[] = {
            {"list", ProfileCommand::List},
            {"switch", ProfileCommand::Switch},
            {"next", ProfileCommand::Next},
            {"previous", ProfileCommand::Previous}};
        for (const auto& [name, which] : subs)
            if (kind == name) o.profileCommand = which;
        if (o.profileCommand == ProfileCommand::None)
            return usageError("profile needs list, switch ID|NAME, next or previous");
        if (o.request.profile || o.request.lightId)
            return usageError("profile takes no --profile or --light-id");
        if (o.profileCommand == ProfileCommand::Switch) {
            if (!third || third->empty()) return usageError("profile switch needs an id or a name");
            o.profileArg = std::string(*third);
        }
        return std::nullopt;
    }
    if (*command != "upload") return usageError("unknown command '" + std::string(*command) + "'");
    if (!kind)
        return usageError(
            "upload needs a kind: keys, system, lightmode, userlight, macros or startup");
    const auto choice = choiceOf(*kind);
    if (!choice) return usageError("unknown upload kind '" + std::string(*kind) + "'");
    o.request.choice = *choice;
    using C = sync::UploadChoice;
    if (o.request.profile && *choice != C::Keys && *choice != C::LightMode &&
        *choice != C::UserLight)
        return usageError("--profile applies to keys, lightmode and userlight only");
    if (o.request.lightId && *choice != C::UserLight)
        return usageError("--light-id applies to userlight only");
    return std::nullopt;
}

}  // namespace

namespace {

const char* accessText(LinkOpenError access) {
    switch (access) {
        case LinkOpenError::None:
            return "may be opened";
        case LinkOpenError::AccessDenied:
            return "access denied";
        case LinkOpenError::Busy:
            return "busy";
        case LinkOpenError::NotFound:
            break;
    }
    return "not found";
}

// Lists the keyboards without claiming anything, so typing goes on.
int status() {
    usb::LibusbBackend backend;
    const usb::KeyboardScan scan = usb::scanKeyboards(backend);
    if (!scan.usbAvailable) return failure("USB cannot be used: " + scan.error);
    for (const usb::KeyboardInfo& k : scan.keyboards) {
        std::printf("%s: %s, configuration interface %d (%s): %s\n",
                    k.device.device.placeText().c_str(),
                    k.device.name.empty() ? "keyboard" : k.device.name.c_str(),
                    k.device.device.interfaceNumber, k.device.device.deviceNode().c_str(),
                    accessText(k.access));
        if (!k.detail.empty() && k.access != LinkOpenError::None)
            std::printf("  %s\n", k.detail.c_str());
    }
    for (const usb::UnidentifiedKeyboard& u : scan.unidentified)
        std::printf("keyboard whose interfaces could not be read: %s\n", u.detail.c_str());
    if (scan.keyboards.empty() && scan.unidentified.empty())
        return failure(describe(LinkOpenError::NotFound));
    // Success means a keyboard this user can configure now, not merely one
    // that is plugged in.
    const bool usable = std::any_of(scan.keyboards.begin(), scan.keyboards.end(),
                                    [](const auto& k) { return k.access == LinkOpenError::None; });
    return usable ? kOk : kFailure;
}

}  // namespace

namespace {

// A damaged database is never touched, only replaced by restore: every
// command says so in the same words, with the way out.
int damaged(const std::string& sentence) {
    return failure(sentence + ". Put a backup back with: korvexctl restore FILE");
}

// Opens the settings; the exit code (the reason said) when they cannot be used.
std::optional<int> openSettings(DeviceSQLite& store, const std::string& db) {
    const OpenResult opened = store.openFile(db);
    if (opened.error == OpenError::Damaged) return damaged(opened.reason);
    if (!opened.ok) return failure(opened.reason);
    return std::nullopt;
}

int exportCommand(const std::string& db, std::int64_t profile, const std::string& file) {
    DeviceSQLite store([](const std::string&) {});
    if (const auto refused = openSettings(store, db)) return *refused;
    const ProfileExport e = exportProfileToFile(store, profile, file);
    if (!e.ok) return failure(e.message);
    for (const std::string& line : e.skipped)
        std::fprintf(stderr, "korvexctl: left out: %s\n", line.c_str());
    std::printf("exported profile %lld to %s\n", static_cast<long long>(profile), file.c_str());
    return kOk;
}

int importCommand(const std::string& db, const std::string& file) {
    auto shelf = BackupShelf::standard();
    const ProfileImport r = importProfileFile(db, file, shelf ? &*shelf : nullptr);
    if (!r.ok) return failure(file + ": " + r.message);
    for (const auto& [from, to] : r.renamedMacros)
        std::printf("macro \"%s\" stored as \"%s\": that name was taken\n", from.c_str(),
                    to.c_str());
    if (!r.backupPath.empty())
        std::printf("backup of the settings before: %s\n", r.backupPath.c_str());
    std::printf("imported \"%s\" as profile %lld\n", r.name.c_str(),
                static_cast<long long>(r.profile));
    return kOk;
}

int backupCommand(const std::string& db, const std::string& file) {
    // Only whether it exists: the copy checks the file itself, and a second
    // check would double the wait on another program's lock.
    std::error_code missing;
    if (!std::filesystem::exists(db, missing))
        return failure("there are no settings to back up yet (" + db + " does not exist)");
    BackupResult r;
    if (!file.empty()) {
        r = copyDatabase(db, file);
    } else {
        auto shelf = BackupShelf::standard();
        if (!shelf) return failure("neither XDG_DATA_HOME nor HOME is set; no place for backups");
        r = shelf->backup(db, BackupReason::Manual);
    }
    if (!r.ok) return failure(r.message);
    std::printf("backed up to %s\n", r.path.c_str());
    return kOk;
}

int restoreCommand(const std::string& db, const std::string& file) {
    auto shelf = BackupShelf::standard();
    if (!shelf) return failure("neither XDG_DATA_HOME nor HOME is set; no place for backups");
    const BackupResult r = shelf->restore(db, file);
    if (!r.ok) return failure(r.message);
    if (!r.path.empty()) std::printf("the settings before were kept in %s\n", r.path.c_str());
    std::printf("restored %s; send it to the keyboard with: korvexctl upload startup\n",
                file.c_str());
    return kOk;
}

int fileCommand(const Options& o, const std::string& db) {
    switch (o.fileCommand) {
        case FileCommand::Export:
            return exportCommand(db, o.request.profile.value_or(1), o.file);
        case FileCommand::Import:
            return importCommand(db, o.file);
        case FileCommand::Backup:
            return backupCommand(db, o.file);
        case FileCommand::Restore:
            return restoreCommand(db, o.file);
        case FileCommand::None:
            break;
    }
    return kUsage;
}

}  // namespace

namespace {

const char* signalName(int sig) {
    switch (sig) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
        case SIGHUP:
            return "SIGHUP";
    }
    return "a signal";
}

// Opens the link (simulated or real, optionally behind the wire log) and
// sends the uploads. Returns once the link is closed again.
int send(const Options& o, const std::vector<Upload>& uploads) {
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
    comm.setStopFlag(&StopSignals::flag());
    if (o.verbose) comm.setChunkLog([](const std::string& line) { std::puts(line.c_str()); });
    // A failed upload does not stop the ones after it, as in the window; a
    // keyboard that is gone, or a stop signal, does.
    bool allSent = true;
    // What a stop leaves unsent, by name: the upload it cut and every later one.
    auto unsent = [&](std::size_t from) {
        std::string names;
        for (std::size_t i = from; i < uploads.size(); ++i)
            names += (names.empty() ? "" : ", ") + uploads[i].label;
        return names;
    };
    for (std::size_t i = 0; i < uploads.size(); ++i) {
        const Upload& upload = uploads[i];
        const UploadResult r = sendTransfers(comm, upload.transfers);
        if (r.status == UploadResult::Status::NoKeyboard)
            return failure("the keyboard went away; not sent: " + unsent(i));
        if (r.status == UploadResult::Status::Stopped) {
            std::string line = std::string("stopped by ") + signalName(StopSignals::received());
            if (r.transfer != 0) line += "; " + upload.label + " cut short between exchanges";
            const std::string rest = unsent(r.transfer == 0 ? i : i + 1);
            if (!rest.empty()) line += "; not sent: " + rest;
            return failure(line);
        }
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

}  // namespace

namespace {

// The request for the window, when this command writes the keyboard or the
// settings (export only reads).
std::optional<WindowRequest> windowRequest(const Options& o) {
    using K = WindowRequest::Kind;
    WindowRequest r;
    switch (o.fileCommand) {
        case FileCommand::Import:
            r.kind = K::Import;
            r.file = o.file;
            return r;
        case FileCommand::Restore:
            r.kind = K::Restore;
            r.file = o.file;
            return r;
        case FileCommand::Backup:
            // A copy to a file of the user's: made here, read-only on the settings.
            if (!o.file.empty()) return std::nullopt;
            r.kind = K::Backup;
            return r;
        case FileCommand::Export:
            return std::nullopt;
        case FileCommand::None:
            break;
    }
    switch (o.profileCommand) {
        case ProfileCommand::List:
            r.kind = K::ProfileList;
            return r;
        case ProfileCommand::Switch:
            r.kind = K::Switch;
            r.profileArg = o.profileArg;
            return r;
        case ProfileCommand::Next:
            r.kind = K::Next;
            return r;
        case ProfileCommand::Previous:
            r.kind = K::Previous;
            return r;
        case ProfileCommand::None:
            break;
    }
    static constexpr const char* kKinds[] = {"keys",      "system", "lightmode",
                                             "userlight", "macros", "startup"};
    r.kind = K::Upload;
    r.uploadKind = kKinds[static_cast<int>(o.request.choice)];
    r.profile = o.request.profile.value_or(0);
    r.lightId = o.request.lightId.value_or(0);
    return r;
}

int listProfiles(const std::string& db) {
    DeviceSQLite store([](const std::string&) {});
    if (const auto refused = openSettings(store, db)) return *refused;
    std::vector<ProfileData> list;
    if (!store.queryProfileList(list)) return failure(sync::readFailure(store).message);
    for (const ProfileData& p : list)
        std::printf("  %lld\t%s\n", static_cast<long long>(p.profId), p.name.c_str());
    return kOk;
}

// Without a window: the profile's key tables, then its light mode.
std::optional<int> profileAlone(Options& o, const std::string& db) {
    switch (o.profileCommand) {
        case ProfileCommand::List:
            return listProfiles(db);
        case ProfileCommand::Next:
        case ProfileCommand::Previous:
            return failure(
                "no Korvex window runs, and only the window knows which profile is shown; "
                "use: korvexctl profile switch ID|NAME");
        case ProfileCommand::Switch:
            break;
        case ProfileCommand::None:
            return std::nullopt;
    }
    DeviceSQLite store([](const std::string&) {});
    if (const auto refused = openSettings(store, db)) return *refused;
    std::vector<ProfileData> list;
    if (!store.queryProfileList(list)) return failure(sync::readFailure(store).message);
    const auto id = positive(o.profileArg);
    const auto found = std::find_if(list.begin(), list.end(), [&](const ProfileData& p) {
        return id ? p.profId == *id : p.name == o.profileArg;
    });
    if (found == list.end())
        return failure(id ? "no profile with id " + o.profileArg
                          : "no profile named \"" + o.profileArg.substr(0, 60) +
                                (o.profileArg.size() > 60 ? "...\"" : "\""));
    o.request.profile = found->profId;
    return std::nullopt;
}

}  // namespace

// libdbus keeps its session connection until exit by design; not a leak of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1\n";
}

int main(int argc, char** argv) {
    if (const auto done = runRulesCommand(argc, argv)) return *done;
    Options o;
    if (const auto done = parse(argc, argv, o)) return *done;
    if (o.status) return status();

    // The window, while it runs, is the one writer; --simulate keeps
    // korvexctl's own simulated keyboard and never asks it.
    if (!o.simulate) {
        if (const auto request = windowRequest(o)) {
            if (const auto code = askWindow(*request)) {
                if (!o.wireLog.empty() || o.verbose)
                    std::fprintf(stderr,
                                 "korvexctl: the window sent it; --wire-log and --verbose apply "
                                 "only when korvexctl sends itself\n");
                return *code;
            }
        }
    }

    // Database first: what cannot be built is reported before any keyboard
    // is looked for, and nothing is sent.
    const auto dbPath = databasePath();
    if (!dbPath) return failure("neither XDG_DATA_HOME nor HOME is set; cannot find the settings");
    if (o.fileCommand != FileCommand::None) return fileCommand(o, *dbPath);
    if (o.profileCommand != ProfileCommand::None) {
        if (const auto done = profileAlone(o, *dbPath)) return *done;
    }
    // From here on the keyboard may be held: a stop signal must let go of it.
    StopSignals::install();
    std::vector<Upload> uploads;
    std::vector<sync::UploadRequest> requests{o.request};
    if (o.profileCommand == ProfileCommand::Switch) {
        requests.front().choice = sync::UploadChoice::Keys;
        requests.push_back(
            {sync::UploadChoice::LightMode, o.request.profile, std::nullopt, std::nullopt});
    }
    // Everything is built before anything is sent: a profile goes out whole or not at all.
    for (const sync::UploadRequest& request : requests) {
        sync::BuiltUploads built = sync::buildUploads(*dbPath, request);
        if (built.fault == StoreFault::Damaged) return damaged(built.message);
        if (built.status != sync::BuiltUploads::Status::Ready) return failure(built.message);
        for (Upload& u : built.uploads) uploads.push_back(std::move(u));
    }

    const int code = send(o, uploads);
    // Everything that held the keyboard is gone by now: its interface is
    // released and its kernel driver back.
    StopSignals::endBySignal();
    return code;
}
