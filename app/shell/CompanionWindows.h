// SPDX-License-Identifier: GPL-2.0-or-later
// TCompanionWindows: the windows that go with the main panel, the live view
// and the photo and video galleries. They are made with the panel, stand
// where they stood last time, take the language's texts and go in the order
// the camera's preview needs.
#pragma once

#include <QList>
#include <QtGlobal>

class QWidget;
class TCamViewForm;
class TPhotosForm;
class TVideosForm;

class TCompanionWindows {
public:
    TCompanionWindows();
    ~TCompanionWindows() { Close(); }
    Q_DISABLE_COPY(TCompanionWindows)

    // The galleries go first; the preview stops before the live view goes,
    // or the video sink waits on a window that no longer exists. Afterwards
    // the windows are null.
    void Close();

    // Where the settings say, each in reach of a screen; the live view shows.
    void Restore(QWidget* mainWindow) const;
    void Save(const QWidget* mainWindow) const;
    // The language's font and the galleries' texts.
    void ApplyLanguage() const;
    // The windows not closed yet.
    QList<QWidget*> Windows() const;

    TCamViewForm* CamView() const { return FCamView; }
    TPhotosForm* Photos() const { return FPhotos; }
    TVideosForm* Videos() const { return FVideos; }

private:
    TCamViewForm* FCamView;
    TPhotosForm* FPhotos;
    TVideosForm* FVideos;
};
