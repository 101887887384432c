// SPDX-License-Identifier: GPL-2.0-or-later
// The current directory as a path Qt can hold.
//
// Qt keeps paths as Unicode text: a folder name that is not valid UTF-8
// comes back from QDir::currentPath() with replacement characters, a path to
// a different, sibling folder. For such a folder the program uses
// /proc/PID/fd/N of a descriptor it keeps open on the folder: plain ASCII,
// tied to the folder itself (not to the name, not to a later chdir), and
// open to every process of the same user, such as the converter and the
// player, while the program runs.
#pragma once

#include <QString>

QString WorkingFolderPath();
