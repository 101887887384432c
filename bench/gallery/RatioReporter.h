// SPDX-License-Identifier: GPL-2.0-or-later
// Keeps each benchmark's median time so a program can print its ratios
// against the baseline measured in the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            FMeasured[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    // Zero for a run that did not happen.
    double RealTime(const std::string& name) const
    {
        const auto found = FMeasured.find(name);
        return found == FMeasured.end() ? 0.0 : found->second;
    }

private:
    std::map<std::string, double> FMeasured;
};
