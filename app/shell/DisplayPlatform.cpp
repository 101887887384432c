// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/DisplayPlatform.h"

#include "shell/ShellLogging.h"

#include <QtGlobal>

#include <xcb/xcb.h>

namespace {

// Platforms that draw nowhere a user sees; asked for by tests and by runs
// without a desktop, and honoured as they are.
bool IsHeadless(const QByteArray& platform)
{
    const QByteArray name = platform.split(':').first();
    return name == "offscreen" || name == "minimal";
}

} // namespace

namespace {

// The probe's connection stays open until Qt has its own: an X server whose
// last client leaves resets itself, and would refuse Qt's connection while
// it does (a bare server with nothing else on it, as a virtual one is).
xcb_connection_t* Probe = nullptr;

} // namespace

bool XDisplayAnswers(const QByteArray& displayName)
{
    if (displayName.isEmpty())
        return false;
    xcb_connection_t* connection = xcb_connect(displayName.constData(), nullptr);
    const bool answers = connection && xcb_connection_has_error(connection) == 0;
    if (!answers || Probe) {
        xcb_disconnect(connection);
        return answers;
    }
    Probe = connection;
    return true;
}

void CloseDisplayProbe()
{
    if (Probe)
        xcb_disconnect(Probe);
    Probe = nullptr;
}

TDisplayPlatform ChooseDisplayPlatform()
{
    const QByteArray asked = qgetenv("QT_QPA_PLATFORM");
    if (IsHeadless(asked))
        return TDisplayPlatform::AsAsked;
    if (!XDisplayAnswers(qgetenv("DISPLAY")))
        return TDisplayPlatform::None;
    // A Wayland session often asks every Qt program for "wayland"; these
    // windows need X11's positions, which XWayland grants.
    if (!asked.isEmpty() && asked != "xcb")
        qCInfo(lcShell,
            "the session asks for the Qt platform \"%s\"; Glimview runs on X11 (xcb), "
            "since its windows place themselves",
            asked.constData());
    qputenv("QT_QPA_PLATFORM", "xcb");
    return TDisplayPlatform::X11;
}
