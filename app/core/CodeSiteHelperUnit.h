// SPDX-License-Identifier: GPL-2.0-or-later
// Trace scopes: one object per traced operation, created on entry and
// destroyed on return. The lines go at debug level to the logging category of
// the module the operation belongs to, silent unless switched on, e.g.
//   QT_LOGGING_RULES="glimview.gallery.debug=true" glimview
#pragma once

#include <QLoggingCategory>

class TCodeSiteHelper {
public:
    TCodeSiteHelper(const QLoggingCategory& category, const char* operationName);
    ~TCodeSiteHelper();

    TCodeSiteHelper(const TCodeSiteHelper&) = delete;
    TCodeSiteHelper& operator=(const TCodeSiteHelper&) = delete;

private:
    const QLoggingCategory& FCategory;
    const char* FName;
};
