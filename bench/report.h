// The table at the end of a run: each metric, our figure, the peer's figure
// from the same run, their ratio, the target and whether it is met.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace draxa::bench {

// One finished benchmark: seconds per iteration and its counters.
struct TResult {
    double Seconds = 0;
    std::map<std::string, double> Counters;
};

// Prints what the console reporter prints and keeps every result by name.
class TCollectingReporter : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal, so a log file stays plain text.
    TCollectingReporter();
    void ReportRuns(const std::vector<Run>& Runs) override;
    const std::map<std::string, TResult>& Results() const { return FResults; }

private:
    std::map<std::string, TResult> FResults;
};

// The table in Markdown: a header with the machine, the Qt version and the
// build, then one row per metric whose benchmarks ran.
std::string FormatTable(const std::map<std::string, TResult>& Results);

} // namespace draxa::bench
