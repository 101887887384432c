// SPDX-License-Identifier: GPL-2.0-or-later
// The windows and pictures of Glimview's skin, one builder per file.
#pragma once

#include "window.h"

class Catalogue;

WindowSkin mainWindowSkin(); // mainskin.cpp
WindowSkin gallerySkin(bool videos); // galleryskin.cpp
void addGallerySkins(Catalogue& catalogue); // galleryskin.cpp
void addLiveBackdrops(Catalogue& catalogue); // liveskin.cpp
void addProductIcons(Catalogue& catalogue); // producticon.cpp
QImage composePreview(const Catalogue& catalogue); // preview.cpp
