// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/CodeSiteHelperUnit.h"

// Debug level is off unless a logging rule enables it, so tracing costs one
// flag test per scope in normal runs.
TCodeSiteHelper::TCodeSiteHelper(const QLoggingCategory& category, const char* operationName)
    : FCategory(category)
    , FName(operationName)
{
    qCDebug(FCategory, "enter %s", FName);
}

TCodeSiteHelper::~TCodeSiteHelper() { qCDebug(FCategory, "leave %s", FName); }
