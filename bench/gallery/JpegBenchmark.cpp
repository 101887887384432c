// SPDX-License-Identifier: GPL-2.0-or-later
// SaveBitmapAsJpeg (picture in memory to file) against TurboJPEG's
// tjCompress2 encoding the same pixels at quality 90, 4:2:0, and writing the
// same file, at 640x480 and 1600x1200. Prints the ratio per size; the target
// is at most 1.15.
#include "gallery/JpegWriter.h"

#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdio>
#include <string>
#include <utility>

#include <turbojpeg.h>

namespace {

struct Size {
    int width;
    int height;
};
constexpr Size kSizes[] = { { 640, 480 }, { 1600, 1200 } };

// A picture with detail, as a camera frame has, so the encoder has work to do.
QImage Frame(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = qRgb((x * 7 + y) & 255, (y * 5 + (x >> 2)) & 255, ((x ^ y) * 3) & 255);
    }
    return picture;
}

QTemporaryDir& Folder()
{
    static QTemporaryDir dir;
    return dir;
}

void BM_SaveBitmapAsJpeg(benchmark::State& state)
{
    const QImage picture = Frame(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const QString path = Folder().filePath(QStringLiteral("ours.jpg"));
    for (auto _ : state)
        SaveBitmapAsJpeg(picture, path, TReplace::Confirmed);
}

void BM_TurboJpeg(benchmark::State& state)
{
    const QImage picture = Frame(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const QByteArray path = QFile::encodeName(Folder().filePath(QStringLiteral("turbo.jpg")));
    tjhandle handle = tjInitCompress();
    for (auto _ : state) {
        unsigned char* jpeg = nullptr;
        unsigned long size = 0;
        if (tjCompress2(handle, picture.constBits(), picture.width(),
                static_cast<int>(picture.bytesPerLine()), picture.height(), TJPF_BGRX, &jpeg, &size,
                TJSAMP_420, 90, 0)
            != 0) {
            state.SkipWithError("tjCompress2 failed");
            break;
        }
        std::FILE* file = std::fopen(path.constData(), "wb");
        std::fwrite(jpeg, 1, size, file);
        std::fclose(file);
        tjFree(jpeg);
    }
    tjDestroy(handle);
}

} // namespace

int main(int argc, char** argv)
{
    for (const Size size : kSizes) {
        using TBenchmark = void (*)(benchmark::State&);
        const std::pair<const char*, TBenchmark> contenders[]
            = { { "SaveBitmapAsJpeg", BM_SaveBitmapAsJpeg }, { "TurboJpeg", BM_TurboJpeg } };
        for (const auto& [name, function] : contenders)
            benchmark::RegisterBenchmark(name, function)
                ->Args({ size.width, size.height })
                ->Repetitions(7)
                ->ReportAggregatesOnly(true)
                ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const Size size : kSizes) {
        const std::string args
            = "/" + std::to_string(size.width) + "/" + std::to_string(size.height) + "/repeats:7_median";
        const double ours = reporter.RealTime("SaveBitmapAsJpeg" + args);
        const double turbo = reporter.RealTime("TurboJpeg" + args);
        if (turbo > 0)
            std::printf("SaveBitmapAsJpeg/tjCompress2 ratio %dx%d: %.2f (target <= 1.15)\n", size.width,
                size.height, ours / turbo);
    }
    benchmark::Shutdown();
    return 0;
}
