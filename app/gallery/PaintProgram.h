// SPDX-License-Identifier: GPL-2.0-or-later
// The desktop's paint program, standing in for the one the photo viewer hands
// its pictures to.
#pragma once

#include <QString>

// The first of mspaint, kolourpaint, pinta, mtpaint and gimp found on the
// search path; empty when there is none.
QString FindPaintProgram();
// Opens the file in the paint program, or with the desktop's program for
// its type when there is none; false when neither starts, for the caller to say.
bool StartPaintProgram(const QString& fileName);
