#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace korvex {

// What korvexctl asks the window to do instead of doing it itself.
struct WindowRequest {
    enum class Kind {
        Upload,
        Import,
        Restore,
        Backup,
        ProfileList,
        Switch,
        Next,
        Previous,
        RulesList,
        RulesAdd,
        RulesRemove,
        RulesDefault,
        Auto,
    };
    Kind kind = Kind::Upload;
    std::string uploadKind;  // keys, system, ...
    std::int64_t profile = 0;
    std::int64_t lightId = 0;
    std::string file;        // import / restore: opened here, sent as a descriptor
    std::string profileArg;  // switch: an id or a name
    // Automatic switching: a rule to add ("app" or "program", the name, the
    // title part), the rule to remove (`profile` names the rule's profile
    // or the default), and on or off.
    std::string ruleKind;
    std::string ruleMatch;
    std::string ruleTitle;
    std::int64_t ruleId = 0;
    bool on = false;
};

// While a Korvex window owns its name on the session bus, it alone writes
// the keyboard and the settings: the request goes to it and the exit status
// comes back (the lines printed as korvexctl prints them itself). Nothing
// when there is no bus or no window: korvexctl then works alone. A window
// that does not answer within 2 s is an error, never a reason to write
// behind its back.
std::optional<int> askWindow(const WindowRequest& request);

}  // namespace korvex
