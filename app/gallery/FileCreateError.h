// SPDX-License-Identifier: GPL-2.0-or-later
// The general file-creation error: the application's error report shows it
// with the full path and the system's reason, and the program goes on.
#pragma once

#include "core/LanguageTexts.h"

#include <QString>

#include <stdexcept>

class EFCreateError : public std::runtime_error {
public:
    EFCreateError(const QString& fileName, const QString& reason)
        : std::runtime_error(Text(fileName, reason))
    {
    }

private:
    // The language's sentence naming the file, then the reason as given.
    static std::string Text(const QString& fileName, const QString& reason)
    {
        const QString text = LanguageText(QStringLiteral("CreateFailedMsg"), fileName);
        return (text + u' ' + reason).toStdString();
    }
};
