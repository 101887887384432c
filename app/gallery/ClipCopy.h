// SPDX-License-Identifier: GPL-2.0-or-later
// The copy of a clip file that the user watches: a progress dialog, a
// question before an existing file is replaced, and a message when it fails.
#pragma once

class QString;
class QWidget;

// True when the destination holds a complete copy. A cancelled or failed
// copy leaves no partial file behind.
bool CopyFileWithProgress(
    const QString& source, const QString& destination, bool replaceSilently, QWidget* owner);
