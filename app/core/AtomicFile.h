// SPDX-License-Identifier: GPL-2.0-or-later
// Replaces a file's contents so that readers see either the old or the new
// file, never a mixture, even across a crash or power loss.
#pragma once

#include <QByteArray>
#include <QString>

bool WriteFileAtomically(const QString& path, const QByteArray& contents, QString* error);
