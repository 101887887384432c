// SPDX-License-Identifier: LGPL-2.1-or-later
/* libvidcore's notices to the application.
 *
 * The capture library tells the application what happens to its devices
 * without being asked: a camera that fails or is unplugged while open, a
 * camera that another program holds, a recording that ended or failed on its
 * own, a device that came or went, a display no sink can draw on. Each notice is a Qt event posted to the
 * main window handed to AM_OpenCaptureWindow (before any opening, to the
 * application object) and delivered on the UI thread, the way full screen
 * posts key and mouse presses to its message window.
 */
#ifndef VIDCORE_NOTICE_H
#define VIDCORE_NOTICE_H

#include "vidcore_notice_kind.h"

#include <QEvent>

class VidcoreNoticeEvent : public QEvent {
public:
    // A fixed number: libvidcore and the application agree on it without
    // registering it (Qt hands out registered numbers from the top down).
    static constexpr QEvent::Type EventType = QEvent::Type(QEvent::User + 1862);

    explicit VidcoreNoticeEvent(VidcoreNotice notice)
        : QEvent(EventType)
        , notice_(notice)
    {
    }
    VidcoreNotice notice() const { return notice_; }

private:
    VidcoreNotice notice_;
};

#endif /* VIDCORE_NOTICE_H */
