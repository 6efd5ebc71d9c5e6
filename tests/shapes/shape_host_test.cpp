// Shapes and their host: every registered class is consistent with its
// entry, and every edit of a shape's geometry reaches the host, so that
// indexes kept from the host's notifications can be trusted.
#include "foundation/bitmap.h"
#include "foundation/streams.h"
#include "shapes/image.h"
#include "shapes/link_line.h"
#include "shapes/shape_registry.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <set>

using namespace draxa;

namespace {

// A host that counts what it is told about each shape.
class TWatchingHost : public TStandaloneShapeHost {
public:
    void ShapeChanged(const TMyShape& Shape, TShapeChange What) override {
        if (What == TShapeChange::Geometry) ++FGeometry[&Shape];
        if (What == TShapeChange::Appearance) ++FAppearance[&Shape];
    }
    int Heard(const TMyShape& Shape) const { return CountOf(FGeometry, Shape); }
    int HeardAppearance(const TMyShape& Shape) const { return CountOf(FAppearance, Shape); }

private:
    static int CountOf(const std::map<const TMyShape*, int>& Counts, const TMyShape& Shape) {
        const auto It = Counts.find(&Shape);
        return It == Counts.end() ? 0 : It->second;
    }
    std::map<const TMyShape*, int> FGeometry, FAppearance;
};

// Everything a change of geometry can touch.
struct TGeometry {
    TArrMyPoint Points, LinkPoints;
    TMyPoint Centre, Info;
    float Angle;
    bool FlipH, FlipV;
    bool operator==(const TGeometry& O) const {
        return Points == O.Points && LinkPoints == O.LinkPoints && Centre == O.Centre && Info == O.Info &&
               Angle == O.Angle && FlipH == O.FlipH && FlipV == O.FlipV;
    }
};

TGeometry GeometryOf(const TMyShape& S) {
    return {S.Points(), S.LinkPoints(), S.RotateCenter(), S.InfoPos(),
            S.Angle(),  S.IsFlipHorz(), S.IsFlipVert()};
}

// A shape of class C on Host with points that every class accepts: a box,
// or three points for an arc.
std::unique_ptr<TMyShape> Sample(const TShapeClass& C, TShapeHost& Host) {
    std::unique_ptr<TMyShape> S(C.Create(&Host));
    const TMyPoint Box[] = {{10, 10}, {70, 10}, {70, 50}, {10, 50}};
    const int N = C.Name == "TMyElliArc" ? 3 : 4;
    for (int I = 0; I < N; ++I) S->AddScreenPoint(Box[I]);
    S->ResetRotateCenter(TPoint{}, TPoint{});
    S->AddLinkPoint(MyPoint(40, 10));
    S->AddLinkPoint(MyPoint(70, 30));
    return S;
}

struct TEdit {
    const char* Name;
    std::function<void(TMyShape&)> Apply;
};

const std::vector<TEdit>& Edits() {
    static const std::vector<TEdit> List{
        {"Move", [](TMyShape& S) { S.Move(7, -3); }},
        {"MoveBy", [](TMyShape& S) { S.MoveBy(Point(10, 10), Point(14, 19)); }},
        {"MoveLogical", [](TMyShape& S) { S.MoveLogical(-5, 2); }},
        {"Rotate", [](TMyShape& S) { S.Rotate(MyPoint(30, 30), 0.4); }},
        {"SetAngle", [](TMyShape& S) { S.SetAngle(0.25f); }},
        {"FlipHorz", [](TMyShape& S) { S.FlipHorz(); }},
        {"FlipVert", [](TMyShape& S) { S.FlipVert(); }},
        {"SetIsFlipHorz", [](TMyShape& S) { S.SetIsFlipHorz(true); }},
        {"ScaleAbout", [](TMyShape& S) { S.ScaleAbout(MyPoint(10, 10), MyPoint(40, 30), 1.5, 0.5); }},
        {"ResizeByHot",
         [](TMyShape& S) {
             S.SetHotIndex(2);
             S.ResizeByHot(S.GetScreenPoint(2),
                           MyPoint(S.GetScreenPoint(2).X + 12, S.GetScreenPoint(2).Y + 9));
         }},
        {"AddPoint", [](TMyShape& S) { S.AddPoint(Point(90, 80)); }},
        {"SetPoint", [](TMyShape& S) { S.SetPoint(1, MyPoint(75, 5)); }},
        {"SetScreenPoint", [](TMyShape& S) { S.SetScreenPoint(0, MyPoint(3, 4)); }},
        {"MovePointBy", [](TMyShape& S) { S.MovePointBy(0, 6, 6); }},
        {"AddLinkPoint", [](TMyShape& S) { S.AddLinkPoint(MyPoint(1, 2)); }},
        {"SetLinkPoint", [](TMyShape& S) { S.SetLinkPoint(0, MyPoint(44, 11)); }},
        {"MoveLinkPointBy", [](TMyShape& S) { S.MoveLinkPointBy(1, 2, 2); }},
        {"DeleteLinkPoint", [](TMyShape& S) { S.DeleteLinkPoint(0); }},
        {"ClearLinkPoints", [](TMyShape& S) { S.ClearLinkPoints(); }},
        {"ResetRotateCenter", [](TMyShape& S) { S.ResetRotateCenter(TPoint{}, TPoint{}); }},
        {"SetRotateCenter", [](TMyShape& S) { S.SetRotateCenter(MyPoint(1, 1)); }},
        {"SetInfoPos", [](TMyShape& S) { S.SetInfoPos(MyPoint(2, 3)); }},
        {"IsCreateFinished", [](TMyShape& S) { S.IsCreateFinished(TMouseButton::mbRight, Point(70, 50)); }},
        {"ClearPoints", [](TMyShape& S) { S.ClearPoints(); }},
        {"Assign",
         [](TMyShape& S) {
             std::unique_ptr<TMyShape> Other(S.NewOfSameClass());
             Other->AddScreenPoint(MyPoint(100, 100));
             Other->AddScreenPoint(MyPoint(140, 130));
             S.Assign(*Other);
         }},
        {"LoadFromStream",
         [](TMyShape& S) {
             std::unique_ptr<TMyShape> Other(S.NewOfSameClass());
             for (int I = 0; I < S.PointCount(); ++I) Other->AddScreenPoint(MyPoint(200.f + I, 210.f - I));
             TMemoryStream M;
             Other->SaveToStream(M);
             M.SetPosition(0);
             S.LoadFromStream(M);
         }},
        {"ClassOwnEdit",
         [](TMyShape& S) {
             if (auto* Image = dynamic_cast<TMyImage*>(&S)) Image->SetBitmap(TBitmap(30, 12));
             if (auto* Link = dynamic_cast<TMyLinkLine*>(&S)) {
                 Link->SetLinkLineDrawStyle(TLinkLineDrawStyle::lldsFree);
                 Link->TidyRoute();
             }
         }},
    };
    return List;
}

TEST(ShapeHost, EveryGeometryEditOfEveryClassReachesTheHost) {
    for (const TShapeClass& C : ShapeClasses())
        for (const TEdit& E : Edits()) {
            TWatchingHost Host;
            std::unique_ptr<TMyShape> S = Sample(C, Host);
            const TGeometry Before = GeometryOf(*S);
            const int HeardBefore = Host.Heard(*S);
            const uint64_t RevisionBefore = S->GeometryRevision();
            E.Apply(*S);
            if (GeometryOf(*S) == Before) continue;
            EXPECT_GT(Host.Heard(*S), HeardBefore) << C.Name.toStdString() << " " << E.Name;
            EXPECT_GT(S->GeometryRevision(), RevisionBefore) << C.Name.toStdString() << " " << E.Name;
        }
}

TEST(ShapeRegistry, EveryClassIsRegisteredOnceWithConsistentTraits) {
    std::set<QString> Names;
    std::set<int> Tools;
    TStandaloneShapeHost Host;
    for (const TShapeClass& C : ShapeClasses()) {
        SCOPED_TRACE(C.Name.toStdString());
        EXPECT_TRUE(Names.insert(C.Name).second) << "registered twice";
        ASSERT_NE(C.Create, nullptr);
        std::unique_ptr<TMyShape> S = Sample(C, Host);
        EXPECT_EQ(S->ClassName(), C.Name);
        EXPECT_EQ(&S->Class(), &C);
        EXPECT_EQ(S->Host(), &Host);
        EXPECT_EQ(ShapeClassNamed(C.Name), &C);
        std::unique_ptr<TMyShape> Same(S->NewOfSameClass());
        ASSERT_NE(Same, nullptr);
        EXPECT_EQ(Same->ClassName(), C.Name);
        if (C.Tool) {
            EXPECT_TRUE(Tools.insert(int(*C.Tool)).second) << "tool drawn by two classes";
            EXPECT_EQ(ShapeClassOfTool(*C.Tool), &C);
        }
        // A hit box can only be trusted when the class says how far its hit
        // test reaches; a curve-bounded class must report its curve.
        EXPECT_GE(C.HitReach, 0);
        TRect R{};
        EXPECT_EQ(S->CurveHitBounds(R), C.HitFromCurve);
        if (C.CodePoints) {
            EXPECT_TRUE(C.CodePoints->Accepts(C.CodePoints->Min));
        }
    }
    EXPECT_EQ(ShapeClassNamed("TMyShape"), nullptr);
    EXPECT_EQ(ShapeClassOfTool(TDrawTool::SpSelecting), nullptr);
}

TEST(ShapeHost, AShapeWithoutASurfaceUsesTheStandaloneHost) {
    const TShapeClass* C = ShapeClassNamed("TMyRectangle");
    std::unique_ptr<TMyShape> S(C->Create(nullptr));
    EXPECT_EQ(S->Host(), &StandaloneShapeHost());
    S->AddScreenPoint(MyPoint(0, 0));
    S->AddScreenPoint(MyPoint(20, 0));
    S->ResetRotateCenter(TPoint{}, TPoint{});
    // Turned about its own centre, as a shape on its own.
    S->SetAngle(float(3.14159265358979323846 / 2));
    EXPECT_NEAR(S->GetPoint(0).X, 10, 1e-3);
    EXPECT_NEAR(S->GetPoint(0).Y, -10, 1e-3);
}

// What a shape paints beyond its points (pen width, info texts and their
// font) decides how far its paint reaches: every change of it is heard.
TEST(ShapeHost, ChangesOfPenFontAndInfoTextsReachTheHost) {
    TWatchingHost Host;
    for (const TShapeClass& C : ShapeClasses()) {
        SCOPED_TRACE(C.Name.toStdString());
        const std::vector<TEdit> Changes{
            {"PenWidth", [](TMyShape& S) { S.Pen().SetWidth(S.Pen().Width() + 3); }},
            {"SetPen",
             [](TMyShape& S) {
                 TPen P;
                 P.SetWidth(S.Pen().Width() + 1);
                 S.SetPen(P);
             }},
            {"FontSize", [](TMyShape& S) { S.Font().SetSize(S.Font().Size() + 5); }},
            {"SetInfo", [](TMyShape& S) { S.SetInfo(S.Info() + QStringLiteral("more")); }},
            {"SetMultiInfo", [](TMyShape& S) { S.SetMultiInfo(S.MultiInfo() + QStringList{"x"}); }},
            {"Assign",
             [](TMyShape& S) {
                 std::unique_ptr<TMyShape> Other(S.NewOfSameClass());
                 Other->SetMultiInfo({QStringLiteral("other")});
                 S.Assign(*Other);
             }},
        };
        for (const TEdit& E : Changes) {
            SCOPED_TRACE(E.Name);
            const std::unique_ptr<TMyShape> S = Sample(C, Host);
            const int Before = Host.HeardAppearance(*S);
            E.Apply(*S);
            EXPECT_GT(Host.HeardAppearance(*S), Before);
        }
    }
}

} // namespace
