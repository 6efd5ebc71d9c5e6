// TMyRuleLine: defaults, copying, painting with ticks and the upright text,
// the measure text and the measuring line's tail of the shape record.
#include "shapes/rule_line.h"

#include "foundation/canvas.h"
#include "foundation/stream_io.h"
#include "foundation/streams.h"
#include "shapes/shape_host.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace draxa {

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr int TickStyleCount = int(TTickStyle::tsNone) + 1;
// Gap between the line and the bottom of its text, screen pixels.
constexpr int TextGap = 3;

void DrawSegment(TCanvas& Canvas, const TPoint& A, const TPoint& B) {
    Canvas.MoveTo(A.X, A.Y);
    Canvas.LineTo(B.X, B.Y);
}

} // namespace

TMyRuleLine::TMyRuleLine(TShapeHost* AHost) : TMyLine(AHost) {
    FFont.SetSize(8);
    FArrowAngle = 10;
    FArrowLength = 20;
    FArrowStyle = TArrowStyle::ADouble;
}

void TMyRuleLine::Assign(const TMyShape& Source) {
    if (&Source == this) return;
    TMyLine::Assign(Source);
    if (const auto* R = dynamic_cast<const TMyRuleLine*>(&Source)) FUserInfo = R->FUserInfo;
}

void TMyRuleLine::Paint(TCanvas& Canvas) {
    const int N = PointCount();
    if (N < 2) return;
    ApplyPenBrush(Canvas);
    const std::optional<TGeometricPen> Previous =
        SelectGeometricPen(Canvas, FPen.Style(), FPen.Width(), FPen.Color());
    PaintSegments(Canvas);

    ApplyArrowFill(Canvas);
    const TMyPoint VL = GetScreenPoint(N - 1), VK = GetScreenPoint(N - 2);
    if (FArrowStyle == TArrowStyle::ALeft || FArrowStyle == TArrowStyle::ADouble)
        DrawArrowHead(Canvas, VL, VK);
    if (FArrowStyle == TArrowStyle::ARight || FArrowStyle == TArrowStyle::ADouble)
        DrawArrowHead(Canvas, VK, VL);

    UpdateDirectionAngle();
    // The text turns with the line but is never read upside down: a line
    // pointing leftwards carries it turned half round.
    // The angle is kept in single precision: compared in it, a line drawn
    // straight down (pi/2) or up (3 pi/2) is not taken for a leftward one.
    double R = FAngle;
    if (FAngle > float(Pi / 2) && FAngle < float(3 * Pi / 2)) R += Pi;
    // A whole turn is no turn: a line drawn leftwards lays its text out
    // exactly like one drawn rightwards, without a rounding-sized rotation.
    if (R >= 2 * Pi) R -= 2 * Pi;

    // Ticks and text are laid out in the frame where the line is horizontal.
    const TMyPoint C = GetScreenRotateCenter();
    const TMyPoint V0 = GetScreenPoint(0), V1 = GetScreenPoint(1);
    const TMyPoint P = RotateMyPoint(V0, C, float(-R));
    const TMyPoint Q = RotateMyPoint(V1, C, float(-R));
    auto Back = [&](double X, double Y) {
        return RoundMyPoint(RotateMyPoint(ToMyPoint(Point(RoundHalfEven(X), RoundHalfEven(Y))), C, float(R)));
    };
    // Ticks and the gap under the text are screen pixels, not zoomed; on
    // paper they keep their screen size, as pen widths do.
    const double Pixel = Canvas.IsPrinter() ? Zoom() : 1.0;
    if (FTickStyle == TTickStyle::tsLine) {
        // A tick marks where the measure ends.
        for (const TMyPoint& E : {P, Q})
            DrawSegment(Canvas, Back(E.X, double(E.Y) - TickHalfLength * Pixel),
                        Back(E.X, double(E.Y) + TickHalfLength * Pixel));
    }

    QString Text;
    if (FShowUserInfo) {
        Text = FUserInfo;
    } else {
        // Printed, the line says what it says on screen: measured again at
        // the printer's resolution, the rounding of its ends would differ.
        if (!Canvas.IsPrinter() || Info().isEmpty())
            SetInfo(GetLengthText(RoundMyPoint(V0), RoundMyPoint(V1)));
        Text = Info();
    }
    if (!Text.isEmpty()) {
        const double Z = Zoom();
        const TPoint E = MeasureText(Canvas, Text, Z, 0, FFont);
        const TMyPoint A{float(std::min(P.X, Q.X) + (double(MyPointDistance(P, Q)) - E.X) / 2),
                         float(double(P.Y) - E.Y - TextGap * Pixel)};
        const TMyPoint At = RotateMyPoint(A, C, float(R));
        DrawText(Canvas, RoundHalfEven(At.X), RoundHalfEven(At.Y), Z, R, FFont, Text);
    }
    Canvas.SelectGeometricPen(Previous);
}

void TMyRuleLine::UpdateMeasureInfo(QString& Text) {
    MeasureFirstSegment(Text);
}

void TMyRuleLine::ResizeByHot(const TMyPoint& FromPt, const TMyPoint& ToPt) {
    TMyLine::ResizeByHot(FromPt, ToPt);
    if (PointCount() < 2) return;
    // Kept current for whoever reads them before the next paint, which
    // recomputes both.
    const TMyPoint A = Points()[0], B = Points()[1];
    FAngle = A.X == B.X ? float(Pi / 2) : float(std::atan((double(B.Y) - A.Y) / (double(B.X) - A.X)));
    SetInfo(GetLengthText(ScreenVertex(0), ScreenVertex(1)).trimmed());
}

void TMyRuleLine::SaveToStream(TStream& Stream, const TWriteContext& Context) {
    TMyLine::SaveToStream(Stream, Context);
    WriteBoolean(Stream, FShowUserInfo);
    WriteByte(Stream, static_cast<uint8_t>(FTickStyle));
    WriteCountedText(Stream, FUserInfo);
}

void TMyRuleLine::LoadFromStream(TStream& Stream, const TReadContext& Context) {
    TMyLine::LoadFromStream(Stream, Context);
    const bool Show = ReadBoolean(Stream);
    const uint8_t Tick = ReadByte(Stream);
    if (Tick >= TickStyleCount)
        throw EReadError("Stream read error: tick style " + std::to_string(Tick) + " is out of range 0.." +
                         std::to_string(TickStyleCount - 1));
    const QString User = ReadCountedText(Stream);
    FShowUserInfo = Show;
    FTickStyle = static_cast<TTickStyle>(Tick);
    FUserInfo = User;
}

} // namespace draxa
