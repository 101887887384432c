// SPDX-License-Identifier: GPL-2.0-or-later
#include "ConverterTestSupport.h"

#include "GalleryTestSupport.h"

#include <QCoreApplication>
#include <QFile>

#include <atomic>

namespace {
constexpr quint32 WM_NOTIFYCONVERT = 33667;
}

bool MakeAviClip(const QString& path, int width, int height, int frames, bool withAudio)
{
    QStringList arguments { QStringLiteral("-q"), QStringLiteral("videotestsrc"),
        QStringLiteral("num-buffers=%1").arg(frames), QStringLiteral("!"),
        QStringLiteral("video/x-raw,format=BGR,width=%1,height=%2,framerate=15/1").arg(width).arg(height),
        QStringLiteral("!"), QStringLiteral("avimux"), QStringLiteral("name=mux"), QStringLiteral("!"),
        QStringLiteral("filesink"), QStringLiteral("location=") + path };
    if (withAudio)
        arguments << QStringLiteral("audiotestsrc")
                  << QStringLiteral("num-buffers=%1").arg(frames * 22050 / 15 / 1024) << QStringLiteral("!")
                  << QStringLiteral("audio/x-raw,rate=22050,channels=1") << QStringLiteral("!")
                  << QStringLiteral("mux.");
    int exitCode = -1;
    RunTool(QStringLiteral("gst-launch-1.0"), arguments, &exitCode);
    return exitCode == 0 && QFile(path).size() > 0;
}

TConvertPortListener::TConvertPortListener()
{
    static std::atomic<int> serial { 0 };
    FTitle
        = QStringLiteral("glimview-convert-test-%1-%2").arg(QCoreApplication::applicationPid()).arg(serial++);
    FSavedEnv = qgetenv("GLIMVIEW_CONVERT_PORT");
    qputenv("GLIMVIEW_CONVERT_PORT", FTitle.toUtf8());
    FPort = std::make_unique<TMessagePort>(FTitle);
    FPort->AcceptMessage(WM_NOTIFYCONVERT);
    QObject::connect(FPort.get(), &TMessagePort::messageReceived, [this](quint32 number, qint64 w, qint64 l) {
        Messages.append({ number, w, l });
    });
}

TConvertPortListener::~TConvertPortListener()
{
    if (FSavedEnv.isNull())
        qunsetenv("GLIMVIEW_CONVERT_PORT");
    else
        qputenv("GLIMVIEW_CONVERT_PORT", FSavedEnv);
}

bool TConvertPortListener::Ended() const
{
    for (const TPortMessage& message : Messages)
        if (message.WParam == 2)
            return true;
    return false;
}
