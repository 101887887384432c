// SPDX-License-Identifier: LGPL-2.1-or-later
#include "notices.h"

#include "debug_category.h"

#include <atomic>

namespace vidcore {

namespace {

    std::atomic<NoticeSink> noticeSink { nullptr };

} // namespace

void SetNoticeSink(NoticeSink sink) { noticeSink.store(sink); }

void PostNotice(VidcoreNotice notice)
{
    if (const NoticeSink sink = noticeSink.load()) {
        sink(notice);
        return;
    }
    GST_INFO("notice %d dropped: nobody receives notices", int(notice));
}

} // namespace vidcore
