// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/DeviceMenus.h"

#include "camera/CamControllerUnit.h"
#include "camera/CamViewFrm.h"
#include "camera/VideoFormatTable.h"
#include "shell/CompanionWindows.h"

#include <QActionGroup>
#include <QMenu>
#include <QTimer>

#include <algorithm>
#include <utility>

TDeviceMenus::TDeviceMenus(TParts parts, const TCompanionWindows& windows)
    : FParts(std::move(parts))
    , FWindows(windows)
    , FVideoItems(new QActionGroup(FParts.Owner))
    , FAudioItems(new QActionGroup(FParts.Owner))
{
}

void TDeviceMenus::Fill(QMenu* menu, QActionGroup* items, const QStringList& names, int checkedIndex)
{
    menu->clear();
    for (int i = 0; i < names.size(); ++i) {
        QAction* item = items->addAction(menu->addAction(names[i]));
        item->setCheckable(true);
        item->setChecked(i == checkedIndex);
    }
}

void TDeviceMenus::FillAtStartup()
{
    Fill(FParts.VideoMenu, FVideoItems, CamController->VideoDevices(), FVideoIndex);
    SetChosenVideo(CamController->VideoDevices().value(FVideoIndex));
    Fill(FParts.AudioMenu, FAudioItems, CamController->AudioDevices(), FAudioIndex);
    CamController->ChooseVideoDevice(FVideoIndex);
    CamController->ChooseAudioDevice(FAudioIndex);
}

bool TDeviceMenus::Refresh()
{
    const QStringList oldVideos = CamController->VideoDevices();
    const QStringList oldAudios = CamController->AudioDevices();
    const QString checkedAudio = oldAudios.value(FAudioIndex);
    CamController->EnumerateDevices();
    const QStringList& videos = CamController->VideoDevices();
    const QStringList& audios = CamController->AudioDevices();
    if (videos == oldVideos && audios == oldAudios)
        return false;

    // The chosen camera stays checked while it is there; a camera that came
    // while none is open becomes the chosen one.
    const auto arrived = std::find_if(
        videos.begin(), videos.end(), [&](const QString& name) { return !oldVideos.contains(name); });
    const bool reopen
        = !CamController->WindowOpen() && !CamController->Recording() && arrived != videos.end();
    if (reopen && *arrived != FChosenVideo && !videos.contains(FChosenVideo))
        SetChosenVideo(*arrived);
    FVideoIndex = static_cast<int32_t>(videos.indexOf(FChosenVideo));
    FAudioIndex = std::max(0, static_cast<int>(audios.indexOf(checkedAudio)));
    Fill(FParts.VideoMenu, FVideoItems, videos, FVideoIndex);
    Fill(FParts.AudioMenu, FAudioItems, audios, FAudioIndex);
    // Device numbers are positions in the new lists.
    if (!CamController->Recording()) {
        if (FVideoIndex >= 0)
            CamController->ChooseVideoDevice(FVideoIndex);
        if (!audios.isEmpty())
            CamController->ChooseAudioDevice(FAudioIndex);
    }
    return reopen && FVideoIndex >= 0;
}

void TDeviceMenus::Choose(QAction* item)
{
    const bool video = item->actionGroup() == FVideoItems;
    int32_t& chosen = video ? FVideoIndex : FAudioIndex;
    const int position
        = static_cast<int>((video ? FParts.VideoMenu : FParts.AudioMenu)->actions().indexOf(item));
    // Checkable items flip themselves; the chosen one is checked either way,
    // and its group unchecks the one before.
    item->setChecked(true);
    if (position == chosen)
        return;
    FWindows.CamView()->SetViewFormat(vfVGA);
    if (video)
        CamController->ChooseVideoDevice(position);
    else
        CamController->ChooseAudioDevice(position);
    FParts.ReopenTimer->start();
    chosen = position;
    if (video)
        SetChosenVideo(item->text());
}

void TDeviceMenus::ReopenCamera()
{
    FParts.ReopenTimer->stop();
    CamController->ResetVideoFormat();
    CamController->CloseCaptureWindow();
    CamController->OpenCaptureWindow();
    FWindows.CamView()->ShowView();
    FParts.CheckDefaultSize();
}

void TDeviceMenus::SetChosenVideo(const QString& name)
{
    FChosenVideo = name;
    // Screen readers name the live picture by its camera.
    FWindows.CamView()->Panel()->setAccessibleName(name);
}
