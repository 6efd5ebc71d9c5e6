// TMyRuleLine: the measuring (dimension) line.
//
// A two-point line with arrow heads at both ends by default, a tick across
// each end, and a text centred above the line and turned with it, never
// upside down: the measured length in the surface's unit, recomputed at
// every paint, or a fixed user text.
#pragma once

#include "draxa_export.h"
#include "shapes/line.h"

namespace draxa {

// End ticks of a measuring line: drawn or not. Stored as a byte.
enum class TTickStyle : uint8_t { tsLine, tsNone };

class DRAXA_EXPORT TMyRuleLine : public TMyLine {
public:
    // The line's construction, then font size 8, ArrowAngle 10, ArrowLength
    // 20 and ArrowStyle ADouble whatever the surface says (ArrowOffset comes
    // from the surface).
    explicit TMyRuleLine(TShapeHost* AHost);
    QString ClassName() const override { return QStringLiteral("TMyRuleLine"); }

    // The line's copy, then UserInfo from a measuring line (ShowUserInfo
    // and TickStyle are not copied).
    void Assign(const TMyShape& Source) override;
    // Segments, arrow heads, Angle := direction of the first segment, ticks
    // 20 screen pixels long at every zoom, then the text 3 pixels above the
    // line; the length text is stored in Info. No info texts at the anchor.
    void Paint(TCanvas& Canvas) override;
    // The length text of the first segment, stored in Info.
    void UpdateMeasureInfo(QString& Text) override;
    // The line's resize; then Angle := slope angle of the first segment and
    // Info := its length text without the padding blanks.
    void ResizeByHot(const TMyPoint& FromPt, const TMyPoint& ToPt) override;
    // The line's record, then Byte ShowUserInfo, Byte TickStyle, counted
    // UserInfo. A TickStyle byte out of range throws EReadError; the tail is
    // applied only when read whole.
    using TMyShape::LoadFromStream;
    using TMyShape::SaveToStream;
    void LoadFromStream(TStream& Stream, const TReadContext& Context) override;
    void SaveToStream(TStream& Stream, const TWriteContext& Context) override;

    // ---- published properties (setters only store) ----

    // True: show UserInfo instead of the measured length.
    bool ShowUserInfo() const { return FShowUserInfo; }
    void SetShowUserInfo(bool V) { FShowUserInfo = V; }
    TTickStyle TickStyle() const { return FTickStyle; }
    void SetTickStyle(TTickStyle V) { FTickStyle = V; }
    QString UserInfo() const { return FUserInfo; }
    void SetUserInfo(const QString& V) { FUserInfo = V; }

    // Half length of an end tick, screen pixels at every zoom.
    static constexpr int TickHalfLength = 10;

private:
    bool FShowUserInfo = false;
    TTickStyle FTickStyle = TTickStyle::tsLine;
    QString FUserInfo;
};

} // namespace draxa
