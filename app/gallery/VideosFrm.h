// SPDX-License-Identifier: GPL-2.0-or-later
// TVideosForm: the video gallery, a strip of the run's clips. It owns the
// clip files: a deleted entry takes its file with it, and the files still
// listed are deleted when the window is destroyed at program end.
#pragma once

#include "gallery/GalleryForm.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QStringList>

#include <cstdint>

class TVideosForm : public TGalleryForm {
    Q_OBJECT
public:
    explicit TVideosForm(QWidget* parent = nullptr);
    ~TVideosForm() override;

    // A new clip file name in the media folder, its extension by the
    // camera controller's recording type.
    QString MakeClipFileName() const;
    // Lists the clip (from the first moment of its recording), shows the
    // gallery and returns the clip's index.
    int AddVideo(const QString& fileName, const QImage& thumbnail, uint8_t viewFormat);
    int VideoCount() const;
    // Clips neither saved nor e-mailed.
    int UnsavedCount() const;
    const QStringList& FileNames() const { return FFileNames; }
    const QList<uint8_t>& ViewFormats() const { return FViewFormats; }
    QString FocusedFileName() const;

    // Off while a recording runs: keys are ignored and the window's own
    // buttons drag it instead; the thumbnails keep working.
    void SetInputEnabled(bool enabled);

    bool Converting() const { return FConverting; }
    // The process is the converter this gallery started and is waiting for.
    bool IsConverterProcess(qint64 pid) const { return FConverting && pid > 0 && pid == FConverterPid; }
    QString ConvertedFileName() const { return FConvertedFileName; }
    // The converter reached 100 %: the WMV goes to the composer.
    void ConversionFinished();
    // The converter's end report; an incomplete conversion frees the way for the next.
    void ConversionEnded(bool complete);

    void actSaveExecute() override;
    void actPlayExecute();
    void actDeleteExecute() override;
    void actEmailExecute() override;
    void DeleteFocusedVideo();
    // Takes a clip off the list and deletes its file (a recording that failed).
    void DiscardVideo(const QString& fileName);
    // Keeps a listed clip's file in Temp when the gallery goes, for the next
    // start to bring over (a session end found no folder to save it in).
    void LeaveInTemp(const QString& fileName) { FLeftInTemp.append(fileName); }
    // Copies the focused clip with a progress dialog, asking before replacing
    // a file unless told to replace silently. True when the copy is complete.
    bool CopyClipTo(const QString& destination, bool replaceSilently);

    bool IsDragPoint(const QPoint& windowPos) const override;

protected:
    void ActivateFocused() override { actPlayExecute(); }
    bool KeysEnabled() const override { return FInputEnabled; }

private:
    // A listed clip's file is locked (flock) from its recording on: another
    // copy of the program on the same folder never takes it for a clip
    // that a killed run left behind.
    void LockClip(const QString& fileName);
    void UnlockClip(const QString& fileName);

    QStringList FFileNames;
    QStringList FLeftInTemp;
    QHash<QString, int> FClipLocks;
    QList<uint8_t> FViewFormats;
    bool FInputEnabled = true;
    bool FConverting = false;
    qint64 FConverterPid = 0;
    QString FConvertedFileName;
};
