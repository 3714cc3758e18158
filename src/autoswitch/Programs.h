#pragma once

// The user's running programs, read from /proc.

#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <sys/types.h>
#include <map>

namespace korvex {

// The names a process may be known by: its executable's file name and the
// file name of its first argument (a script, or a Windows game under Wine,
// whose executable is the loader). Empty when the process is gone or not
// readable.
QStringList programNamesOf(qint64 pid, const QString& procRoot = QStringLiteral("/proc"));

// Checks the user's processes about once a second and says when the set of
// running program names changed. A process is read once, when first seen.
class ProgramWatcher : public QObject {
    Q_OBJECT
  public:
    explicit ProgramWatcher(QObject* parent = nullptr, int intervalMs = 1000,
                            QString procRoot = QStringLiteral("/proc"));
    void start();
    const QSet<QString>& running() const { return running_; }
    // Reads /proc now (also what the timer does).
    void scan();

  signals:
    void programsChanged(const QSet<QString>& running);

  private:
    QTimer timer_;
    QString procRoot_;
    uid_t uid_;
    struct Known {
        QStringList names;
        int reads = 0;
    };
    std::map<qint64, Known> known_;
    QSet<QString> running_;
};

}  // namespace korvex
