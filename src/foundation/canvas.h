// TCanvas: the small GDI-like drawing layer every shape paints through.
//
// Its semantics are ours; Qt's QPainter sits behind it. It keeps a pen, a
// brush, a font and the current position, and offers the primitives, pen
// modes (copy, XOR, NotXor and the other raster operations), geometric pens
// with join and end-cap styles, paths, polygon regions, clipping, world
// transforms and mapping modes, and rotated text. Coordinates are integer
// device pixels of the target unless a transform says otherwise.
//
// Painting is aliased, so XOR feedback erases exactly and pixel counts are
// exact (a smooth mode is there for what needs no undoing). On an image with
// a device pixel ratio, coordinates are the logical pixels and each covers a
// block of the image's. Rectangles and ellipses cover Left..Right-1 and Top..Bottom-1, and a
// LineTo leaves out its last pixel, so that chained lines draw each pixel
// once and XOR outlines do not cancel themselves at their joints.
//
// Raster pen modes need a 32-bit target: the control's screen image is one.
// On other targets every mode but pmNop, pmBlack and pmWhite paints in copy mode.
#pragma once

#include "draxa_export.h"
#include "foundation/geometry.h"
#include "foundation/graphics.h"

#include <QFont>
#include <QPainterPath>
#include <QPen>
#include <QRegion>
#include <QTransform>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QPaintDevice;
class QPainter;
class QImage;

namespace draxa {

class TBitmap;

// Geometric pen style bits: a line style in the low bits, then the end cap
// and the join, and PS_GEOMETRIC. These values are the ones shapes combine.
constexpr uint32_t PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4, PS_NULL = 5,
                   PS_INSIDEFRAME = 6, PS_STYLE_MASK = 0x0000000F;
constexpr uint32_t PS_ENDCAP_ROUND = 0x000, PS_ENDCAP_SQUARE = 0x100, PS_ENDCAP_FLAT = 0x200,
                   PS_ENDCAP_MASK = 0xF00;
constexpr uint32_t PS_JOIN_ROUND = 0x0000, PS_JOIN_BEVEL = 0x1000, PS_JOIN_MITER = 0x2000,
                   PS_JOIN_MASK = 0xF000;
constexpr uint32_t PS_COSMETIC = 0x00000, PS_GEOMETRIC = 0x10000;

// A pen made from style bits, a width and a colour (a solid logical brush).
struct DRAXA_EXPORT TGeometricPen {
    uint32_t Style = PS_GEOMETRIC;
    int Width = 1;
    TColor Color = clBlack;
};

// Polygon fill rules: alternate (even-odd) and winding (non-zero).
enum TPolyFillMode : uint8_t { ALTERNATE = 1, WINDING = 2 };
// Background mode of text and hatched brushes.
enum TBkMode : uint8_t { TRANSPARENT = 1, OPAQUE = 2 };
// Graphics modes: world transforms apply only in the advanced mode.
enum TGraphicsMode : uint8_t { GM_COMPATIBLE = 1, GM_ADVANCED = 2 };
// Mapping modes: page units and the direction of the Y axis.
enum TMapMode : uint8_t {
    MM_TEXT = 1,      // one unit is one pixel, Y down
    MM_LOMETRIC = 2,  // 0.1 mm, Y up
    MM_HIMETRIC = 3,  // 0.01 mm, Y up
    MM_LOENGLISH = 4, // 0.01 inch, Y up
    MM_HIENGLISH = 5, // 0.001 inch, Y up
    MM_TWIPS = 6,     // 1/1440 inch, Y up
    MM_ISOTROPIC = 7, // as MM_TEXT here (no window or viewport extents are kept)
    MM_ANISOTROPIC = 8
};
// Point kinds in a path read back with GetPath.
constexpr uint8_t PT_CLOSEFIGURE = 0x01, PT_LINETO = 0x02, PT_BEZIERTO = 0x04, PT_MOVETO = 0x06;

// A world transform: x' = eM11 x + eM21 y + eDx, y' = eM12 x + eM22 y + eDy.
struct DRAXA_EXPORT TXForm {
    float eM11 = 1, eM12 = 0, eM21 = 0, eM22 = 1, eDx = 0, eDy = 0;
};

// A path read back from a canvas, in device pixels.
struct DRAXA_EXPORT TPathData {
    TArrPoint Points;
    std::vector<uint8_t>
        Types; // PT_* per point; PT_CLOSEFIGURE is or-ed into the last point of a closed figure
};

// A set of pixels: a polygon under a fill rule, a rectangle, or a combination.
// Pixel-exact: a polygon region holds the pixels whose centres lie inside.
class DRAXA_EXPORT TRegion {
public:
    TRegion() = default;
    static TRegion FromPolygon(const TArrPoint& Points, TPolyFillMode Mode);
    static TRegion FromPolygon(const TPoint* Points, int Count, TPolyFillMode Mode);
    static TRegion FromRect(const TRect& R);
    bool IsEmpty() const { return Region().isEmpty(); }
    // True when the pixel (X, Y) belongs to the region.
    bool Contains(const TPoint& P) const;
    TRect Bounds() const;
    void Offset(int DX, int DY);
    TRegion Intersected(const TRegion& O) const { return TRegion(Region().intersected(O.Region())); }
    TRegion United(const TRegion& O) const { return TRegion(Region().united(O.Region())); }
    TRegion Subtracted(const TRegion& O) const { return TRegion(Region().subtracted(O.Region())); }
    TRegion Xored(const TRegion& O) const { return TRegion(Region().xored(O.Region())); }
    const QRegion& ToQRegion() const { return Region(); }

private:
    explicit TRegion(QRegion R) : FRegion(std::move(R)) {}
    // A polygon's rows are made only when something needs all of them: a hit
    // test of one pixel looks at the polygon on that pixel's row alone.
    const QRegion& Region() const;

    mutable QRegion FRegion;
    mutable std::vector<QPoint> FPolygon; // not yet scan-converted; empty once it is
    Qt::FillRule FRule = Qt::OddEvenFill;
};

// The free functions that mirror the platform calls shapes are written against.
DRAXA_EXPORT TRegion CreatePolygonRgn(const TArrPoint& Points, TPolyFillMode Mode);
DRAXA_EXPORT bool PtInRegion(const TRegion& Region, int X, int Y);

class DRAXA_EXPORT TCanvas {
public:
    // Draws on Device (a QImage, a TBitmap's image, a printer or PDF writer).
    explicit TCanvas(QPaintDevice* Device = nullptr);
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;
    ~TCanvas();

    // Ends any active painting first; nullptr detaches the canvas.
    void SetDevice(QPaintDevice* Device);
    QPaintDevice* Device() const { return FDevice; }
    // Ends the active painter so the device may be resized, copied or read
    // directly. The next drawing call begins again with the same state.
    void Release();

    // Fired after every drawing operation (the control schedules its update).
    std::function<void()> OnChange;

    // ---- state ----
    TPen& Pen() { return FPen; }
    TBrush& Brush() { return FBrush; }
    TFont& Font() { return FFont; }
    TPoint PenPos() const { return FPenPos; }
    void SetPenPos(const TPoint& P) { FPenPos = P; }

    // A printer canvas paints through a printer: shapes scale pen widths by
    // the zoom there and turn colours into grey on a monochrome device.
    bool IsPrinter() const { return FIsPrinter; }
    void SetIsPrinter(bool V) { FIsPrinter = V; }
    // Colours the device shows (2 for a monochrome printer, -1 for true colour).
    int NumColors() const { return FNumColors; }
    void SetNumColors(int V) { FNumColors = V; }
    // Device resolution (96 for images unless they say otherwise).
    int PixelsPerInchX() const;
    int PixelsPerInchY() const;
    // Size of the device in pixels.
    int DeviceWidth() const;
    int DeviceHeight() const;
    // Device pixels per pixel in each direction: more than 1 on an image made
    // for a high-density screen (its device pixel ratio, rounded). Every
    // coordinate, region, clip and pixel access of the canvas stays in pixels;
    // figures, texts and one-pixel pens are drawn with the device's pixels.
    int PixelRatio() const;

    // ---- primitives ----
    void MoveTo(int X, int Y);
    // Line from the current position to (X, Y), which becomes the current
    // position; the end pixel is left out.
    void LineTo(int X, int Y);
    // Connected lines through all points (no current position involved).
    void Polyline(const TArrPoint& Points);
    void Polyline(const TPoint* Points, int Count);
    // Closed outline with the pen, filled with the brush under the current
    // polygon fill mode.
    void Polygon(const TArrPoint& Points);
    void Polygon(const TPoint* Points, int Count);
    // The closed outline alone, exactly as a path bracket holding only
    // Polygon(Points) draws it with StrokePath, without recording the path
    // (inside a path bracket it records the polygon as Polygon does).
    void StrokePolygon(const TArrPoint& Points);
    // Cubic Bezier segments: 3k + 1 points (extra points are ignored).
    void PolyBezier(const TArrPoint& Points);
    void PolyBezier(const TPoint* Points, int Count);
    // Outlined, filled rectangle covering X1..X2-1, Y1..Y2-1.
    void Rectangle(int X1, int Y1, int X2, int Y2);
    void Rectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
    // Ellipse inscribed in the rectangle, outlined and filled.
    void Ellipse(int X1, int Y1, int X2, int Y2);
    void Ellipse(const TRect& R) { Ellipse(R.Left, R.Top, R.Right, R.Bottom); }
    // Elliptic arc of the ellipse in (X1, Y1, X2, Y2), counter-clockwise on
    // screen from the ray towards (X3, Y3) to the ray towards (X4, Y4).
    void Arc(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4);
    // Fills R (Right and Bottom excluded) with the brush; no outline.
    void FillRect(const TRect& R);
    // Outline of R drawn with the brush colour, one pixel wide.
    void FrameRect(const TRect& R);
    // Draws the bitmap at (X, Y) at its own size, leaving out its
    // transparent colour when the bitmap is Transparent.
    void Draw(int X, int Y, const TBitmap& Bitmap);
    // Draws the bitmap stretched into R.
    void StretchDraw(const TRect& R, const TBitmap& Bitmap);
    // Copies Source of another canvas's device into Dest, stretching when
    // the sizes differ.
    void CopyRect(const TRect& Dest, TCanvas& SourceCanvas, const TRect& Source);
    // Pixel colour at (X, Y); clNone outside the device or when the device
    // is not an image.
    TColor Pixels(int X, int Y);
    void SetPixel(int X, int Y, TColor Color);

    // ---- text ----
    // Writes Text with the cell's top-left at (X, Y), in the font colour;
    // the background is filled with the brush colour in OPAQUE mode.
    // Advances the current position when nothing else asks otherwise.
    void TextOut(int X, int Y, const QString& Text);
    // Width and height of Text's cell in the current font.
    TPoint TextExtent(const QString& Text);
    int TextWidth(const QString& Text) { return TextExtent(Text).X; }
    int TextHeight(const QString& Text) { return TextExtent(Text).Y; }
    // Text angle in tenths of a degree, counter-clockwise on screen; the text
    // turns about its start point.
    int FontEscapement() const { return FEscapement; }
    void SetFontEscapement(int TenthsOfDegree) { FEscapement = TenthsOfDegree; }
    // Smooth edges for outlines and fills drawn in copy mode, and smooth
    // scaling of pictures. Coordinates keep naming whole pixels: a figure is
    // drawn through the pixels' centres, so one-pixel lines stay sharp. Raster
    // pen modes (XOR feedback) and regions stay exact whatever the setting.
    bool Antialiased() const { return FAntialiased; }
    void SetAntialiased(bool V) { FAntialiased = V; }
    // Requests smoothed glyphs (text only; lines stay aliased).
    bool FontAntialias() const { return FFontAntialias; }
    void SetFontAntialias(bool V) { FFontAntialias = V; }
    // Extra pixels between characters; returns the previous value.
    int SetTextCharacterExtra(int Extra);
    int TextCharacterExtra() const { return FCharExtra; }
    // Background mode of text and hatch brushes; returns the previous mode.
    // Changing the brush sets it again: OPAQUE for a solid brush, TRANSPARENT otherwise.
    TBkMode SetBkMode(TBkMode Mode);
    TBkMode BkMode() const { return FBkMode; }
    TColor BkColor() const { return FBkColor; }
    void SetBkColor(TColor V) { FBkColor = V; }
    // The font as Qt sees it, at the device's resolution.
    QFont QtFont() const;

    // ---- geometric pens ----
    // Selects a pen made from style bits for every following outline and
    // path stroke; returns the previously selected one (nullopt: the
    // canvas Pen). Changing Pen drops the geometric pen.
    std::optional<TGeometricPen> SelectGeometricPen(const std::optional<TGeometricPen>& Pen);
    const std::optional<TGeometricPen>& GeometricPen() const { return FGeoPen; }

    // ---- paths ----
    // Opens a path bracket: the drawing calls until EndPath add their figures
    // to the path and draw nothing.
    void BeginPath();
    void EndPath();
    void AbortPath();
    bool InPath() const { return FInPath; }
    // True when a path has been recorded (closed by EndPath or still open).
    bool HasPath() const { return !FFigures.empty(); }
    // Strokes the path with the pen (and the geometric pen when selected),
    // fills it with the brush under the polygon fill mode, or both; the path
    // is then discarded.
    void StrokePath();
    void FillPath();
    void StrokeAndFillPath();
    // Turns the curves of the path into line segments.
    void FlattenPath();
    // Closes the current figure of the open path.
    void CloseFigure();
    // The path's points in the coordinates they were drawn with (curves as
    // their Bezier points unless flattened).
    TPathData GetPath() const;

    // ---- regions and clipping ----
    TPolyFillMode PolyFillMode() const { return FFillMode; }
    TPolyFillMode SetPolyFillMode(TPolyFillMode Mode);
    void FillRgn(const TRegion& Region, const TBrush& Brush);
    void FillRgn(const TRegion& Region) { FillRgn(Region, FBrush); }
    // Smooth fills of a polygon (winding rule, no outline) for the smooth
    // mode, where a region's pixel edges would show: with Brush, or with
    // Picture placed at At and confined to where the picture is. Both fill
    // the figure an outline of the same points is drawn around.
    void FillPolygonSmooth(const TPoint* Points, int Count, const TBrush& Brush);
    void FillPolygonSmooth(const TPoint* Points, int Count, const TBitmap& Picture, const TPoint& At);
    // Clips drawing to Region (device pixels), within the base clip;
    // nullptr removes the region and leaves only the base clip.
    void SelectClipRgn(const TRegion* Region);
    // The area a paint may touch, set by the control around Paint (the
    // invalid area); nullopt means the whole device.
    void SetBaseClip(const std::optional<TRect>& R);
    // Bounds of the effective clip, the whole device when there is none, in
    // the coordinates the caller draws with.
    TRect ClipRect();
    // The point of the caller's coordinates that lands on device pixel
    // (0, 0): everything drawn, every region, clip region and pixel access
    // is shifted by -Origin. Lets a painter render part of a larger picture
    // into a small bitmap without changing what it draws. (0, 0) by default.
    void SetOrigin(const TPoint& Origin);
    TPoint Origin() const { return FOrigin; }

    // ---- transforms ----
    TGraphicsMode SetGraphicsMode(TGraphicsMode Mode);
    TGraphicsMode GraphicsMode() const { return FGraphicsMode; }
    // Only in the advanced graphics mode; returns False otherwise.
    bool SetWorldTransform(const TXForm& XForm);
    TXForm GetWorldTransform() const;
    TMapMode SetMapMode(TMapMode Mode);
    TMapMode MapMode() const { return FMapMode; }
    // Logical to device: the world transform, then the mapping mode.
    QTransform DeviceTransform() const;

    // Exposes the painter for the few callers that must draw something the
    // layer does not model (it is begun and set up like every primitive).
    QPainter* Painter();

private:
    // One figure of a recorded path, in logical coordinates.
    struct TPathFigure {
        std::vector<QPointF> Points;
        std::vector<uint8_t> Types; // PT_MOVETO, PT_LINETO, PT_BEZIERTO
        bool Closed = false;
    };

    bool Begin();
    void PrepareDevice();
    bool PrepareMode(bool ForText);
    bool RasterCapable() const;
    // The Qt pen for the current pen (or geometric pen) on this device, kept
    // from one figure to the next while nothing it is made from changes: a
    // QPen costs an allocation, and a shape draws most figures with one pen.
    QPen MakeQPen() const;
    QPen BuildQPen() const;
    QBrush MakeQBrush(const TBrush& Brush) const;
    // Draws (or, inside a path bracket, records) a figure with the pen, the brush or both.
    void DrawFigure(const QPainterPath& Path, bool Stroke, bool Fill);
    void FillSmooth(const TPoint* Points, int Count, const QBrush& Brush, const QRectF* Within);
    void RecordFigure(const QPainterPath& Path, bool Closed);
    QPainterPath PathOfFigures() const;
    void Changed();
    QImage* TargetImage() const;
    QRegion EffectiveClip() const;
    // Width, height and ascent of Text in the current font on this device.
    struct TTextMetrics {
        int Width, Height, Ascent;
    };
    TTextMetrics MeasureText(const QFont& Font, const QString& Text) const;

    struct TQtPenKey {
        TColor Color;
        int Width;
        TPenStyle Style;
        TPenMode Mode;
        bool Geometric;
        uint32_t GeoStyle;
        int GeoWidth;
        TColor GeoColor;
        int Ratio;
        bool operator==(const TQtPenKey& O) const {
            return Color == O.Color && Width == O.Width && Style == O.Style && Mode == O.Mode &&
                   Geometric == O.Geometric && GeoStyle == O.GeoStyle && GeoWidth == O.GeoWidth &&
                   GeoColor == O.GeoColor && Ratio == O.Ratio;
        }
    };
    mutable std::optional<std::pair<TQtPenKey, QPen>> FQtPen;
    // The same for the font: a QFont made afresh looks its face up again.
    struct TQtFontKey {
        QString Name;
        int Height, PixelsPerInch, CharExtra;
        TFontStyles Style;
        TFontPitch Pitch;
        bool Antialias;
        bool operator==(const TQtFontKey& O) const {
            return Height == O.Height && PixelsPerInch == O.PixelsPerInch && CharExtra == O.CharExtra &&
                   Style == O.Style && Pitch == O.Pitch && Antialias == O.Antialias && Name == O.Name;
        }
    };
    mutable std::optional<std::pair<TQtFontKey, QFont>> FQtFont;
    QFont BuildQtFont() const;

    QPaintDevice* FDevice = nullptr;
    std::unique_ptr<QPainter> FPainter;
    TPen FPen;
    TBrush FBrush;
    TFont FFont;
    TPoint FPenPos{0, 0};
    bool FIsPrinter = false;
    int FNumColors = -1;

    bool FDeviceDirty = true; // clip and transform must be set on the painter again
    std::optional<TGeometricPen> FGeoPen;
    TPolyFillMode FFillMode = ALTERNATE;
    TBkMode FBkMode = OPAQUE;
    TColor FBkColor = clWhite;
    int FEscapement = 0;
    bool FFontAntialias = false;
    bool FAntialiased = false;
    int FCharExtra = 0;

    bool FInPath = false;
    std::vector<TPathFigure> FFigures;
    bool FFigureOpen = false; // the last figure still takes LineTo and PolyBezier points

    std::optional<TRect> FBaseClip;
    std::optional<QRegion> FClipRegion;

    TPoint FOrigin{0, 0};
    TGraphicsMode FGraphicsMode = GM_COMPATIBLE;
    QTransform FWorld;
    TMapMode FMapMode = MM_TEXT;
};

} // namespace draxa
