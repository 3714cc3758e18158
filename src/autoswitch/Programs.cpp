#include "autoswitch/Programs.h"

#include <QFile>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace korvex {

namespace {

// "/usr/games/foo" and "C:\Games\Foo.exe" both name "foo" / "Foo.exe".
QString lastComponent(const QString& path) {
    const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(cut + 1);
}

}  // namespace

QStringList programNamesOf(qint64 pid, const QString& procRoot) {
    QStringList names;
    const QString base = procRoot + u'/' + QString::number(pid);
    char target[4096];
    const QByteArray exeLink = QFile::encodeName(base + QStringLiteral("/exe"));
    const ssize_t length = ::readlink(exeLink.constData(), target, sizeof target - 1);
    if (length > 0) {
        QString exe = QFile::decodeName(QByteArray(target, static_cast<int>(length)));
        exe.remove(QStringLiteral(" (deleted)"));
        names << lastComponent(exe);
    }
    QFile cmdline(base + QStringLiteral("/cmdline"));
    if (cmdline.open(QIODevice::ReadOnly)) {
        const QByteArray first = cmdline.read(4096).split('\0').value(0);
        const QString name = lastComponent(QString::fromLocal8Bit(first));
        if (!name.isEmpty() && !names.contains(name)) names << name;
    }
    return names;
}

ProgramWatcher::ProgramWatcher(QObject* parent, int intervalMs, QString procRoot)
    : QObject(parent), procRoot_(std::move(procRoot)), uid_(::getuid()) {
    timer_.setInterval(intervalMs);
    connect(&timer_, &QTimer::timeout, this, &ProgramWatcher::scan);
}

void ProgramWatcher::start() {
    scan();
    timer_.start();
}

void ProgramWatcher::scan() {
    const QByteArray root = QFile::encodeName(procRoot_);
    DIR* dir = ::opendir(root.constData());
    if (!dir) return;
    std::map<qint64, Known> seen;
    while (const dirent* entry = ::readdir(dir)) {
        char* end = nullptr;
        const long long pid = std::strtoll(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0') continue;
        // A process is read when first seen and once more on the next pass:
        // one caught between fork and exec still bears its parent's name.
        if (const auto known = known_.find(pid); known != known_.end() && known->second.reads > 1) {
            seen.emplace(pid, std::move(known->second));
            continue;
        }
        struct stat info {};
        if (::fstatat(::dirfd(dir), entry->d_name, &info, 0) != 0 || info.st_uid != uid_) {
            seen.emplace(pid, Known{{}, 2});  // another user's: not ours to follow
            continue;
        }
        const auto known = known_.find(pid);
        seen.emplace(pid, Known{programNamesOf(pid, procRoot_),
                                known == known_.end() ? 1 : known->second.reads + 1});
    }
    ::closedir(dir);
    known_ = std::move(seen);
    QSet<QString> running;
    for (const auto& [pid, known] : known_) {
        for (const QString& name : known.names) running.insert(name);
    }
    if (running != running_) {
        running_ = std::move(running);
        emit programsChanged(running_);
    }
}

}  // namespace korvex
