// SPDX-License-Identifier: GPL-2.0-or-later
// The main window's keys in the settings store: where the four windows stand
// and whether the two galleries are shown.
#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

class TSettingsStore;

namespace SettingsKeys {
inline const QString MainController = QStringLiteral("MainController");
inline const QString CamViewer = QStringLiteral("CamViewer");
inline const QString ImageGallery = QStringLiteral("ImageGallery");
inline const QString VideoGallery = QStringLiteral("VideoGallery");
inline const QString Left = QStringLiteral("Left");
inline const QString Top = QStringLiteral("Top");
inline const QString Visible = QStringLiteral("Visible");
} // namespace SettingsKeys

struct TWindowPosition {
    int Left = 0;
    int Top = 0;
    bool Visible = true;
};

struct TWindowPositions {
    TWindowPosition MainController;
    TWindowPosition CamViewer; // Visible is stored but never read back: the live view always shows
    TWindowPosition ImageGallery;
    TWindowPosition VideoGallery;
};

// Reads in the fixed order; later defaults follow from the values read before
// them (the live view right of the main window, the video gallery under the
// photo gallery). Positions are taken as stored, even off screen.
TWindowPositions ReadWindowPositions(TSettingsStore& store, QSize mainWindowSize, int imageGalleryHeight);

// Writes every key, in the same order.
void WriteWindowPositions(TSettingsStore& store, const TWindowPositions& positions);

struct TWindowSizes {
    QSize MainController;
    QSize CamViewer;
    QSize ImageGallery;
    QSize VideoGallery;
};

// Where the windows stand when nothing is stored, on a screen at 0,0.
TWindowPositions DefaultWindowPositions(QSize mainWindowSize, int imageGalleryHeight);

// A window that lies less than half on every one of `screens` would be out
// of the user's reach: it gets its default place on the primary screen.
// Every other position stays as stored.
void KeepWindowsReachable(TWindowPositions& positions, const TWindowSizes& sizes, const QList<QRect>& screens,
    const QRect& primary);
