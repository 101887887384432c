// SPDX-License-Identifier: GPL-2.0-or-later
// The font faces the language table and the window definitions name ("Gulim",
// "BaTang", "ms song", "Arial", "Times New Roman" ...) are Windows fonts. Each
// is mapped onto installed fonts that cover the script of the language the
// program speaks, keeping serif or sans where the script has both; a face
// named for one script (a Korean one in the Russian table row) never draws
// another script with its full-width letters.
#pragma once

#include <QStringList>

// The installed families standing in for a designed face in a language of
// this Windows code page, best first. Empty for a face the windows never name.
QStringList FontFaceSubstitutes(const QString& designedFace, int codePage);

// Registers the substitutes of every designed face for the language of this
// code page with Qt's font matching, replacing any registered before.
void MapDesignedFontFaces(int codePage);
