#include "ui/desktop/SingleInstance.h"

#include <QDir>
#include <QStandardPaths>

namespace korvex {

SingleInstance::SingleInstance(const QString& name) : name_(name) {}

bool SingleInstance::claim() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    lock_ =
        std::make_unique<QLockFile>(folder + QLatin1Char('/') + name_ + QStringLiteral(".lock"));
    return lock_->tryLock(0);
}

}  // namespace korvex
