// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/PaintProgram.h"

#include "gallery/GalleryLogging.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

QString FindPaintProgram()
{
    for (const char* name : { "mspaint", "kolourpaint", "pinta", "mtpaint", "gimp" }) {
        const QString program = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!program.isEmpty())
            return program;
    }
    return {};
}

void StartPaintProgram(const QString& fileName)
{
    const QString program = FindPaintProgram();
    qCDebug(lcGallery, "editing %s with %s", qPrintable(fileName),
        program.isEmpty() ? "the desktop's default" : qPrintable(program));
    if (program.isEmpty()) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(fileName));
        return;
    }
    // An argument list: the path reaches the program as it is, spaces and quotes included.
    QProcess::startDetached(program, { fileName });
}
