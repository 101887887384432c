// SPDX-License-Identifier: GPL-2.0-or-later
// Photos leave the gallery as JPEG files written through libjpeg.
#pragma once

class QImage;
class QString;

// Writes the picture as a baseline colour JPEG of quality 90, replacing the
// file. A file that cannot be created or written raises EFCreateError and
// leaves no partial file behind.
void SaveBitmapAsJpeg(const QImage& bitmap, const QString& path);
