// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/ClipPlayer.h"

#include "gallery/DesktopEntry.h"
#include "gallery/DesktopExec.h"
#include "gallery/GalleryLogging.h"

#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace {

constexpr int QueryTimeoutMs = 5000;

QString QueryDefault(const QString& xdgMime, const QString& mimeType)
{
    QProcess query;
    query.start(xdgMime, { QStringLiteral("query"), QStringLiteral("default"), mimeType });
    if (!query.waitForFinished(QueryTimeoutMs) || query.exitStatus() != QProcess::NormalExit) {
        query.kill();
        return {};
    }
    return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

bool StartEntry(const TDesktopEntry& entry, const QString& clipFile)
{
    QStringList arguments = ExecArguments(entry, clipFile);
    if (arguments.isEmpty())
        return false;
    if (entry.Terminal) {
        // A program for the terminal needs one around it: Debian's choice of terminal.
        const QString terminal = QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"));
        if (terminal.isEmpty())
            return false;
        arguments = QStringList { terminal, QStringLiteral("-e") } + arguments;
    }
    const QString program = arguments.takeFirst();
    qCDebug(lcGallery, "playing %s with %s", qPrintable(clipFile), qPrintable(entry.FilePath));
    return QProcess::startDetached(program, arguments, entry.WorkingFolder);
}

} // namespace

QString DefaultPlayerFor(const QString& clipFile)
{
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty())
        return {};
    // A type is known by several names (video/vnd.avi, video/x-msvideo); the
    // desktop's association may use any of them.
    const QMimeType type = QMimeDatabase().mimeTypeForFile(clipFile);
    QStringList names { type.name() };
    names += type.aliases();
    for (const QString& name : names)
        if (const QString player = QueryDefault(xdgMime, name); !player.isEmpty())
            return player;
    return {};
}

bool OpenWithDesktopProgram(const QString& clipFile)
{
    if (const auto entry = FindDesktopEntry(DefaultPlayerFor(clipFile)))
        return StartEntry(*entry, clipFile);
    // A named desktop's own opener may know players the generic lookup does
    // not. Without one, xdg-open would only guess the type from the bytes
    // and end in a web browser, where nobody learns that nothing can play it.
    if (qEnvironmentVariableIsEmpty("XDG_CURRENT_DESKTOP"))
        return false;
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    return !xdgOpen.isEmpty() && QProcess::startDetached(xdgOpen, { clipFile });
}
