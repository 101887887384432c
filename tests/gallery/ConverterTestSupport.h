// SPDX-License-Identifier: GPL-2.0-or-later
// Real clips for the conversion tests, and a message port that stands in for
// the main window's.
#pragma once

#include "core/MessagePort.h"

#include <QList>
#include <QString>

#include <memory>

// An uncompressed AVI clip made by gst-launch: BGR video, and PCM audio when asked.
bool MakeAviClip(const QString& path, int width, int height, int frames, bool withAudio);

// Listens under a title of its own and tells the converter to report there.
class TConvertPortListener {
public:
    TConvertPortListener();
    ~TConvertPortListener();
    QList<TPortMessage> Messages;
    TMessagePort& Port() { return *FPort; }
    bool Ended() const;

private:
    QString FTitle;
    QByteArray FSavedEnv;
    std::unique_ptr<TMessagePort> FPort;
};
