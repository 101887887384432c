// SPDX-License-Identifier: GPL-2.0-or-later
// The photo gallery as it fills up: adding the 200th photo and paging a
// 200-photo strip against the same with 5 photos (targets: within 2x), and
// the memory one 640x480 photo costs.
#include "gallery/PhotosFrm.h"
#include "gallery/ThumbnailStrip.h"

#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>

#include <cstdio>
#include <malloc.h>
#include <memory>
#include <string>

namespace {

QImage Photo()
{
    QImage picture(640, 480, QImage::Format_RGB32);
    picture.fill(qRgb(90, 120, 150));
    return picture;
}

std::unique_ptr<TPhotosForm> GalleryWith(int count)
{
    auto form = std::make_unique<TPhotosForm>();
    const QImage photo = Photo();
    for (int i = 0; i < count; ++i)
        form->AddImage(photo);
    return form;
}

// Adds photo number count + 1; the one added is taken away again untimed.
void BM_AddImage(benchmark::State& state)
{
    const auto form = GalleryWith(static_cast<int>(state.range(0)) - 1);
    const QImage photo = Photo();
    for (auto _ : state) {
        form->AddImage(photo);
        state.PauseTiming();
        form->DeleteFocusedImage();
        state.ResumeTiming();
    }
}

void BM_PageScroll(benchmark::State& state)
{
    const auto form = GalleryWith(static_cast<int>(state.range(0)));
    bool left = true;
    for (auto _ : state) {
        if (left)
            form->Strip()->PageLeft();
        else
            form->Strip()->PageRight();
        left = !left;
    }
}

void ReportMemoryPerPhoto()
{
    constexpr int Photos = 50;
    auto form = std::make_unique<TPhotosForm>();
    const QImage photo = Photo();
    const size_t before = mallinfo2().uordblks;
    for (int i = 0; i < Photos; ++i)
        form->AddImage(photo);
    const size_t after = mallinfo2().uordblks;
    std::printf("memory per 640x480 photo: %.0f KiB (the full picture alone is %lld KiB)\n",
        (after - before) / 1024.0 / Photos, static_cast<long long>(photo.sizeInBytes() / 1024));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    for (int count : { 5, 200 }) {
        benchmark::RegisterBenchmark("AddImage", BM_AddImage)
            ->Arg(count)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
        benchmark::RegisterBenchmark("PageScroll", BM_PageScroll)
            ->Arg(count)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
    }
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* name : { "AddImage", "PageScroll" }) {
        const double few = reporter.RealTime(std::string(name) + "/5/repeats:5_median");
        const double many = reporter.RealTime(std::string(name) + "/200/repeats:5_median");
        if (few > 0)
            std::printf("%s with 200 photos / with 5: %.2f (target <= 2)\n", name, many / few);
    }
    ReportMemoryPerPhoto();
    benchmark::Shutdown();
    return 0;
}
