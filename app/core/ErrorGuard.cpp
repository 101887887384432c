// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/ErrorGuard.h"

#include "core/Application.h"

void ReportHandlerError()
{
    auto* application = qobject_cast<TGlimviewApplication*>(QCoreApplication::instance());
    if (!application)
        throw;
    application->ShowCurrentException();
}
