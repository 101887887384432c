// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/DeviceMenus.h"

#include "camera/CamControllerUnit.h"
#include "camera/CamViewFrm.h"
#include "camera/VideoFormatTable.h"
#include "shell/MainFormControls.h"
#include "shell/MainFrm.h"

#include <QActionGroup>
#include <QMenu>
#include <QTimer>

#include <algorithm>

TDeviceMenus::TDeviceMenus(TMainForm& form, const TMainFormControls& ui)
    : FForm(form)
    , FUi(ui)
    , FVideoItems(new QActionGroup(&form))
    , FAudioItems(new QActionGroup(&form))
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
    Fill(FUi.pmiVideoDevices, FVideoItems, CamController->VideoDevices, FVideoIndex);
    SetChosenVideo(CamController->VideoDevices.value(FVideoIndex));
    Fill(FUi.pmiAudioDevices, FAudioItems, CamController->AudioDevices, FAudioIndex);
    CamController->ChooseVideoDevice(CamController->VideoDeviceMap[FVideoIndex]);
    CamController->ChooseAudioDevice(FAudioIndex);
}

bool TDeviceMenus::Refresh()
{
    const QStringList oldVideos = CamController->VideoDevices;
    const QStringList oldAudios = CamController->AudioDevices;
    const QString checkedAudio = oldAudios.value(FAudioIndex);
    CamController->EnumerateDevices();
    const QStringList& videos = CamController->VideoDevices;
    const QStringList& audios = CamController->AudioDevices;
    if (videos == oldVideos && audios == oldAudios)
        return false;

    // The chosen camera stays checked while it is there; a camera that came
    // while none is open becomes the chosen one.
    const auto arrived = std::find_if(
        videos.begin(), videos.end(), [&](const QString& name) { return !oldVideos.contains(name); });
    const bool reopen = !CamController->WindowOpen && !CamController->Recording && arrived != videos.end();
    if (reopen && *arrived != FChosenVideo && !videos.contains(FChosenVideo))
        SetChosenVideo(*arrived);
    FVideoIndex = static_cast<int32_t>(videos.indexOf(FChosenVideo));
    FAudioIndex = std::max(0, static_cast<int>(audios.indexOf(checkedAudio)));
    Fill(FUi.pmiVideoDevices, FVideoItems, videos, FVideoIndex);
    Fill(FUi.pmiAudioDevices, FAudioItems, audios, FAudioIndex);
    // Device numbers are positions in the new lists.
    if (!CamController->Recording) {
        if (FVideoIndex >= 0)
            CamController->ChooseVideoDevice(CamController->VideoDeviceMap[FVideoIndex]);
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
        = static_cast<int>((video ? FUi.pmiVideoDevices : FUi.pmiAudioDevices)->actions().indexOf(item));
    // Checkable items flip themselves; the chosen one is checked either way,
    // and its group unchecks the one before.
    item->setChecked(true);
    if (position == chosen)
        return;
    FForm.CamView()->SetViewFormat(vfVGA);
    if (video)
        CamController->ChooseVideoDevice(position);
    else
        CamController->ChooseAudioDevice(position);
    FUi.tmDeviceChange->start();
    chosen = position;
    if (video)
        SetChosenVideo(item->text());
}

void TDeviceMenus::ReopenCamera()
{
    FUi.tmDeviceChange->stop();
    CamController->ResetVideoFormat();
    CamController->CloseCaptureWindow();
    CamController->OpenCaptureWindow();
    FForm.CamView()->ShowView();
    FUi.CheckSizeItem(FUi.pmiVGA);
}

void TDeviceMenus::SetChosenVideo(const QString& name)
{
    FChosenVideo = name;
    // Screen readers name the live picture by its camera.
    FForm.CamView()->pnlView->setAccessibleName(name);
}
