// The benchmark program: Google Benchmark's command line, plus
//   --table=FILE      write the table of figures (also printed at the end) to FILE
//   --snapshots=DIR   write pictures of what the surface and the peers draw, and stop
//   --new-reference   take this tree's full repaint pictures as the reference
//                     (bench/full_repaint.sha256) instead of checking them
#include "benchmarks.h"
#include "report.h"

#include <benchmark/benchmark.h>
#include <QApplication>

#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);

    std::string TableFile, SnapshotDir;
    int Kept = 1;
    for (int I = 1; I < argc; ++I) {
        if (std::strncmp(argv[I], "--table=", 8) == 0)
            TableFile = argv[I] + 8;
        else if (std::strncmp(argv[I], "--snapshots=", 12) == 0)
            SnapshotDir = argv[I] + 12;
        else if (std::strcmp(argv[I], "--new-reference") == 0)
            draxa::bench::SetRewriteReferences(true);
        else
            argv[Kept++] = argv[I];
    }
    argc = Kept;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    draxa::bench::DescribeScenes();
    if (!SnapshotDir.empty()) {
        draxa::bench::WriteSnapshots(QString::fromStdString(SnapshotDir), 1000);
        return 0;
    }
    draxa::bench::RegisterBenchmarks();
    draxa::bench::TCollectingReporter Reporter;
    benchmark::RunSpecifiedBenchmarks(&Reporter);
    benchmark::Shutdown();

    const std::string Table = draxa::bench::FormatTable(Reporter.Results());
    std::cout << "\n" << Table << std::flush;
    if (!TableFile.empty()) std::ofstream(TableFile) << Table;
    return 0;
}
