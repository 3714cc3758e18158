#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

namespace korvex {

// One window program per user where there is no session bus to own a name
// on (with one, the bus name decides): a second start would find the
// keyboard busy. The first instance holds a lock file in the user's run-time
// folder; a lock a crashed instance left is taken over.
class SingleInstance {
  public:
    explicit SingleInstance(const QString& name = QStringLiteral("korvex"));

    // True when this is the only instance.
    bool claim();

  private:
    QString name_;
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace korvex
