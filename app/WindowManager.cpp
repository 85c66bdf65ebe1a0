#include "app/WindowManager.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 1, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The window named by a WINDOW property, or none.
xcb_window_t WindowProperty(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t name) {
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, name, XCB_ATOM_WINDOW, 0, 1), nullptr));
    if (!reply || reply->type != XCB_ATOM_WINDOW || reply->format != 32 ||
        xcb_get_property_value_length(reply.get()) < static_cast<int>(sizeof(xcb_window_t))) {
        return xcb_window_t{XCB_WINDOW_NONE};
    }
    return *static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
}

// An EWMH window manager names its check window on the root and on the window itself; an
// ICCCM one owns the selection of the screen.
bool X11HasWindowManager(xcb_connection_t* connection) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (screen == nullptr) {
        return false;
    }
    if (const xcb_atom_t check = Atom(connection, "_NET_SUPPORTING_WM_CHECK");
        check != XCB_ATOM_NONE) {
        const xcb_window_t window = WindowProperty(connection, screen->root, check);
        if (window != XCB_WINDOW_NONE && WindowProperty(connection, window, check) == window) {
            return true;
        }
    }
    const xcb_atom_t selection = Atom(connection, "WM_S0");
    if (selection == XCB_ATOM_NONE) {
        return false;
    }
    const Reply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, selection), nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE;
}

} // namespace

bool HasWindowManager() {
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb")) {
        const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        return x11 != nullptr && X11HasWindowManager(x11->connection());
    }
    // A Wayland compositor manages every window; the framebuffer, offscreen and VNC platforms
    // have nothing that would.
    return platform.startsWith(QLatin1String("wayland"));
}
