// Output: the page as a picture or an SVG document, and the drawing on
// paper (a printer or a PDF file), all true to scale.
//
// Shapes know one way to paint: at the surface's zoom, in pixels of the
// target. For output the zoom is set, for the time of the paint, to the
// output's dots per logical unit (a logical unit is a screen pixel at zoom
// 1, 1/ScreenPixelsPerInch inch), and the canvas reports itself as a
// printer's, so that pen widths, arrow heads and texts grow with it. Nothing
// of the document changes.
#include "surface/draxa.h"
#include "surface/page_layout.h"

#include "foundation/bitmap.h"
#include "foundation/canvas.h"
#include "foundation/dialogs.h"

#include <QBrush>
#include <QFileInfo>
#include <QImageWriter>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrintPreviewDialog>
#include <QSaveFile>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>

namespace draxa {

namespace {

// Vector output is drawn on a grid this fine (a twelfth of a millimetre);
// gradients are made as pictures at this resolution too.
constexpr int kVectorDpi = 300;
// Sheets one print may have: a drawing with a shape far out would otherwise
// ask for millions.
constexpr int kMaxSheets = 500;
// The largest page picture (about 1 GB at 32 bits per pixel).
constexpr int64_t kMaxPagePixels = int64_t(1) << 28;
// The frame PrintABorder draws: a quarter of a millimetre.
constexpr double kBorderPenMm = 0.25;

void SetError(QString* Error, const QString& Text) {
    if (Error) *Error = Text;
}

double MmToDots(double Mm, int Dpi) {
    return Mm * Dpi / 25.4;
}

QSizeF PageSizeMm(unsigned Width, unsigned Height) {
    return QSizeF(std::max(1u, Width), std::max(1u, Height));
}

// Paper of the page's size; wider than high is landscape paper.
QPageLayout PageLayoutOf(const QSizeF& Mm) {
    const QSizeF Portrait(std::min(Mm.width(), Mm.height()), std::max(Mm.width(), Mm.height()));
    return QPageLayout(QPageSize(Portrait, QPageSize::Millimeter),
                       Mm.width() > Mm.height() ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0));
}

QString TooManySheets(long long Needed) {
    if (Needed < 0) return QStringLiteral("The drawing cannot be printed: a shape lies at no finite place.");
    return QStringLiteral(
               "The drawing would need %1 sheets; a print may have at most %2. Move far-off shapes "
               "closer or choose larger paper.")
        .arg(Needed)
        .arg(kMaxSheets);
}

} // namespace

// ---- painting for output ----------------------------------------------------------

void TMyDraxa::RenderForOutput(TCanvas& C, double Zoom, const TRect& DeviceArea, const TPoint& Origin) {
    // Everything the zoom and the marks touch is put back however the paint
    // ends; the screen is painted anew from the restored state.
    struct TRestore {
        TMyDraxa& S;
        double Zoom;
        bool HotShow;
        ~TRestore() {
            S.FZoom = Zoom;
            S.FHotShow = HotShow;
            S.Invalidate();
        }
    } Restore{*this, FZoom, FHotShow};
    FZoom = Zoom;
    FHotShow = false;

    C.SetBaseClip(DeviceArea);
    C.SetOrigin(Origin);
    const TRect R{DeviceArea.Left + Origin.X, DeviceArea.Top + Origin.Y, DeviceArea.Right + Origin.X,
                  DeviceArea.Bottom + Origin.Y};
    if (FPrintBackground) {
        C.Pen().SetMode(TPenMode::pmCopy);
        C.Brush().SetStyle(TBrushStyle::bsSolid);
        C.Brush().SetColor(FColorOfBackGround);
        C.FillRect(R);
        DrawBackgroundForOutput(C, Zoom);
    }
    // Output is a finished picture: smooth at its own resolution.
    C.SetAntialiased(true);
    DrawShapes(C, R);
    C.SetAntialiased(false);
    C.SetOrigin(TPoint{0, 0});
    C.SetBaseClip(std::nullopt);
}

void TMyDraxa::DrawBackgroundForOutput(TCanvas& C, double Zoom) {
    if (FBkBitmap->Width() <= 0 || FBkBitmap->Height() < 1) return;
    // Placed on the page as the screen shows it at zoom 1: one picture pixel
    // per logical unit.
    const double BW = FBkBitmap->Width(), BH = FBkBitmap->Height();
    const double PPmm = ScreenPixelsPerInch() / 25.4;
    const double PW = FPageWidth * PPmm, PH = FPageHeight * PPmm;
    const auto Put = [&](double L, double T, double W, double H) {
        C.StretchDraw(TRect{RoundHalfEven(L * Zoom), RoundHalfEven(T * Zoom), RoundHalfEven((L + W) * Zoom),
                            RoundHalfEven((T + H) * Zoom)},
                      *FBkBitmap);
    };
    switch (FBkBitmapMode) {
    case TBkBitmapMode::LeftTop:
        Put(0, 0, BW, BH);
        break;
    case TBkBitmapMode::Center:
        Put(std::floor((PW - BW) / 2), std::floor((PH - BH) / 2), BW, BH);
        break;
    case TBkBitmapMode::Stretch:
        Put(0, 0, PW, PH);
        break;
    case TBkBitmapMode::Tiled: {
        // One pattern fill, however small the picture: a tile per copy
        // would be thousands of images in a file.
        QPainter* P = C.Painter();
        if (!P) return;
        QBrush Tiles(FBkBitmap->ImageForDraw());
        Tiles.setTransform(QTransform::fromScale(Zoom, Zoom));
        P->fillRect(QRectF(0, 0, PW * Zoom, PH * Zoom), Tiles);
        break;
    }
    }
}

// ---- pictures and SVG -------------------------------------------------------------

QImage TMyDraxa::PageImage(int Dpi, bool Transparent, QString* Error) {
    if (Dpi < 1 || Dpi > 9600) {
        SetError(Error, QStringLiteral("The resolution must be between 1 and 9600 dots per inch."));
        return {};
    }
    const QSizeF Mm = PageSizeMm(FPageWidth, FPageHeight);
    const int64_t W = std::max<int64_t>(1, std::llround(MmToDots(Mm.width(), Dpi)));
    const int64_t H = std::max<int64_t>(1, std::llround(MmToDots(Mm.height(), Dpi)));
    if (W * H > kMaxPagePixels || W > 65535 || H > 65535) {
        SetError(Error,
                 QStringLiteral("The picture of the page at %1 dpi would be %2 x %3 pixels, too large; "
                                "choose a lower resolution.")
                     .arg(Dpi)
                     .arg(W)
                     .arg(H));
        return {};
    }
    QImage Picture(int(W), int(H), Transparent ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (Picture.isNull()) {
        SetError(Error, QStringLiteral("There is not enough memory for the picture of the page."));
        return {};
    }
    Picture.fill(Transparent ? Qt::transparent : Qt::white);
    Picture.setDotsPerMeterX(std::lround(Dpi / 0.0254));
    Picture.setDotsPerMeterY(std::lround(Dpi / 0.0254));
    {
        TCanvas C;
        C.SetIsPrinter(true);
        C.SetDevice(&Picture);
        RenderForOutput(C, double(Dpi) / ScreenPixelsPerInch(), TRect{0, 0, int(W), int(H)}, TPoint{0, 0});
        C.SetDevice(nullptr);
    }
    return Picture;
}

bool TMyDraxa::ExportImage(const QString& FileName, int Dpi, bool Transparent, QString* Error) {
    const QByteArray Format = QFileInfo(FileName).suffix().toLower().toLatin1();
    if (!QImageWriter::supportedImageFormats().contains(Format)) {
        SetError(Error,
                 QStringLiteral("Pictures cannot be written as \"%1\"; use .png, .jpg, .bmp or another "
                                "picture file name.")
                     .arg(QString::fromLatin1(Format)));
        return false;
    }
    const QImage Picture = PageImage(Dpi, Transparent, Error);
    if (Picture.isNull()) return false;
    QSaveFile File(FileName);
    if (!File.open(QIODevice::WriteOnly)) {
        SetError(Error, QStringLiteral("Cannot write %1: %2").arg(FileName, File.errorString()));
        return false;
    }
    QImageWriter Writer(&File, Format);
    if (!Writer.write(Picture) || !File.commit()) {
        SetError(Error,
                 QStringLiteral("Cannot write %1: %2")
                     .arg(FileName, Writer.error() != QImageWriter::UnknownError ? Writer.errorString()
                                                                                 : File.errorString()));
        return false;
    }
    return true;
}

bool TMyDraxa::ExportSvg(const QString& FileName, QString* Error) {
    const QSizeF Mm = PageSizeMm(FPageWidth, FPageHeight);
    const int W = std::max(1, int(std::lround(MmToDots(Mm.width(), kVectorDpi))));
    const int H = std::max(1, int(std::lround(MmToDots(Mm.height(), kVectorDpi))));
    QSaveFile File(FileName);
    if (!File.open(QIODevice::WriteOnly)) {
        SetError(Error, QStringLiteral("Cannot write %1: %2").arg(FileName, File.errorString()));
        return false;
    }
    {
        QSvgGenerator Svg;
        Svg.setOutputDevice(&File);
        Svg.setResolution(kVectorDpi); // the size is then written in millimetres
        Svg.setSize(QSize(W, H));
        Svg.setViewBox(QRect(0, 0, W, H));
        Svg.setTitle(QFileInfo(FileName).completeBaseName());
        Svg.setDescription(QStringLiteral("A drawing exported by draxa"));
        TCanvas C;
        C.SetIsPrinter(true);
        C.SetDevice(&Svg);
        if (!C.Painter()) {
            SetError(Error, QStringLiteral("Cannot write %1.").arg(FileName));
            return false;
        }
        RenderForOutput(C, double(kVectorDpi) / ScreenPixelsPerInch(), TRect{0, 0, W, H}, TPoint{0, 0});
        C.SetDevice(nullptr);
    }
    if (!File.commit()) {
        SetError(Error, QStringLiteral("Cannot write %1: %2").arg(FileName, File.errorString()));
        return false;
    }
    return true;
}

// ---- paper ------------------------------------------------------------------------

TPageLayout TMyDraxa::SheetLayout(const QSizeF& PaperMm) const {
    // What the shapes cover, in page millimetres: their points and the
    // anchors of their texts. Pens and arrow heads reaching a little beyond
    // take no sheet of their own.
    std::optional<QRectF> Content;
    const auto Cover = [&Content](const QRectF& R) { Content = Content ? Content->united(R) : R; };
    const double MmPerUnit = 25.4 / ScreenPixelsPerInch();
    for (TMyShape* S : FShapes) {
        if (!S || S->IsGrouped() || !S->Visible() || !IsLayerVisible(S->LayerId())) continue;
        if (S->PointCount() > 0) {
            const TMyRect B = S->PointsBounds();
            Cover(QRectF(QPointF(B.Left, B.Top), QPointF(B.Right, B.Bottom)));
        }
        if (!S->Info().isEmpty() || !S->MultiInfo().isEmpty())
            Cover(QRectF(S->InfoPos().X, S->InfoPos().Y, 0, 0));
    }
    if (Content)
        Content = QRectF(Content->left() * MmPerUnit, Content->top() * MmPerUnit,
                         Content->width() * MmPerUnit, Content->height() * MmPerUnit);
    return LayOutPages(PaperMm, FPrintABordertoLeft, FPrintABordertoTop, FPrintABordertoRight,
                       FPrintABordertoBottom, Content, kMaxSheets);
}

int TMyDraxa::PrintSheetCount(const QSizeF& PaperMm) const {
    return int(SheetLayout(PaperMm).Tiles.size());
}

void TMyDraxa::DrawHeadAndFoot(TCanvas& C, int Dpi, const TPageLayout& Layout) {
    const auto Line = [&](const QString& Text, const TFont& Font, TAlignment Alignment, bool Head) {
        if (Text.isEmpty()) return;
        C.Font().Assign(Font);
        // Points are points on paper.
        C.Font().SetHeight(-std::max(1, RoundHalfEven(Font.Size() * Dpi / 72.0)));
        C.SetBkMode(TRANSPARENT);
        const TPoint E = C.TextExtent(Text);
        double X = MmToDots(Layout.Printable.left(), Dpi);
        if (Alignment == TAlignment::taCenter) X = (MmToDots(Layout.Paper.width(), Dpi) - E.X) / 2;
        if (Alignment == TAlignment::taRightJustify) X = MmToDots(Layout.Printable.right(), Dpi) - E.X;
        const double Y = Head ? MmToDots(FPageHeadToTop, Dpi)
                              : MmToDots(Layout.Paper.height() - FPageFootToBottom, Dpi) - E.Y;
        C.TextOut(RoundHalfEven(X), RoundHalfEven(Y), Text);
    };
    Line(FPageHead, FPageHeadFont, FPageHeadAlignment, true);
    Line(FPageFoot, FPageFootFont, FPageFootAlignment, false);
    if (!FPrintABorder) return;
    const QRectF& P = Layout.Printable;
    C.Pen().SetMode(TPenMode::pmCopy);
    C.Pen().SetStyle(TPenStyle::psSolid);
    C.Pen().SetColor(clBlack);
    C.Pen().SetWidth(std::max(1, RoundHalfEven(MmToDots(kBorderPenMm, Dpi))));
    C.Brush().SetStyle(TBrushStyle::bsClear);
    C.Rectangle(RoundHalfEven(MmToDots(P.left(), Dpi)), RoundHalfEven(MmToDots(P.top(), Dpi)),
                RoundHalfEven(MmToDots(P.right(), Dpi)), RoundHalfEven(MmToDots(P.bottom(), Dpi)));
}

bool TMyDraxa::PrintSheets(QPagedPaintDevice& Device, int Dpi, const QSizeF& PaperMm, bool Monochrome,
                           QString* Error) {
    const TPageLayout Layout = SheetLayout(PaperMm);
    if (Layout.Tiles.empty()) {
        SetError(Error, TooManySheets(Layout.Needed));
        return false;
    }
    TCanvas C;
    C.SetIsPrinter(true);
    C.SetNumColors(Monochrome ? 2 : -1);
    C.SetDevice(&Device);
    if (!C.Painter()) {
        SetError(Error, QStringLiteral("Printing could not begin."));
        return false;
    }
    const double Zoom = double(Dpi) / ScreenPixelsPerInch();
    const TRect Sheet{0, 0, RoundHalfEven(MmToDots(PaperMm.width(), Dpi)),
                      RoundHalfEven(MmToDots(PaperMm.height(), Dpi))};
    for (size_t I = 0; I < Layout.Tiles.size(); ++I) {
        if (I > 0 && !Device.newPage()) {
            SetError(Error, QStringLiteral("The printer took no further sheet after %1.").arg(I));
            C.SetDevice(nullptr);
            return false;
        }
        const QRectF& T = Layout.Tiles[I];
        RenderForOutput(
            C, Zoom, Sheet,
            TPoint{RoundHalfEven(MmToDots(T.left(), Dpi)), RoundHalfEven(MmToDots(T.top(), Dpi))});
        // Over the drawing, so that a background does not hide them.
        DrawHeadAndFoot(C, Dpi, Layout);
    }
    C.SetDevice(nullptr);
    return true;
}

bool TMyDraxa::ExportPdf(const QString& FileName, QString* Error) {
    QSaveFile File(FileName);
    if (!File.open(QIODevice::WriteOnly)) {
        SetError(Error, QStringLiteral("Cannot write %1: %2").arg(FileName, File.errorString()));
        return false;
    }
    const QSizeF Mm = PageSizeMm(FPageWidth, FPageHeight);
    {
        QPdfWriter Pdf(&File);
        Pdf.setResolution(kVectorDpi);
        Pdf.setPageLayout(PageLayoutOf(Mm));
        Pdf.setTitle(QFileInfo(FileName).completeBaseName());
        Pdf.setCreator(QStringLiteral("draxa"));
        if (!PrintSheets(Pdf, kVectorDpi, Mm, false, Error)) return false;
    }
    if (!File.commit()) {
        SetError(Error, QStringLiteral("Cannot write %1: %2").arg(FileName, File.errorString()));
        return false;
    }
    return true;
}

void TMyDraxa::PreparePrinter(QPrinter& Printer) const {
    Printer.setFullPage(true);
    Printer.setPageLayout(PageLayoutOf(PageSizeMm(FPageWidth, FPageHeight)));
}

bool TMyDraxa::Print(QPrinter& Printer, QString* Error) {
    // The sheet from its very corner. The printer's own resolution could ask
    // for gradient pictures of hundreds of megabytes: the vector grid of the
    // other outputs is used instead.
    Printer.setFullPage(true);
    Printer.setResolution(kVectorDpi);
    const QSizeF Paper = Printer.pageLayout().fullRect(QPageLayout::Millimeter).size();
    return PrintSheets(Printer, Printer.resolution(), Paper, Printer.colorMode() == QPrinter::GrayScale,
                       Error);
}

void TMyDraxa::PrintPreview(QWidget* Parent) {
    QPrinter Printer;
    PreparePrinter(Printer);
    QPrintPreviewDialog Dialog(&Printer, Parent ? Parent : window());
    Dialog.setWindowTitle(QStringLiteral("Print Preview"));
    connect(&Dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* P) {
        QString Error;
        if (!Print(*P, &Error)) Dialogs().ShowMessage(Error);
    });
    Dialogs().ExecuteModal(Dialog);
}

} // namespace draxa
