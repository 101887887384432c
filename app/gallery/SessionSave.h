// SPDX-License-Identifier: GPL-2.0-or-later
// What a session end (a logout, a shutdown, a signal) does with the photos and
// clips the user has not kept: nothing is asked, and nothing is lost. They
// go into the pictures and videos folders as "Save all" puts them there;
// where a folder takes no file, the clips stay in Temp and the photos are
// written there as JPEGs, both for the next start to bring over. The next
// start tells the user where they went.
#pragma once

#include <QString>
#include <QStringList>

class TPhotosForm;
class TVideosForm;

// Saves every unsaved photo and clip without a dialog; each one saved or
// left in Temp counts as kept. Leaves a note for the next start.
void SaveUnsavedForSessionEnd(TPhotosForm& photos, TVideosForm& videos);

// The photos an earlier run left in `tempFolder` at its end.
QStringList PhotosLeftInTemp(const QString& tempFolder);

// Moves the photos an earlier run left in Temp into the pictures folder, and
// reads (and forgets) the note of the last session end. The message for the
// user, empty when there is nothing to tell.
QString BringOverLastSessionsCaptures(const QString& tempFolder);
