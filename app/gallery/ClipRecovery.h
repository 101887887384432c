// SPDX-License-Identifier: GPL-2.0-or-later
// Clips a run left in Temp when it did not end normally (killed, or the
// power lost while it recorded). Such a file has a header that says it is
// empty and no index, so no player plays it. At start the converter copies
// each one, in a process of its own and one after another, into a whole file
// in the user's videos folder, and the Temp file is removed once its copy is
// saved. One that failed for a reason that may pass (no room, a folder that
// cannot be made, no converter) is tried again at the next start.
//
// A clip that cannot be repaired is named once. Which ones were is kept in the settings store
// (section "RecoveredClips": the clip's real path, its size and
// modification time), not in files beside the clips: the store is the user's own, is
// rewritten atomically and synced, and an entry whose clip is gone is
// dropped. Size and time tell a later clip that got the same name (the names
// repeat daily) from the one handled.
#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

class TClipRecovery : public QObject {
    Q_OBJECT

public:
    explicit TClipRecovery(QObject* parent = nullptr);
    // A copy still running is stopped; its clip is taken up at the next start.
    ~TClipRecovery() override;

    // Starts on the clips of `tempFolder` not handled before; returns at
    // once. Only the holder of the single-instance lock may call it: then no
    // other copy of the program is writing any of these clips.
    void Start(const QString& tempFolder);

    // The clip files in the folder that were cut off and not handled yet:
    // the user's own regular files named as recordings.
    static QStringList CutClips(const QString& tempFolder);
    // "Glimview recovered yyyy-MM-dd HH-mm-ss.ext", free in the folder.
    static QString RecoveredPath(const QString& folder, const QString& clip);

signals:
    // After the last clip, when there was any: the one message for the user.
    void finished(const QString& message);

private:
    void Next();
    void Ended(int exitCode, QProcess::ExitStatus status);
    enum class TOutcome { Recovered, MayPass, Unrepairable };
    void Handled(TOutcome outcome);

    QProcess* FProcess = nullptr;
    QStringList FPending;
    QString FCurrent;
    QString FFolder;
    QString FSessionMessage; // what the last session end saved, and where
    int FRecovered = 0;
    QStringList FFailed; // file names
};
