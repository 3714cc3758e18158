#pragma once

#include <optional>

namespace korvex {

// korvexctl rules ... and korvexctl auto ...: automatic profile switching,
// through the window while it runs, else on the settings file directly.
// Nothing when the arguments are another command.
std::optional<int> runRulesCommand(int argc, char** argv);

}  // namespace korvex
