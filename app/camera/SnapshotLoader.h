// SPDX-License-Identifier: GPL-2.0-or-later
// Reads a snapshot file back into a picture. The bottom-up 24-bit BMP that
// the controller writes is read straight into the picture's rows (the
// snapshot's hot path); any other file goes through Qt's image reader.
#pragma once

class QImage;
class QString;

// A null picture when the file cannot be read as one.
QImage LoadSnapshotPicture(const QString& fileName);
