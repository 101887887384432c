// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/ClipCopy.h"

#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QSaveFile>

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
    if (to.exists() && !replaceSilently) {
        const auto answer = QMessageBox::question(owner, QString(),
            QStringLiteral("The file \"%1\" already exists.\nDo you want to replace it?").arg(destination),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return false;
    }

    QFile input(source);
    if (!input.open(QIODevice::ReadOnly))
        return Fail(owner, QStringLiteral("Cannot read \"%1\". %2").arg(source, input.errorString()));
    // Written beside the destination and renamed at the end, so the old file
    // stays whole until the new one is complete.
    QSaveFile output(destination);
    if (!output.open(QIODevice::WriteOnly))
        return Fail(
            owner, QStringLiteral("Cannot create file \"%1\". %2").arg(destination, output.errorString()));

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
        if (output.write(data) != data.size())
            return Fail(
                owner, QStringLiteral("Cannot write \"%1\". %2").arg(destination, output.errorString()));
        progress.setValue(++chunk);
        if (progress.wasCanceled())
            return false;
    }
    progress.setValue(progress.maximum());
    if (!output.commit())
        return Fail(owner, QStringLiteral("Cannot write \"%1\". %2").arg(destination, output.errorString()));
    return true;
}
