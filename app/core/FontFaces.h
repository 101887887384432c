// SPDX-License-Identifier: GPL-2.0-or-later
// The font faces the language table and the window definitions name ("Gulim",
// "BaTang", "ms song", "Arial", "Times New Roman" ...) are Windows fonts. Each
// is mapped onto installed fonts of the same kind, so that every shipped
// language renders whole.
#pragma once

#include <QStringList>

// The installed families standing in for a designed face, best first.
QStringList FontFaceSubstitutes(const QString& designedFace);

// Registers the substitutes of every designed face with Qt's font matching.
void MapDesignedFontFaces();
