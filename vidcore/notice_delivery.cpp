// SPDX-License-Identifier: LGPL-2.1-or-later
#include "notice_delivery.h"

#include "debug_category.h"

#include <QCoreApplication>
#include <QWidget>

#include <atomic>

namespace vidcore {

namespace {

    std::atomic<uintptr_t> noticeWindow { 0 };

} // namespace

void SetNoticeWindow(uintptr_t window) { noticeWindow.store(window); }

void DeliverNotice(VidcoreNotice notice)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        GST_INFO("notice %d dropped: no Qt application", int(notice));
        return;
    }
    const uintptr_t window = noticeWindow.load();
    GST_INFO("notice %d posted to window 0x%" G_GINTPTR_MODIFIER "x", int(notice), window);
    // Widgets are looked up on the UI thread only; the hop there is queued.
    QMetaObject::invokeMethod(
        app,
        [window, notice] {
            QObject* target = QCoreApplication::instance();
            if (window)
                if (QWidget* widget = QWidget::find(static_cast<WId>(window)))
                    target = widget;
            QCoreApplication::postEvent(target, new VidcoreNoticeEvent(notice));
        },
        Qt::QueuedConnection);
}

} // namespace vidcore
