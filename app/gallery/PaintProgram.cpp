// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/PaintProgram.h"

#include "gallery/ClipPlayer.h"
#include "gallery/GalleryLogging.h"

#include <QProcess>
#include <QStandardPaths>

QString FindPaintProgram()
{
    for (const char* name : { "mspaint", "kolourpaint", "pinta", "mtpaint", "gimp" }) {
        const QString program = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!program.isEmpty())
            return program;
    }
    return {};
}

bool StartPaintProgram(const QString& fileName)
{
    const QString program = FindPaintProgram();
    qCDebug(lcGallery, "editing %s with %s", qPrintable(fileName),
        program.isEmpty() ? "the desktop's default" : qPrintable(program));
    // The desktop's program for bitmaps, found the way a clip's player is.
    if (program.isEmpty())
        return OpenWithDesktopProgram(fileName);
    // An argument list: the path reaches the program as it is, spaces and quotes included.
    return QProcess::startDetached(program, { fileName });
}
