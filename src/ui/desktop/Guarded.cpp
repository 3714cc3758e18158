#include "ui/desktop/Guarded.h"

#include "exchange/Backups.h"
#include "ui/KeyboardViewController.h"

namespace korvex {

std::optional<QString> runGuarded(const std::function<GuardedResult(BackupShelf&)>& operation) {
    std::optional<BackupShelf> shelf = BackupShelf::standard();
    if (!shelf) return KeyboardViewController::text(917).arg(KeyboardViewController::text(810));
    const GuardedResult result = operation(*shelf);
    if (result.ok) return std::nullopt;
    const QString message = QString::fromStdString(result.message);
    return result.backupPath.empty() ? KeyboardViewController::text(917).arg(message) : message;
}

}  // namespace korvex
