// SPDX-License-Identifier: GPL-2.0-or-later
// A snapshot (BMP written from the frame block, read back into a picture)
// against the plain cost of writing and reading as many bytes in the same
// folder. Prints the ratio per size; the target is at most 1.5.
#include "TestFrameBlock.h"
#include "camera/CamControllerUnit.h"
#include "camera/Snapwell.h"

#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <map>
#include <memory>
#include <unistd.h>

namespace {

struct Size {
    int32_t width, height;
};
constexpr Size kSizes[] = { { 640, 480 }, { 1600, 1200 } };

QTemporaryDir& Folder()
{
    static QTemporaryDir folder(QDir::currentPath() + "/snapshot-bench-XXXXXX");
    QDir(folder.path()).mkdir("Temp"); // the snapshot goes to Temp/ under the base folder
    return folder;
}

void BM_TakeSnapshot(benchmark::State& state)
{
    const auto width = static_cast<int32_t>(state.range(0));
    const auto height = static_cast<int32_t>(state.range(1));
    const TestMapNames names = UniqueTestMapNames();
    CreateFrameMaps(names.block, names.permission);
    TestFrameBlock sink(names.block);
    sink.PutFrame(width, height, [](int32_t x, int32_t y) {
        return Bgr { uint8_t(x), uint8_t(y), uint8_t(x ^ y) };
    });
    TCamController controller;
    controller.SetBaseFolder(Folder().path());
    for (auto _ : state) {
        if (!controller.TakeSnapshot())
            state.SkipWithError("snapshot failed");
        benchmark::DoNotOptimize(controller.SnapshotImage().constBits());
    }
    CloseFrameMaps();
}

void BM_WriteAndReadBack(benchmark::State& state)
{
    const auto bytes = static_cast<std::size_t>(state.range(0) * state.range(1) * 3 + 54);
    const std::unique_ptr<char[]> data(new char[bytes]());
    const QByteArray file = QFile::encodeName(Folder().filePath("Temp/plain.bin"));
    for (auto _ : state) {
        int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (fd < 0 || ::write(fd, data.get(), bytes) != static_cast<ssize_t>(bytes))
            state.SkipWithError("write failed");
        ::close(fd);
        const std::unique_ptr<char[]> back(new char[bytes]);
        fd = ::open(file.constData(), O_RDONLY);
        if (fd < 0 || ::read(fd, back.get(), bytes) != static_cast<ssize_t>(bytes))
            state.SkipWithError("read failed");
        ::close(fd);
        benchmark::DoNotOptimize(back.get());
    }
}

// Keeps each run's time per iteration so the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    struct Times {
        double real = 0;
        double cpu = 0;
    };
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            Measured[run.benchmark_name()] = { run.GetAdjustedRealTime(), run.GetAdjustedCPUTime() };
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, Times> Measured;
};

} // namespace

int main(int argc, char** argv)
{
    for (const Size size : kSizes) {
        benchmark::RegisterBenchmark("TakeSnapshot", BM_TakeSnapshot)
            ->Args({ size.width, size.height })
            ->Repetitions(9)
            ->ReportAggregatesOnly(true)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("WriteAndReadBack", BM_WriteAndReadBack)
            ->Args({ size.width, size.height })
            ->Repetitions(9)
            ->ReportAggregatesOnly(true)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const Size size : kSizes) {
        // Medians: the disk is shared with whatever else the machine does.
        const std::string args
            = "/" + std::to_string(size.width) + "/" + std::to_string(size.height) + "/repeats:9_median";
        const auto snapshot = reporter.Measured["TakeSnapshot" + args];
        const auto baseline = reporter.Measured["WriteAndReadBack" + args];
        if (baseline.real > 0 && baseline.cpu > 0)
            std::printf("snapshot/plain ratio %dx%d: %.2f real, %.2f cpu (target <= 1.5)\n", size.width,
                size.height, snapshot.real / baseline.real, snapshot.cpu / baseline.cpu);
    }
    benchmark::Shutdown();
    return 0;
}
