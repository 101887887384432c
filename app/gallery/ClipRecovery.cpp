// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/ClipRecovery.h"

#include "core/LanguageTexts.h"
#include "core/SettingsStore.h"
#include "gallery/GalleryLogging.h"
#include "gallery/MediaStore.h"
#include "gallery/SaveLocation.h"
#include "gallery/SessionSave.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sysexits.h>
#include <unistd.h>

namespace {

const QString Section = QStringLiteral("RecoveredClips");

// A copy reads the clip once and writes it once: minutes only for a file of
// gigabytes, even on a slow disk. Beyond this it has hung on a damaged file.
// The converter gives up by itself on a copy that stops moving.
int RepairDeadlineMs(qint64 clipBytes)
{
    constexpr qint64 BaseMs = 10 * 60 * 1000;
    constexpr qint64 SlowestBytesPerSecond = 1024 * 1024;
    return int(std::min<qint64>(INT_MAX, BaseMs + clipBytes / SlowestBytesPerSecond * 1000));
}

QString Identity(const QFileInfo& clip)
{
    return QStringLiteral("%1 %2").arg(clip.size()).arg(clip.lastModified().toMSecsSinceEpoch());
}

// A clip's entry is its real path, as the file system spells it: the same
// in every run, whatever way the working folder was reached (a link, the
// descriptor path of a folder whose name is not UTF-8). Its bytes are kept
// percent-encoded, so that any name survives the text file.
QString EntryName(const QString& clip)
{
    char real[PATH_MAX];
    if (!::realpath(QFile::encodeName(clip).constData(), real))
        return {};
    return QString::fromLatin1(QByteArray(real).toPercentEncoding("/ ,+-_.()"));
}

bool EntryFileExists(const QString& entry)
{
    struct stat info { };
    return ::stat(QByteArray::fromPercentEncoding(entry.toLatin1()).constData(), &info) == 0;
}

// A clip file a running copy of the program holds locked: being recorded,
// or listed in its gallery.
bool IsLockedByARun(const QString& clip)
{
    const int fd = ::open(QFile::encodeName(clip).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return locked;
}

// Entries of clips that are gone say nothing any more.
void DropStaleEntries()
{
    if (!SettingsStore)
        return;
    const TSettingsBatch batch(*SettingsStore);
    for (const QString& entry : SettingsStore->ValueNames(Section))
        if (!EntryFileExists(entry))
            SettingsStore->RemoveValue(Section, entry);
}

} // namespace

TClipRecovery::TClipRecovery(QObject* parent)
    : QObject(parent)
{
}

TClipRecovery::~TClipRecovery()
{
    if (FProcess && FProcess->state() != QProcess::NotRunning) {
        // Asked, not killed: the converter then removes its half copy.
        FProcess->disconnect(this);
        FProcess->terminate();
        if (!FProcess->waitForFinished(2000))
            FProcess->kill();
    }
}

QStringList TClipRecovery::CutClips(const QString& tempFolder)
{
    QStringList clips;
    const auto found
        = QDir(tempFolder)
              .entryInfoList({ QStringLiteral("GLV_temp_*.wmv"), QStringLiteral("GLV_temp_*.avi"),
                                 QStringLiteral("GLV_temp_*.mp4"), QStringLiteral("GLV_temp_*.webm") },
                  QDir::Files | QDir::NoSymLinks | QDir::Hidden, QDir::Name);
    for (const QFileInfo& clip : found) {
        // Another account's clip in a shared folder is not ours to copy, nor
        // one that a running copy of the program still lists.
        if (clip.ownerId() != ::getuid() || clip.size() == 0 || IsLockedByARun(clip.absoluteFilePath()))
            continue;
        const QString path = clip.absoluteFilePath();
        if (SettingsStore && SettingsStore->ReadString(Section, EntryName(path), QString()) == Identity(clip))
            continue;
        clips.append(path);
    }
    return clips;
}

QString TClipRecovery::RecoveredPath(const QString& folder, const QString& clip)
{
    const QFileInfo info(clip);
    // When the recording started, as near as the file system knows it.
    const QDateTime started = info.birthTime().isValid() ? info.birthTime() : info.lastModified();
    return UniquePath(folder,
        QStringLiteral("Glimview recovered ") + started.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")),
        info.suffix().toLower());
}

void TClipRecovery::Start(const QString& tempFolder)
{
    DropStaleEntries();
    // What the last session end saved, and the photos it left in Temp, are
    // told in the same message as the clips.
    FSessionMessage = BringOverLastSessionsCaptures(tempFolder);
    FPending = CutClips(tempFolder);
    if (FPending.isEmpty()) {
        if (!FSessionMessage.isEmpty())
            QTimer::singleShot(0, this, [this] { emit finished(FSessionMessage); });
        return;
    }
    FFolder = StandardSaveFolder(TMediaKind::Clip);
    qCInfo(lcGallery, "%lld recordings were cut off; copying them into %s", qlonglong(FPending.size()),
        qPrintable(FFolder));
    FProcess = new QProcess(this);
    connect(FProcess, &QProcess::finished, this, &TClipRecovery::Ended);
    Next();
}

void TClipRecovery::Next()
{
    while (!FPending.isEmpty()) {
        FCurrent = FPending.takeFirst();
        if (!EnsureFolder(FFolder)) {
            Handled(TOutcome::MayPass);
            continue;
        }
        // An argument list: no shell ever sees the paths, whatever they hold.
        FProcess->start(ConverterProgram(),
            { QStringLiteral("-repair"), FCurrent, QStringLiteral("-o"), RecoveredPath(FFolder, FCurrent) });
        if (FProcess->waitForStarted(5000)) {
            QTimer::singleShot(RepairDeadlineMs(QFileInfo(FCurrent).size()), FProcess,
                [process = FProcess, clip = FCurrent, this] {
                    if (FCurrent == clip && process->state() != QProcess::NotRunning)
                        process->terminate();
                });
            return; // Ended goes on
        }
        qCWarning(lcGallery, "cannot start the converter %s", qPrintable(ConverterProgram()));
        Handled(TOutcome::MayPass);
    }
    QStringList texts;
    if (!FSessionMessage.isEmpty())
        texts.append(FSessionMessage);
    if (FRecovered > 0)
        texts.append(LanguageText(QStringLiteral("RecoveredMsg"), FFolder));
    if (!FFailed.isEmpty())
        texts.append(LanguageText(QStringLiteral("NotRecoveredMsg"), FFailed.join(QStringLiteral(", "))));
    if (!texts.isEmpty())
        emit finished(texts.join(QStringLiteral("\n\n")));
}

void TClipRecovery::Ended(int exitCode, QProcess::ExitStatus status)
{
    const bool exited = status == QProcess::NormalExit;
    const TOutcome outcome = exited && exitCode == 0 ? TOutcome::Recovered
        : exited && exitCode == EX_TEMPFAIL          ? TOutcome::MayPass
                                                     : TOutcome::Unrepairable;
    if (outcome != TOutcome::Recovered)
        qCWarning(lcGallery, "%s cannot be made playable: %s", qPrintable(FCurrent),
            FProcess->readAllStandardError().trimmed().constData());
    Handled(outcome);
    Next();
}

void TClipRecovery::Handled(TOutcome outcome)
{
    if (outcome == TOutcome::Recovered) {
        ++FRecovered;
        // The whole copy is saved: the cut original has served.
        QFile::remove(FCurrent);
        return;
    }
    FFailed.append(QFileInfo(FCurrent).fileName());
    // A failure that may pass (no room, no folder, no converter) leaves the
    // clip to the next start. One that cannot be mended is remembered, so
    // that it is not named again at every start; remembered only now, so
    // that a run ended during the copy leaves the clip to the next start.
    const QString entry = EntryName(FCurrent);
    if (outcome == TOutcome::Unrepairable && SettingsStore && !entry.isEmpty())
        SettingsStore->WriteString(Section, entry, Identity(QFileInfo(FCurrent)));
}
