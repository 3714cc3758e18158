#pragma once

// What the desktop says is in front, as one watcher or another learns it.

#include <QMetaType>
#include <QObject>
#include <QString>

namespace korvex {

struct FrontApp {
    QString appId;     // application id (Wayland) or window class (X11)
    QString instance;  // X11: the instance part of WM_CLASS; else empty
    QString title;
    qint64 pid = 0;   // 0 when the desktop does not say
    QString program;  // the executable's name, from /proc when the pid is known

    bool empty() const { return appId.isEmpty() && instance.isEmpty() && pid == 0; }
    // The same application window in front; a new title alone is not a new front.
    bool sameWindowAs(const FrontApp& other) const {
        return appId == other.appId && instance == other.instance && pid == other.pid;
    }
    bool operator==(const FrontApp&) const = default;
};

// One source of "what is in front". Watchers are optional and chosen at run
// time: start() says whether this one can see anything in this session.
class FrontWatcher : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    // False when this desktop offers nothing to this watcher; it then stays quiet.
    virtual bool start() = 0;
  signals:
    void frontChanged(const korvex::FrontApp& front);
};

}  // namespace korvex

Q_DECLARE_METATYPE(korvex::FrontApp)
