// SPDX-License-Identifier: GPL-2.0-or-later
// The product window title: the main window's caption, the name of its
// message port and the caption of the program's OK-only message boxes. It is
// not Qt's application display name, which Qt would append to every caption.
#pragma once

#include <QString>

inline QString ProductTitle() { return QStringLiteral("Tessaly - Norvel Electronics Inc."); }
