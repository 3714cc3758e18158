#include "app/CtlRules.h"

#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "app/CtlBus.h"
#include "session/RuleCommands.h"
#include "store/StorePath.h"

namespace korvex {

namespace {

int usage(const std::string& what) {
    std::fprintf(stderr, "korvexctl: %s\nTry 'korvexctl --help'.\n", what.c_str());
    return 2;
}

std::optional<std::int64_t> number(std::string_view text) {
    std::int64_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v <= 0) return std::nullopt;
    return v;
}

// Parses the arguments after "rules" or "auto"; an exit code when they are wrong.
std::optional<int> parse(std::string_view command, const std::vector<std::string_view>& args,
                         WindowRequest& r) {
    using K = WindowRequest::Kind;
    std::vector<std::string_view> words;
    std::optional<std::int64_t> profile;
    std::optional<std::string> title;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view a = args[i];
        if (a == "--profile" || a == "--title") {
            if (i + 1 >= args.size()) return usage(std::string(a) + " needs a value");
            const std::string_view v = args[++i];
            if (a == "--title") {
                title = std::string(v);
                continue;
            }
            profile = number(v);
            if (!profile)
                return usage("--profile needs a positive whole number, not '" + std::string(v) +
                             "'");
        } else if (a.starts_with("-")) {
            return usage("unknown option '" + std::string(a) + "'");
        } else {
            words.push_back(a);
        }
    }
    if (command == "auto") {
        if (words.size() != 1 || (words[0] != "on" && words[0] != "off") || profile || title)
            return usage("auto needs on or off");
        r.kind = K::Auto;
        r.on = words[0] == "on";
        return std::nullopt;
    }
    const std::string_view sub = words.empty() ? std::string_view() : words[0];
    if (sub == "list" && words.size() == 1 && !profile && !title) {
        r.kind = K::RulesList;
    } else if (sub == "add") {
        if (words.size() != 3 || (words[1] != "app" && words[1] != "program"))
            return usage("rules add needs app or program, then a name");
        if (!profile) return usage("rules add needs --profile N");
        if (title && words[1] == "program") return usage("--title applies to app rules only");
        r.kind = K::RulesAdd;
        r.ruleKind = std::string(words[1]);
        r.ruleMatch = std::string(words[2]);
        r.ruleTitle = title.value_or("");
        r.profile = *profile;
    } else if (sub == "remove" && words.size() == 2 && !profile && !title) {
        const auto id = number(words[1]);
        if (!id) return usage("rules remove needs a rule id (see korvexctl rules list)");
        r.kind = K::RulesRemove;
        r.ruleId = *id;
    } else if (sub == "default" && words.size() == 2 && !profile && !title) {
        const auto id = words[1] == "none" ? std::optional<std::int64_t>(0) : number(words[1]);
        if (!id) return usage("rules default needs a profile id or none");
        r.kind = K::RulesDefault;
        r.profile = *id;
    } else {
        return usage(
            "rules needs list, add app|program NAME --profile N [--title TEXT], remove ID or "
            "default ID|none");
    }
    return std::nullopt;
}

}  // namespace

std::optional<int> runRulesCommand(int argc, char** argv) {
    if (argc < 2) return std::nullopt;
    const std::string_view command = argv[1];
    if (command != "rules" && command != "auto") return std::nullopt;
    WindowRequest request;
    if (const auto wrong =
            parse(command, std::vector<std::string_view>(argv + 2, argv + argc), request))
        return wrong;
    if (const auto code = askWindow(request)) return *code;

    // No window: korvexctl is the only writer now.
    const auto db = databasePath();
    if (!db) {
        std::fprintf(stderr,
                     "korvexctl: neither XDG_DATA_HOME nor HOME is set; cannot find the "
                     "settings\n");
        return 1;
    }
    DeviceSQLite store([](const std::string&) {});
    const OpenResult opened = store.openFile(*db);
    if (!opened.ok) {
        std::fprintf(stderr, "korvexctl: %s\n", opened.reason.c_str());
        return 1;
    }
    using K = WindowRequest::Kind;
    RuleOutcome outcome;
    switch (request.kind) {
        case K::RulesList:
            outcome = listRules(store);
            break;
        case K::RulesAdd:
            outcome = addRule(store, request.ruleKind, request.ruleMatch, request.ruleTitle,
                              request.profile);
            break;
        case K::RulesRemove:
            outcome = removeRule(store, request.ruleId);
            break;
        case K::RulesDefault:
            outcome = setAutoSwitchDefault(store, request.profile);
            break;
        default:
            outcome = setAutoSwitch(store, request.on);
            break;
    }
    if (!outcome.ok) {
        std::fprintf(stderr, "korvexctl: %s\n", outcome.text.c_str());
        return 1;
    }
    std::fputs(outcome.text.c_str(), stdout);
    if (request.kind != K::RulesList) std::fputc('\n', stdout);
    return 0;
}

}  // namespace korvex
