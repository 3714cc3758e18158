#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

#include <algorithm>
#include <functional>
#include <mutex>
#include <vector>

namespace korvex {

// Names the controls and the device monitor post. Payloads: an int tag for the
// three button kinds, a QVariantMap for the rest (keys as documented here).
namespace notification {
inline const QString kKeyboardKeyAction = QStringLiteral("keyboardKeyAction");      // key name
inline const QString kCustomKeyFuncAction = QStringLiteral("customKeyFuncAction");  // {key_code}
inline const QString kMenuItemMouseUpAction = QStringLiteral("MenuItemMouseUpAction");  // {menuid}
inline const QString kShowKeyboardToolTipWnd = QStringLiteral("ShowKeyboardToolTipWnd");
inline const QString kColorButtonAction = QStringLiteral("colorButtonAction");    // tag
inline const QString kSelectButtonAction = QStringLiteral("selectButtonAction");  // tag
inline const QString kTextButtonAction = QStringLiteral("textButtonAction");      // tag
inline const QString kKeyTableItemViewEdit =
    QStringLiteral("keyTableItemViewEdit");  // {index,text}
inline const QString kCustomKeywindowCloseDid = QStringLiteral("customKeywindowCloseDid");
inline const QString kHIDDeviceConnected = QStringLiteral("HIDDeviceConnected");        // {device}
inline const QString kHIDDeviceDisconnected = QStringLiteral("HIDDeviceDisconnected");  // {device}
}  // namespace notification

// Process-wide named notifications: post a name with a payload, observe by
// name. Delivery is synchronous on the posting thread, in the order observers
// were added. An observer tied to a context object is dropped when that
// object is destroyed, so a page that goes away never receives a stale call.
class NotificationCenter {
  public:
    using Observer = std::function<void(const QVariant& object)>;
    using Token = int;

    static NotificationCenter& defaultCenter();

    Token addObserver(const QString& name, Observer observer, QObject* context = nullptr);
    void removeObserver(Token token);
    void post(const QString& name, const QVariant& object = {});

  private:
    struct Entry {
        Token token;
        QString name;
        Observer observer;
    };
    std::mutex mutex_;
    std::vector<Entry> entries_;
    Token nextToken_ = 1;
};

}  // namespace korvex
