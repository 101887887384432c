// SPDX-License-Identifier: GPL-2.0-or-later
// Where the save dialogs open and the name they suggest: photos in the XDG
// pictures folder, clips in the videos folder (each created when missing), or
// wherever the user last saved one; the name made from the capture's date and
// time.
#pragma once

#include <QDateTime>
#include <QString>

enum class TMediaKind { Photo, Clip };

// The folder the next save dialog of this kind opens in.
QString SaveFolder(TMediaKind kind);
// The user's own pictures or videos folder (XDG), whatever was last chosen.
QString StandardSaveFolder(TMediaKind kind);
// Remembers the folder of a file the user has just saved.
void RememberSaveFolder(TMediaKind kind, const QString& savedFile);

// "Glimview 2026-12-08 14-03-27.jpg" for a capture at that moment.
QString SuggestedFileName(const QDateTime& capturedAt, const QString& extension);
// The suggested name in that folder, with " (2)", " (3)" ... before the
// extension while a file of that name exists.
QString UniqueSuggestedPath(const QString& folder, const QDateTime& capturedAt, const QString& extension);

// folder/stem.extension, with " (2)", " (3)" ... after the stem while a file
// (or a dangling link) of that name exists.
QString UniquePath(const QString& folder, const QString& stem, const QString& extension);

// Creates the folder (and its parents) when missing; true when it exists.
bool EnsureFolder(const QString& folder);
// Made when missing, and writable by this process.
bool FolderTakesFiles(const QString& folder);
