// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/ClipPlayer.h"

// Qt's `signals` keyword (the precompiled Qt headers come first) would
// clash with a member of GDBus's structures.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

#include "gallery/GalleryLogging.h"

#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

namespace {

// The desktop's program for the file's type (or for a type it is a kind of),
// by the file's name, as the defaults and desktop entries say.
GAppInfo* DefaultProgramFor(const QString& file)
{
    const QByteArray type = QMimeDatabase().mimeTypeForFile(file).name().toUtf8();
    return g_app_info_get_default_for_type(type.constData(), FALSE);
}

} // namespace

QString DefaultPlayerFor(const QString& clipFile)
{
    g_autoptr(GAppInfo) program = DefaultProgramFor(clipFile);
    return program ? QString::fromUtf8(g_app_info_get_id(program)) : QString();
}

bool OpenWithDesktopProgram(const QString& clipFile)
{
    if (g_autoptr(GAppInfo) program = DefaultProgramFor(clipFile)) {
        qCDebug(lcGallery, "playing %s with %s", qPrintable(clipFile), g_app_info_get_id(program));
        g_autoptr(GFile) file = g_file_new_for_path(QFile::encodeName(clipFile).constData());
        GList files { file, nullptr, nullptr };
        g_autoptr(GError) error = nullptr;
        if (g_app_info_launch(program, &files, nullptr, &error))
            return true;
        qCDebug(lcGallery, "the player did not start: %s", error->message);
        return false;
    }
    // A named desktop's own opener may know players the generic lookup does
    // not. Without one, xdg-open would only guess the type from the bytes
    // and end in a web browser, where nobody learns that nothing can play it.
    if (qEnvironmentVariableIsEmpty("XDG_CURRENT_DESKTOP"))
        return false;
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    return !xdgOpen.isEmpty() && QProcess::startDetached(xdgOpen, { clipFile });
}
