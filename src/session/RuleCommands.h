#pragma once

// The automatic switching commands of korvexctl, done on a store: by the
// window for a bus call while it runs, by korvexctl itself otherwise. The
// same words either way.

#include <cstdint>
#include <string>

#include "store/DeviceSQLite.h"

namespace korvex {

struct RuleOutcome {
    bool ok = false;
    // ok: what to print (the list: lines ending in a newline; else one line
    // without); not ok: one line saying why nothing changed.
    std::string text;
};

// "automatic switching: on", the profile when none matches, then a line per rule.
RuleOutcome listRules(DeviceSQLite& store);
// `kind` is "app" or "program".
RuleOutcome addRule(DeviceSQLite& store, const std::string& kind, const std::string& match,
                    const std::string& title, std::int64_t profile);
RuleOutcome removeRule(DeviceSQLite& store, std::int64_t ruleId);
RuleOutcome setAutoSwitch(DeviceSQLite& store, bool on);
// 0: keep the shown profile.
RuleOutcome setAutoSwitchDefault(DeviceSQLite& store, std::int64_t profile);

}  // namespace korvex
