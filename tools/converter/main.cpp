// SPDX-License-Identifier: GPL-2.0-or-later
// uncompAvitoWMV2: converts an uncompressed AVI clip into a WMV file and
// reports its progress to Glimview's main window.
//
//   uncompAvitoWMV2 -i "clip.avi" -o "out.wmv" -pf "VGA_local.prx"
//
// Reports go to the message port of the main window (its title, or the one
// named by GLIMVIEW_CONVERT_PORT) as conversion messages: 1 at the start,
// 3 with the percentage as it grows, 2 at the end. The end comes in every
// case, so the window never waits for a conversion that died.
//
//   uncompAvitoWMV2 -repair "GLV_temp_....wmv" -o "recovered.wmv"
//
// makes a whole file, in the same container, of a clip whose recording was
// cut off; it reports nothing to a port, only its exit status: 0 when the
// file was made, EX_TEMPFAIL when it failed for a reason that may pass (no
// room, a folder that cannot be written), 1 when the clip cannot be repaired.
#include "ClipRepair.h"
#include "ConvertProfile.h"
#include "WmvConverter.h"
#include "core/MessagePort.h"

#include <QCoreApplication>

#include <gst/gst.h>

#include <cstdio>
#include <map>
#include <string>
#include <sysexits.h>

namespace {

constexpr quint32 WM_NOTIFYCONVERT = 33667;
constexpr qint64 ConvertStarted = 1;
constexpr qint64 ConvertEnded = 2;
constexpr qint64 ConvertProgress = 3;

QString PortTitle()
{
    const QByteArray chosen = qgetenv("GLIMVIEW_CONVERT_PORT");
    return chosen.isEmpty() ? QStringLiteral("Tessaly - Norvel Electronics Inc.")
                            : QString::fromLocal8Bit(chosen);
}

void Report(qint64 kind, qint64 value) { PostPortMessage(PortTitle(), WM_NOTIFYCONVERT, kind, value); }

int Usage()
{
    std::fprintf(stderr,
        "usage: uncompAvitoWMV2 -i INPUT.avi -o OUTPUT.wmv -pf PROFILE.prx\n"
        "       uncompAvitoWMV2 -repair CUT.wmv|CUT.avi -o OUTPUT\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    gst_init(&argc, &argv);

    std::map<std::string, std::string> options;
    for (int i = 1; i < argc; i += 2) {
        if (i + 1 >= argc)
            return Usage();
        options[argv[i]] = argv[i + 1];
    }
    if (options.size() == 2 && options.count("-repair") && options.count("-o")) {
        TClipRepair repair(options["-repair"], options["-o"]);
        if (repair.Run())
            return 0;
        std::fprintf(stderr, "uncompAvitoWMV2: %s\n", repair.Error().c_str());
        return repair.MayPass() ? EX_TEMPFAIL : 1;
    }
    if (options.size() != 3 || !options.count("-i") || !options.count("-o") || !options.count("-pf"))
        return Usage();

    Report(ConvertStarted, 0);
    std::string error;
    const auto profile = ReadConvertProfile(options["-pf"], error);
    bool ok = false;
    if (profile) {
        TWmvConverter converter(options["-i"], options["-o"], *profile);
        ok = converter.Run([](int percent) { Report(ConvertProgress, percent); });
        if (!ok)
            error = converter.Error();
    }
    if (!ok)
        std::fprintf(stderr, "uncompAvitoWMV2: %s\n", error.c_str());
    Report(ConvertEnded, 0);
    return ok ? 0 : 1;
}
