// SPDX-License-Identifier: GPL-2.0-or-later
// Where every file made from camera pictures goes and what it is called.
// Nothing here touches the disk: the names are built from the folders alone.
#pragma once

#include <QChar>
#include <QString>
#include <QTime>

// The working folder as it was when the main window was created. Later
// changes of the current directory (a file dialog may make one) do not move
// it. Read before anyone captured it, it captures the current directory.
QString BaseFolder();
void CaptureBaseFolder();
void SetBaseFolder(const QString& folder);

// BaseFolder + "/Temp" when that is the user's own, else a private Temp
// (see OwnTempFolder): where the clips and the snapshot file live. Never
// created here.
QString TempFolder();

// Joins two path pieces with exactly one '/' at the seam.
QString PathJoin(const QString& first, const QString& second);

// The decimal separator of the user's numeric locale (LC_ALL, LC_NUMERIC,
// LANG), whatever the process's own locale has been set to.
QChar LocaleDecimalSeparator();

// A fraction of a day in the "%e" form of the clip names: one digit, the
// separator, 14 digits, 'E', the sign and at least three exponent digits.
QString FormatClipTime(double dayFraction, QChar decimalSeparator);
// The time of day, to the millisecond, as a fraction of a day.
double DayFraction(const QTime& time);

// The extension, without its dot, of a clip of the video type: "avi" (0),
// "mp4" (2), "webm" (3), "wmv" (Windows Media, any other).
QString ClipExtension(int videoType);
// The extension a copy of the clip file keeps: its own when it is one a
// recording gets, ignoring case, otherwise "wmv".
QString ClipExtensionOf(const QString& clipFile);
QString ClipFileName(const QString& baseFolder, int videoType, const QTime& time, QChar decimalSeparator);

// The JPEG a photo e-mail carries. The two forms keep their different stems.
QString PhotoAttachmentName(const QString& baseFolder);
// The clip an e-mail carries: a WMV, copied or converted from AVI, or a copy
// of an MP4 or WebM clip under its own extension.
QString ClipAttachmentName(const QString& baseFolder, const QString& extension = QStringLiteral("wmv"));
// The bitmap the image viewer hands to the paint program.
QString ViewerExportName(const QString& personalFolder);

// The folder of the running program, with a trailing '/'.
QString ProgramFolder();
// The converter uncompAvitoWMV2: found by name on the search path, as the
// design has it; the program's own folder (where the build puts it) serves
// when the path does not hold it.
QString ConverterProgram();
// The user's documents folder.
QString PersonalFolder();
