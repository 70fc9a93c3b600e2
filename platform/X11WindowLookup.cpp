#include "platform/X11WindowLookup.h"

#include <QList>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace {

struct Free
{
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, Free>;

struct Disconnect
{
    void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};

// WM_CLASS holds two NUL-terminated texts: the instance name, then the class name.
bool classMatches(xcb_connection_t* c, xcb_window_t window, const QString& className)
{
    const auto cookie = xcb_get_property(c, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256);
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, cookie, nullptr));
    if (!reply || reply->format != 8) {
        return false;
    }
    const int length = xcb_get_property_value_length(reply.get());
    const QByteArray value(static_cast<const char*>(xcb_get_property_value(reply.get())), length);
    for (const QByteArray& part : value.split('\0')) {
        if (!part.isEmpty() && QString::fromLatin1(part).compare(className, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

QList<xcb_window_t> children(xcb_connection_t* c, xcb_window_t window)
{
    const Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
    QList<xcb_window_t> list;
    if (tree) {
        const xcb_window_t* kids = xcb_query_tree_children(tree.get());
        const int count = xcb_query_tree_children_length(tree.get());
        list.reserve(count);
        for (int i = 0; i < count; ++i) {
            list << kids[i];
        }
    }
    return list;
}

} // namespace

X11WindowLookup::X11WindowLookup(QByteArray display) : m_display(std::move(display)) {}

bool X11WindowLookup::topLevelWindowExists(const QString& className)
{
    const QByteArray display = m_display.isEmpty() ? qgetenv("DISPLAY") : m_display;
    if (display.isEmpty() || className.isEmpty()) {
        return false;
    }
    const std::unique_ptr<xcb_connection_t, Disconnect> c(xcb_connect(display.constData(), nullptr));
    if (xcb_connection_has_error(c.get()) != 0) {
        return false;
    }
    for (xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c.get())); it.rem > 0;
         xcb_screen_next(&it)) {
        for (const xcb_window_t top : children(c.get(), it.data->root)) {
            if (classMatches(c.get(), top, className)) {
                return true;
            }
            for (const xcb_window_t client : children(c.get(), top)) {
                if (classMatches(c.get(), client, className)) {
                    return true;
                }
            }
        }
    }
    return false;
}

std::unique_ptr<WindowLookup> WindowLookup::create()
{
    return std::make_unique<X11WindowLookup>();
}
