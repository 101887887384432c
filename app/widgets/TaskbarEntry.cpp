// SPDX-License-Identifier: GPL-2.0-or-later
#include "widgets/TaskbarEntry.h"

#include "widgets/WidgetsLogging.h"

#include <QEvent>
#include <QGuiApplication>
#include <QList>
#include <QObject>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace {

xcb_atom_t Atom(xcb_connection_t* connection, const char* name)
{
    const auto cookie = xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    if (!reply)
        return XCB_ATOM_NONE;
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

// Qt writes _NET_WM_STATE when it maps a window, keeping the states it finds
// there; these two are added before every map, since a window manager drops
// the property whenever the window is withdrawn.
void AddSkipStates(QWidget* window)
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) {
        qCDebug(lcWidgets, "no X11 connection; %s stays in the taskbar", qPrintable(window->objectName()));
        return;
    }
    xcb_connection_t* connection = x11->connection();
    const auto id = static_cast<xcb_window_t>(window->winId());
    const xcb_atom_t property = Atom(connection, "_NET_WM_STATE");
    QList<xcb_atom_t> states;
    const auto cookie = xcb_get_property(connection, 0, id, property, XCB_ATOM_ATOM, 0, 1024);
    if (xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr)) {
        const auto* data = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
        if (reply->format == 32 && reply->type == XCB_ATOM_ATOM)
            states = QList<xcb_atom_t>(data, data + xcb_get_property_value_length(reply) / 4);
        std::free(reply);
    }
    for (const char* name : { "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER" })
        if (const xcb_atom_t state = Atom(connection, name); !states.contains(state))
            states.append(state);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, property, XCB_ATOM_ATOM, 32,
        static_cast<uint32_t>(states.size()), states.constData());
    xcb_flush(connection);
}

class TTaskbarFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // The show event comes before the window is mapped.
        if (event->type() == QEvent::Show)
            if (auto* window = qobject_cast<QWidget*>(watched); window && window->isWindow())
                AddSkipStates(window);
        return false;
    }
};

} // namespace

void KeepOffTaskbar(QWidget* window) { window->installEventFilter(new TTaskbarFilter(window)); }
