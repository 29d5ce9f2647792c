#include "character/desktopwindowing.h"

#include <QGuiApplication>
#include <QWidget>

#ifdef ZENTOVIA_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#endif

namespace Zentovia::DesktopWindowing {

#ifdef ZENTOVIA_HAVE_XCB
namespace {

xcb_connection_t *connection()
{
    if (QGuiApplication::platformName() != u"xcb")
        return nullptr;
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    const auto cookie = xcb_intern_atom(c, 0, uint16_t(strlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(c, cookie, nullptr);
    const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return a;
}

xcb_window_t rootOf(xcb_connection_t *c, xcb_window_t window)
{
    xcb_query_tree_reply_t *tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
    const xcb_window_t root = tree ? tree->root : xcb_window_t(XCB_WINDOW_NONE);
    std::free(tree);
    return root;
}

} // namespace
#endif

bool hasCompositor()
{
#ifdef ZENTOVIA_HAVE_XCB
    xcb_connection_t *c = connection();
    if (!c)
        return true; // not X11: the platform blends translucent windows itself
    // The compositing manager owns the selection _NET_WM_CM_S<screen>.
    const xcb_setup_t *setup = xcb_get_setup(c);
    int screen = 0;
    for (auto it = xcb_setup_roots_iterator(setup); it.rem; xcb_screen_next(&it), ++screen) {
        const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screen);
        const xcb_atom_t selection = atom(c, name.constData());
        xcb_get_selection_owner_reply_t *owner
            = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
        const bool owned = owner && owner->owner != XCB_WINDOW_NONE;
        std::free(owner);
        if (owned)
            return true;
    }
    return false;
#else
    return QGuiApplication::platformName() != u"xcb";
#endif
}

void keepOutOfTaskBar(QWidget *window)
{
#ifdef ZENTOVIA_HAVE_XCB
    xcb_connection_t *c = connection();
    if (!c || !window)
        return;
    const auto id = xcb_window_t(window->winId());
    const xcb_atom_t state = atom(c, "_NET_WM_STATE");
    const xcb_atom_t skipTaskbar = atom(c, "_NET_WM_STATE_SKIP_TASKBAR");
    const xcb_atom_t skipPager = atom(c, "_NET_WM_STATE_SKIP_PAGER");
    // EWMH: a mapped window asks the window manager with a client message.
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = id;
    event.type = state;
    event.data.data32[0] = 1; // _NET_WM_STATE_ADD
    event.data.data32[1] = skipTaskbar;
    event.data.data32[2] = skipPager;
    event.data.data32[3] = 1; // a normal application
    xcb_send_event(c, 0, rootOf(c, id),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&event));
    xcb_flush(c);
#else
    Q_UNUSED(window);
#endif
}

} // namespace Zentovia::DesktopWindowing
