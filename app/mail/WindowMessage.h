// SPDX-License-Identifier: GPL-2.0-or-later
// A numbered notification with two parameters, delivered to a window object
// on its own thread the way a posted window message is.
#pragma once

#include <QEvent>
#include <QtGlobal>

class TWindowMessageEvent : public QEvent {
public:
    TWindowMessageEvent(quint32 msg, qint64 wParam, qint64 lParam)
        : QEvent(EventType())
        , Msg(msg)
        , WParam(wParam)
        , LParam(lParam)
    {
    }

    static QEvent::Type EventType()
    {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

    const quint32 Msg;
    const qint64 WParam;
    const qint64 LParam;
};
