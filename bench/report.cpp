#include "report.h"

#include <QDate>
#include <QFile>
#include <QSysInfo>
#include <QtGlobal>

#include <cmath>
#include <cstdio>
#include <functional>
#include <sstream>
#include <thread>

#include <unistd.h>
#include <utility>

namespace draxa::bench {

TCollectingReporter::TCollectingReporter()
    : ConsoleReporter(isatty(fileno(stdout)) ? OO_Defaults : OO_Tabular) {}

void TCollectingReporter::ReportRuns(const std::vector<Run>& Runs) {
    for (const Run& R : Runs) {
        if (R.error_occurred || R.run_type != Run::RT_Iteration || R.iterations <= 0) continue;
        TResult Result;
        // Processor time of the whole process: the figure that other work on
        // a shared machine does not inflate, and that still counts Qt's
        // helper threads.
        Result.Seconds = R.cpu_accumulated_time / double(R.iterations);
        for (const auto& [Name, Counter] : R.counters) Result.Counters[Name] = Counter.value;
        FResults[R.run_name.function_name] = Result;
    }
    ConsoleReporter::ReportRuns(Runs);
}

namespace {

std::string Printf(const char* Format, double V) {
    char Buffer[64];
    std::snprintf(Buffer, sizeof Buffer, Format, V);
    return Buffer;
}

std::string FormatTime(double S) {
    if (S < 1e-3) return Printf("%.1f us", S * 1e6);
    if (S < 1) return Printf("%.2f ms", S * 1e3);
    return Printf("%.2f s", S);
}

std::string Count(int N) {
    std::string S = std::to_string(N);
    for (int I = int(S.size()) - 3; I > 0; I -= 3) S.insert(size_t(I), ",");
    return S;
}

// One metric: our benchmark, the peer's, and what the issue asks of them.
struct TRow {
    TRow(std::string M, std::string O, std::string P, std::string PN)
        : Metric(std::move(M)), Ours(std::move(O)), Peer(std::move(P)), PeerName(std::move(PN)) {}
    std::string Metric, Ours, Peer, PeerName;
    enum TKind { Time, Throughput, Memory } Kind = Time;
    double MaxRatio = 0;          // our time over the peer's
    double MaxSeconds = 0;        // our time per iteration
    double MinBytesPerSecond = 0; // documents
    double MinShapesPerSecond = 0;
    double MinPeerOverOurs = 0; // the peer's time over ours
    std::string Target;
};

std::vector<TRow> Rows() {
    std::vector<TRow> Rows;
    for (int N : {1000, 10000, 100000}) {
        const std::string S = "/" + std::to_string(N), C = Count(N);
        const bool Ten = N == 10000, Hundred = N == 100000;
        TRow Full{"full repaint, " + C, "FullRepaint/draxa" + S, "FullRepaint/qpainter" + S,
                  "direct QPainter"};
        if (Ten) Full.MaxRatio = 1.25, Full.Target = "<= 1.25 x direct QPainter";
        Rows.push_back(Full);
        TRow FullScene{"full repaint, " + C, "FullRepaint/draxa" + S, "FullRepaint/qgraphicsscene" + S,
                       "QGraphicsScene::render"};
        if (Ten) FullScene.MaxRatio = 1.0, FullScene.Target = "<= 1.0 x QGraphicsScene";
        Rows.push_back(FullScene);
        TRow Partial{"partial repaint 200 x 200, " + C, "PartialRepaint200/draxa" + S,
                     "PartialRepaint200/qgraphicsscene" + S, "QGraphicsScene::render"};
        if (Ten) Partial.MaxSeconds = 2e-3, Partial.Target = "<= 2 ms";
        if (Hundred) Partial.MaxSeconds = 16e-3, Partial.Target = "<= 16 ms";
        Rows.push_back(Partial);
        Rows.push_back({"partial repaint 32 x 32, " + C, "PartialRepaint32/draxa" + S,
                        "PartialRepaint32/qgraphicsscene" + S, "QGraphicsScene::render"});
        TRow Smooth{"full repaint antialiased, " + C, "FullRepaintSmooth/draxa" + S,
                    "FullRepaintSmooth/qgraphicsscene" + S, "QGraphicsScene::render, antialiased"};
        if (Ten || Hundred) Smooth.MaxRatio = 1.0, Smooth.Target = "<= 1.0 x QGraphicsScene";
        Rows.push_back(Smooth);
        TRow SmoothPart{"partial repaint 200 x 200 antialiased, " + C, "PartialRepaintSmooth200/draxa" + S,
                        "PartialRepaintSmooth200/qgraphicsscene" + S, "QGraphicsScene::render, antialiased"};
        if (Ten || Hundred) SmoothPart.MaxRatio = 1.0, SmoothPart.Target = "<= 1.0 x QGraphicsScene";
        Rows.push_back(SmoothPart);
        Rows.push_back({"full repaint antialiased at device pixel ratio 2, " + C,
                        "FullRepaintRatio2/draxa" + S, "FullRepaintRatio2/qgraphicsscene" + S,
                        "QGraphicsScene::render, antialiased"});
        TRow Hover{"hover per mouse move, " + C, "Hover/draxa" + S, "Hover/itemAt" + S,
                   "QGraphicsScene::itemAt"};
        if (Ten) Hover.MaxRatio = 0.25, Hover.MaxSeconds = 50e-6, Hover.Target = "<= 0.25 x itemAt, <= 50 us";
        if (Hundred)
            Hover.MaxRatio = 0.25, Hover.MaxSeconds = 0.5e-3, Hover.Target = "<= 0.25 x itemAt, <= 0.5 ms";
        Rows.push_back(Hover);
        Rows.push_back({"first mouse move after a change, " + C, "HoverAfterChange/draxa" + S, "", ""});
        TRow Drag{"drag frame (press, move 1 px, release, repaint), " + C, "DragFrame/draxa" + S,
                  "DragFrame/qgraphicsscene" + S, "QGraphicsScene move + render"};
        if (Ten) Drag.MaxSeconds = 8e-3, Drag.Target = "<= 8 ms";
        Rows.push_back(Drag);
        Rows.push_back({"drag outline per mouse move, " + C, "DragOutline/draxa" + S, "", ""});
        for (const char* Pictures : {"pictures", "nopictures"}) {
            const std::string P = S + "/" + Pictures;
            const std::string With =
                std::string(Pictures) == "pictures" ? "with pictures" : "without pictures";
            for (const char* Op : {"Load", "Save"}) {
                const std::string Name = std::string("Doc") + Op;
                TRow Doc{std::string("document ") + (Op[0] == 'L' ? "load" : "save") + ", " + C + ", " + With,
                         Name + "/draxa" + P, Name + "/qdatastream" + P,
                         std::string("QDataStream ") + (Op[0] == 'L' ? "reader" : "writer")};
                Doc.Kind = TRow::Throughput;
                Doc.MinBytesPerSecond = 250e6, Doc.MinShapesPerSecond = 1e6;
                Doc.Target = ">= 250 MB/s, >= 1,000,000 shapes/s";
                Rows.push_back(Doc);
            }
            TRow Svg{"document load, " + C + ", " + With, "DocLoad/draxa" + P, "DocLoad/qsvgrenderer" + P,
                     "QSvgRenderer::load"};
            Svg.MinPeerOverOurs = 5, Svg.Target = "<= 0.2 x QSvgRenderer (5 x faster)";
            Rows.push_back(Svg);
        }
        TRow Mem{"memory per shape, " + C, "Memory/draxa" + S, "Memory/qgraphicsscene" + S,
                 "QGraphicsScene items"};
        Mem.Kind = TRow::Memory;
        Rows.push_back(Mem);
    }
    TRow Route{"re-route, 100 connectors among 1,000 combines", "Reroute/draxa", "Reroute/qgraphicsscene",
               "100 QGraphicsPathItem::setPath"};
    Route.MaxSeconds = 16e-3, Route.Target = "<= 16 ms";
    Rows.push_back(Route);
    return Rows;
}

std::string CpuName() {
    QFile F(QStringLiteral("/proc/cpuinfo"));
    if (F.open(QIODevice::ReadOnly))
        for (const QByteArray& Line : F.readAll().split('\n'))
            if (Line.startsWith("model name")) return Line.mid(Line.indexOf(':') + 1).trimmed().toStdString();
    return QSysInfo::currentCpuArchitecture().toStdString();
}

double Counter(const TResult& R, const std::string& Name) {
    const auto It = R.Counters.find(Name);
    return It == R.Counters.end() ? 0 : It->second;
}

std::string Throughput(const TResult& R) {
    const double Bytes = Counter(R, "bytes"), Shapes = Counter(R, "shapes");
    return FormatTime(R.Seconds) + ", " + Printf("%.0f MB/s", Bytes / R.Seconds / 1e6) + ", " +
           Printf("%.2f M shapes/s", Shapes / R.Seconds / 1e6);
}

std::string Figure(const TRow& Row, const TResult& R) {
    switch (Row.Kind) {
    case TRow::Time:
        return FormatTime(R.Seconds);
    case TRow::Throughput:
        return Throughput(R);
    case TRow::Memory:
        return Printf("%.0f B/shape", Counter(R, "bytes_per_shape"));
    }
    return {};
}

} // namespace

std::string FormatTable(const std::map<std::string, TResult>& Results) {
    std::ostringstream Out;
    Out << "Machine: " << CpuName() << ", " << std::thread::hardware_concurrency() << " threads; "
        << QSysInfo::prettyProductName().toStdString() << "; Qt " << qVersion() << "; compiler "
        << __VERSION__
#ifdef NDEBUG
        << ", optimised build"
#else
        << ", build WITHOUT optimisation (figures are not comparable)"
#endif
        << "; " << QDate::currentDate().toString(Qt::ISODate).toStdString() << ".\n\n";
    Out << "| metric | ours | peer | peer figure | ratio | target | met? |\n";
    Out << "|---|---|---|---|---|---|---|\n";
    for (const TRow& Row : Rows()) {
        const auto Ours = Results.find(Row.Ours);
        if (Ours == Results.end()) continue;
        const TResult& O = Ours->second;
        const auto Peer = Row.Peer.empty() ? Results.end() : Results.find(Row.Peer);
        std::string PeerFigure = "-", Ratio = "-";
        double R = 0;
        if (Peer != Results.end()) {
            PeerFigure = Figure(Row, Peer->second);
            if (Row.Kind == TRow::Memory) {
                const double P = Counter(Peer->second, "bytes_per_shape");
                R = P > 0 ? Counter(O, "bytes_per_shape") / P : 0;
            } else {
                R = O.Seconds / Peer->second.Seconds;
            }
            Ratio = Printf("%.2f x", R);
        }
        bool Met = true, HasTarget = false;
        auto Check = [&](bool Applies, bool Holds) {
            if (!Applies) return;
            HasTarget = true;
            Met = Met && Holds;
        };
        const bool HavePeer = Peer != Results.end();
        Check(Row.MaxRatio > 0, HavePeer && R <= Row.MaxRatio);
        Check(Row.MaxSeconds > 0, O.Seconds <= Row.MaxSeconds);
        Check(Row.MinBytesPerSecond > 0, Counter(O, "bytes") / O.Seconds >= Row.MinBytesPerSecond);
        Check(Row.MinShapesPerSecond > 0, Counter(O, "shapes") / O.Seconds >= Row.MinShapesPerSecond);
        Check(Row.MinPeerOverOurs > 0, HavePeer && R > 0 && 1 / R >= Row.MinPeerOverOurs);
        Out << "| " << Row.Metric << " | " << Figure(Row, O) << " | "
            << (Row.PeerName.empty() ? "-" : Row.PeerName) << " | " << PeerFigure << " | " << Ratio << " | "
            << (Row.Target.empty() ? "-" : Row.Target) << " | "
            << (HasTarget ? (Met ? "yes" : "**no**") : "-") << " |\n";
    }
    return Out.str();
}

} // namespace draxa::bench
