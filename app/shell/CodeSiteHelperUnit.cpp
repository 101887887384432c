// SPDX-License-Identifier: GPL-2.0-or-later
#include "CodeSiteHelperUnit.h"

// Debug level is the only one used, and it is off unless a logging rule
// enables it, so tracing costs one flag test per scope in normal runs.
Q_LOGGING_CATEGORY(lcGlimviewTrace, "glimview.trace", QtInfoMsg)

TCodeSiteHelper::TCodeSiteHelper(const char* operationName)
    : FName(operationName)
{
    qCDebug(lcGlimviewTrace, "enter %s", FName);
}

TCodeSiteHelper::~TCodeSiteHelper() { qCDebug(lcGlimviewTrace, "leave %s", FName); }
