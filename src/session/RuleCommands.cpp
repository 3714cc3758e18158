#include "session/RuleCommands.h"

#include <QString>

#include <algorithm>
#include <vector>

#include "autoswitch/Rules.h"
#include "sync/StoreUploads.h"

namespace korvex {

namespace {

// Text from other programs is quoted by its start only.
std::string quoted(const std::string& text) {
    const QString whole = QString::fromStdString(text);
    QString shown = whole.left(60);
    if (whole.size() > 60) shown += QStringLiteral("...");
    return "\"" + shown.toStdString() + "\"";
}

RuleOutcome readFailed(DeviceSQLite& store) {
    return {false, sync::readFailure(store).message};
}

RuleOutcome notSaved(DeviceSQLite& store) {
    return {false, "nothing was changed: " + sync::readFailure(store).message};
}

bool readProfiles(DeviceSQLite& store, std::vector<ProfileData>& profiles) {
    return store.queryProfileList(profiles);
}

std::string profileText(const std::vector<ProfileData>& profiles, std::int64_t id) {
    const auto found = std::find_if(profiles.begin(), profiles.end(),
                                    [&](const ProfileData& p) { return p.profId == id; });
    return "profile " + std::to_string(id) +
           (found == profiles.end() ? std::string() : " " + quoted(found->name));
}

}  // namespace

RuleOutcome listRules(DeviceSQLite& store) {
    AutoSwitchSettings settings;
    std::vector<ProfileData> profiles;
    if (!store.queryAutoSwitch(settings) || !readProfiles(store, profiles))
        return readFailed(store);
    std::string text =
        std::string("automatic switching: ") + (settings.enabled ? "on" : "off") +
        "\nwhen no rule matches: " +
        (settings.defaultProfile == 0 ? std::string("the shown profile stays")
                                      : profileText(profiles, settings.defaultProfile)) +
        "\n";
    for (const AutoSwitchRule& rule : settings.rules) {
        text += "  " + std::to_string(rule.ruleId) + "\t" +
                (rule.kind == AutoSwitchRule::Program ? "program " : "app ") + quoted(rule.match);
        if (!rule.title.empty()) text += " title " + quoted(rule.title);
        text += " -> " + profileText(profiles, rule.profId) + "\n";
    }
    if (settings.rules.empty()) text += "  no rules\n";
    return {true, text};
}

RuleOutcome addRule(DeviceSQLite& store, const std::string& kind, const std::string& match,
                    const std::string& title, std::int64_t profile) {
    AutoSwitchRule rule;
    if (kind == "app") {
        rule.kind = AutoSwitchRule::Application;
    } else if (kind == "program") {
        rule.kind = AutoSwitchRule::Program;
        if (!title.empty()) return {false, "a program rule has no title"};
    } else {
        return {false, "a rule is for an app or a program, not " + quoted(kind)};
    }
    rule.match = QString::fromStdString(match).trimmed().toStdString();
    rule.title = title;
    rule.profId = profile;
    std::vector<ProfileData> profiles;
    if (!readProfiles(store, profiles)) return readFailed(store);
    std::vector<std::int64_t> ids;
    for (const ProfileData& p : profiles) ids.push_back(p.profId);
    switch (checkRule(rule, ids)) {
        case RuleProblem::None:
            break;
        case RuleProblem::EmptyMatch:
        case RuleProblem::BadKind:
            return {false, "the rule needs the name of an app or a program"};
        case RuleProblem::TooLong:
            return {false, "a name or a title part is at most " + std::to_string(kRuleTextLimit) +
                               " characters long"};
        case RuleProblem::NoSuchProfile:
            return {false, "no profile with id " + std::to_string(profile)};
    }
    const std::int64_t id = store.addAutoSwitchRule(rule);
    if (id == 0) return notSaved(store);
    return {true, "added rule " + std::to_string(id)};
}

RuleOutcome removeRule(DeviceSQLite& store, std::int64_t ruleId) {
    AutoSwitchSettings settings;
    if (!store.queryAutoSwitch(settings)) return readFailed(store);
    if (std::none_of(settings.rules.begin(), settings.rules.end(),
                     [&](const AutoSwitchRule& r) { return r.ruleId == ruleId; }))
        return {false, "no rule with id " + std::to_string(ruleId)};
    if (!store.deleteAutoSwitchRule(ruleId)) return notSaved(store);
    return {true, "removed rule " + std::to_string(ruleId)};
}

RuleOutcome setAutoSwitch(DeviceSQLite& store, bool on) {
    if (!store.setAutoSwitchEnabled(on)) return notSaved(store);
    return {true, std::string("automatic switching is ") + (on ? "on" : "off")};
}

RuleOutcome setAutoSwitchDefault(DeviceSQLite& store, std::int64_t profile) {
    std::vector<ProfileData> profiles;
    if (!readProfiles(store, profiles)) return readFailed(store);
    if (profile != 0 && std::none_of(profiles.begin(), profiles.end(),
                                     [&](const ProfileData& p) { return p.profId == profile; }))
        return {false, "no profile with id " + std::to_string(profile)};
    if (!store.setAutoSwitchDefault(profile)) return notSaved(store);
    return {true, "when no rule matches: " + (profile == 0 ? std::string("the shown profile stays")
                                                           : profileText(profiles, profile))};
}

}  // namespace korvex
