// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/ClipCopy.h"

#include "core/LanguageTexts.h"
#include "core/ModalEnd.h"
#include "core/PlainText.h"
#include "gallery/SafeSave.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>

namespace {

constexpr qint64 ChunkSize = 1 << 20;

// `reason` comes from the system and follows the text as it is.
bool Fail(QWidget* owner, const QString& text, const QString& reason = QString())
{
    ShowPlainMessage(owner, QMessageBox::Warning, QString(), reason.isEmpty() ? text : text + u' ' + reason);
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
        return Fail(owner, LanguageText(QStringLiteral("SameFileMsg"), source));
    // A dangling link is a taken name too: it is asked about like a file.
    const bool taken = NameTaken(destination);
    if (taken && !replaceSilently && !ConfirmReplace(owner, destination))
        return false;

    QFile input(source);
    if (!input.open(QIODevice::ReadOnly))
        return Fail(owner, LanguageText(QStringLiteral("ReadFailedMsg"), source), input.errorString());
    // A replace is written beside the destination and renamed at the end, so
    // the old file stays whole until the new one is complete.
    TSafeSave output(destination);
    if (!output.Open(taken))
        return Fail(
            owner, LanguageText(QStringLiteral("CreateFailedMsg"), destination), output.ErrorString());

    const qint64 total = input.size();
    QProgressDialog progress(LanguageText(QStringLiteral("CopyingMsg"), from.fileName()),
        LanguageTexts[QStringLiteral("CancelButton")], 0,
        static_cast<int>(std::max<qint64>(1, (total + ChunkSize - 1) / ChunkSize)), owner);
    progress.setLabel(PlainLabel(new QLabel(progress.labelText())));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    // The progress box goes before a box about the copy comes: left open, it
    // would show itself over the error box and hold it until cancelled.
    const auto failWhileCopying = [&](const QString& text, const QString& reason) {
        progress.reset();
        progress.hide();
        return Fail(owner, text, reason);
    };
    int chunk = 0;
    while (!input.atEnd()) {
        const QByteArray data = input.read(ChunkSize);
        if (data.isEmpty() && input.error() != QFile::NoError)
            return failWhileCopying(
                LanguageText(QStringLiteral("ReadFailedMsg"), source), input.errorString());
        if (!output.Write(data.constData(), data.size()))
            return failWhileCopying(
                LanguageText(QStringLiteral("WriteFailedMsg"), destination), output.ErrorString());
        progress.setValue(++chunk);
        // A session end cancels too: the windows wait for the copy to stop.
        if (progress.wasCanceled() || SessionEnding())
            return false;
    }
    progress.setValue(progress.maximum());
    if (!output.Commit())
        return failWhileCopying(
            LanguageText(QStringLiteral("WriteFailedMsg"), destination), output.ErrorString());
    return true;
}
