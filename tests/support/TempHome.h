// SPDX-License-Identifier: GPL-2.0-or-later
// A home folder for a program a test starts: removed with the object, with a
// runtime folder only its owner may enter, as XDG_RUNTIME_DIR must be (the
// program keeps its ports and frame maps there).
#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace test_support {

class TempHome : public QTemporaryDir {
public:
    TempHome()
    {
        if (isValid() && QDir(path()).mkpath(QStringLiteral("runtime")))
            QFile::setPermissions(
                Runtime(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    QString Runtime() const { return filePath(QStringLiteral("runtime")); }
};

} // namespace test_support
