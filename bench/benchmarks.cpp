// The benchmarks, each with its peer in the same process, on the scenes of
// scene.h at 1,000, 10,000 and 100,000 shapes and on the routing scene.
//
// Mouse input goes through Qt's event dispatch (QApplication::sendEvent), so
// the surface's own handlers run exactly as for a user.
#include "benchmarks.h"

#include "foundation/streams.h"
#include "peers.h"
#include "scene.h"
#include "surface/draxa.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QGraphicsItem>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>

#include <malloc.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>

namespace draxa::bench {

namespace {

// ---- scenes, one at a time (the largest takes a good part of a gigabyte) ----

struct TScene {
    int Shapes = 0;
    QByteArray Document, PlainDocument; // with and without pictures
    std::unique_ptr<TMeasuredSurface> Surface, PlainSurface, Loader;
    TSceneData Data, PlainData;
    std::unique_ptr<TPeerScene> Peer;
    QByteArray Svg[2], Plain[2]; // [0] without pictures, [1] with
    std::vector<QPoint> HoverPoints;
    int OnShapes = 0, OnEmpty = 0;
};

// ---- the picture a full repaint gives ----

// The reference digests of the full repaint of each scene, one "SHAPES
// SHA-256" line per scene size, kept with the sources: speed work must not
// change a single pixel.
QString ReferenceFile() {
    return QStringLiteral(DRAXA_BENCH_SOURCE_DIR "/full_repaint.sha256");
}

std::map<int, QByteArray> ReadReferences() {
    std::map<int, QByteArray> Digests;
    QFile F(ReferenceFile());
    if (!F.open(QIODevice::ReadOnly | QIODevice::Text)) return Digests;
    while (!F.atEnd()) {
        const QList<QByteArray> Words = F.readLine().simplified().split(' ');
        if (Words.size() == 2) Digests[Words[0].toInt()] = Words[1];
    }
    return Digests;
}

bool& RewriteReferences() {
    static bool Rewrite = false;
    return Rewrite;
}

// Paints the whole scene once (as a shown window would have been) and
// compares the picture with the reference; a difference stops the program.
void CheckFullRepaint(TMyDraxa& Surface, int N) {
    Surface.RenderToBitmap(Surface.ClientRect());
    const QImage& Image = Surface.OffscreenBitmap().Image();
    QCryptographicHash Hash(QCryptographicHash::Sha256);
    for (int Y = 0; Y < Image.height(); ++Y)
        Hash.addData(QByteArrayView(reinterpret_cast<const char*>(Image.constScanLine(Y)),
                                    qsizetype(Image.width()) * 4));
    const QByteArray Digest = Hash.result().toHex();
    std::map<int, QByteArray> References = ReadReferences();
    const auto Found = References.find(N);
    if (Found != References.end() && Found->second == Digest && !RewriteReferences()) return;
    if (Found == References.end() || RewriteReferences()) {
        References[N] = Digest;
        QFile F(ReferenceFile());
        if (F.open(QIODevice::WriteOnly | QIODevice::Text))
            for (const auto& [Shapes, D] : References) F.write(QByteArray::number(Shapes) + ' ' + D + '\n');
        std::fprintf(stderr, "full repaint of %d shapes: reference digest %s recorded\n", N,
                     Digest.constData());
        return;
    }
    std::fprintf(stderr,
                 "full repaint of %d shapes: the picture differs from the reference (%s, expected %s); "
                 "compare with --snapshots, and run with --new-reference only if the change is meant\n",
                 N, Digest.constData(), Found->second.constData());
    std::abort();
}

TScene& SceneOf(int N) {
    static std::unique_ptr<TScene> Current;
    if (Current && Current->Shapes == N) return *Current;
    Current.reset();
    auto S = std::make_unique<TScene>();
    S->Shapes = N;
    S->Document = BuildSceneDocument({N, true});
    S->Surface = MakeSurface();
    LoadDocument(*S->Surface, S->Document);
    CheckFullRepaint(*S->Surface, N);
    S->Surface->ForgetPendingPaint();
    S->Data = ReadScene(*S->Surface);
    S->Peer = std::make_unique<TPeerScene>(S->Data);
    // Qt builds its item index on the first query.
    S->Peer->itemAt(QPointF(1, 1), QTransform());
    Current = std::move(S);
    return *Current;
}

TMyDraxa& PlainSurface(TScene& S) {
    if (!S.PlainSurface) {
        S.PlainDocument = BuildSceneDocument({S.Shapes, false});
        S.PlainSurface = MakeSurface();
        LoadDocument(*S.PlainSurface, S.PlainDocument);
        S.PlainData = ReadScene(*S.PlainSurface);
    }
    return *S.PlainSurface;
}

const QByteArray& DocumentOf(TScene& S, bool Pictures) {
    if (Pictures) return S.Document;
    PlainSurface(S);
    return S.PlainDocument;
}

const TSceneData& DataOf(TScene& S, bool Pictures) {
    if (Pictures) return S.Data;
    PlainSurface(S);
    return S.PlainData;
}

const QByteArray& SvgOf(TScene& S, bool Pictures) {
    QByteArray& Svg = S.Svg[Pictures];
    if (Svg.isEmpty()) Svg = WriteSvg(DataOf(S, Pictures));
    return Svg;
}

const QByteArray& PlainBytesOf(TScene& S, bool Pictures) {
    QByteArray& Bytes = S.Plain[Pictures];
    if (Bytes.isEmpty()) Bytes = WritePlain(DataOf(S, Pictures));
    return Bytes;
}

TMyDraxa& LoaderOf(TScene& S) {
    if (!S.Loader) S.Loader = MakeSurface();
    return *S.Loader;
}

struct TRerouteScene {
    int HubNumber = -1, HubIndex = -1;
    std::unique_ptr<TMeasuredSurface> Surface;
    std::unique_ptr<TPeerScene> Peer;
};

TRerouteScene& RerouteScene() {
    static std::unique_ptr<TRerouteScene> Scene;
    if (Scene) return *Scene;
    Scene = std::make_unique<TRerouteScene>();
    const QByteArray Document = BuildRerouteDocument(Scene->HubNumber);
    Scene->Surface = MakeSurface();
    LoadDocument(*Scene->Surface, Document);
    Scene->HubIndex = Scene->Surface->IndexOfNumber(Scene->HubNumber);
    Scene->Peer = std::make_unique<TPeerScene>(ReadScene(*Scene->Surface));
    return *Scene;
}

// ---- the mouse ------------------------------------------------------------------

void Send(QWidget& W, QEvent::Type Type, const QPoint& P, Qt::MouseButton Button, Qt::MouseButtons Held) {
    QMouseEvent E(Type, QPointF(P), QPointF(P), Button, Held, Qt::NoModifier);
    QApplication::sendEvent(&W, &E);
}
void Hover(QWidget& W, const QPoint& P) {
    Send(W, QEvent::MouseMove, P, Qt::NoButton, Qt::NoButton);
}
void Press(QWidget& W, const QPoint& P) {
    Send(W, QEvent::MouseButtonPress, P, Qt::LeftButton, Qt::LeftButton);
}
void DragTo(QWidget& W, const QPoint& P) {
    Send(W, QEvent::MouseMove, P, Qt::NoButton, Qt::LeftButton);
}
void Release(QWidget& W, const QPoint& P) {
    Send(W, QEvent::MouseButtonRelease, P, Qt::LeftButton, Qt::NoButton);
}

// Half the points on shapes, half on empty space, alternating; each checked
// with the surface's own hover tracking.
void PrepareHover(TScene& S) {
    if (!S.HoverPoints.empty()) return;
    TMeasuredSurface& Surface = *S.Surface;
    Surface.UnselectAll();
    std::vector<QPoint> On, Empty;
    TRandom R(3);
    const int N = int(S.Data.Shapes.size());
    for (int Tries = 0; On.size() < 256 && Tries < 4000; ++Tries) {
        const TShapeData& D = S.Data.Shapes[size_t(R.Int(0, N - 1))];
        if (!D.Shown || D.Group >= 0 || D.Points.isEmpty()) continue;
        const bool Open = D.Kind == TPeerKind::Polyline || D.Kind == TPeerKind::Arc ||
                          D.Kind == TPeerKind::Bezier || D.Kind == TPeerKind::BLine;
        const QPoint P = (Open ? D.Points[0] : D.Points.boundingRect().center()).toPoint();
        Hover(Surface, P);
        if (Surface.HoverShape()) On.push_back(P);
    }
    for (const QPoint& P : EmptySpaceCandidates(2048, 4)) {
        if (Empty.size() >= 256) break;
        Hover(Surface, P);
        if (!Surface.HoverShape() && !S.Peer->itemAt(QPointF(P), QTransform())) Empty.push_back(P);
    }
    S.OnShapes = int(On.size());
    S.OnEmpty = int(Empty.size());
    for (size_t I = 0; I < std::max(On.size(), Empty.size()); ++I) {
        if (I < On.size()) S.HoverPoints.push_back(On[I]);
        if (I < Empty.size()) S.HoverPoints.push_back(Empty[I]);
    }
}

// An unturned box with three or more connectors (a typical hub of a
// diagram), big enough to grab in the middle; the first in the list.
int DragBoxOf(const TSceneData& Data) {
    for (size_t I = 0; I < Data.Shapes.size(); ++I) {
        const TShapeData& D = Data.Shapes[I];
        if (D.ClassName != QLatin1String("TMyRectangle") || !D.Shown || D.Group >= 0 || D.Angle != 0)
            continue;
        const QRectF B = D.Points.boundingRect();
        if (B.width() >= 24 && B.height() >= 20 && D.LinkLines.size() >= 3) return int(I);
    }
    return -1;
}

size_t HeapInUse() {
    const struct mallinfo2 M = mallinfo2();
    return M.uordblks + M.hblkhd;
}

void SetShapes(benchmark::State& St, int N) {
    St.counters["shapes"] = N;
}

// ---- repaint ------------------------------------------------------------------------

// Smooth: both sides draw with smooth edges. Ratio: device pixels per
// pixel (a high-density screen has 2).
void FullRepaintDraxa(benchmark::State& St, int N, bool Smooth = false, int Ratio = 1) {
    TMyDraxa& Surface = *SceneOf(N).Surface;
    const TRect All = Surface.ClientRect();
    Surface.SetAntialiased(Smooth);
    for (auto _ : St) Surface.RenderToBitmap(All, Ratio);
    Surface.SetAntialiased(false);
    SetShapes(St, N);
}

void FullRepaintQPainter(benchmark::State& St, int N) {
    TScene& S = SceneOf(N);
    QImage Image(S.Data.Width, S.Data.Height, QImage::Format_RGB32);
    for (auto _ : St) {
        QPainter P(&Image);
        PaintDirect(P, S.Data, Image.rect());
    }
    SetShapes(St, N);
}

void FullRepaintScene(benchmark::State& St, int N, bool Smooth = false, int Ratio = 1) {
    TScene& S = SceneOf(N);
    QImage Image(S.Data.Width * Ratio, S.Data.Height * Ratio, QImage::Format_RGB32);
    Image.setDevicePixelRatio(Ratio);
    const QRectF All(0, 0, S.Data.Width, S.Data.Height);
    for (auto _ : St) {
        QPainter P(&Image);
        P.setRenderHint(QPainter::Antialiasing, Smooth);
        S.Peer->render(&P, All, All);
    }
    SetShapes(St, N);
}

void PartialRepaintDraxa(benchmark::State& St, int N, int Side, bool Smooth = false) {
    TMyDraxa& Surface = *SceneOf(N).Surface;
    const std::vector<QRect> Rects = InvalidRects(Side, 64, 5);
    Surface.SetAntialiased(Smooth);
    Surface.RenderNow();
    size_t I = 0;
    for (auto _ : St) {
        const QRect& R = Rects[I++ % Rects.size()];
        Surface.InvalidateRect(TRect{R.left(), R.top(), R.left() + Side, R.top() + Side});
        Surface.RenderNow();
    }
    Surface.SetAntialiased(false);
    Surface.RenderNow();
    SetShapes(St, N);
}

void PartialRepaintScene(benchmark::State& St, int N, int Side, bool Smooth = false) {
    TScene& S = SceneOf(N);
    const std::vector<QRect> Rects = InvalidRects(Side, 64, 5);
    QImage Image(Side, Side, QImage::Format_RGB32);
    size_t I = 0;
    for (auto _ : St) {
        QPainter P(&Image);
        P.setRenderHint(QPainter::Antialiasing, Smooth);
        S.Peer->render(&P, QRectF(Image.rect()), QRectF(Rects[I++ % Rects.size()]));
    }
    SetShapes(St, N);
}

// ---- hover ----------------------------------------------------------------------------

void HoverDraxa(benchmark::State& St, int N) {
    TScene& S = SceneOf(N);
    PrepareHover(S);
    if (S.HoverPoints.empty()) return St.SkipWithError("no hover points");
    size_t I = 0;
    for (auto _ : St) Hover(*S.Surface, S.HoverPoints[I++ % S.HoverPoints.size()]);
    St.counters["on_shapes"] = S.OnShapes;
    St.counters["on_empty"] = S.OnEmpty;
    SetShapes(St, N);
}

// The first move after a change to the drawing: one box moved by a pixel
// (and back at the next change), so that the index re-files that box only.
void HoverAfterChangeDraxa(benchmark::State& St, int N) {
    TScene& S = SceneOf(N);
    PrepareHover(S);
    if (S.HoverPoints.empty()) return St.SkipWithError("no hover points");
    const int Box = DragBoxOf(S.Data);
    if (Box < 0) return St.SkipWithError("no box to move");
    TMyShape* Moved = S.Surface->ShapeByIndex(Box);
    size_t I = 0;
    int D = 1;
    for (auto _ : St) {
        Moved->Move(D, 0);
        D = -D;
        Hover(*S.Surface, S.HoverPoints[I++ % S.HoverPoints.size()]);
    }
    if (D < 0) Moved->Move(D, 0);
    S.Surface->ForgetPendingPaint();
    SetShapes(St, N);
}

void HoverItemAt(benchmark::State& St, int N) {
    TScene& S = SceneOf(N);
    PrepareHover(S);
    if (S.HoverPoints.empty()) return St.SkipWithError("no hover points");
    size_t I = 0;
    for (auto _ : St)
        benchmark::DoNotOptimize(
            S.Peer->itemAt(QPointF(S.HoverPoints[I++ % S.HoverPoints.size()]), QTransform()));
    SetShapes(St, N);
}

// ---- dragging ---------------------------------------------------------------------------

void DragFrameDraxa(benchmark::State& St, int N) {
    TScene& S = SceneOf(N);
    const int Box = DragBoxOf(S.Data);
    if (Box < 0) return St.SkipWithError("no connected box to drag");
    TMeasuredSurface& Surface = *S.Surface;
    Surface.UnselectAll();
    Surface.SelectShape(Surface.ShapeByIndex(Box));
    Surface.ForgetPendingPaint();
    QPoint C = S.Data.Shapes[size_t(Box)].Points.boundingRect().center().toPoint();
    int D = 1;
    for (auto _ : St) {
        // One frame of a drag by one pixel: the press on the selected box,
        // the outline on the move, the move with its connectors re-routed
        // at the release, and the repaint that follows.
        Press(Surface, C);
        DragTo(Surface, C + QPoint(D, 0));
        Release(Surface, C + QPoint(D, 0));
        Surface.RenderNow();
        C += QPoint(D, 0);
        D = -D;
    }
    St.counters["connectors"] = double(S.Data.Shapes[size_t(Box)].LinkLines.size());
    Surface.UnselectAll();
    Surface.ClearUndo();
    Surface.ForgetPendingPaint();
    SetShapes(St, N);
}

void DragFrameScene(benchmark::State& St, int N) {
    TScene& S = SceneOf(N);
    const int Box = DragBoxOf(S.Data);
    if (Box < 0) return St.SkipWithError("no connected box to drag");
    QImage Screen(S.Data.Width, S.Data.Height, QImage::Format_RGB32);
    {
        QPainter P(&Screen);
        S.Peer->render(&P);
    }
    int D = 1;
    for (auto _ : St) {
        const QRectF Damage = S.Peer->MoveShapeAndConnectors(size_t(Box), D, 0);
        QPainter P(&Screen);
        P.setClipRect(Damage);
        S.Peer->render(&P, Damage, Damage);
        D = -D;
    }
    SetShapes(St, N);
}

void DragOutlineDraxa(benchmark::State& St, int N) {
    TScene& S = SceneOf(N);
    const int Box = DragBoxOf(S.Data);
    if (Box < 0) return St.SkipWithError("no connected box to drag");
    TMeasuredSurface& Surface = *S.Surface;
    Surface.UnselectAll();
    Surface.SelectShape(Surface.ShapeByIndex(Box));
    Surface.ForgetPendingPaint();
    const QPoint C = S.Data.Shapes[size_t(Box)].Points.boundingRect().center().toPoint();
    Press(Surface, C);
    int K = 0;
    for (auto _ : St) DragTo(Surface, C + QPoint(1 + (K++ & 1), 0));
    // Back to where the press was, so the release moves nothing.
    DragTo(Surface, C);
    Release(Surface, C);
    Surface.UnselectAll();
    Surface.ClearUndo();
    Surface.ForgetPendingPaint();
    SetShapes(St, N);
}

void RerouteDraxa(benchmark::State& St) {
    TRerouteScene& R = RerouteScene();
    TMyShape* Hub = R.Surface->ShapeByNumber(R.HubNumber);
    int D = 1;
    for (auto _ : St) {
        R.Surface->MoveShapeBy(Hub, D, 0);
        R.Surface->RerouteLinkLines(Hub);
        D = -D;
    }
    St.counters["connectors"] = double(Hub->LinkLines().size());
}

void RerouteQGraphicsScene(benchmark::State& St) {
    TRerouteScene& R = RerouteScene();
    int D = 1;
    for (auto _ : St) {
        benchmark::DoNotOptimize(R.Peer->MoveShapeAndConnectors(size_t(R.HubIndex), D, 0));
        D = -D;
    }
}

// ---- documents --------------------------------------------------------------------------

void SetDocumentCounters(benchmark::State& St, int N, int64_t Bytes) {
    St.counters["shapes"] = N;
    St.counters["bytes"] = double(Bytes);
    St.SetBytesProcessed(int64_t(St.iterations()) * Bytes);
}

void DocSaveDraxa(benchmark::State& St, int N, bool Pictures) {
    TScene& S = SceneOf(N);
    TMyDraxa& Surface = Pictures ? *S.Surface : PlainSurface(S);
    int64_t Bytes = 0;
    for (auto _ : St) {
        TMemoryStream M;
        if (!Surface.SaveToStream(M)) return St.SkipWithError("save failed");
        Bytes = M.Size();
    }
    SetDocumentCounters(St, N, Bytes);
}

void DocSavePlain(benchmark::State& St, int N, bool Pictures) {
    TScene& S = SceneOf(N);
    const TSceneData& Data = DataOf(S, Pictures);
    int64_t Bytes = 0;
    for (auto _ : St) Bytes = WritePlain(Data).size();
    SetDocumentCounters(St, N, Bytes);
}

void DocLoadDraxa(benchmark::State& St, int N, bool Pictures) {
    TScene& S = SceneOf(N);
    const QByteArray& Document = DocumentOf(S, Pictures);
    TMyDraxa& Loader = LoaderOf(S);
    for (auto _ : St) {
        // Into an empty surface: what the previous drawing costs to free is
        // not part of reading this one.
        St.PauseTiming();
        Loader.Clear();
        TMemoryStream M(Document);
        St.ResumeTiming();
        if (!Loader.LoadFromStream(M)) return St.SkipWithError("load failed");
    }
    if (Loader.ShapeCount() != N) return St.SkipWithError("load read the wrong number of shapes");
    Loader.Clear();
    SetDocumentCounters(St, N, Document.size());
}

void DocLoadPlain(benchmark::State& St, int N, bool Pictures) {
    TScene& S = SceneOf(N);
    const QByteArray& Bytes = PlainBytesOf(S, Pictures);
    TSceneData Read;
    for (auto _ : St) {
        St.PauseTiming();
        Read = TSceneData();
        St.ResumeTiming();
        Read = ReadPlain(Bytes);
    }
    if (int(Read.Shapes.size()) != N) return St.SkipWithError("the plain reader lost shapes");
    SetDocumentCounters(St, N, Bytes.size());
}

void DocLoadSvg(benchmark::State& St, int N, bool Pictures) {
    TScene& S = SceneOf(N);
    const QByteArray& Svg = SvgOf(S, Pictures);
    std::unique_ptr<QSvgRenderer> Renderer;
    for (auto _ : St) {
        St.PauseTiming();
        Renderer.reset();
        St.ResumeTiming();
        Renderer = std::make_unique<QSvgRenderer>();
        Renderer->load(Svg);
    }
    if (!Renderer || !Renderer->isValid()) return St.SkipWithError("QSvgRenderer refused the scene");
    SetDocumentCounters(St, N, Svg.size());
}

// ---- memory -------------------------------------------------------------------------------

void MemoryDraxa(benchmark::State& St, int N) {
    TScene& S = SceneOf(N);
    // Shapes with the same gradient share its picture, across surfaces too:
    // the scene's own surfaces let theirs go first, so that the measured
    // surface pays for every picture it shows.
    for (TMyDraxa* Other : {S.Surface.get(), S.PlainSurface.get()})
        if (Other) {
            Other->Clear();
            Other->ClearUndo();
        }
    for (auto _ : St) {
        auto Surface = MakeSurface();
        // The control's off-screen picture is a fixed cost of the window (as
        // a view's backing store is), not of the shapes: made before counting.
        Surface->RenderToBitmap(Surface->ClientRect());
        const size_t Before = HeapInUse();
        LoadDocument(*Surface, S.Document);
        // Painted once, as a user sees it: gradient images are built at
        // their first paint and count too.
        Surface->RenderToBitmap(Surface->ClientRect());
        St.counters["bytes_per_shape"] = double(HeapInUse() - Before) / N;
    }
    LoadDocument(*S.Surface, S.Document);
    if (S.PlainSurface) LoadDocument(*S.PlainSurface, S.PlainDocument);
    SetShapes(St, N);
}

void MemoryScene(benchmark::State& St, int N) {
    TScene& S = SceneOf(N);
    for (auto _ : St) {
        // The peer scene keeps a copy of the plain data for its drag
        // measurement; that copy is not the peer's cost.
        size_t Before = HeapInUse();
        size_t Copy = 0;
        {
            const TSceneData Data = S.Data;
            Copy = HeapInUse() - Before;
        }
        Before = HeapInUse();
        TPeerScene Peer(S.Data);
        Peer.itemAt(QPointF(1, 1), QTransform());
        St.counters["bytes_per_shape"] = (double(HeapInUse() - Before) - double(Copy)) / N;
    }
    SetShapes(St, N);
}

} // namespace

void RegisterBenchmarks() {
    using benchmark::kMicrosecond;
    using benchmark::kMillisecond;
    auto Add = [](const std::string& Name, std::function<void(benchmark::State&)> Fn,
                  benchmark::TimeUnit Unit = kMillisecond) {
        return benchmark::RegisterBenchmark(Name.c_str(), [Fn](benchmark::State& St) { Fn(St); })
            ->Unit(Unit)
            ->MeasureProcessCPUTime();
    };
    // Grouped by scene size: a scene is built once and dropped when the next size begins.
    for (int N : {1000, 10000, 100000}) {
        const std::string S = "/" + std::to_string(N);
        Add("FullRepaint/draxa" + S, [N](auto& St) { FullRepaintDraxa(St, N); });
        Add("FullRepaint/qpainter" + S, [N](auto& St) { FullRepaintQPainter(St, N); });
        Add("FullRepaint/qgraphicsscene" + S, [N](auto& St) { FullRepaintScene(St, N); });
        for (int Side : {200, 32}) {
            const std::string P = "PartialRepaint" + std::to_string(Side);
            Add(
                P + "/draxa" + S, [N, Side](auto& St) { PartialRepaintDraxa(St, N, Side); }, kMicrosecond);
            Add(
                P + "/qgraphicsscene" + S, [N, Side](auto& St) { PartialRepaintScene(St, N, Side); },
                kMicrosecond);
        }
        Add("FullRepaintSmooth/draxa" + S, [N](auto& St) { FullRepaintDraxa(St, N, true); });
        Add("FullRepaintSmooth/qgraphicsscene" + S, [N](auto& St) { FullRepaintScene(St, N, true); });
        Add("FullRepaintRatio2/draxa" + S, [N](auto& St) { FullRepaintDraxa(St, N, true, 2); });
        Add("FullRepaintRatio2/qgraphicsscene" + S, [N](auto& St) { FullRepaintScene(St, N, true, 2); });
        Add(
            "PartialRepaintSmooth200/draxa" + S, [N](auto& St) { PartialRepaintDraxa(St, N, 200, true); },
            kMicrosecond);
        Add(
            "PartialRepaintSmooth200/qgraphicsscene" + S,
            [N](auto& St) { PartialRepaintScene(St, N, 200, true); }, kMicrosecond);
        Add(
            "Hover/draxa" + S, [N](auto& St) { HoverDraxa(St, N); }, kMicrosecond);
        Add(
            "Hover/itemAt" + S, [N](auto& St) { HoverItemAt(St, N); }, kMicrosecond);
        Add(
            "HoverAfterChange/draxa" + S, [N](auto& St) { HoverAfterChangeDraxa(St, N); }, kMicrosecond);
        if (N <= 10000) {
            Add("DragFrame/draxa" + S, [N](auto& St) { DragFrameDraxa(St, N); });
            Add("DragFrame/qgraphicsscene" + S, [N](auto& St) { DragFrameScene(St, N); });
            Add(
                "DragOutline/draxa" + S, [N](auto& St) { DragOutlineDraxa(St, N); }, kMicrosecond);
        }
        for (bool Pictures : {true, false}) {
            const std::string P = S + (Pictures ? "/pictures" : "/nopictures");
            Add("DocSave/draxa" + P, [N, Pictures](auto& St) { DocSaveDraxa(St, N, Pictures); });
            Add("DocSave/qdatastream" + P, [N, Pictures](auto& St) { DocSavePlain(St, N, Pictures); });
            Add("DocLoad/draxa" + P, [N, Pictures](auto& St) { DocLoadDraxa(St, N, Pictures); });
            Add("DocLoad/qdatastream" + P, [N, Pictures](auto& St) { DocLoadPlain(St, N, Pictures); });
            Add("DocLoad/qsvgrenderer" + P, [N, Pictures](auto& St) { DocLoadSvg(St, N, Pictures); });
        }
        Add("Memory/draxa" + S, [N](auto& St) { MemoryDraxa(St, N); })->Iterations(1);
        Add("Memory/qgraphicsscene" + S, [N](auto& St) { MemoryScene(St, N); })->Iterations(1);
    }
    Add("Reroute/draxa", [](auto& St) { RerouteDraxa(St); });
    Add("Reroute/qgraphicsscene", [](auto& St) { RerouteQGraphicsScene(St); });
}

void SetRewriteReferences(bool Rewrite) {
    RewriteReferences() = Rewrite;
}

void WriteSnapshots(const QString& Dir, int Shapes) {
    TScene& S = SceneOf(Shapes);
    S.Surface->RenderToBitmap(S.Surface->ClientRect());
    S.Surface->OffscreenBitmap().Image().save(Dir + QStringLiteral("/draxa.png"));
    QImage Image(S.Data.Width, S.Data.Height, QImage::Format_RGB32);
    auto Save = [&](const char* Name, const std::function<void(QPainter&)>& Draw) {
        {
            QPainter P(&Image);
            Draw(P);
        }
        Image.save(Dir + QLatin1Char('/') + QLatin1String(Name));
    };
    Save("qpainter.png", [&](QPainter& P) { PaintDirect(P, S.Data, Image.rect()); });
    Save("qgraphicsscene.png",
         [&](QPainter& P) { S.Peer->render(&P, QRectF(Image.rect()), QRectF(Image.rect())); });
    Save("svg.png", [&](QPainter& P) {
        P.fillRect(Image.rect(), Qt::white);
        QSvgRenderer(SvgOf(S, true)).render(&P);
    });
    TRerouteScene& R = RerouteScene();
    R.Surface->RenderToBitmap(R.Surface->ClientRect());
    R.Surface->OffscreenBitmap().Image().save(Dir + QStringLiteral("/reroute.png"));
}

void DescribeScenes() {
    // The generator must give the same document every time, or runs are not comparable.
    const QByteArray A = BuildSceneDocument({1000, true}), B = BuildSceneDocument({1000, true});
    if (A != B) {
        std::fprintf(stderr, "scene: the generator is not deterministic\n");
        std::abort();
    }
    auto Surface = MakeSurface();
    LoadDocument(*Surface, A);
    std::map<QString, int> Classes;
    int Gradients = 0, Pictures = 0, Hidden = 0;
    for (const TShapeData& D : ReadScene(*Surface).Shapes) {
        ++Classes[D.ClassName];
        Gradients += D.Gradient != uint8_t(TGradientStyle::gsNone);
        Pictures += !D.Picture.isNull();
        Hidden += !D.Shown;
    }
    std::printf("Scene of 1,000 shapes (%lld document bytes):", static_cast<long long>(A.size()));
    for (const auto& [Name, Count] : Classes) std::printf(" %s %d,", qPrintable(Name), Count);
    // What the shapes' gradient images take, since they dominate the memory per shape.
    double GradientBytes = 0;
    for (int I = 0; I < Surface->ShapeCount(); ++I)
        GradientBytes += double(Surface->ShapeByIndex(I)->GradientBitmap().Image().sizeInBytes());
    std::printf(" %d gradients (images of %.1f MB in all), %d pictures, %d on the hidden layer.\n\n",
                Gradients, GradientBytes / 1e6, Pictures, Hidden);
}

} // namespace draxa::bench
