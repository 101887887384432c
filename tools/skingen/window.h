// SPDX-License-Identifier: GPL-2.0-or-later
// A skinned window described as its shape, its decoration and its keys, and
// rendered with any one key in any state. A button picture is the window
// rendered with that key in that state, cut to the key's rectangle, so it fits
// the background pixel for pixel.
#pragma once

#include "paint.h"

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

class Catalogue;

enum class KeyShape {
    Round, // large round key
    Square, // rounded square key
    Small, // small round window-control key
    Arrow, // small step arrow key
    Thumb, // scroll thumb pill
    Wide, // wide rounded key
};

struct Key {
    QString component; // the control it belongs to, e.g. "imgbSnapshot"
    QString file; // base file name, e.g. "main_snapshot"
    QRect rect;
    KeyShape shape;
    skin::IconPainter icon;
    QList<skin::State> pictures; // the state pictures written for it
    bool inBackground = true; // resting look drawn into the background
    QColor tint = {}; // face colour of a small key when lit
};

struct WindowSkin {
    QString title; // for the README, e.g. "Main window"
    QSize size;
    QPainterPath shape;
    std::function<void(QPainter&)> decorate;
    QList<Key> keys;

    // The whole window with key `active` (or none) in state `state`.
    // `scale` 2 draws it for screens of two device pixels per window pixel.
    QImage render(qsizetype active = -1, skin::State state = skin::State::Rest, int scale = 1) const;
    // The key's picture in `state`: opaque, and equally right when its
    // bottom-left colour is taken as transparent.
    QImage picture(qsizetype key, skin::State state, int scale = 1) const;
};

// The name of a picture's high-density twin: "main_back@2x.png".
QString doubleDensityName(const QString& name);

// Adds the background as `backName` (unless empty) and the state pictures of
// the keys named in `keyFiles` (all keys when empty), described as belonging
// to `owner` (the window's title when empty).
void exportWindow(Catalogue& catalogue, const WindowSkin& window, const QString& backName,
    const QStringList& keyFiles = {}, const QString& owner = {});
