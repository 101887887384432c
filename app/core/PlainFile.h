// SPDX-License-Identifier: GPL-2.0-or-later
// Reads a file the program depends on at start (settings, language texts)
// only when it is a regular file of sane size: a FIFO, a device or a link to
// /dev/zero must neither block nor exhaust the program before its first
// window.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The whole file, or nothing with *why saying what is wrong with it;
// `missing` tells a file that does not exist from one that cannot be used.
std::optional<QByteArray> ReadPlainFile(const QString& path, qint64 maxSize, bool& missing, QString* why);
