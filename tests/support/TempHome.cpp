// SPDX-License-Identifier: GPL-2.0-or-later
#include "TempHome.h"

#include <QDir>
#include <QFile>

namespace test_support {

TempHome::TempHome()
{
    if (!isValid())
        return;
    QDir(path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(
        Runtime(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

} // namespace test_support
