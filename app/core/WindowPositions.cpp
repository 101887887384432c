// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/WindowPositions.h"

#include "core/SettingsStore.h"

using namespace SettingsKeys;

namespace {

bool MostlyOnAScreen(const QRect& window, const QList<QRect>& screens)
{
    const qint64 area = qint64(window.width()) * window.height();
    for (const QRect& screen : screens) {
        const QRect shared = screen.intersected(window);
        if (!shared.isEmpty() && 2 * qint64(shared.width()) * shared.height() >= area)
            return true;
    }
    return false;
}

void KeepReachable(TWindowPosition& position, QSize size, const TWindowPosition& fallback,
    const QList<QRect>& screens, const QRect& primary)
{
    // Far-off values are compared in 64 bits: a QRect's right edge would overflow.
    const qint64 left = position.Left;
    const qint64 top = position.Top;
    const bool representable = left > -(1 << 24) && left < (1 << 24) && top > -(1 << 24) && top < (1 << 24);
    if (representable
        && MostlyOnAScreen(QRect(position.Left, position.Top, size.width(), size.height()), screens))
        return;
    position.Left = primary.left() + fallback.Left;
    position.Top = primary.top() + fallback.Top;
}

} // namespace

TWindowPositions DefaultWindowPositions(QSize mainWindowSize, int imageGalleryHeight)
{
    TWindowPositions p;
    p.MainController = { 50, 50, true };
    p.CamViewer = { mainWindowSize.width() + 50, 50, true };
    p.ImageGallery = { 50, mainWindowSize.height() + 50, true };
    p.VideoGallery = { 50, p.ImageGallery.Top + imageGalleryHeight, true };
    return p;
}

void KeepWindowsReachable(
    TWindowPositions& positions, const TWindowSizes& sizes, const QList<QRect>& screens, const QRect& primary)
{
    const TWindowPositions defaults
        = DefaultWindowPositions(sizes.MainController, sizes.ImageGallery.height());
    KeepReachable(positions.MainController, sizes.MainController, defaults.MainController, screens, primary);
    KeepReachable(positions.CamViewer, sizes.CamViewer, defaults.CamViewer, screens, primary);
    KeepReachable(positions.ImageGallery, sizes.ImageGallery, defaults.ImageGallery, screens, primary);
    KeepReachable(positions.VideoGallery, sizes.VideoGallery, defaults.VideoGallery, screens, primary);
}

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
