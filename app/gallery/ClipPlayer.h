// SPDX-License-Identifier: GPL-2.0-or-later
// Plays a clip with the desktop's player for its type, as the file manager
// would (xdg-open), and says whether there is one at all.
#pragma once

class QString;

// False when no program on this desktop handles the clip's type (or the
// desktop's opener is missing), so that the caller can say so; true once the
// player has been started.
bool OpenWithPlayer(const QString& clipFile);

// The desktop file of the program that plays this type; empty for none.
QString DefaultPlayerFor(const QString& clipFile);
