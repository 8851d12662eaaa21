#include "platform/foreignwindow.h"

#include <cstdlib>

#include <xcb/xcb.h>

namespace qel::platform {
namespace {

// A connection of our own: errors on it come back as replies, so asking about a vanished window
// disturbs neither Qt's connection nor any global error handler.
xcb_connection_t* Connection()
{
    static xcb_connection_t* connection = nullptr;
    if (connection && xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        connection = nullptr;
    }
    if (!connection) {
        connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection)) {
            xcb_disconnect(connection);
            connection = nullptr;
        }
    }
    return connection;
}

}  // namespace

std::optional<WindowSize> ForeignWindowSize(WindowHandle handle)
{
    if (handle == 0 || handle > 0xFFFFFFFFul)
        return std::nullopt;
    xcb_connection_t* c = Connection();
    if (!c)
        return std::nullopt;
    xcb_generic_error_t* error = nullptr;
    xcb_get_geometry_reply_t* reply = xcb_get_geometry_reply(c, xcb_get_geometry(c, xcb_drawable_t(handle)), &error);
    std::free(error);
    if (!reply)
        return std::nullopt;
    WindowSize size{reply->width, reply->height};
    std::free(reply);
    return size;
}

DisplayConnection::DisplayConnection()
{
    xcb_connection_t* c = xcb_connect(nullptr, &screen_);
    if (xcb_connection_has_error(c))
        xcb_disconnect(c);
    else
        connection_ = c;
}

DisplayConnection::~DisplayConnection()
{
    if (connection_)
        xcb_disconnect(connection_);
}

std::optional<WindowSize> DisplayConnection::ScreenSize() const
{
    if (!connection_)
        return std::nullopt;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screen_ && it.rem > 0; ++i)
        xcb_screen_next(&it);
    if (it.rem <= 0)
        return std::nullopt;
    return WindowSize{it.data->width_in_pixels, it.data->height_in_pixels};
}

}  // namespace qel::platform
