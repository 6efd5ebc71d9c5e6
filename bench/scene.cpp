// The scene generator: every shape is made the way host code makes shapes
// (AddShapeByTool, or the factory, a number, an index, a name and AddShape),
// on a scratch surface whose document is then handed over.
#include "scene.h"

#include "foundation/bitmap.h"
#include "foundation/streams.h"
#include "shapes/ellipse_group.h"
#include "shapes/image.h"
#include "shapes/line.h"
#include "shapes/link_line.h"
#include "shapes/link_point.h"
#include "shapes/rectangle.h"
#include "shapes/text.h"
#include "surface/draxa.h"

#include <QImage>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numeric>

namespace draxa::bench {

uint64_t TRandom::Next() {
    uint64_t Z = (FState += 0x9E3779B97F4A7C15ull);
    Z = (Z ^ (Z >> 30)) * 0xBF58476D1CE4E5B9ull;
    Z = (Z ^ (Z >> 27)) * 0x94D049BB133111EBull;
    return Z ^ (Z >> 31);
}

int TRandom::Int(int Lo, int Hi) {
    return Lo + int(Next() % uint64_t(int64_t(Hi) - Lo + 1));
}

double TRandom::Real() {
    return double(Next() >> 11) * (1.0 / 9007199254740992.0);
}

namespace {

constexpr int kColumns = kSceneWidth / kTile;
constexpr int kRows = kSceneHeight / kTile;
// Shapes keep this far inside their tile; connectors leave their boxes by
// 25 pixels, so they may reach a little into the next tile.
constexpr int kMargin = 10;

template <typename T> void Shuffle(std::vector<T>& V, TRandom& R) {
    for (int I = int(V.size()) - 1; I > 0; --I) std::swap(V[size_t(I)], V[size_t(R.Int(0, I))]);
}

const std::vector<bool>& EmptyTiles() {
    // A seed of its own: every scene leaves the same tiles empty.
    static const std::vector<bool> Empty = [] {
        std::vector<int> Order(kColumns * kRows);
        std::iota(Order.begin(), Order.end(), 0);
        TRandom R(7);
        Shuffle(Order, R);
        std::vector<bool> E(Order.size(), false);
        for (size_t I = 0; I < Order.size() / 2; ++I) E[size_t(Order[I])] = true;
        return E;
    }();
    return Empty;
}

// Fills of a calm diagram and stronger outline colours ($00BBGGRR).
constexpr std::array<TColor, 8> kFills{0xF0E0C0, 0xC0F0F0, 0xD0F0D0, 0xF0D0F0,
                                       0xE0E0E0, 0xB0D8FF, 0xFFE8D0, 0xD8FFF0};
constexpr std::array<TColor, 6> kPens{clBlack, clNavy, clMaroon, clGreen, clGray, clTeal};
const std::array<const char*, 10> kWords{"Order",  "Invoice", "Customer", "Stock",  "Payment",
                                         "Review", "Ship",    "Archive",  "Report", "Check"};

// A box that carries link points in the middle of its sides, as boxes in
// documents drawn for connectors do. Its class name is the base class's,
// so the document holds a plain rectangle or combine with link points.
template <typename T> class TLinked : public T {
public:
    using T::T;
    void SetLinkPoints(const TArrMyPoint& Points) { this->MutableLinkPoints() = Points; }
    // Top, right, bottom and left middle, in that order.
    void SetSideLinkPoints() {
        const TMyRect B = BoundsOfMyPoints(this->Points());
        const float MX = (B.Left + B.Right) / 2, MY = (B.Top + B.Bottom) / 2;
        SetLinkPoints({MyPoint(MX, B.Top), MyPoint(B.Right, MY), MyPoint(MX, B.Bottom), MyPoint(B.Left, MY)});
    }
};

enum class TKind {
    Rectangle,
    Ellipse,
    Text,
    Line,
    PolyLine,
    Polygon,
    FreeLine,
    RuleLine,
    ElliArc,
    PolyBezier,
    BLine,
    Image,
    LinkPoint,
    Junction,
    Connector,
    Combine,
    Group
};

// Shapes per thousand by kind; a combine (box and text inside) and a group
// (ellipse and line) count their members.
struct TShare {
    TKind Kind;
    int PerThousand;
    int ShapesPerUnit;
};
constexpr std::array<TShare, 17> kShares{{{TKind::Rectangle, 180, 1},
                                          {TKind::Ellipse, 80, 1},
                                          {TKind::Text, 100, 1},
                                          {TKind::Line, 80, 1},
                                          {TKind::PolyLine, 50, 1},
                                          {TKind::Polygon, 40, 1},
                                          {TKind::FreeLine, 20, 1},
                                          {TKind::RuleLine, 10, 1},
                                          {TKind::ElliArc, 20, 1},
                                          {TKind::PolyBezier, 20, 1},
                                          {TKind::BLine, 20, 1},
                                          {TKind::Image, 20, 1},
                                          {TKind::LinkPoint, 20, 1},
                                          {TKind::Junction, 10, 1},
                                          {TKind::Connector, 150, 1},
                                          {TKind::Combine, 120, 3},
                                          {TKind::Group, 60, 3}}};

[[noreturn]] void Fail(const char* What) {
    std::fprintf(stderr, "scene: %s\n", What);
    std::abort();
}

// A host's way of numbering, naming and adding a shape made by the factory.
TMyShape* AddMade(TMyDraxa& S, TMyShape* Shape) {
    Shape->SetShapeNo(S.NextShapeNo());
    Shape->SetIndex(S.ShapeCount());
    Shape->SetName(QStringLiteral("Shape%1").arg(Shape->ShapeNo()));
    if (Shape->PointCount() > 0) {
        const TMyPoint C = Shape->GetCorner(4);
        Shape->SetRotateCenter(C);
        Shape->SetInfoPos(MyPoint(C.X, Shape->GetCorner(2).Y + 10));
    }
    if (!S.AddShape(Shape, false, false)) Fail("a shape was refused");
    return Shape;
}

TMyShape* AddByTool(TMyDraxa& S, TDrawTool Tool, const TArrMyPoint& Points, double Angle = 0) {
    const int No =
        S.AddShapeByTool(&S, Tool, QStringLiteral("Shape%1").arg(S.NextShapeNo()), Points, Angle, {});
    TMyShape* Shape = S.ShapeByNumber(No);
    if (!Shape) Fail("AddShapeByTool refused a shape");
    return Shape;
}

// Routes a connector from S to E the way a tidied route between two facing
// sides looks: out, across in the middle, in.
TArrMyPoint ThreeSegmentRoute(const TMyPoint& S, const TMyPoint& E, bool Horizontal) {
    if (Horizontal) {
        const float M = (S.X + E.X) / 2;
        return {S, MyPoint(M, S.Y), MyPoint(M, E.Y), E};
    }
    const float M = (S.Y + E.Y) / 2;
    return {S, MyPoint(S.X, M), MyPoint(E.X, M), E};
}

// Link point indices of SetSideLinkPoints facing from A towards B.
void FacingSides(const TMyShape& A, const TMyShape& B, int& SideA, int& SideB, bool& Horizontal) {
    const TMyPoint CA = A.GetCorner(4), CB = B.GetCorner(4);
    const float DX = CB.X - CA.X, DY = CB.Y - CA.Y;
    Horizontal = std::abs(DX) >= std::abs(DY);
    if (Horizontal) {
        SideA = DX >= 0 ? 1 : 3;
        SideB = DX >= 0 ? 3 : 1;
    } else {
        SideA = DY >= 0 ? 2 : 0;
        SideB = DY >= 0 ? 0 : 2;
    }
}

// Joins A's link point SideA to B's SideB with a new connector on A's layer.
TMyLinkLine* Connect(TMyDraxa& S, TMyShape* A, int SideA, TMyShape* B, int SideB, bool Horizontal) {
    auto* L = dynamic_cast<TMyLinkLine*>(S.CreateShapeForTool(TDrawTool::SpLinkLine));
    if (!L) Fail("no connector from the factory");
    for (const TMyPoint& P : ThreeSegmentRoute(A->GetLinkPoint(SideA), B->GetLinkPoint(SideB), Horizontal))
        L->AddScreenPoint(P);
    L->SetStartShapeIndex(A->Index());
    L->SetStartLinkPoint(SideA);
    L->SetEndShapeIndex(B->Index());
    L->SetEndLinkPoint(SideB);
    L->SetArrowStyle(TArrowStyle::ARight);
    S.SetCurrentLayer(A->LayerId());
    AddMade(S, L);
    A->AddLinkLine(L->Index());
    B->AddLinkLine(L->Index());
    return L;
}

// Small pictures with some structure, so the BMP bytes are not all alike.
std::vector<std::unique_ptr<TBitmap>> MakePictures() {
    const std::array<QSize, 6> Sizes{QSize(32, 24), QSize(48, 32), QSize(64, 48),
                                     QSize(40, 40), QSize(24, 24), QSize(56, 42)};
    std::vector<std::unique_ptr<TBitmap>> Pictures;
    TRandom R(11);
    for (const QSize& Size : Sizes) {
        QImage Image(Size, QImage::Format_RGB888);
        for (int Y = 0; Y < Size.height(); ++Y)
            for (int X = 0; X < Size.width(); ++X)
                Image.setPixel(X, Y,
                               qRgb((X * 255) / Size.width(), (Y * 255) / Size.height(), R.Int(0, 255)));
        auto B = std::make_unique<TBitmap>();
        B->SetImage(Image);
        Pictures.push_back(std::move(B));
    }
    return Pictures;
}

class TSceneBuilder {
public:
    TSceneBuilder(TMyDraxa& Surface, const TSceneOptions& Options)
        : FS(Surface), FR(Options.Seed), FWithPictures(Options.Pictures), FPictures(MakePictures()) {
        for (int T = 0; T < kColumns * kRows; ++T)
            if (!EmptyTiles()[size_t(T)]) FOccupied.push_back(T);
        FBoxesInTile.resize(size_t(kColumns * kRows));
        FConnectorsInTile.resize(size_t(kColumns * kRows));
        FLayers[0] = 0; // "Layer0", made with the surface
        FLayers[1] = FS.AddLayer(QStringLiteral("Layer1"), true);
        FLayers[2] = FS.AddLayer(QStringLiteral("Hidden"), false);
    }

    void Build(int Shapes) {
        std::vector<TKind> Units;
        int Planned = 0;
        for (const TShare& S : kShares) {
            const int N = int(int64_t(Shapes) * S.PerThousand / 1000 / S.ShapesPerUnit);
            Units.insert(Units.end(), size_t(N), S.Kind);
            Planned += N * S.ShapesPerUnit;
        }
        // What the rounding left over becomes boxes, so the count is exact.
        Units.insert(Units.end(), size_t(std::max(0, Shapes - Planned)), TKind::Rectangle);
        Shuffle(Units, FR);

        // Connectors are drawn after the boxes they join: one whose tile has
        // no two boxes yet waits until the others are placed.
        std::vector<int> Waiting;
        for (TKind K : Units) {
            const int Tile = FOccupied[size_t(FR.Int(0, int(FOccupied.size()) - 1))];
            if (K == TKind::Connector) {
                if (!AddConnector(Tile)) Waiting.push_back(Tile);
                continue;
            }
            AddUnit(K, Tile);
        }
        for (int Tile : Waiting) {
            int T = Tile;
            for (int Tries = 0; FBoxesInTile[size_t(T)].size() < 2 && Tries < 1000; ++Tries)
                T = FOccupied[size_t(FR.Int(0, int(FOccupied.size()) - 1))];
            if (!AddConnector(T)) AddUnit(TKind::Rectangle, T);
        }
        if (FS.ShapeCount() != Shapes) Fail("the scene has the wrong number of shapes");
        FS.UnselectAll();
    }

private:
    QRect Inner(int Tile) const {
        const int C = Tile % kColumns, R = Tile / kColumns;
        return QRect(C * kTile + kMargin, R * kTile + kMargin, kTile - 2 * kMargin, kTile - 2 * kMargin);
    }
    TMyPoint Clamp(int Tile, float X, float Y) const {
        const QRect I = Inner(Tile);
        return MyPoint(std::clamp(X, float(I.left()), float(I.right())),
                       std::clamp(Y, float(I.top()), float(I.bottom())));
    }
    TMyPoint PointIn(int Tile) {
        const QRect I = Inner(Tile);
        return MyPoint(float(FR.Int(I.left(), I.right())), float(FR.Int(I.top(), I.bottom())));
    }
    // A box of W x H inside the tile: its top-left corner.
    QPoint BoxAt(int Tile, int W, int H) {
        const QRect I = Inner(Tile);
        return QPoint(FR.Int(I.left(), I.right() - W), FR.Int(I.top(), I.bottom() - H));
    }
    TArrMyPoint Corners(const QPoint& P, int W, int H) const {
        const float L = float(P.x()), T = float(P.y()), R = L + float(W), B = T + float(H);
        return {MyPoint(L, T), MyPoint(R, T), MyPoint(R, B), MyPoint(L, B)};
    }
    // A walk of Count points with steps of MinStep..MaxStep pixels.
    TArrMyPoint Walk(int Tile, int Count, int MinStep, int MaxStep) {
        TArrMyPoint Points{PointIn(Tile)};
        double Heading = FR.Real() * 6.2832;
        while (int(Points.size()) < Count) {
            Heading += (FR.Real() - 0.5) * 1.6;
            const double Step = FR.Int(MinStep, MaxStep);
            const TMyPoint& Last = Points.back();
            const TMyPoint Next = Clamp(Tile, float(Last.X + Step * std::cos(Heading)),
                                        float(Last.Y + Step * std::sin(Heading)));
            if (Next != Last)
                Points.push_back(Next);
            else
                Heading += 3.1416;
        }
        return Points;
    }
    double SmallAngle() { return FR.Chance(0.15) ? (FR.Real() - 0.5) * 1.2 : 0.0; }
    QString Caption() {
        return QStringLiteral("%1 %2").arg(QLatin1String(kWords[size_t(FR.Int(0, 9))])).arg(FR.Int(1, 999));
    }

    void PickLayer() {
        const double P = FR.Real();
        FS.SetCurrentLayer(FLayers[P < 0.5 ? 0 : P < 0.85 ? 1 : 2]);
    }

    void Style(TMyShape* S, bool Closed) {
        S->Pen().SetColor(kPens[size_t(FR.Int(0, int(kPens.size()) - 1))]);
        const double W = FR.Real();
        S->Pen().SetWidth(W < 0.7 ? 1 : W < 0.95 ? 2 : 3);
        const double St = FR.Real();
        S->Pen().SetStyle(St < 0.85 ? TPenStyle::psSolid : St < 0.95 ? TPenStyle::psDash : TPenStyle::psDot);
        if (!Closed) return;
        S->Brush().SetColor(kFills[size_t(FR.Int(0, int(kFills.size()) - 1))]);
        const double F = FR.Real();
        if (F < 0.10) {
            // A gradient shows through a clear brush only. The image is
            // built when the document is opened, not on this scratch surface.
            S->Brush().SetStyle(TBrushStyle::bsClear);
            S->SetGradientDirect(kFills[size_t(FR.Int(0, int(kFills.size()) - 1))],
                                 kPens[size_t(FR.Int(0, int(kPens.size()) - 1))],
                                 TGradientStyle(FR.Int(0, int(TGradientStyle::gsNone) - 1)));
        } else if (F < 0.30) {
            S->Brush().SetStyle(TBrushStyle::bsClear);
        }
    }

    TMyShape* AddBox(int Tile, bool MayTurn) {
        const int W = FR.Int(16, 64), H = FR.Int(12, 48);
        const QPoint At = BoxAt(Tile, W, H);
        TMyShape* S;
        if (MayTurn && FR.Chance(0.15)) {
            S = AddByTool(FS, TDrawTool::SpRectangle, Corners(At, W, H), SmallAngle() + 0.2);
        } else {
            auto* Box = new TLinked<TMyRectangle>(&FS);
            Box->AddPoint(Point(At.x(), At.y()));
            Box->AddPoint(Point(At.x() + W, At.y() + H));
            Box->SetSideLinkPoints();
            S = AddMade(FS, Box);
            FBoxesInTile[size_t(Tile)].push_back(S);
        }
        Style(S, true);
        if (FR.Chance(0.15)) S->SetInfo(Caption());
        return S;
    }

    TMyShape* AddText(const QPoint& At, int W, int H, double Angle) {
        TMyShape* S = AddByTool(FS, TDrawTool::SpText, Corners(At, W, H), Angle);
        auto* Text = dynamic_cast<TMyText*>(S);
        if (!Text) Fail("a text box is not a TMyText");
        QStringList Lines;
        for (int I = FR.Int(1, 3); I > 0; --I) Lines << Caption();
        Text->SetLines(Lines);
        Text->SetIsBorder(FR.Chance(0.4));
        Style(S, true);
        return S;
    }

    bool AddConnector(int Tile) {
        std::vector<TMyShape*>& Boxes = FBoxesInTile[size_t(Tile)];
        if (Boxes.size() < 2) return false;
        TMyShape* A = Boxes[size_t(FR.Int(0, int(Boxes.size()) - 1))];
        TMyShape* B = A;
        while (B == A) B = Boxes[size_t(FR.Int(0, int(Boxes.size()) - 1))];
        int SideA = 0, SideB = 0;
        bool Horizontal = true;
        FacingSides(*A, *B, SideA, SideB, Horizontal);
        TMyLinkLine* L = Connect(FS, A, SideA, B, SideB, Horizontal);
        Style(L, false);
        FConnectorsInTile[size_t(Tile)].push_back(L);
        return true;
    }

    void AddUnit(TKind Kind, int Tile) {
        PickLayer();
        switch (Kind) {
        case TKind::Rectangle:
            AddBox(Tile, true);
            break;
        case TKind::Ellipse: {
            const int W = FR.Int(16, 64), H = FR.Int(12, 48);
            TMyShape* S = AddByTool(FS, TDrawTool::SpEllipse, Corners(BoxAt(Tile, W, H), W, H), SmallAngle());
            Style(S, true);
            if (FR.Chance(0.15)) S->SetInfo(Caption());
            break;
        }
        case TKind::Text: {
            const int W = FR.Int(40, 90), H = FR.Int(16, 44);
            AddText(BoxAt(Tile, W, H), W, H, SmallAngle());
            break;
        }
        case TKind::Line: {
            TMyShape* S = AddByTool(FS, TDrawTool::SpLine, Walk(Tile, 2, 10, 80));
            Style(S, false);
            if (FR.Chance(0.4)) dynamic_cast<TMyLine&>(*S).SetArrowStyle(TArrowStyle::ARight);
            break;
        }
        case TKind::PolyLine:
            Style(AddByTool(FS, TDrawTool::SpPolyLine, Walk(Tile, FR.Int(3, 6), 10, 40)), false);
            break;
        case TKind::Polygon: {
            const TMyPoint C = PointIn(Tile);
            const int N = FR.Int(3, 7);
            const double Radius = FR.Int(10, 30);
            TArrMyPoint Points;
            for (int I = 0; I < N; ++I) {
                const double A = 6.2832 * I / N + FR.Real() * 0.5;
                Points.push_back(
                    Clamp(Tile, float(C.X + Radius * std::cos(A)), float(C.Y + Radius * std::sin(A))));
            }
            Style(AddByTool(FS, TDrawTool::SpPolygon, Points, SmallAngle()), true);
            break;
        }
        case TKind::FreeLine: {
            TMyShape* S = FS.CreateShapeForTool(TDrawTool::SpFreeLine);
            for (const TMyPoint& P : Walk(Tile, FR.Int(20, 40), 2, 4)) S->AddScreenPoint(P);
            AddMade(FS, S);
            Style(S, false);
            break;
        }
        case TKind::RuleLine: {
            const TMyPoint A = PointIn(Tile);
            const float DX = float((FR.Chance(0.5) ? 1 : -1) * FR.Int(30, 90));
            TMyPoint B = Clamp(Tile, A.X + DX, A.Y + float(FR.Int(-20, 20)));
            if (B == A) B = Clamp(Tile, A.X - DX, A.Y);
            Style(AddByTool(FS, TDrawTool::SpRuleLine, {A, B}), false);
            break;
        }
        case TKind::ElliArc: {
            const TMyPoint C = PointIn(Tile);
            const double Radius = FR.Int(10, 40), A0 = FR.Real() * 6.2832;
            TArrMyPoint Points;
            for (double A : {A0, A0 + 1.2, A0 + 2.4})
                Points.push_back(
                    Clamp(Tile, float(C.X + Radius * std::cos(A)), float(C.Y + Radius * std::sin(A))));
            Style(AddByTool(FS, TDrawTool::SpElliArc, Points), false);
            break;
        }
        case TKind::PolyBezier:
            Style(AddByTool(FS, TDrawTool::SpPolyBezier, Walk(Tile, FR.Chance(0.5) ? 4 : 7, 10, 30)), false);
            break;
        case TKind::BLine:
            Style(AddByTool(FS, TDrawTool::SpBLine, Walk(Tile, FR.Int(4, 6), 10, 30)), false);
            break;
        case TKind::Image: {
            const TBitmap& Picture = *FPictures[size_t(FR.Int(0, int(FPictures.size()) - 1))];
            const QPoint At = BoxAt(Tile, Picture.Width(), Picture.Height());
            auto* S = dynamic_cast<TMyImage*>(FS.CreateShapeForTool(TDrawTool::SpImage));
            if (!S) Fail("no image from the factory");
            S->AddPoint(Point(At.x(), At.y()));
            S->AddPoint(Point(At.x() + Picture.Width(), At.y() + Picture.Height()));
            if (FWithPictures) S->SetBitmap(Picture);
            AddMade(FS, S);
            break;
        }
        case TKind::LinkPoint: {
            TMyShape* S = FS.CreateShapeForTool(TDrawTool::SpLinkPoint);
            S->AddPoint(RoundMyPoint(PointIn(Tile)));
            Style(AddMade(FS, S), false);
            break;
        }
        case TKind::Junction: {
            // On a vertex of a connector of the tile when there is one.
            const std::vector<TMyShape*>& Lines = FConnectorsInTile[size_t(Tile)];
            TMyPoint P = PointIn(Tile);
            if (!Lines.empty()) {
                const TMyShape* L = Lines[size_t(FR.Int(0, int(Lines.size()) - 1))];
                P = L->GetPoint(FR.Int(0, L->PointCount() - 1));
            }
            TMyShape* S = FS.CreateShapeForTool(TDrawTool::SpLineLinkLine);
            S->AddPoint(RoundMyPoint(P));
            Style(AddMade(FS, S), false);
            break;
        }
        case TKind::Combine: {
            // A box with a text inside, combined so connectors route around it.
            const int W = FR.Int(50, 90), H = FR.Int(30, 60);
            const QPoint At = BoxAt(Tile, W, H);
            TMyShape* Box = AddByTool(FS, TDrawTool::SpRectangle, Corners(At, W, H));
            Style(Box, true);
            TMyShape* Text = AddText(At + QPoint(4, 4), W - 8, H - 8, 0);
            auto* C = new TLinked<TMyCombine>(&FS);
            C->AddPoint(Point(At.x(), At.y()));
            C->AddPoint(Point(At.x() + W, At.y() + H));
            C->SetSideLinkPoints();
            AddMade(FS, C);
            if (FR.Chance(0.15)) C->SetInfo(Caption());
            for (TMyShape* M : {Box, Text}) {
                M->SetGroupIndex(C->Index());
                C->MembersRef().push_back(M->Index());
            }
            FBoxesInTile[size_t(Tile)].push_back(C);
            break;
        }
        case TKind::Group: {
            const int W = FR.Int(20, 50), H = FR.Int(16, 40);
            const QPoint At = BoxAt(Tile, W, H);
            TMyShape* E = AddByTool(FS, TDrawTool::SpEllipse, Corners(At, W, H));
            Style(E, true);
            const TMyPoint From = MyPoint(float(At.x() + W / 2), float(At.y() + H));
            TMyShape* L =
                AddByTool(FS, TDrawTool::SpLine, {From, Clamp(Tile, From.X, From.Y + float(FR.Int(10, 30)))});
            Style(L, false);
            const TMyRect B = FS.PointsBounds(TArrMyShape{E, L});
            TMyShape* G = FS.CreateShapeByClassName(QStringLiteral("TMyGroup"));
            G->AddPoint(Point(int(std::floor(B.Left)), int(std::floor(B.Top))));
            G->AddPoint(Point(int(std::ceil(B.Right)) + 1, int(std::ceil(B.Bottom)) + 1));
            AddMade(FS, G);
            for (TMyShape* M : {E, L}) {
                M->SetGroupIndex(G->Index());
                G->MembersRef().push_back(M->Index());
            }
            break;
        }
        case TKind::Connector:
            break;
        }
    }

    TMyDraxa& FS;
    TRandom FR;
    bool FWithPictures;
    std::vector<std::unique_ptr<TBitmap>> FPictures;
    std::vector<int> FOccupied;
    std::vector<std::vector<TMyShape*>> FBoxesInTile;
    std::vector<std::vector<TMyShape*>> FConnectorsInTile;
    int FLayers[3] = {0, 0, 0};
};

QByteArray DocumentOf(TMyDraxa& S) {
    TMemoryStream M;
    if (!S.SaveToStream(M)) Fail("the scene could not be written");
    return M.ToByteArray();
}

std::unique_ptr<TMeasuredSurface> ScratchSurface() {
    auto S = MakeSurface();
    // A scratch surface keeps no undo copies of what it builds.
    S->SetUndoRedoSize(0);
    return S;
}

} // namespace

QByteArray BuildSceneDocument(const TSceneOptions& Options) {
    auto S = ScratchSurface();
    TSceneBuilder(*S, Options).Build(Options.Shapes);
    return DocumentOf(*S);
}

QByteArray BuildRerouteDocument(int& HubNumber) {
    auto S = ScratchSurface();
    TRandom R(99);
    constexpr int CellW = 45, CellH = 41, Columns = 42, Rows = 26, BoxW = 28, BoxH = 22;
    const QRect Hub(kSceneWidth / 2 - 80, kSceneHeight / 2 - 50, 160, 100);

    auto AddCombine = [&](const QRect& R0) {
        TMyShape* Box = AddByTool(*S, TDrawTool::SpRectangle,
                                  {MyPoint(R0.left(), R0.top()), MyPoint(R0.right(), R0.top()),
                                   MyPoint(R0.right(), R0.bottom()), MyPoint(R0.left(), R0.bottom())});
        auto* C = new TLinked<TMyCombine>(S.get());
        C->AddPoint(Point(R0.left(), R0.top()));
        C->AddPoint(Point(R0.right(), R0.bottom()));
        C->SetSideLinkPoints();
        AddMade(*S, C);
        Box->SetGroupIndex(C->Index());
        C->MembersRef().push_back(Box->Index());
        return C;
    };

    std::vector<TMyShape*> Boxes;
    for (int Row = 0; Row < Rows && Boxes.size() < 999; ++Row)
        for (int Col = 0; Col < Columns && Boxes.size() < 999; ++Col) {
            const QRect Cell(Col * CellW + (CellW - BoxW) / 2, Row * CellH + (CellH - BoxH) / 2, BoxW, BoxH);
            if (Cell.adjusted(-30, -30, 30, 30).intersects(Hub)) continue;
            Boxes.push_back(AddCombine(Cell));
        }
    if (Boxes.size() != 999) Fail("the routing grid has no room for 999 boxes");

    // The hub offers five link points on each side.
    TLinked<TMyCombine>* H = AddCombine(Hub);
    TArrMyPoint Links;
    const float L = float(Hub.left()), T = float(Hub.top()), Rt = float(Hub.right()), B = float(Hub.bottom());
    for (int I = 1; I <= 5; ++I) Links.push_back(MyPoint(L + (Rt - L) * float(I) / 6, T));
    for (int I = 1; I <= 5; ++I) Links.push_back(MyPoint(Rt, T + (B - T) * float(I) / 6));
    for (int I = 1; I <= 5; ++I) Links.push_back(MyPoint(L + (Rt - L) * float(I) / 6, B));
    for (int I = 1; I <= 5; ++I) Links.push_back(MyPoint(L, T + (B - T) * float(I) / 6));
    H->SetLinkPoints(Links);

    // 100 connectors to boxes spread over the whole grid, each from a link
    // point on the hub's side that faces the box.
    int Used[4] = {0, 0, 0, 0};
    for (int K = 0; K < 100; ++K) {
        TMyShape* Target = Boxes[size_t(K * 10 + R.Int(0, 8))];
        int SideHub = 0, SideBox = 0;
        bool Horizontal = true;
        FacingSides(*H, *Target, SideHub, SideBox, Horizontal);
        const int HubLink = SideHub * 5 + (Used[SideHub]++ % 5);
        auto* Line = dynamic_cast<TMyLinkLine*>(S->CreateShapeForTool(TDrawTool::SpLinkLine));
        for (const TMyPoint& P :
             ThreeSegmentRoute(H->GetLinkPoint(HubLink), Target->GetLinkPoint(SideBox), Horizontal))
            Line->AddScreenPoint(P);
        Line->SetStartShapeIndex(H->Index());
        Line->SetStartLinkPoint(HubLink);
        Line->SetEndShapeIndex(Target->Index());
        Line->SetEndLinkPoint(SideBox);
        Line->SetArrowStyle(TArrowStyle::ARight);
        AddMade(*S, Line);
        H->AddLinkLine(Line->Index());
        Target->AddLinkLine(Line->Index());
    }
    HubNumber = H->ShapeNo();
    S->UnselectAll();
    return DocumentOf(*S);
}

void TMeasuredSurface::ForgetPendingPaint() {
    FSkipPaint = true;
    RenderNow();
    FSkipPaint = false;
}

void TMeasuredSurface::Paint() {
    if (!FSkipPaint) TMyDraxa::Paint();
}

std::unique_ptr<TMeasuredSurface> MakeSurface() {
    auto S = std::make_unique<TMeasuredSurface>();
    S->SetBounds(0, 0, kSceneWidth, kSceneHeight);
    S->SetSnap(false);
    // The selecting tool, as the application's tool bar starts: hover
    // tracking and dragging work in its mode.
    S->SetShapeTool(TDrawTool::SpSelecting);
    // Arrow heads of a diagram, not of a poster.
    S->SetArrowLength(10);
    return S;
}

void LoadDocument(TMyDraxa& Surface, const QByteArray& Document) {
    TMemoryStream M(Document);
    if (!Surface.LoadFromStream(M)) Fail("a scene document did not load");
}

bool IsEmptyTile(int C, int R) {
    if (C < 0 || R < 0 || C >= kColumns || R >= kRows) return false;
    return EmptyTiles()[size_t(R * kColumns + C)];
}

std::vector<QPoint> EmptySpaceCandidates(int Count, uint64_t Seed) {
    std::vector<int> Empty;
    for (int T = 0; T < kColumns * kRows; ++T)
        if (EmptyTiles()[size_t(T)]) Empty.push_back(T);
    TRandom R(Seed);
    std::vector<QPoint> Points;
    for (int I = 0; I < Count; ++I) {
        const int T = Empty[size_t(R.Int(0, int(Empty.size()) - 1))];
        const int X = (T % kColumns) * kTile, Y = (T / kColumns) * kTile;
        Points.emplace_back(X + R.Int(40, kTile - 40), Y + R.Int(40, kTile - 40));
    }
    return Points;
}

std::vector<QRect> InvalidRects(int Side, int Count, uint64_t Seed) {
    TRandom R(Seed);
    std::vector<QRect> Rects;
    for (int I = 0; I < Count; ++I)
        Rects.emplace_back(R.Int(0, kSceneWidth - Side), R.Int(0, kSceneHeight - Side), Side, Side);
    return Rects;
}

} // namespace draxa::bench
