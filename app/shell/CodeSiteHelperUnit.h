// SPDX-License-Identifier: GPL-2.0-or-later
// Trace scopes: one object per traced operation, created on entry and
// destroyed on return. The lines go to the logging category "glimview.trace",
// which is silent unless switched on, e.g.
//   QT_LOGGING_RULES="glimview.trace.debug=true" ./glimview
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcGlimviewTrace)

class TCodeSiteHelper {
public:
    explicit TCodeSiteHelper(const char* operationName);
    ~TCodeSiteHelper();

    TCodeSiteHelper(const TCodeSiteHelper&) = delete;
    TCodeSiteHelper& operator=(const TCodeSiteHelper&) = delete;

private:
    const char* FName;
};
