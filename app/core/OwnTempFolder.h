// SPDX-License-Identifier: GPL-2.0-or-later
// Where the working files go: the working folder's "Temp" when it is the
// user's own (a real folder, not a link, owned by the user and writable by
// nobody else), else a private "Temp" under $XDG_STATE_HOME/glimview/. A Temp
// that another account can write into, or a link to another account's
// folder, would let that account plant links at the names of the next clip
// or snapshot, or read them.
#pragma once

#include <QString>

// The folder for the working files of `baseFolder`. A Temp that does not
// exist yet is the user's to make (mode 0700); one that is no folder is told
// as unusable where it is used. A private one, once chosen, stays for the
// run and is said once in the log.
QString OwnTempFolder(const QString& baseFolder);

// True when `folder` is a real folder owned by this user that no one else
// may write into.
bool IsOwnPrivateFolder(const QString& folder);
