// TMyLinkLine on its own: the record's tail and its version rule, switching
// the draw style, tidying a route, and the hops painted at crossings.
#include "foundation/canvas.h"
#include "foundation/stream_io.h"
#include "foundation/streams.h"
#include "shapes/link_line.h"
#include "surface/draxa.h"

#include <gtest/gtest.h>
#include <QImage>

using namespace draxa;

namespace {

// A connector through the given screen points, added to Surface.
TMyLinkLine* AddLine(TMyDraxa& Surface, const TArrMyPoint& Screen) {
    auto* L = new TMyLinkLine(&Surface);
    for (const TMyPoint& P : Screen) L->AddScreenPoint(P);
    L->SetShapeNo(Surface.NextShapeNo());
    L->SetIndex(Surface.ShapeCount());
    EXPECT_TRUE(Surface.AddShape(L, false, false));
    return L;
}

// A box of the surface with its four side link points.
TMyShape* AddBox(TMyDraxa& Surface, float L, float T, float R, float B) {
    Surface.SetAutoLinkPoints(true);
    return Surface.ShapeByNumber(Surface.AddShapeByTool(&Surface, TDrawTool::SpRectangle, "B",
                                                        {{L, T}, {R, T}, {R, B}, {L, B}}, 0, {}));
}

bool IsWhite(const QImage& I, int X, int Y) {
    return I.pixel(X, Y) == QColor(Qt::white).rgb();
}

// The record of the connector (1, 2)-(30, 2) from start 2/1 to end 3/0 as
// "KW.4" and "KW.5" documents store it: the same common record (extended
// reals, reserved and legacy fields), then the connector's tail, which has
// the style byte (lldsFree) only from "KW.5" on.
QByteArray OldRecord(bool StyleByte) {
    TMemoryStream S;
    auto Text = [&S](const QByteArray& B) {
        WriteInt32(S, int32_t(B.size()));
        S.WriteBuffer(B.constData(), B.size());
    };
    auto Ints = [&S](std::initializer_list<int32_t> Vs) {
        for (int32_t V : Vs) WriteInt32(S, V);
    };
    auto Bytes = [&S](std::initializer_list<uint8_t> Vs) {
        for (uint8_t V : Vs) WriteByte(S, V);
    };
    Text("L");
    Ints({1, 0, 0, -1, 0, 0, 2}); // number, index, layer, group, no members or connectors, 2 points
    for (double V : {1.0, 2.0, 30.0, 2.0}) WriteExtended(S, V);
    Ints({0}); // no link points
    for (double V : {15.0, 12.0}) WriteExtended(S, V);
    Ints({0}); // tag
    WriteExtended(S, 0);
    WriteInt64(S, 0); // no brush picture
    Ints({0xFFFFFF});
    Bytes({0});
    Text("L"); // caption
    Ints({0xFFFFFF, 0});
    Text("Arial");
    Bytes({0});
    Ints({0, -16, 12});
    Bytes({0});
    Ints({96});
    Bytes({0});
    Ints({0, 0}); // reserved
    Bytes({uint8_t(TGradientStyle::gsNone), 0, 0});
    Text(""); // info
    Ints({0});
    Bytes({uint8_t(TPenMode::pmCopy), uint8_t(TPenStyle::psSolid)});
    Ints({1, 10}); // pen width, arrow angle
    Bytes({30, 0, 0});
    Ints({2, 1, 3, 0});
    if (StyleByte) Bytes({1});
    return S.ToByteArray();
}

} // namespace

TEST(LinkLine, RecordTailCarriesTheStyleByteFromKW5On) {
    TMyDraxa Surface;
    TMyLinkLine A(&Surface);
    A.AddScreenPoint(MyPoint(1, 2));
    A.AddScreenPoint(MyPoint(30, 2));
    A.SetStartShapeIndex(2);
    A.SetStartLinkPoint(1);
    A.SetEndShapeIndex(3);
    A.SetEndLinkPoint(0);
    A.SetLinkLineDrawStyle(TLinkLineDrawStyle::lldsFree);
    TMemoryStream Out;
    A.SaveToStream(Out);

    const struct {
        const char* Version;
        QByteArray Bytes;
        TLinkLineDrawStyle Style;
    } Rows[] = {{"KW.j", Out.ToByteArray(), TLinkLineDrawStyle::lldsFree},
                {"KW.5", OldRecord(true), TLinkLineDrawStyle::lldsFree},
                {"KW.4", OldRecord(false), TLinkLineDrawStyle::lldsHV}};
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Version);
        Surface.SetFileVersion(R.Version);
        TMyLinkLine B(&Surface);
        TMemoryStream In(R.Bytes);
        B.LoadFromStream(In);
        EXPECT_EQ(In.Remaining(), 0);
        EXPECT_EQ(B.Points(), A.Points());
        EXPECT_EQ(B.StartShapeIndex(), 2);
        EXPECT_EQ(B.StartLinkPoint(), 1);
        EXPECT_EQ(B.EndShapeIndex(), 3);
        EXPECT_EQ(B.EndLinkPoint(), 0);
        EXPECT_EQ(B.LinkLineDrawStyle(), R.Style);
    }
    QByteArray Bad = Out.ToByteArray();
    Bad[Bad.size() - 1] = 7;
    Surface.SetFileVersion("KW.j");
    TMyLinkLine B(&Surface);
    TMemoryStream In(Bad);
    EXPECT_THROW(B.LoadFromStream(In), EReadError);
}

TEST(LinkLine, SwitchingStyleKeepsTheEndsOrRoutesAgain) {
    TMyDraxa Surface;
    TMyShape* A = AddBox(Surface, 40, 40, 120, 100);
    TMyShape* B = AddBox(Surface, 240, 140, 320, 200);
    TMyLinkLine* L = AddLine(Surface, {{120, 70}, {215, 70}, {215, 170}, {240, 170}});
    L->SetStartShapeIndex(A->Index());
    L->SetStartLinkPoint(1);
    L->SetEndShapeIndex(B->Index());
    L->SetEndLinkPoint(3);
    L->SetAutoRoute(false);

    L->SetLinkLineDrawStyle(TLinkLineDrawStyle::lldsFree);
    EXPECT_EQ(L->Points(), (TArrMyPoint{{120, 70}, {240, 170}}));
    L->SetLinkLineDrawStyle(TLinkLineDrawStyle::lldsHV);
    EXPECT_TRUE(L->AutoRoute());
    L->TidyRoute();
    EXPECT_EQ(L->Points(), (TArrMyPoint{{120, 70}, {215, 70}, {215, 170}, {240, 170}}));
}

TEST(LinkLine, CrossingsShowHopsOfEightPixelsTimesZoom) {
    const struct {
        double Zoom;
        bool CrossLine;
        int CrossX;
        bool Hop;
    } Rows[] = {{1, true, 150, true}, {2, true, 150, true}, {1, true, 55, false}, {1, false, 150, false}};
    for (const auto& R : Rows) {
        SCOPED_TRACE(std::to_string(R.Zoom) + " " + std::to_string(R.CrossX));
        TMyDraxa Surface;
        Surface.SetZoom(R.Zoom);
        Surface.SetCrossLine(R.CrossLine);
        // Screen points: the same picture at every zoom.
        TMyLinkLine* H = AddLine(Surface, {{50, 100}, {250, 100}});
        AddLine(Surface, {{float(R.CrossX), 40}, {float(R.CrossX), 160}});

        QImage Image(300, 200, QImage::Format_RGB32);
        Image.fill(Qt::white);
        TCanvas Canvas(&Image);
        H->Paint(Canvas); // the horizontal one alone: only its own pixels show
        Canvas.Release();
        const int Hr = int(8 * R.Zoom);
        EXPECT_EQ(IsWhite(Image, R.CrossX - Hr / 2, 100), R.Hop) << "the line is cut under the hop";
        bool Arc = false;
        for (int Y = 100 - Hr - 1; Y <= 100 - Hr + 1; ++Y) Arc = Arc || !IsWhite(Image, R.CrossX, Y);
        EXPECT_EQ(Arc, R.Hop) << "the half circle's top";
    }
}

TEST(LinkLine, TidyingDropsLegsThatTurnBackAndKeepsEndLegsStraight) {
    const struct {
        const char* Name;
        TArrMyPoint Route;
        TMyRect StartBox; // the start on its right side; an empty box: a free start
        bool EndOn;       // the end on the top of (160, 80)-(200, 120)
        TArrMyPoint Tidied;
    } Rows[] = {
        {"a stub turning back before the end",
         {{220, 60}, {180, 60}, {180, 55}, {180, 80}},
         {200, 40, 220, 80},
         true,
         {{220, 60}, {180, 60}, {180, 80}}},
        {"a leg running back over the one before",
         {{0, 100}, {100, 100}, {60, 100}, {60, 200}},
         {},
         false,
         {{0, 100}, {60, 100}, {60, 200}}},
        {"a short leg out of an attached start stays straight",
         {{120, 135}, {130, 135}, {130, 200}, {290, 200}},
         {20, 100, 120, 170},
         false,
         {{120, 135}, {130, 135}, {130, 200}, {290, 200}}},
        {"a small jog away from the ends is straightened",
         {{0, 0}, {50, 0}, {50, 5}, {100, 5}},
         {},
         false,
         {{0, 0}, {100, 0}}},
    };
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Name);
        TMyDraxa Surface;
        const TMyRect B = R.StartBox;
        TMyShape* To = AddBox(Surface, 160, 80, 200, 120);
        TMyLinkLine* L = AddLine(Surface, R.Route);
        if (B.Right > B.Left) {
            TMyShape* From = AddBox(Surface, B.Left, B.Top, B.Right, B.Bottom);
            ASSERT_EQ(From->GetLinkPoint(1), R.Route.front());
            L->SetStartShapeIndex(From->Index());
            L->SetStartLinkPoint(1);
        }
        if (R.EndOn) {
            L->SetEndShapeIndex(To->Index());
            L->SetEndLinkPoint(0);
        }
        L->TidyRoute();
        EXPECT_EQ(L->Points(), R.Tidied);
    }
}

TEST(LinkLine, ConnectorsThatOnlyMeetGetNoHop) {
    const struct {
        const char* Name;
        TMyPoint Top, Bottom; // the other connector's vertical segment
        bool Hop;
    } Rows[] = {{"crossing", {150, 40}, {150, 160}, true},
                {"ending on it a fraction beyond, as at a junction", {150, 99.6f}, {150, 160}, false},
                {"ending on it", {150, 100}, {150, 160}, false}};
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Name);
        TMyDraxa Surface;
        TMyLinkLine* H = AddLine(Surface, {{50, 100}, {250, 100}});
        AddLine(Surface, {R.Top, R.Bottom});
        QImage Image(300, 200, QImage::Format_RGB32);
        Image.fill(Qt::white);
        TCanvas Canvas(&Image);
        H->Paint(Canvas);
        Canvas.Release();
        EXPECT_EQ(IsWhite(Image, 146, 100), R.Hop) << "the line is cut under the hop";
    }
}
