// SPDX-License-Identifier: GPL-2.0-or-later
// The dynamic section of ELF files as readelf reports it: where a program or
// library looks for the libraries it needs, and which those are.
#pragma once

#include <QString>
#include <QStringList>

// Every ELF file (programs, libraries, plugins) under a folder, recursively.
QStringList ElfFilesUnder(const QString& folder);

// The entries of the file's RUNPATH and RPATH, in order; an empty entry (the
// current folder) stays in the list as an empty string.
QStringList RunPathEntries(const QString& file);

// The sonames of the NEEDED entries.
QStringList NeededLibraries(const QString& file);

// The entries among `entries` that let the loader look outside the file's own
// folder tree: empty ones, relative ones, and absolute ones.
QStringList EntriesNotBesideTheFile(const QStringList& entries);
