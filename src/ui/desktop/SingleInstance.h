#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

namespace korvex {

// One window program per user: a second start (from the menu while the
// autostarted one waits in the tray) would find the keyboard busy. The first
// instance holds a lock file and listens on a local socket; a later one only
// asks it to show its window and ends.
class SingleInstance : public QObject {
    Q_OBJECT
  public:
    // `name` tells instances apart (the user's run-time folder keeps them per user).
    explicit SingleInstance(const QString& name = QStringLiteral("korvex"),
                            QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this is the only instance; false when another one runs and
    // has been asked to show its window.
    bool claim();

  signals:
    // Another start asked for the window.
    void showRequested();

  private:
    QString name_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
};

}  // namespace korvex
