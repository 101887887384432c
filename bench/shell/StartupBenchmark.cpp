// SPDX-License-Identifier: GPL-2.0-or-later
// Time from starting Glimview to the first camera frame seen in its live
// view, with the synthetic camera on a virtual X server, against the same
// test picture started by gst-launch-1.0 into a window. Both are timed the
// same way: by watching the screen until the colour bars appear.
#include "LiveViewPicture.h"
#include "XvfbServer.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>

#include <memory>

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

// True when the screen rectangle shows several saturated colours.
bool BarsVisible(const QRect& area)
{
    QProcess import;
    import.start(QStringLiteral("import"),
        { QStringLiteral("-display"), Display, QStringLiteral("-window"), QStringLiteral("root"),
            QStringLiteral("-crop"),
            QStringLiteral("%1x%2+%3+%4").arg(area.width()).arg(area.height()).arg(area.x()).arg(area.y()),
            QStringLiteral("png:-") });
    if (!import.waitForFinished(10000))
        return false;
    const QImage shot = QImage::fromData(import.readAllStandardOutput(), "PNG");
    return !shot.isNull()
        && test_support::SaturatedColoursOnRow(shot, 0, shot.width(), shot.height() / 2) >= 4;
}

// Seconds from start to bars on screen, or a negative value on failure.
double TimeToPicture(
    const QString& program, const QStringList& args, const QString& folder, const QRect& area)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), Display);
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("VIDCORE_TEST_DEVICES"), QStringLiteral("1"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder);
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(QStringLiteral(GLIMVIEW_RUN_DIR));
    QElapsedTimer clock;
    clock.start();
    process.start(program, args);
    double seconds = -1;
    while (clock.elapsed() < 30000) {
        if (BarsVisible(area)) {
            seconds = clock.nsecsElapsed() / 1e9;
            break;
        }
    }
    process.kill();
    process.waitForFinished(5000);
    return seconds;
}

double GlimviewSeconds = 0;
double GstLaunchSeconds = 0;

void BM_GlimviewFirstFrame(benchmark::State& state)
{
    if (!StartDisplay()) {
        state.SkipWithError("no Xvfb");
        return;
    }
    for (auto _ : state) {
        QTemporaryDir folder;
        // The live view opens at (404,50), its panel at 16,11 inside.
        const double s = TimeToPicture(QStringLiteral(GLIMVIEW_RUN_DIR "/glimview"), {}, folder.path(),
            QRect(404 + 16, 50 + 11 + 100, 600, 8));
        if (s < 0) {
            state.SkipWithError("no picture");
            return;
        }
        state.SetIterationTime(s);
        GlimviewSeconds = s;
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
            folder.path(), QRect(0, 100, 600, 8));
        if (s < 0) {
            state.SkipWithError("no picture");
            return;
        }
        state.SetIterationTime(s);
        GstLaunchSeconds = s;
        state.counters["ratio_glimview_to_gst_launch"] = GlimviewSeconds / s;
    }
}

} // namespace

// Glimview first, so that the ratio can be reported in the second.
BENCHMARK(BM_GlimviewFirstFrame)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GstLaunchFirstFrame)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    if (GstLaunchSeconds > 0) {
        // The start-up's designed pause of one second is not the program's cost.
        const double withoutPause = GlimviewSeconds - 1.0;
        std::printf("start-up to first frame: Glimview %.3f s, without its one-second pause %.3f s "
                    "(target 0.3 s), gst-launch-1.0 %.3f s, ratio %.2f\n",
            GlimviewSeconds, withoutPause, GstLaunchSeconds, withoutPause / GstLaunchSeconds);
    }
    Xvfb.reset();
    benchmark::Shutdown();
    return 0;
}
