// SPDX-License-Identifier: GPL-2.0-or-later
// The general file-creation error: the application's error report shows it
// with the full path and the system's reason, and the program goes on.
#pragma once

#include <QString>

#include <stdexcept>

class EFCreateError : public std::runtime_error {
public:
    EFCreateError(const QString& fileName, const QString& reason)
        : std::runtime_error(
            QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, reason).toStdString())
    {
    }
};
