// SPDX-License-Identifier: GPL-2.0-or-later
// "Save all" of the close question: every photo and clip the user has not
// kept yet goes into the user's pictures or videos folder under its suggested
// name, with no dialog per file.
#pragma once

class QWidget;
class TPhotosForm;
class TVideosForm;

// Photos as JPEG, clips as they were recorded; each saved one counts as kept.
// Stops at the first file that cannot be written, says which folder failed
// in a message box over `owner` and answers false; everything not saved stays
// in its gallery.
bool SaveAllUnsaved(TPhotosForm& photos, TVideosForm& videos, QWidget* owner);
