// TMyRuleLine: defaults, the upright text, ticks at every zoom, the user
// text and the measure text after resizing.
#include "foundation/canvas.h"
#include "shapes/rule_line.h"
#include "surface/draxa.h"

#include <gtest/gtest.h>
#include <QImage>

using namespace draxa;

namespace {

const QRgb White = QColor(Qt::white).rgb();
constexpr double Pi = 3.14159265358979323846;

TMyRuleLine* AddRule(TMyDraxa& S, TMyPoint From, TMyPoint To) {
    return dynamic_cast<TMyRuleLine*>(
        S.ShapeByNumber(S.AddShapeByTool(&S, TDrawTool::SpRuleLine, "R", {From, To}, 0, "")));
}

QImage Render(TMyShape& Shape) {
    QImage Image(400, 400, QImage::Format_RGB32);
    Image.fill(White);
    TCanvas Canvas(&Image);
    Shape.Paint(Canvas);
    Canvas.Release();
    return Image;
}

// The inked pixels of column X between rows Y0 and Y1 (exclusive).
int InkedInColumn(const QImage& I, int X, int Y0, int Y1) {
    int N = 0;
    for (int Y = Y0; Y < Y1; ++Y) N += I.pixel(X, Y) != White;
    return N;
}

// The inked pixels of the rectangle [X0, X1) x [Y0, Y1).
int InkedIn(const QImage& I, int X0, int Y0, int X1, int Y1) {
    int N = 0;
    for (int X = X0; X < X1; ++X) N += InkedInColumn(I, X, Y0, Y1);
    return N;
}

} // namespace

TEST(RuleLine, TakesItsOwnArrowDefaultsAndCopiesOnlyTheUserText) {
    TMyDraxa S;
    S.SetArrowStyle(TArrowStyle::ARight);
    S.SetArrowLength(50);
    S.SetArrowOffset(6);
    TMyRuleLine R(&S);
    EXPECT_EQ(R.Font().Size(), 8);
    EXPECT_EQ(R.ArrowStyle(), TArrowStyle::ADouble);
    EXPECT_EQ(R.ArrowLength(), 20);
    EXPECT_EQ(R.ArrowOffset(), 6);
    // A copy takes the user text but keeps its own tick style.
    R.SetUserInfo("x");
    R.SetTickStyle(TTickStyle::tsNone);
    TMyRuleLine Copy(&S);
    Copy.Assign(R);
    EXPECT_EQ(Copy.UserInfo(), "x");
    EXPECT_EQ(Copy.TickStyle(), TTickStyle::tsLine);
}

TEST(RuleLine, TextStaysUprightAndCentredAboveWhicheverWayTheLineWasDrawn) {
    TMyDraxa S;
    TMyRuleLine* Right = AddRule(S, {100, 200}, {300, 200});
    TMyRuleLine* Left = AddRule(S, {300, 200}, {100, 200});
    const QImage A = Render(*Right), B = Render(*Left);
    EXPECT_FLOAT_EQ(Left->Angle(), float(Pi));
    EXPECT_EQ(Left->Info(), Right->Info());
    // The text lies above the line between the arrow heads, and is the same image.
    EXPECT_GT(InkedIn(A, 125, 150, 275, 198), 20);
    EXPECT_EQ(InkedIn(A, 125, 204, 275, 250), 0);
    EXPECT_EQ(A.copy(125, 150, 150, 48), B.copy(125, 150, 150, 48));
}

TEST(RuleLine, TicksStayTwentyPixelsAtEveryZoomAndCanBeSwitchedOff) {
    const struct {
        double Zoom;
        TTickStyle Ticks;
        int TickPixels;
    } Rows[] = {{1, TTickStyle::tsLine, 20}, {2, TTickStyle::tsLine, 20}, {2, TTickStyle::tsNone, 0}};
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Zoom);
        TMyDraxa S;
        TMyRuleLine* Rule = AddRule(S, {50, 100}, {150, 100});
        Rule->SetTickStyle(R.Ticks);
        Rule->SetShowUserInfo(true); // no text in the way
        S.SetZoom(R.Zoom);
        const QImage I = Render(*Rule);
        const int X0 = int(50 * R.Zoom), X1 = int(150 * R.Zoom), Y = int(100 * R.Zoom);
        // Above and below the arrow heads' reach, only ticks are drawn.
        for (const int X : {X0, X1}) {
            const int Tick = InkedInColumn(I, X, Y - 30, Y + 30);
            EXPECT_GE(Tick, R.TickPixels) << X;
            EXPECT_LE(Tick, R.TickPixels + 1) << X;
        }
        // The heads double with the zoom and stay without ticks.
        EXPECT_TRUE(I.pixel(X0 + int(15 * R.Zoom), Y - int(R.Zoom)) != White);
    }
}

TEST(RuleLine, UserTextReplacesTheMeasureAndResizeRefreshesIt) {
    TMyDraxa S;
    S.SetTheUNIT(TUnits::pixel);
    TMyRuleLine* R = AddRule(S, {100, 200}, {300, 200});
    Render(*R);
    EXPECT_EQ(R->Info(), "      200 pixel(s)");
    R->SetShowUserInfo(true);
    R->SetInfo("kept");
    const QImage I = Render(*R);
    EXPECT_EQ(R->Info(), "kept");
    EXPECT_EQ(InkedIn(I, 125, 150, 275, 198), 0) << "an empty user text draws nothing";

    R->SetHotIndex(1);
    R->ResizeByHot(MyPoint(300, 200), MyPoint(300, 400));
    EXPECT_EQ(R->Info(), "283 pixel(s)");
    EXPECT_NEAR(R->Angle(), Pi / 4, 1e-6);
}

// Regression: the single-precision angle of a line drawn straight down was
// compared with pi/2 in double precision and taken for a leftward line.
TEST(RuleLine, UprightLinesCarryTheirTextOnTheSideTheyTurnTo) {
    const struct {
        const char* Name;
        TMyPoint From, To;
        bool TextOnTheRight;
    } Rows[] = {{"drawn downwards", {200, 100}, {200, 300}, true},
                {"drawn upwards", {200, 300}, {200, 100}, false}};
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Name);
        TMyDraxa S;
        const QImage I = Render(*AddRule(S, R.From, R.To));
        const int Right = InkedIn(I, 204, 130, 250, 270), Left = InkedIn(I, 150, 130, 197, 270);
        EXPECT_GT(R.TextOnTheRight ? Right : Left, 20);
        EXPECT_EQ(R.TextOnTheRight ? Left : Right, 0);
    }
}
