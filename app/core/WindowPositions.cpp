// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/WindowPositions.h"

#include "core/SettingsStore.h"

using namespace SettingsKeys;

TWindowPositions ReadWindowPositions(TSettingsStore& store, QSize mainWindowSize, int imageGalleryHeight)
{
    TWindowPositions p;
    p.MainController.Left = store.ReadInteger(MainController, Left, 50);
    p.MainController.Top = store.ReadInteger(MainController, Top, 50);

    p.CamViewer.Left = store.ReadInteger(CamViewer, Left, mainWindowSize.width() + 50);
    p.CamViewer.Top = store.ReadInteger(CamViewer, Top, 50);

    p.ImageGallery.Left = store.ReadInteger(ImageGallery, Left, 50);
    p.ImageGallery.Top = store.ReadInteger(ImageGallery, Top, mainWindowSize.height() + 50);
    p.ImageGallery.Visible = store.ReadBool(ImageGallery, Visible, true);

    p.VideoGallery.Left = store.ReadInteger(VideoGallery, Left, 50);
    p.VideoGallery.Top = store.ReadInteger(VideoGallery, Top, p.ImageGallery.Top + imageGalleryHeight);
    p.VideoGallery.Visible = store.ReadBool(VideoGallery, Visible, true);
    return p;
}

void WriteWindowPositions(TSettingsStore& store, const TWindowPositions& p)
{
    const TSettingsBatch batch(store);
    store.WriteInteger(MainController, Left, p.MainController.Left);
    store.WriteInteger(MainController, Top, p.MainController.Top);

    store.WriteInteger(CamViewer, Left, p.CamViewer.Left);
    store.WriteInteger(CamViewer, Top, p.CamViewer.Top);
    store.WriteBool(CamViewer, Visible, p.CamViewer.Visible);

    store.WriteInteger(ImageGallery, Left, p.ImageGallery.Left);
    store.WriteInteger(ImageGallery, Top, p.ImageGallery.Top);
    store.WriteBool(ImageGallery, Visible, p.ImageGallery.Visible);

    store.WriteInteger(VideoGallery, Left, p.VideoGallery.Left);
    store.WriteInteger(VideoGallery, Top, p.VideoGallery.Top);
    store.WriteBool(VideoGallery, Visible, p.VideoGallery.Visible);
}
