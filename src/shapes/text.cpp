// TMyText: wrapping, painting (lines, or the Info text when there are none),
// flips, copying and the text's tail of the shape record.
//
// The tail, after the common record, as written:
//   Byte IsBorder, Byte IsSolid                          } every version
//   Int32 line count, then each line as a counted text   } from "KW.a" on
//   Byte VAlignment, Byte HAlignment, Byte WordWrap      }
// CharacterSpace is not stored.
//
// Reading choices, as for the common record:
// - An alignment byte outside its range fails the record (EReadError): the
//   reader has lost its place or the document is damaged.
// - The line count is checked against the bytes left before anything is
//   allocated for it.
// - The lines read replace the shape's lines, and the tail is read whole
//   before any of it is applied.
#include "shapes/text.h"

#include "foundation/canvas.h"
#include "foundation/stream_io.h"
#include "foundation/streams.h"
#include "shapes/shape_host.h"

#include <QTransform>

#include <string>
#include <utility>

namespace draxa {

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr int AlignmentCount = int(TAlignment::taCenter) + 1;
constexpr int VAlignmentCount = int(TVAlignment::vaBottom) + 1;

uint8_t ReadEnumByte(TStream& S, int Count, const char* What) {
    const uint8_t B = ReadByte(S);
    if (B >= Count)
        throw EReadError(std::string("Stream read error: text ") + What + " " + std::to_string(B) +
                         " is out of range 0.." + std::to_string(Count - 1));
    return B;
}

// Turns an angle the way DrawText turns its text: in whole tenths of a degree.
double TextTurnDegrees(float Angle) {
    return -RoundHalfEven(Angle * 180 / Pi * 10 * -1) / 10.0;
}

} // namespace

QStringList WrapTextLines(const QStringList& Lines, int BoxWidth,
                          const std::function<int(const QString&)>& Width) {
    QStringList Result;
    for (const QString& Line : Lines) {
        if (Width(Line) <= BoxWidth) {
            Result.append(Line);
            continue;
        }
        QString Rest = Line;
        int K = 1; // length of the prefix being tried
        while (K <= Rest.size()) {
            // A line holds at least one character, however narrow the box:
            // cutting before the first one would give empty lines for ever.
            if (K > 1 && Width(Rest.left(K)) > BoxWidth) {
                Result.append(Rest.left(K - 1));
                Rest = Rest.mid(K - 1);
                K = 1;
            } else {
                ++K;
            }
        }
        Result.append(Rest);
    }
    return Result;
}

TMyText::TMyText(TShapeHost* AHost) : TMyRectangle(AHost) {}

// ---- copying -----------------------------------------------------------------

// Word wrapping and character spacing are copied with the rest: the undo
// history keeps copies, and a restored text must look as it did.
void TMyText::CopyTextFrom(const TMyShape& Source) {
    const auto* T = dynamic_cast<const TMyText*>(&Source);
    if (!T || T == this) return;
    FIsBorder = T->FIsBorder;
    FIsSolid = T->FIsSolid;
    FLines = T->FLines;
    FHAlignment = T->FHAlignment;
    FVAlignment = T->FVAlignment;
    FWordWrap = T->FWordWrap;
    FCharacterSpace = T->FCharacterSpace;
}

void TMyText::Assign(const TMyShape& Source) {
    if (&Source == this) return;
    TMyRectangle::Assign(Source);
    CopyTextFrom(Source);
}

void TMyText::AssignGeometry(const TMyShape& Source) {
    if (&Source == this) return;
    TMyRectangle::AssignGeometry(Source);
    CopyTextFrom(Source);
}

// ---- flips ---------------------------------------------------------------------

void TMyText::FlipHorz() {
    TMyRectangle::FlipHorz();
    if (PointCount() >= 4) {
        std::swap(MutablePoints()[0], MutablePoints()[1]);
        std::swap(MutablePoints()[2], MutablePoints()[3]);
    }
    if (FAngle != 0) {
        float A = float(double(FAngle) + Pi);
        NormalizeAngle(A);
        FAngle = A;
    }
}

void TMyText::FlipVert() {
    TMyRectangle::FlipVert();
    if (PointCount() >= 4) {
        std::swap(MutablePoints()[0], MutablePoints()[3]);
        std::swap(MutablePoints()[1], MutablePoints()[2]);
    }
    if (FAngle != 0) {
        float A = float(double(FAngle) + 2 * Pi);
        NormalizeAngle(A);
        FAngle = A;
    }
}

void TMyText::UpdateMeasureInfo(QString& Text) {
    Text = FInfo;
}

// ---- painting --------------------------------------------------------------------

void TMyText::PaintInfo(TCanvas& Canvas, const TMyPoint& O, const TMyPoint& C, double BW, double BH) {
    const double Z = Zoom();
    const int OldExtra = Canvas.SetTextCharacterExtra(FCharacterSpace);
    const TPoint E = MeasureText(Canvas, FInfo, Z, FAngle, FFont);
    const double W = E.X, H = E.Y;
    const TMyPoint At =
        RotateMyPoint(MyPoint(float(O.X + (BW - W) / 2), float(O.Y + (BH - H) / 2)), C, FAngle);
    const TPoint P = RoundMyPoint(At);

    if (!FIsFlipHorz && !FIsFlipVert) {
        DrawText(Canvas, P.X, P.Y, Z, FAngle, FFont, FInfo);
        Canvas.SetTextCharacterExtra(OldExtra);
        return;
    }

    // A flipped box shows its Info mirrored within the text's own cell (W x H
    // from P, turned with the text): upside down after a horizontal flip,
    // back to front after a vertical one; the horizontal flip decides when
    // both are set. The mirror is a world transform about the turned cell,
    // so it holds for turned boxes too.
    const double Deg = TextTurnDegrees(FAngle);
    QTransform T;
    T.translate(P.X, P.Y);
    T.rotate(Deg);
    if (FIsFlipHorz) {
        T.translate(0, H);
        T.scale(1, -1);
    } else {
        T.translate(W, 0);
        T.scale(-1, 1);
    }
    T.rotate(-Deg);
    T.translate(-P.X, -P.Y);

    const TGraphicsMode OldMode = Canvas.SetGraphicsMode(GM_ADVANCED);
    const TXForm OldWorld = Canvas.GetWorldTransform();
    Canvas.SetWorldTransform(
        TXForm{float(T.m11()), float(T.m12()), float(T.m21()), float(T.m22()), float(T.dx()), float(T.dy())});
    DrawText(Canvas, P.X, P.Y, Z, FAngle, FFont, FInfo);
    // Outlined glyphs are recorded untransformed and take the transform that
    // is current when the path is stroked: stroke them while it still holds.
    if (Canvas.InPath()) {
        Canvas.EndPath();
        Canvas.StrokePath();
    }
    Canvas.SetWorldTransform(OldWorld);
    Canvas.SetGraphicsMode(OldMode);
    Canvas.SetTextCharacterExtra(OldExtra);
}

void TMyText::Paint(TCanvas& Canvas) {
    if (PointCount() < 4) return;
    ApplyPenBrush(Canvas);
    // The box's fill and frame; the text draws its own texts, so no DrawInfo.
    if (FIsBorder) PaintBox(Canvas);

    const double Z = Zoom();
    const int BW = RoundHalfEven(UnrotatedWidth() * Z);
    const int BH = RoundHalfEven(UnrotatedHeight() * Z);
    // A grouped text turns with its outermost group. (The layout is the same
    // about any centre; the group's keeps the members' rounding alike.)
    TMyShape* Top = IsGrouped() ? FHost->TopGroupOf(this) : nullptr;
    const TMyPoint C = Top ? Top->GetScreenRotateCenter() : GetScreenRotateCenter();
    // Corner 0 in the box's own frame: the top-left the lines are laid out from.
    const TMyPoint O = RotateMyPoint(GetScreenPoint(0), C, -FAngle);

    if (!FIsSolid) Canvas.BeginPath();
    if (FLines.isEmpty()) {
        if (!FInfo.isEmpty()) PaintInfo(Canvas, O, C, BW, BH);
    } else {
        const QStringList Lines =
            FWordWrap
                ? WrapTextLines(FLines, BW,
                                [&](const QString& S) { return MeasureText(Canvas, S, Z, FAngle, FFont).X; })
                : FLines;
        const int N = int(Lines.size());
        for (int D = 0; D < N; ++D) {
            const TPoint E = MeasureText(Canvas, Lines[D], Z, FAngle, FFont);
            const double W = E.X, H = E.Y;
            double X = O.X, Y = O.Y;
            switch (FHAlignment) {
            case TAlignment::taLeftJustify:
                break;
            case TAlignment::taRightJustify:
                X = O.X + BW - W;
                break;
            case TAlignment::taCenter:
                X = O.X + (BW - W) / 2;
                break;
            }
            switch (FVAlignment) {
            case TVAlignment::vaTop:
                Y = O.Y + D * H;
                break;
            case TVAlignment::vaMiddle:
                Y = O.Y + (BH - N * H) / 2 + D * H;
                break;
            case TVAlignment::vaBottom:
                Y = O.Y + BH - (N - D) * H;
                break;
            }
            const TPoint P = RoundMyPoint(RotateMyPoint(MyPoint(float(X), float(Y)), C, FAngle));
            DrawText(Canvas, P.X, P.Y, Z, FAngle, FFont, Lines[D]);
        }
    }
    // The glyph outlines, stroked with the shape's pen (a mirrored Info text
    // has been stroked already).
    if (Canvas.InPath()) {
        Canvas.EndPath();
        Canvas.StrokePath();
    }
}

// ---- stream ------------------------------------------------------------------------

void TMyText::SaveToStream(TStream& Stream, const TWriteContext& Context) {
    TMyRectangle::SaveToStream(Stream, Context);
    WriteBoolean(Stream, FIsBorder);
    WriteBoolean(Stream, FIsSolid);
    WriteInt32(Stream, static_cast<int32_t>(FLines.size()));
    for (const QString& Line : FLines) WriteCountedText(Stream, Line);
    WriteByte(Stream, static_cast<uint8_t>(FVAlignment));
    WriteByte(Stream, static_cast<uint8_t>(FHAlignment));
    WriteBoolean(Stream, FWordWrap);
}

void TMyText::LoadFromStream(TStream& Stream, const TReadContext& Context) {
    TMyRectangle::LoadFromStream(Stream, Context);
    // The lines and their layout joined the record with "KW.a".
    const bool HasLines = Context.AtLeast(TFormatVersion::KWa);

    const bool IsBorder = ReadBoolean(Stream);
    const bool IsSolid = ReadBoolean(Stream);
    QStringList Lines;
    TVAlignment VAlignment = FVAlignment;
    TAlignment HAlignment = FHAlignment;
    bool WordWrap = FWordWrap;
    if (HasLines) {
        // Each line holds at least its length.
        const int32_t N = ReadCount(Stream, 4);
        Lines.reserve(N);
        for (int32_t I = 0; I < N; ++I) Lines.append(ReadCountedText(Stream));
        VAlignment = static_cast<TVAlignment>(ReadEnumByte(Stream, VAlignmentCount, "vertical alignment"));
        HAlignment = static_cast<TAlignment>(ReadEnumByte(Stream, AlignmentCount, "horizontal alignment"));
        WordWrap = ReadBoolean(Stream);
    }

    FIsBorder = IsBorder;
    FIsSolid = IsSolid;
    if (HasLines) {
        FLines = Lines;
        FVAlignment = VAlignment;
        FHAlignment = HAlignment;
        FWordWrap = WordWrap;
    }
}

} // namespace draxa
