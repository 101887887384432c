// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/ClipPlayer.h"

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

bool OpenWithPlayer(const QString& clipFile)
{
    // xdg-open without a handler would fall back to a web browser, or fail
    // after it has been started, where nobody sees it: ask first.
    if (DefaultPlayerFor(clipFile).isEmpty())
        return false;
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    return !xdgOpen.isEmpty() && QProcess::startDetached(xdgOpen, { clipFile });
}
