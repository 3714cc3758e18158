#include "autoswitch/Rules.h"

#include <algorithm>

namespace korvex {

RuleProblem checkRule(const AutoSwitchRule& rule, const std::vector<std::int64_t>& profiles) {
    const QString match = QString::fromStdString(rule.match).trimmed();
    if (rule.kind != AutoSwitchRule::Application && rule.kind != AutoSwitchRule::Program) {
        return RuleProblem::BadKind;
    }
    if (match.isEmpty()) return RuleProblem::EmptyMatch;
    if (match.size() > kRuleTextLimit ||
        QString::fromStdString(rule.title).size() > kRuleTextLimit) {
        return RuleProblem::TooLong;
    }
    if (std::find(profiles.begin(), profiles.end(), rule.profId) == profiles.end()) {
        return RuleProblem::NoSuchProfile;
    }
    return RuleProblem::None;
}

namespace {

bool sameName(const QString& a, const QString& b) {
    return !a.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0;
}

bool matches(const AutoSwitchRule& rule, const FrontApp& front, const QSet<QString>& running) {
    const QString match = QString::fromStdString(rule.match).trimmed();
    if (rule.kind == AutoSwitchRule::Program) {
        return std::any_of(running.begin(), running.end(),
                           [&](const QString& name) { return sameName(name, match); });
    }
    if (!sameName(front.appId, match) && !sameName(front.instance, match) &&
        !sameName(front.program, match)) {
        return false;
    }
    const QString title = QString::fromStdString(rule.title);
    return title.isEmpty() || front.title.contains(title, Qt::CaseInsensitive);
}

}  // namespace

std::optional<std::int64_t> matchRules(const std::vector<AutoSwitchRule>& rules,
                                       const FrontApp& front, const QSet<QString>& running) {
    for (const auto& rule : rules) {
        if (matches(rule, front, running)) return rule.profId;
    }
    return std::nullopt;
}

}  // namespace korvex
