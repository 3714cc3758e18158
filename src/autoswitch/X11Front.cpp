#include "autoswitch/X11Front.h"

#include <QSocketNotifier>

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <cstdlib>

#include "autoswitch/Programs.h"

namespace korvex {

struct X11FrontWatcher::Connection {
    xcb_connection_t* conn = nullptr;
    xcb_ewmh_connection_t ewmh{};
    bool ewmhReady = false;
    xcb_window_t root = 0;

    ~Connection() {
        if (ewmhReady) xcb_ewmh_connection_wipe(&ewmh);
        if (conn) xcb_disconnect(conn);
    }
};

X11FrontWatcher::X11FrontWatcher(QObject* parent, QByteArray display)
    : FrontWatcher(parent), display_(std::move(display)) {}

X11FrontWatcher::~X11FrontWatcher() = default;

bool X11FrontWatcher::start() {
    auto x = std::make_unique<Connection>();
    int screenIndex = 0;
    x->conn = xcb_connect(display_.isEmpty() ? nullptr : display_.constData(), &screenIndex);
    if (!x->conn || xcb_connection_has_error(x->conn)) return false;
    xcb_intern_atom_cookie_t* cookies = xcb_ewmh_init_atoms(x->conn, &x->ewmh);
    if (!xcb_ewmh_init_atoms_replies(&x->ewmh, cookies, nullptr)) return false;
    x->ewmhReady = true;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(x->conn));
    for (int i = 0; i < screenIndex && screens.rem; ++i) xcb_screen_next(&screens);
    if (!screens.rem) return false;
    x->root = screens.data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(x->conn, x->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x->conn);
    x_ = std::move(x);
    notifier_ = new QSocketNotifier(xcb_get_file_descriptor(x_->conn), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &X11FrontWatcher::readEvents);
    xcb_window_t active = 0;
    if (xcb_ewmh_get_active_window_reply(&x_->ewmh, xcb_ewmh_get_active_window(&x_->ewmh, 0),
                                         &active, nullptr)) {
        follow(active);
    }
    return true;
}

void X11FrontWatcher::readEvents() {
    bool activeChanged = false;
    bool titleChanged = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(x_->conn)) {
        if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
            const auto* property = reinterpret_cast<xcb_property_notify_event_t*>(event);
            if (property->window == x_->root && property->atom == x_->ewmh._NET_ACTIVE_WINDOW) {
                activeChanged = true;
            } else if (property->window == active_ && (property->atom == x_->ewmh._NET_WM_NAME ||
                                                       property->atom == XCB_ATOM_WM_NAME)) {
                titleChanged = true;
            }
        }
        std::free(event);
    }
    if (xcb_connection_has_error(x_->conn)) {
        // The display went away; nothing more will come from it.
        notifier_->setEnabled(false);
        return;
    }
    if (activeChanged) {
        xcb_window_t active = 0;
        if (!xcb_ewmh_get_active_window_reply(&x_->ewmh, xcb_ewmh_get_active_window(&x_->ewmh, 0),
                                              &active, nullptr)) {
            active = 0;
        }
        if (active != active_) {
            follow(active);
            return;
        }
    }
    if (titleChanged) report();
}

void X11FrontWatcher::follow(std::uint32_t window) {
    // Title changes of the window in front matter to title rules; those of
    // the window before it no longer do.
    if (active_ != 0) {
        const std::uint32_t none = XCB_EVENT_MASK_NO_EVENT;
        xcb_change_window_attributes(x_->conn, active_, XCB_CW_EVENT_MASK, &none);
    }
    active_ = window;
    if (active_ != 0) {
        const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(x_->conn, active_, XCB_CW_EVENT_MASK, &mask);
    }
    xcb_flush(x_->conn);
    report();
}

void X11FrontWatcher::report() {
    FrontApp front;
    if (active_ != 0) {
        auto* classReply = xcb_get_property_reply(
            x_->conn,
            xcb_get_property(x_->conn, 0, active_, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256),
            nullptr);
        if (classReply) {
            // "instance\0class\0"
            const auto* text = static_cast<const char*>(xcb_get_property_value(classReply));
            const int length = xcb_get_property_value_length(classReply);
            const QList<QByteArray> parts = QByteArray(text, length).split('\0');
            front.instance = QString::fromLocal8Bit(parts.value(0));
            front.appId = QString::fromLocal8Bit(parts.value(1));
            std::free(classReply);
        }
        xcb_ewmh_get_utf8_strings_reply_t name{};
        if (xcb_ewmh_get_wm_name_reply(&x_->ewmh, xcb_ewmh_get_wm_name(&x_->ewmh, active_), &name,
                                       nullptr)) {
            front.title = QString::fromUtf8(name.strings, static_cast<int>(name.strings_len));
            xcb_ewmh_get_utf8_strings_reply_wipe(&name);
        }
        std::uint32_t pid = 0;
        if (xcb_ewmh_get_wm_pid_reply(&x_->ewmh, xcb_ewmh_get_wm_pid(&x_->ewmh, active_), &pid,
                                      nullptr)) {
            front.pid = pid;
            front.program = programNamesOf(pid).value(0);
        }
    }
    emit frontChanged(front);
}

}  // namespace korvex
