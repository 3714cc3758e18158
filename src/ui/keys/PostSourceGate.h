#pragma once

// Controls post by name only, and several pages use the same controls (select
// buttons, keyboards, list rows), so a page cannot tell its own posts from
// another page's by the payload. The gate runs each watched widget's mouse
// release itself and names that widget while it does; a post made meanwhile
// came from it. Rows are watched for their name editor instead: a row is
// "editing" from the moment its editor appears until the editor is gone.

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QWidget>

namespace korvex {

class PostSourceGate : public QObject {
  public:
    using QObject::QObject;

    void watch(QWidget* widget) { widget->installEventFilter(this); }
    // The watched widget whose release is being handled, or null.
    QObject* releasing() const { return releasing_; }

    void watchEditing(QWidget* row) { row->installEventFilter(this); }
    // The watched row whose name editor exists (also while it posts its edit).
    QObject* editing() const { return editing_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::MouseButtonRelease: {
                if (releasing_) return false;
                releasing_ = watched;
                watched->event(event);
                releasing_ = nullptr;
                return true;
            }
            case QEvent::ChildPolished: {
                QObject* child = static_cast<QChildEvent*>(event)->child();
                if (child->inherits("QLineEdit")) {
                    editing_ = watched;
                    editor_ = child;
                }
                break;
            }
            case QEvent::ChildRemoved:
                if (static_cast<QChildEvent*>(event)->child() == editor_) {
                    editing_ = nullptr;
                    editor_ = nullptr;
                }
                break;
            default:
                break;
        }
        return false;
    }

  private:
    QObject* releasing_ = nullptr;
    QPointer<QObject> editing_;
    QObject* editor_ = nullptr;  // compared only, never used
};

}  // namespace korvex
