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

TCompanionWindows::TCompanionWindows()
    : CamView(new TCamViewForm())
    , Photos(new TPhotosForm())
    , Videos(new TVideosForm())
{
}

TCompanionWindows::~TCompanionWindows()
{
    delete Videos;
    delete Photos;
    if (CamController)
        CamController->CloseCaptureWindow();
    delete CamView;
}

void TCompanionWindows::Restore(QWidget* mainWindow) const
{
    const QSize mainSize = mainWindow->size();
    TWindowPositions positions = ReadWindowPositions(*SettingsStore, mainSize, Photos->height());
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append(screen->geometry());
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        KeepWindowsReachable(positions, { mainSize, CamView->size(), Photos->size(), Videos->size() },
            screens, primary->geometry());
    mainWindow->move(positions.MainController.Left, positions.MainController.Top);
    CamView->move(positions.CamViewer.Left, positions.CamViewer.Top);
    Photos->move(positions.ImageGallery.Left, positions.ImageGallery.Top);
    Photos->setVisible(positions.ImageGallery.Visible);
    Videos->move(positions.VideoGallery.Left, positions.VideoGallery.Top);
    Videos->setVisible(positions.VideoGallery.Visible);
    CamView->show();
}

void TCompanionWindows::Save(const QWidget* mainWindow) const
{
    auto position = [](const QWidget* w) { return TWindowPosition { w->x(), w->y(), w->isVisible() }; };
    WriteWindowPositions(
        *SettingsStore, { position(mainWindow), position(CamView), position(Photos), position(Videos) });
}

void TCompanionWindows::ApplyLanguage() const
{
    auto text = [](const char* key) { return LanguageTexts[QString::fromLatin1(key)]; };
    Photos->SetStripFont(LanguageFont);
    Videos->SetStripFont(LanguageFont);
    Videos->SetStripCaption(text("VideoListMsg"));
    Photos->SetStripCaption(text("ImageListMsg"));
    Videos->SetHints(text("SaveVideoHint"), text("StartVideoHint"), text("DeleteVideoHint"));
    Photos->SetHints(text("SaveImageHint"), text("ViewImageHint"), text("DeleteImageHint"));
    Photos->SetItemNameFormat(text("PhotoItemName"));
    Videos->SetItemNameFormat(text("VideoItemName"));
    // Screen readers name the windows in the user's language; the titles stay.
    Photos->setAccessibleName(text("PhotoGalleryWindowName"));
    Videos->setAccessibleName(text("VideoGalleryWindowName"));
    Photos->SetListName(text("PhotoListName"));
    Videos->SetListName(text("VideoListName"));
    CamView->SetWindowNames(text("LiveViewWindowName"), text("FullScreenWindowName"));
    for (TGalleryForm* gallery : { static_cast<TGalleryForm*>(Photos), static_cast<TGalleryForm*>(Videos) })
        gallery->SetControlHints(text("CloseWindowHint"), text("ScrollLeftHint"), text("ScrollRightHint"),
            text("ScrollThumbHint"));
}

QList<QWidget*> TCompanionWindows::Windows() const { return { CamView, Photos, Videos }; }
