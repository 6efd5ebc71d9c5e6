// TMyText: a box of text lines.
//
// The box is a rectangle in every way (drawing, hot points, resizing,
// rotating, hit test); the lines are laid out inside the box's own
// (unrotated) frame from corner 0, which is the box's top-left there, and
// turn with it. Flips keep corner 0 at the top-left, so the lines always read
// normally. Without lines the box shows its Info text, centred.
//
// The lines are written by the host or by the string list editor the
// surface opens when a text box has been drawn.
#pragma once

#include "draxa_export.h"
#include "shapes/rectangle.h"

#include <QStringList>

#include <cstdint>
#include <functional>

namespace draxa {

// Vertical placement of a block of lines in its box. Stored as a byte: never reorder.
enum class TVAlignment : uint8_t { vaTop, vaMiddle, vaBottom };

// Lines broken by characters to fit BoxWidth: a line that fits stays whole;
// a longer one is cut before the first character that would not fit, again
// and again. A single character wider than the box gets a line of its own.
// Width measures a text in the unit of BoxWidth.
DRAXA_EXPORT QStringList WrapTextLines(const QStringList& Lines, int BoxWidth,
                                       const std::function<int(const QString&)>& Width);

class DRAXA_EXPORT TMyText : public TMyRectangle {
public:
    // A box without lines: centred, solid glyphs, no border, no wrapping.
    explicit TMyText(TShapeHost* AHost);
    QString ClassName() const override { return QStringLiteral("TMyText"); }
    // A box of text is counted, not measured.
    std::optional<double> MeasuredArea() const override { return std::nullopt; }

    // The inherited copy, then (from another text) every text property.
    void Assign(const TMyShape& Source) override;
    // As Assign without the identity; the lines are content, so they come along.
    void AssignGeometry(const TMyShape& Source) override;
    // The border box when IsBorder, then the lines (or the Info text when
    // there are none) in the shape's font scaled by Zoom and turned by Angle.
    void Paint(TCanvas& Canvas) override;
    // The inherited mirror, then corners 0-1 and 2-3 swapped (FlipHorz) or
    // 0-3 and 1-2 (FlipVert) so that corner 0 stays the top-left, and a turned
    // box turned by a half (FlipHorz) or a whole (FlipVert) turn more, so
    // that the text reads the right way round.
    void FlipHorz() override;
    void FlipVert() override;
    // Text := Info: a text box reports no area.
    void UpdateMeasureInfo(QString& Text) override;
    // The common record, then the text's tail; documents older than "KW.a"
    // hold only the border and solid flags. An alignment byte out of range
    // throws EReadError; the shape's text properties are then unchanged.
    using TMyShape::LoadFromStream;
    using TMyShape::SaveToStream;
    void LoadFromStream(TStream& Stream, const TReadContext& Context) override;
    void SaveToStream(TStream& Stream, const TWriteContext& Context) override;

    // ---- published properties (setters only store) ----

    // Extra pixels between the characters of the Info text shown in place
    // of empty Lines. Not stored in documents.
    int16_t CharacterSpace() const { return FCharacterSpace; }
    void SetCharacterSpace(int16_t V) { FCharacterSpace = V; }
    TAlignment HAlignment() const { return FHAlignment; }
    void SetHAlignment(TAlignment V) { FHAlignment = V; }
    // The box is filled and framed like a rectangle under the text.
    bool IsBorder() const { return FIsBorder; }
    void SetIsBorder(bool V) { FIsBorder = V; }
    // True: filled glyphs in the font colour; False: glyph outlines with the shape's pen.
    bool IsSolid() const { return FIsSolid; }
    void SetIsSolid(bool V) { FIsSolid = V; }
    // The text, one entry per line.
    const QStringList& Lines() const { return FLines; }
    QStringList& Lines() { return FLines; }
    void SetLines(const QStringList& V) { FLines = V; }
    TVAlignment VAlignment() const { return FVAlignment; }
    void SetVAlignment(TVAlignment V) { FVAlignment = V; }
    // Lines wider than the box are broken by characters when painted.
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool V) { FWordWrap = V; }

private:
    // The text part of Assign and AssignGeometry.
    void CopyTextFrom(const TMyShape& Source);
    // The Info text centred in the box whose unrotated top-left is the screen
    // point O, turned about C, mirrored in its own cell when the box is flipped.
    void PaintInfo(TCanvas& Canvas, const TMyPoint& O, const TMyPoint& C, double BW, double BH);

    int16_t FCharacterSpace = 0;
    TAlignment FHAlignment = TAlignment::taCenter;
    bool FIsBorder = false;
    bool FIsSolid = true;
    QStringList FLines;
    TVAlignment FVAlignment = TVAlignment::vaMiddle;
    bool FWordWrap = false;
};

} // namespace draxa
