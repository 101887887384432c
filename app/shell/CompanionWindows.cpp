// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/CompanionWindows.h"

#include "camera/CamControllerUnit.h"
#include "camera/CamViewFrm.h"
#include "core/LanguageTexts.h"
#include "core/SettingsStore.h"
#include "core/WindowPositions.h"
#include "gallery/PhotosFrm.h"
#include "gallery/VideosFrm.h"

#include <QGuiApplication>
#include <QScreen>

#include <utility>

TCompanionWindows::TCompanionWindows()
    : FCamView(new TCamViewForm())
    , FPhotos(new TPhotosForm())
    , FVideos(new TVideosForm())
{
}

void TCompanionWindows::Close()
{
    if (!FCamView)
        return;
    delete std::exchange(FVideos, nullptr);
    delete std::exchange(FPhotos, nullptr);
    if (CamController)
        CamController->CloseCaptureWindow();
    delete std::exchange(FCamView, nullptr);
}

void TCompanionWindows::Restore(QWidget* mainWindow) const
{
    const QSize mainSize = mainWindow->size();
    TWindowPositions positions = ReadWindowPositions(*SettingsStore, mainSize, FPhotos->height());
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append(screen->geometry());
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        KeepWindowsReachable(positions, { mainSize, FCamView->size(), FPhotos->size(), FVideos->size() },
            screens, primary->geometry());
    mainWindow->move(positions.MainController.Left, positions.MainController.Top);
    FCamView->move(positions.CamViewer.Left, positions.CamViewer.Top);
    FPhotos->move(positions.ImageGallery.Left, positions.ImageGallery.Top);
    FPhotos->setVisible(positions.ImageGallery.Visible);
    FVideos->move(positions.VideoGallery.Left, positions.VideoGallery.Top);
    FVideos->setVisible(positions.VideoGallery.Visible);
    FCamView->show();
}

void TCompanionWindows::Save(const QWidget* mainWindow) const
{
    auto position = [](const QWidget* w) { return TWindowPosition { w->x(), w->y(), w->isVisible() }; };
    WriteWindowPositions(
        *SettingsStore, { position(mainWindow), position(FCamView), position(FPhotos), position(FVideos) });
}

void TCompanionWindows::ApplyLanguage() const
{
    auto text = [](const char* key) { return LanguageTexts[QString::fromLatin1(key)]; };
    FPhotos->SetStripFont(LanguageFont);
    FVideos->SetStripFont(LanguageFont);
    FVideos->SetStripCaption(text("VideoListMsg"));
    FPhotos->SetStripCaption(text("ImageListMsg"));
    FVideos->SetHints(text("SaveVideoHint"), text("StartVideoHint"), text("DeleteVideoHint"));
    FPhotos->SetHints(text("SaveImageHint"), text("ViewImageHint"), text("DeleteImageHint"));
    FPhotos->SetItemNameFormat(text("PhotoItemName"));
    FVideos->SetItemNameFormat(text("VideoItemName"));
    // Screen readers name the windows in the user's language; the titles stay.
    FPhotos->setAccessibleName(text("PhotoGalleryWindowName"));
    FVideos->setAccessibleName(text("VideoGalleryWindowName"));
    FPhotos->SetListName(text("PhotoListName"));
    FVideos->SetListName(text("VideoListName"));
    FCamView->SetWindowNames(text("LiveViewWindowName"), text("FullScreenWindowName"));
    for (TGalleryForm* gallery : { static_cast<TGalleryForm*>(FPhotos), static_cast<TGalleryForm*>(FVideos) })
        gallery->SetControlHints(text("CloseWindowHint"), text("ScrollLeftHint"), text("ScrollRightHint"),
            text("ScrollThumbHint"));
}

QList<QWidget*> TCompanionWindows::Windows() const
{
    if (!FCamView)
        return {};
    return { FCamView, FPhotos, FVideos };
}
