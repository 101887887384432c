// SPDX-License-Identifier: GPL-2.0-or-later
// Time from the end of Glimview's designed one-second start-up pause to the
// first camera frame seen in its live view, with the synthetic camera on a
// virtual X server, against the same test picture started by gst-launch-1.0
// into a window. Both are timed the same way: by watching the screen until the
// colour bars appear. The pause's end is the moment the program logs it, on
// the same monotonic clock the benchmark reads.
#include "LiveViewPicture.h"
#include "XvfbServer.h"

#include <benchmark/benchmark.h>
#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace {

QString Display;
std::unique_ptr<test_support::XvfbServer> Xvfb;

bool StartDisplay()
{
    if (!Xvfb) {
        Xvfb = std::make_unique<test_support::XvfbServer>();
        Display = QString::fromStdString(Xvfb->display());
    }
    return !Display.isEmpty();
}

// A connection of the benchmark's own to the virtual display, for grabs: a
// strip read straight from the server costs microseconds, where a screenshot
// tool would take a core away from the program being timed.
xcb_connection_t* Connection = nullptr;

// True when the screen rectangle shows several saturated colours.
bool BarsVisible(const QRect& area)
{
    if (!Connection)
        Connection = xcb_connect(Display.toLocal8Bit().constData(), nullptr);
    if (!Connection || xcb_connection_has_error(Connection))
        return false;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(Connection)).data->root;
    xcb_get_image_reply_t* reply = xcb_get_image_reply(Connection,
        xcb_get_image(Connection, XCB_IMAGE_FORMAT_Z_PIXMAP, root, int16_t(area.x()), int16_t(area.y()),
            uint16_t(area.width()), uint16_t(area.height()), ~0u),
        nullptr);
    if (!reply)
        return false;
    // A 24-bit screen comes as 32-bit pixels, as QImage's RGB32 holds them.
    const QImage shot(xcb_get_image_data(reply), area.width(), area.height(), QImage::Format_RGB32);
    const bool bars = test_support::SaturatedColoursOnRow(shot, 0, shot.width(), shot.height() / 2) >= 4;
    std::free(reply);
    return bars;
}

double MonotonicSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// When the program said the line that contains `marker`, in monotonic
// seconds: its log lines start with the monotonic time ("%{time boot}").
std::optional<double> LoggedAt(const QByteArray& log, const QByteArray& marker)
{
    for (const QByteArray& line : log.split('\n')) {
        if (!line.contains(marker))
            continue;
        bool ok = false;
        const double seconds = line.trimmed().split(' ').value(0).toDouble(&ok);
        if (ok)
            return seconds;
    }
    return std::nullopt;
}

struct PictureTimes {
    double fromStart = -1; // from the process's start to the bars on screen
    double fromPauseEnd = -1; // from the end of the start-up pause, when logged
    double fromViewShown = -1; // from the program's showing of its live view
};

// Seconds to the bars on screen; negative on failure.
PictureTimes TimeToPicture(
    const QString& program, const QStringList& args, const QString& folder, const QRect& area)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), Display);
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("VIDCORE_TEST_DEVICES"), QStringLiteral("1"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder);
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("glimview.shell.debug=true"));
    env.insert(QStringLiteral("QT_MESSAGE_PATTERN"), QStringLiteral("%{time boot} %{message}"));
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(QStringLiteral(GLIMVIEW_RUN_DIR));
    QElapsedTimer clock;
    clock.start();
    process.start(program, args);
    PictureTimes times;
    double barsAt = 0;
    while (clock.elapsed() < 30000) {
        if (BarsVisible(area)) {
            times.fromStart = clock.nsecsElapsed() / 1e9;
            barsAt = MonotonicSeconds();
            break;
        }
        // A look every 2 ms: fine enough, and almost no load on the machine.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    process.kill();
    process.waitForFinished(5000);
    const QByteArray log = process.readAllStandardError();
    if (const auto pauseEnd = LoggedAt(log, "start-up: pause over"))
        times.fromPauseEnd = barsAt - *pauseEnd;
    if (const auto shown = LoggedAt(log, "start-up: live view shown"))
        times.fromViewShown = barsAt - *shown;
    return times;
}

// Medians over the iterations, for the summary.
std::vector<double> GlimviewRuns;
std::vector<double> GlimviewAfterPauseRuns;
std::vector<double> GstLaunchRuns;

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

void BM_GlimviewFirstFrame(benchmark::State& state)
{
    if (!StartDisplay()) {
        state.SkipWithError("no Xvfb");
        return;
    }
    for (auto _ : state) {
        QTemporaryDir folder;
        // The live view opens at (404,50), its panel at 16,11 inside.
        const PictureTimes times = TimeToPicture(QStringLiteral(GLIMVIEW_RUN_DIR "/glimview"), {},
            folder.path(), QRect(404 + 16, 50 + 11 + 100, 600, 8));
        if (times.fromStart < 0 || times.fromPauseEnd < 0) {
            state.SkipWithError("no picture, or no end of the pause logged");
            return;
        }
        state.SetIterationTime(times.fromPauseEnd);
        state.counters["from_process_start_s"] = times.fromStart;
        state.counters["from_view_shown_s"] = times.fromViewShown;
        GlimviewRuns.push_back(times.fromStart);
        GlimviewAfterPauseRuns.push_back(times.fromPauseEnd);
    }
}

void BM_GstLaunchFirstFrame(benchmark::State& state)
{
    if (!StartDisplay()) {
        state.SkipWithError("no Xvfb");
        return;
    }
    for (auto _ : state) {
        QTemporaryDir folder;
        const double s = TimeToPicture(QStringLiteral("gst-launch-1.0"),
            { QStringLiteral("videotestsrc"), QStringLiteral("is-live=true"), QStringLiteral("!"),
                QStringLiteral("video/x-raw,width=640,height=480"), QStringLiteral("!"),
                QStringLiteral("videoconvert"), QStringLiteral("!"), QStringLiteral("ximagesink") },
            folder.path(), QRect(0, 100, 600, 8))
                             .fromStart;
        if (s < 0) {
            state.SkipWithError("no picture");
            return;
        }
        state.SetIterationTime(s);
        GstLaunchRuns.push_back(s);
        state.counters["ratio_glimview_to_gst_launch"] = Median(GlimviewAfterPauseRuns) / s;
    }
}

} // namespace

// Glimview first, so that the ratio can be reported in the second.
BENCHMARK(BM_GlimviewFirstFrame)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GstLaunchFirstFrame)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    const double GlimviewSeconds = Median(GlimviewRuns);
    const double GlimviewAfterPauseSeconds = Median(GlimviewAfterPauseRuns);
    const double GstLaunchSeconds = Median(GstLaunchRuns);
    if (GstLaunchSeconds > 0) {
        // The start-up's designed pause of one second is not the program's cost.
        std::printf(
            "first frame on screen, medians: Glimview %.3f s from its start, %.3f s after its one-second "
            "pause (target 0.3 s); gst-launch-1.0 %.3f s from its start; ratio %.2f\n",
            GlimviewSeconds, GlimviewAfterPauseSeconds, GstLaunchSeconds,
            GlimviewAfterPauseSeconds / GstLaunchSeconds);
    }
    if (Connection)
        xcb_disconnect(Connection);
    Xvfb.reset();
    benchmark::Shutdown();
    return 0;
}
