// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/ClipCopy.h"

#include "core/ModalEnd.h"
#include "gallery/SafeSave.h"

#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>

namespace {

constexpr qint64 ChunkSize = 1 << 20;

bool Fail(QWidget* owner, const QString& text)
{
    QMessageBox::warning(owner, QString(), text);
    return false;
}

} // namespace

bool CopyFileWithProgress(
    const QString& source, const QString& destination, bool replaceSilently, QWidget* owner)
{
    const QFileInfo from(source);
    const QFileInfo to(destination);
    // Copying a file onto itself would truncate it before it is read.
    if (to.exists() && from.canonicalFilePath() == to.canonicalFilePath())
        return Fail(owner,
            QStringLiteral("Cannot copy \"%1\": the source and the destination are the same file.")
                .arg(source));
    // A dangling link is a taken name too: it is asked about like a file.
    const bool taken = NameTaken(destination);
    if (taken && !replaceSilently && !ConfirmReplace(owner, destination))
        return false;

    QFile input(source);
    if (!input.open(QIODevice::ReadOnly))
        return Fail(owner, QStringLiteral("Cannot read \"%1\". %2").arg(source, input.errorString()));
    // A replace is written beside the destination and renamed at the end, so
    // the old file stays whole until the new one is complete.
    TSafeSave output(destination);
    if (!output.Open(taken))
        return Fail(
            owner, QStringLiteral("Cannot create file \"%1\". %2").arg(destination, output.ErrorString()));

    const qint64 total = input.size();
    QProgressDialog progress(QStringLiteral("Copying %1").arg(from.fileName()), QStringLiteral("Cancel"), 0,
        static_cast<int>(std::max<qint64>(1, (total + ChunkSize - 1) / ChunkSize)), owner);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    int chunk = 0;
    while (!input.atEnd()) {
        const QByteArray data = input.read(ChunkSize);
        if (data.isEmpty() && input.error() != QFile::NoError)
            return Fail(owner, QStringLiteral("Cannot read \"%1\". %2").arg(source, input.errorString()));
        if (!output.Write(data.constData(), data.size()))
            return Fail(
                owner, QStringLiteral("Cannot write \"%1\". %2").arg(destination, output.ErrorString()));
        progress.setValue(++chunk);
        // A session end cancels too: the windows wait for the copy to stop.
        if (progress.wasCanceled() || SessionEnding())
            return false;
    }
    progress.setValue(progress.maximum());
    if (!output.Commit())
        return Fail(owner, QStringLiteral("Cannot write \"%1\". %2").arg(destination, output.ErrorString()));
    return true;
}
