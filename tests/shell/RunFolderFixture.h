// SPDX-License-Identifier: GPL-2.0-or-later
// What the window tests share: a QApplication and a run folder of their own
// (Languages/ from the source tree, an empty Temp/) as the working directory,
// in English.
#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

inline QTemporaryDir* EnterTestRunFolder()
{
    static int argc = 1;
    static char name[] = "glimview_tests";
    static char* argv[] = { name, nullptr };
    auto* folder = new QTemporaryDir();
    QDir(folder->path()).mkpath(QStringLiteral("Temp"));
    QFile::link(
        QStringLiteral(GLIMVIEW_SOURCE_DIR "/Languages"), folder->filePath(QStringLiteral("Languages")));
    QDir::setCurrent(folder->path());
    setenv("LC_ALL", "en_US.UTF-8", 1);
    if (!QApplication::instance())
        new QApplication(argc, argv);
    return folder;
}
