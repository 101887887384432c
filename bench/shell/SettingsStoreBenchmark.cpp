// SPDX-License-Identifier: GPL-2.0-or-later
// The settings store's cost at start (open, then the main window's reads)
// and at close (the main window's writes) with a store of 10,000 keys,
// against the same with 10 keys. Target: under 100 ms for either with
// 10,000 keys. And a store of many sections, whose open grows linearly:
// 80,000 sections in well under a second (it took 20 s while every
// section header searched all sections before it).
#include "core/SettingsStore.h"
#include "core/WindowPositions.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

QByteArray StoreText(int keys)
{
    QByteArray text
        = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Tessaly\\Filler]\n";
    for (int i = 0; i < keys; ++i)
        text += "\"Key" + QByteArray::number(i) + "\"=\"some remembered text " + QByteArray::number(i)
            + "\"\n";
    return text;
}

QByteArray SectionsText(int sections)
{
    QByteArray text = "Windows Registry Editor Version 5.00\n";
    for (int i = 0; i < sections; ++i)
        text += "\n[HKEY_CURRENT_USER\\Software\\Tessaly\\Section" + QByteArray::number(i)
            + "]\n\"Key\"=dword:00000001\n";
    return text;
}

struct TStoreFile {
    explicit TStoreFile(int keys, bool asSections = false)
    {
        QFile file(Path());
        if (file.open(QIODevice::WriteOnly))
            file.write(asSections ? SectionsText(keys) : StoreText(keys));
    }
    QString Path() const { return Folder.filePath("settings.reg"); }
    QTemporaryDir Folder;
};

void Start(benchmark::State& state)
{
    const TStoreFile file(int(state.range(0)));
    for (auto _ : state) {
        TSettingsStore store(file.Path());
        benchmark::DoNotOptimize(ReadWindowPositions(store, QSize(354, 124), 148));
    }
}

void Close(benchmark::State& state)
{
    const TStoreFile file(int(state.range(0)));
    TSettingsStore store(file.Path());
    TWindowPositions positions = ReadWindowPositions(store, QSize(354, 124), 148);
    for (auto _ : state) {
        ++positions.MainController.Left;
        WriteWindowPositions(store, positions);
    }
}

void OpenManySections(benchmark::State& state)
{
    const TStoreFile file(int(state.range(0)), true);
    for (auto _ : state)
        benchmark::DoNotOptimize(TSettingsStore(file.Path()).ReadInteger("Section0", "Key", 0));
}

BENCHMARK(OpenManySections)->Arg(10000)->Arg(80000)->Unit(benchmark::kMillisecond);
BENCHMARK(Start)->Arg(10)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(Close)->Arg(10)->Arg(10000)->Unit(benchmark::kMillisecond);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n10,000 keys against 10 keys (target: under 100 ms each):\n");
    for (const char* name : { "Start", "Close" }) {
        const auto small = reporter.times.find(std::string(name) + "/10");
        const auto large = reporter.times.find(std::string(name) + "/10000");
        if (small != reporter.times.end() && large != reporter.times.end())
            std::printf("  %-6s %8.2f ms against %6.2f ms, ratio %.1f\n", name, large->second, small->second,
                large->second / small->second);
    }
    benchmark::Shutdown();
    return 0;
}
