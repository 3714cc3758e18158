#pragma once

// The window's way to run the store's destructive operations: each after an
// automatic backup on the standard shelf, so "Restore from backup" can undo it.

#include <QString>

#include <functional>
#include <optional>

#include "exchange/Safeguards.h"

namespace korvex {

class BackupShelf;

// Runs `operation` with the standard backup shelf. Nothing on success;
// otherwise the sentence for the user's sheet, in the current language when
// it was the backup that failed (and so nothing was changed).
std::optional<QString> runGuarded(const std::function<GuardedResult(BackupShelf&)>& operation);

}  // namespace korvex
