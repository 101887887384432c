// SPDX-License-Identifier: GPL-2.0-or-later
// Photos leave the gallery as JPEG files written through libjpeg.
#pragma once

class QImage;
class QString;

enum class TReplace { No, Confirmed };

// Writes the picture as a baseline colour JPEG of quality 90 through
// TSafeSave: a taken name only when the replace was confirmed, never through
// another account's link. A file that cannot be created or written raises
// EFCreateError; it leaves no partial file behind and the old one whole.
void SaveBitmapAsJpeg(const QImage& bitmap, const QString& path, TReplace replace);
