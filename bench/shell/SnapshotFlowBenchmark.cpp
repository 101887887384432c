// SPDX-License-Identifier: GPL-2.0-or-later
// A snapshot from the release of the snapshot button to the thumbnail shown
// in the photo gallery, against the controller's snapshot alone (frame block
// to BMP file and back) in the same run: the ratio is what the window side
// adds. The capture library is the recording stand-in; the test plays the sink.
#include "MainFormTestAccess.h"
#include "RecordingVidcore.h"
#include "TestFrameBlock.h"
#include "camera/CamControllerUnit.h"
#include "camera/Snapwell.h"
#include "core/SettingsStore.h"
#include "gallery/PhotosFrm.h"
#include "widgets/ImageButton.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

namespace {

std::map<int, double> FlowSeconds;
std::map<int, double> SnapshotSeconds;

struct TFlowRig {
    TFlowRig(int width, int height)
    {
        QDir(Folder.path()).mkpath(QStringLiteral("Temp"));
        QDir::setCurrent(Folder.path());
        qputenv("XDG_CONFIG_HOME", Folder.filePath(QStringLiteral("config")).toUtf8());
        SetFrameMapReport([](const QString&) {});
        Names = UniqueTestMapNames();
        CreateFrameMaps(Names.block, Names.permission);
        Sink = std::make_unique<TestFrameBlock>(Names.block);
        Sink->PutFrame(width, height, [](int32_t x, int32_t y) {
            return Bgr { uint8_t(x), uint8_t(y), uint8_t(x ^ y) };
        });
        recording_vidcore::Reset({ true, true, {}, {} });
        OpenSettingsStore();
        CreateCamController();
        Form = new TMainForm();
        Ui(Form)->tmSystem->stop(); // no start-up
        CamController->OpenCaptureWindow(); // the stand-in opens at once
        Form->show();
    }
    ~TFlowRig()
    {
        delete Form;
        DestroyCamController();
        CloseSettingsStore();
        Sink.reset();
        CloseFrameMaps();
    }
    QTemporaryDir Folder;
    TestMapNames Names;
    std::unique_ptr<TestFrameBlock> Sink;
    TMainForm* Form = nullptr;
};

void BM_SnapshotButtonToThumbnail(benchmark::State& state)
{
    TFlowRig rig(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        QTest::mouseClick(Ui(rig.Form)->imgbSnapshot, Qt::LeftButton);
        QApplication::processEvents(); // the gallery paints its new thumbnail
    }
    if (rig.Form->Photos()->ImageCount() != state.iterations())
        state.SkipWithError("a snapshot was lost");
}

void BM_ControllerSnapshotAlone(benchmark::State& state)
{
    TFlowRig rig(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        if (!CamController->TakeSnapshot())
            state.SkipWithError("snapshot failed");
        benchmark::DoNotOptimize(CamController->SnapshotImage().constBits());
    }
}

// Per-iteration real time of each run, for the ratio printed at the end.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            const double seconds = run.GetAdjustedRealTime();
            const int width = std::stoi(run.benchmark_name().substr(run.benchmark_name().find('/') + 1));
            if (run.benchmark_name().rfind("BM_SnapshotButtonToThumbnail", 0) == 0)
                FlowSeconds[width] = seconds;
            else
                SnapshotSeconds[width] = seconds;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

// Each photo stays in the gallery: a few iterations keep memory modest at 1600x1200.
BENCHMARK(BM_SnapshotButtonToThumbnail)
    ->Args({ 640, 480 })
    ->Args({ 1600, 1200 })
    ->Iterations(25)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ControllerSnapshotAlone)
    ->Args({ 640, 480 })
    ->Args({ 1600, 1200 })
    ->Iterations(25)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const auto& [width, flow] : FlowSeconds)
        if (SnapshotSeconds.count(width) && SnapshotSeconds[width] > 0)
            std::printf(
                "snapshot button to thumbnail at width %d: %.2f ms, controller alone %.2f ms, ratio %.2f\n",
                width, flow, SnapshotSeconds[width], flow / SnapshotSeconds[width]);
    benchmark::Shutdown();
    return 0;
}
