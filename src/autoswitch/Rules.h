#pragma once

// Which profile the rules ask for, and whether a rule may be stored.

#include <QSet>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

#include "autoswitch/FrontApp.h"
#include "store/Records.h"

namespace korvex {

// The longest match or title part a rule takes.
inline constexpr int kRuleTextLimit = 256;

enum class RuleProblem { None, EmptyMatch, TooLong, NoSuchProfile, BadKind };

// Checks a rule before it is stored; `profiles` are the ids that exist.
RuleProblem checkRule(const AutoSwitchRule& rule, const std::vector<std::int64_t>& profiles);

// The first rule, in order, that matches: an application rule when the
// application in front has that id, class, instance or program name (any
// case) and, when it names one, its title contains the part; a program rule
// while a program of that name runs. None when no rule matches.
std::optional<std::int64_t> matchRules(const std::vector<AutoSwitchRule>& rules,
                                       const FrontApp& front, const QSet<QString>& running);

}  // namespace korvex
