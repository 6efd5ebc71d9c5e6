// Quantities of a drawing (counts, lengths, areas per layer and class in the
// drawing's unit at its scale), their CSV form, and the scale set from a
// measured distance. Every expected figure is worked out by hand from the
// shapes' logical sizes: 96 logical units are an inch at zoom 1.
#include "shapes/elli_arc.h"
#include "shapes/link_line.h"
#include "surface/draxa.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace draxa;

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double MmPx = 96 / 25.4; // logical units per millimetre

const TQuantityRow* RowOf(const TQuantities& Q, const QString& Layer, const QString& Class) {
    for (const TQuantityRow& R : Q.Rows)
        if (R.Layer == Layer && R.ClassName == Class) return &R;
    return nullptr;
}

int Add(TMyDraxa& S, TDrawTool Tool, const QString& Name, const TArrMyPoint& Points) {
    const int N = S.AddShapeByTool(&S, Tool, Name, Points, 0, QString());
    EXPECT_GE(N, 0) << qPrintable(Name);
    return N;
}

// A connector of its own, not attached to anything, from (X0, Y0) to (X1, Y1).
void AddConnector(TMyDraxa& S, float X0, float Y0, float X1, float Y1) {
    auto* L = new TMyLinkLine(&S);
    L->SetShapeNo(S.NextShapeNo());
    L->SetIndex(S.ShapeCount());
    L->SetName(QStringLiteral("Wire"));
    L->AddScreenPoint(MyPoint(X0, Y0));
    L->AddScreenPoint(MyPoint(X1, Y1));
    ASSERT_TRUE(S.AddShape(L, false, false));
}

// Two layers: "Plan" with the closed shapes and straight lines, "Survey"
// (hidden) with the arc, the curves, the measuring line, a connector and a
// text box. Sizes are in inches where they are round.
void BuildDrawing(TMyDraxa& S) {
    S.RenameLayer(S.CurrentLayer(), QStringLiteral("Plan"));
    const float W = float(30 * MmPx), H = float(40 * MmPx); // the 30 x 40 mm box
    Add(S, TDrawTool::SpRectangle, "Room", {{10, 10}, {10 + W, 10}, {10 + W, 10 + H}, {10, 10 + H}});
    Add(S, TDrawTool::SpLine, "Wall", {{0, 0}, {96, 0}});                       // 1 in
    Add(S, TDrawTool::SpPolyLine, "Fence", {{0, 0}, {96, 0}, {96, 96}});        // 2 in
    Add(S, TDrawTool::SpEllipse, "Pond", {{0, 0}, {96, 0}, {96, 48}, {0, 48}}); // Pi / 8 in2
    Add(S, TDrawTool::SpPolygon, "Bed", {{0, 0}, {96, 0}, {96, 96}});           // 1/2 in2

    S.AddLayer(QStringLiteral("Survey"), true);
    // A half circle of radius 48 (1/2 in) over the points, closed as a sector.
    const int Arc = Add(S, TDrawTool::SpElliArc, "Bow", {{0, 48}, {48, 0}, {96, 48}});
    dynamic_cast<TMyElliArc*>(S.ShapeByNumber(Arc))->SetArcStyle(TArcStyle::asSector);
    Add(S, TDrawTool::SpRuleLine, "Span", {{0, 0}, {0, 192}});                    // 2 in
    Add(S, TDrawTool::SpPolyBezier, "Path", {{0, 0}, {32, 0}, {64, 0}, {96, 0}}); // 1 in
    Add(S, TDrawTool::SpBLine, "Trail", {{0, 0}, {48, 0}, {96, 0}});              // 1 in
    AddConnector(S, 0, 0, 0, 96);                                                 // 1 in
    Add(S, TDrawTool::SpText, "Note", {{0, 0}, {50, 0}, {50, 20}, {0, 20}});
    S.SetLayerVisible(S.CurrentLayer(), false);
}

} // namespace

TEST(Quantities, EachClassOnTwoLayersAtTwoScalesAndUnits) {
    struct TCase {
        const char* What;
        TUnits Unit;
        double Ratio;
        double PerInch; // the unit's length of an inch of the page at that ratio
        double RoomArea;
    };
    const TCase Cases[] = {
        {"ratio 100 in metres: the 30 x 40 mm box is 12 m2", TUnits::m, 100, 2.54, 12},
        {"ratio 1 in millimetres: the box is 1200 mm2", TUnits::mm, 1, 25.4, 1200},
        {"ratio 2 in inches", TUnits::inch, 2, 2, 30 * 40 / (25.4 * 25.4) * 4},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.What);
        TMyDraxa S;
        BuildDrawing(S);
        S.SetTheUNIT(C.Unit);
        S.SetRatio(C.Ratio);
        // The zoom changes what the screen shows, not what the drawing measures.
        S.SetZoom(2.5);
        const TQuantities Q = S.Quantities();
        const double K = C.PerInch, K2 = K * K;
        struct TExpect {
            const char* Layer;
            const char* Class;
            int Count;
            double Length; // NAN: not measured
            double Area;
        };
        const TExpect Rows[] = {
            {"Plan", "TMyRectangle", 1, NAN, C.RoomArea},
            {"Plan", "TMyLine", 1, 1 * K, NAN},
            {"Plan", "TMyPolyLine", 1, 2 * K, NAN},
            {"Plan", "TMyEllipse", 1, NAN, Pi / 8 * K2},
            {"Plan", "TMyPolygon", 1, NAN, 0.5 * K2},
            {"Survey", "TMyElliArc", 1, Pi / 2 * K, Pi / 8 * K2},
            {"Survey", "TMyRuleLine", 1, 2 * K, NAN},
            {"Survey", "TMyPolyBezier", 1, 1 * K, NAN},
            {"Survey", "TMyBLine", 1, 1 * K, NAN},
            {"Survey", "TMyLinkLine", 1, 1 * K, NAN},
            {"Survey", "TMyText", 1, NAN, NAN},
        };
        ASSERT_EQ(Q.Rows.size(), std::size(Rows));
        for (const TExpect& E : Rows) {
            SCOPED_TRACE(E.Class);
            const TQuantityRow* R = RowOf(Q, E.Layer, E.Class);
            ASSERT_NE(R, nullptr);
            EXPECT_EQ(R->Count, E.Count);
            EXPECT_EQ(R->LayerHidden, QLatin1String(E.Layer) == QLatin1String("Survey"));
            EXPECT_EQ(R->HasLength, !std::isnan(E.Length));
            EXPECT_EQ(R->HasArea, !std::isnan(E.Area));
            if (R->HasLength) {
                EXPECT_NEAR(R->Length, E.Length, 1e-3 * K);
            }
            if (R->HasArea) {
                EXPECT_NEAR(R->Area, E.Area, 1e-4 * K2);
            }
        }
        EXPECT_EQ(Q.Rows.front().Layer, QStringLiteral("Plan")) << "rows follow the layers' order";
        ASSERT_EQ(Q.Shapes.size(), 11u);
        EXPECT_EQ(Q.Shapes.front().Name, QStringLiteral("Room"));
        EXPECT_NEAR(Q.Shapes.front().Area, C.RoomArea, 1e-4 * K2);
    }
}

TEST(Quantities, ClosedFiguresOtherThanBoxesAndTheirOpenCounterparts) {
    TMyDraxa S;
    S.SetTheUNIT(TUnits::pixel); // at 1 : 1, logical units themselves
    // A square polyline whose ends meet encloses 1 in2 besides its 4 in.
    Add(S, TDrawTool::SpPolyLine, "Ring", {{0, 0}, {96, 0}, {96, 96}, {0, 96}, {0, 0}});
    // A chord arc over a half circle of radius 48: the half disc.
    const int Chord = Add(S, TDrawTool::SpElliArc, "Chord", {{0, 48}, {48, 0}, {96, 48}});
    dynamic_cast<TMyElliArc*>(S.ShapeByNumber(Chord))->SetArcStyle(TArcStyle::asChord);
    // Clicked the other way round, the arc still runs through its middle point.
    Add(S, TDrawTool::SpElliArc, "Back", {{96, 48}, {48, 96}, {0, 48}});
    // A turned box keeps its own width and height.
    const int Box = Add(S, TDrawTool::SpRectangle, "Turned", {{0, 0}, {96, 0}, {96, 48}, {0, 48}});
    S.RotateShapeBy(S.ShapeByNumber(Box), Pi / 6);
    const TQuantities Q = S.Quantities();
    ASSERT_EQ(Q.Shapes.size(), 4u);
    EXPECT_NEAR(Q.Shapes[0].Length, 384, 1e-3);
    ASSERT_TRUE(Q.Shapes[0].HasArea);
    EXPECT_NEAR(Q.Shapes[0].Area, 9216, 1e-2);
    EXPECT_NEAR(Q.Shapes[1].Length, Pi * 48, 1e-3);
    EXPECT_NEAR(Q.Shapes[1].Area, Pi * 48 * 48 / 2, 1e-2);
    EXPECT_NEAR(Q.Shapes[2].Length, Pi * 48, 1e-3);
    EXPECT_FALSE(Q.Shapes[2].HasArea) << "an open arc encloses nothing";
    EXPECT_NEAR(Q.Shapes[3].Area, 96 * 48, 1e-1);
}

TEST(Quantities, AGroupCountsItsMembersNotItself) {
    TMyDraxa S;
    S.SetTheUNIT(TUnits::pixel);
    Add(S, TDrawTool::SpRectangle, "A", {{0, 0}, {96, 0}, {96, 96}, {0, 96}});
    Add(S, TDrawTool::SpRectangle, "B", {{200, 0}, {296, 0}, {296, 48}, {200, 48}});
    S.SelectAll();
    ASSERT_GE(S.GroupSelection(), 0);
    const TQuantities Q = S.Quantities();
    ASSERT_EQ(Q.Rows.size(), 1u);
    EXPECT_EQ(Q.Rows[0].ClassName, QStringLiteral("TMyRectangle"));
    EXPECT_EQ(Q.Rows[0].Count, 2);
    EXPECT_NEAR(Q.Rows[0].Area, 96 * 96 + 96 * 48, 1e-2);
}

TEST(Quantities, CsvQuotesWhatNeedsQuotingAndLeavesUnmeasuredFieldsEmpty) {
    struct TCase {
        const char* In;
        const char* Out;
    };
    const TCase Fields[] = {
        {"Walls", "Walls"},
        {"Walls, north", "\"Walls, north\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {" padded", "\" padded\""},
        {"", ""},
    };
    for (const TCase& F : Fields)
        EXPECT_EQ(CsvField(QString::fromUtf8(F.In)), QString::fromUtf8(F.Out)) << F.In;

    TMyDraxa S;
    S.RenameLayer(S.CurrentLayer(), QStringLiteral("Ground, \"east\""));
    S.SetTheUNIT(TUnits::cm);
    Add(S, TDrawTool::SpLine, "Wall", {{0, 0}, {96, 0}});
    Add(S, TDrawTool::SpText, "Note", {{0, 0}, {50, 0}, {50, 20}, {0, 20}});
    EXPECT_EQ(QuantitiesCsv(S.Quantities()),
              QStringLiteral("layer,hidden,class,count,length,area,unit\r\n"
                             "\"Ground, \"\"east\"\"\",no,TMyLine,1,2.54,,cm\r\n"
                             "\"Ground, \"\"east\"\"\",no,TMyText,1,,,cm\r\n"));
    const QString Shapes = QuantityShapesCsv(S.Quantities());
    EXPECT_TRUE(
        Shapes.startsWith(QStringLiteral("number,name,caption,layer,hidden,class,length,area,unit\r\n")));
    EXPECT_TRUE(Shapes.contains(QStringLiteral(",Wall,")));
}

TEST(CalibrateScale, ALineOf200PixelsDeclaredFiveMetresReadsFiveMetresInEveryUnit) {
    // 200 logical units are 200 / 96 in = 52.916 mm of the page; 5 m make it 1 : 94.488.
    const double Ratio = 5000 / (200 / 96.0 * 25.4);
    struct TCase {
        TUnits Unit;
        double FiveMetres;
    };
    const TCase Cases[] = {
        {TUnits::m, 5},
        {TUnits::dm, 50},
        {TUnits::cm, 500},
        {TUnits::mm, 5000},
        {TUnits::inch, 5000 / 25.4},
        {TUnits::pixel, 5000 / 25.4 * 96},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(qPrintable(UnitSymbol(C.Unit)));
        TMyDraxa S;
        S.SetUndoRedoSize(10);
        S.SetTheUNIT(C.Unit);
        const int N = Add(S, TDrawTool::SpLine, "Known", {{10, 10}, {210, 10}});
        TMyShape* Line = S.ShapeByNumber(N);
        S.ClearUndo();
        S.SetModified(false);
        EXPECT_EQ(S.CalibrateScale(Line, C.FiveMetres), QString());
        EXPECT_NEAR(S.Ratio(), Ratio, 1e-9 * Ratio);
        EXPECT_NEAR(S.Quantities().Shapes[0].Length, C.FiveMetres, 1e-9 * C.FiveMetres);
        EXPECT_TRUE(S.Modified());
        S.SetTheUNIT(TUnits::m);
        EXPECT_EQ(Line->GetLengthText(Point(10, 10), Point(210, 10)).trimmed(), QStringLiteral("5.00 m"));

        // One undo step gives the old scale back, redo the new one.
        EXPECT_EQ(S.UndoActionName(), ACT_SET_SCALE);
        ASSERT_TRUE(S.Undo());
        EXPECT_EQ(S.Ratio(), 1.0);
        EXPECT_FALSE(S.CanUndo()) << "the calibration was one step";
        ASSERT_TRUE(S.Redo());
        EXPECT_NEAR(S.Ratio(), Ratio, 1e-9 * Ratio);
    }
}

TEST(CalibrateScale, WhatCannotSetAScaleChangesNothingAndSaysWhy) {
    TMyDraxa S, Other;
    S.SetUndoRedoSize(10);
    S.SetRatio(3);
    TMyShape* Line = S.ShapeByNumber(Add(S, TDrawTool::SpLine, "Line", {{0, 0}, {100, 0}}));
    TMyShape* Box = S.ShapeByNumber(Add(S, TDrawTool::SpRectangle, "Box", {{0, 0}, {9, 0}, {9, 9}, {0, 9}}));
    TMyShape* Dot = S.ShapeByNumber(Add(S, TDrawTool::SpLine, "Dot", {{0, 0}, {100, 0}}));
    Dot->SetPoint(1, Dot->Points()[0]);
    TMyShape* Elsewhere = Other.ShapeByNumber(Add(Other, TDrawTool::SpLine, "Far", {{0, 0}, {100, 0}}));
    S.ClearUndo();
    struct TCase {
        const char* What;
        TMyShape* Shape;
        double Length;
        const char* Says;
    };
    const TCase Cases[] = {
        {"no shape", nullptr, 5, "Choose a line"},
        {"a shape of another drawing", Elsewhere, 5, "Choose a line"},
        {"a box has no length", Box, 5, "not a line"},
        {"a line whose ends meet", Dot, 5, "has no length"},
        {"a length of 0", Line, 0, "greater than 0"},
        {"a negative length", Line, -2, "greater than 0"},
        {"not a number", Line, NAN, "greater than 0"},
    };
    for (const TCase& C : Cases) {
        const QString Why = S.CalibrateScale(C.Shape, C.Length);
        EXPECT_TRUE(Why.contains(QLatin1String(C.Says))) << C.What << ": " << qPrintable(Why);
        EXPECT_EQ(S.Ratio(), 3.0) << C.What;
        EXPECT_FALSE(S.CanUndo()) << C.What;
    }
}
