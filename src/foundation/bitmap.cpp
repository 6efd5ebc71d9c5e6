#include "foundation/bitmap.h"

#include "foundation/bmp_codec.h"
#include "foundation/canvas.h"
#include "foundation/stream_io.h"
#include "foundation/streams.h"

#include <cstdint>
#include <new>

namespace draxa {

namespace {

QVector<QRgb> GreyTable() {
    QVector<QRgb> Table(256);
    for (int I = 0; I < 256; ++I) Table[I] = qRgb(I, I, I);
    return Table;
}

TPixelFormat PixelFormatOf(const QImage& Image) {
    switch (Image.format()) {
    case QImage::Format_Indexed8:
    case QImage::Format_Grayscale8:
        return TPixelFormat::pf8bit;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        return TPixelFormat::pf32bit;
    default:
        return TPixelFormat::pf24bit;
    }
}

QImage Converted(const QImage& Image, TPixelFormat Format) {
    const QImage::Format Target = QImageFormatOf(Format);
    if (Image.format() == Target) return Image;
    if (Target == QImage::Format_Indexed8) {
        if (Image.format() == QImage::Format_Grayscale8) {
            QImage Out = Image.convertToFormat(QImage::Format_Indexed8, GreyTable());
            return Out;
        }
        return Image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
    }
    return Image.convertToFormat(Target);
}

} // namespace

QImage::Format QImageFormatOf(TPixelFormat Format) {
    switch (Format) {
    case TPixelFormat::pf1bit:
    case TPixelFormat::pf4bit:
    case TPixelFormat::pf8bit:
        return QImage::Format_Indexed8;
    case TPixelFormat::pf32bit:
    case TPixelFormat::pfDevice:
        return QImage::Format_RGB32;
    default:
        return QImage::Format_BGR888;
    }
}

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int Width, int Height, TPixelFormat Format) : FFormat(Format) {
    SetSize(Width, Height);
}

TBitmap::~TBitmap() {
    ReleaseCanvas();
}

void TBitmap::ReleaseCanvas() const {
    if (FCanvas) FCanvas->Release();
}

void TBitmap::SetSize(int W, int H) {
    W = std::max(W, 0);
    H = std::max(H, 0);
    if (W == Width() && H == Height() && !FImage.isNull()) return;
    ReleaseCanvas();
    if (W == 0 || H == 0) {
        FImage = QImage();
        if (FCanvas) FCanvas->SetDevice(nullptr);
        return;
    }
    if (int64_t(W) * FRatio > INT32_MAX / 2 || int64_t(H) * FRatio > INT32_MAX / 2) throw std::bad_alloc();
    QImage Next(W * FRatio, H * FRatio, QImageFormatOf(FFormat));
    if (Next.isNull()) throw std::bad_alloc();
    Next.setDevicePixelRatio(FRatio);
    if (Next.format() == QImage::Format_Indexed8) {
        Next.setColorTable(FImage.format() == QImage::Format_Indexed8 ? FImage.colorTable() : GreyTable());
        Next.fill(uint(Next.colorCount() - 1));
    } else {
        Next.fill(Qt::white);
    }
    // Keep what overlaps, row by row (formats and ratios match).
    if (!FImage.isNull() && FImage.format() == Next.format() &&
        FImage.devicePixelRatio() == Next.devicePixelRatio()) {
        const int Rows = std::min(Next.height(), FImage.height());
        const qsizetype Bytes = qsizetype(std::min(Next.width(), FImage.width())) * FImage.depth() / 8;
        for (int Y = 0; Y < Rows; ++Y) memcpy(Next.scanLine(Y), FImage.constScanLine(Y), size_t(Bytes));
    }
    FImage = std::move(Next);
    if (FCanvas) FCanvas->SetDevice(&FImage);
}

void TBitmap::SetPixelRatio(int Ratio) {
    Ratio = std::max(1, Ratio);
    if (Ratio == FRatio) return;
    const int W = Width(), H = Height();
    ReleaseCanvas();
    FImage = QImage();
    if (FCanvas) FCanvas->SetDevice(nullptr);
    FRatio = Ratio;
    SetSize(W, H);
}

void TBitmap::SetPixelFormat(TPixelFormat V) {
    if (V == FFormat && (FImage.isNull() || FImage.format() == QImageFormatOf(V))) return;
    ReleaseCanvas();
    FFormat = V;
    if (!FImage.isNull()) FImage = Converted(FImage, V);
    if (FCanvas) FCanvas->SetDevice(FImage.isNull() ? nullptr : &FImage);
}

uint8_t* TBitmap::ScanLine(int Y) {
    if (Y < 0 || Y >= FImage.height()) return nullptr;
    // Direct writes must reach the pixels the canvas paints on: end the
    // painter first, so detaching can never split the two.
    ReleaseCanvas();
    return FImage.scanLine(Y);
}

const uint8_t* TBitmap::ScanLine(int Y) const {
    if (Y < 0 || Y >= FImage.height()) return nullptr;
    ReleaseCanvas();
    return FImage.constScanLine(Y);
}

TCanvas& TBitmap::Canvas() {
    if (FImage.format() == QImage::Format_Indexed8) {
        ReleaseCanvas();
        FImage = FImage.convertToFormat(QImage::Format_BGR888);
        FFormat = TPixelFormat::pf24bit;
    }
    if (!FCanvas) FCanvas = std::make_unique<TCanvas>();
    if (FCanvas->Device() != (FImage.isNull() ? nullptr : &FImage))
        FCanvas->SetDevice(FImage.isNull() ? nullptr : &FImage);
    return *FCanvas;
}

TColor TBitmap::TransparentColor() const {
    if (FTransparentMode == TTransparentMode::tmFixed && FTransparentColor != clDefault)
        return FTransparentColor;
    if (Empty()) return clDefault;
    // Automatic: the colour of the bottom-left pixel.
    return FromQRgb(FImage.pixel(0, FImage.height() - 1));
}

void TBitmap::SetTransparentColor(TColor V) {
    FTransparentColor = V;
    FTransparentMode = V == clDefault ? TTransparentMode::tmAuto : TTransparentMode::tmFixed;
}

void TBitmap::Assign(const TBitmap& Source) {
    if (&Source == this) return;
    ReleaseCanvas();
    Source.ReleaseCanvas();
    FImage = Source.FImage.copy();
    FRatio = Source.FRatio;
    FFormat = Source.FFormat;
    FTransparent = Source.FTransparent;
    FTransparentColor = Source.FTransparentColor;
    FTransparentMode = Source.FTransparentMode;
    if (FCanvas) FCanvas->SetDevice(FImage.isNull() ? nullptr : &FImage);
}

const QImage& TBitmap::Image() const {
    // A copy taken while a painter is active would share pixels the painter
    // still writes to.
    ReleaseCanvas();
    return FImage;
}

void TBitmap::AdoptImage(QImage Image) {
    ReleaseCanvas();
    FFormat = PixelFormatOf(Image);
    FImage = Converted(Image, FFormat);
    // A picture brought in has one image pixel per canvas pixel.
    FImage.setDevicePixelRatio(1);
    FRatio = 1;
    if (FCanvas) FCanvas->SetDevice(FImage.isNull() ? nullptr : &FImage);
}

void TBitmap::SetImage(const QImage& Image) {
    AdoptImage(Image);
}

QImage TBitmap::ImageForDraw() const {
    ReleaseCanvas();
    if (!FTransparent || Empty()) return FImage;
    const QRgb Key = ToQRgb(TransparentColor());
    QImage Out = FImage.convertToFormat(QImage::Format_ARGB32);
    for (int Y = 0; Y < Out.height(); ++Y) {
        QRgb* Row = reinterpret_cast<QRgb*>(Out.scanLine(Y));
        for (int X = 0; X < Out.width(); ++X)
            if ((Row[X] & 0x00FFFFFF) == (Key & 0x00FFFFFF)) Row[X] = 0;
    }
    return Out;
}

void TBitmap::SaveToStream(TStream& Stream) const {
    if (Empty()) return;
    ReleaseCanvas();
    WriteBmp(Stream, FImage);
}

void TBitmap::LoadFromStream(TStream& Stream) {
    AdoptImage(ReadBmp(Stream));
}

void TBitmap::LoadFromFile(const QString& FileName) {
    TFileStream File(FileName, fmOpenRead);
    LoadFromStream(File);
}

void TBitmap::SaveToFile(const QString& FileName) const {
    TFileStream File(FileName, fmCreate);
    SaveToStream(File);
}

void WritePictureBlock(TStream& Stream, const TBitmap* Picture) {
    TMemoryStream Bytes;
    if (Picture) Picture->SaveToStream(Bytes); // an empty picture writes nothing
    WriteInt64(Stream, Bytes.Size());
    if (Bytes.Size() > 0) Stream.WriteBuffer(Bytes.Memory(), Bytes.Size());
}

std::unique_ptr<TBitmap> ReadPictureBlock(TStream& Stream) {
    const int64_t Size = ReadInt64(Stream);
    if (Size < 0 || Size > Stream.Remaining())
        throw EReadError("Stream read error: picture of " + std::to_string(Size) +
                         " bytes cannot fit in the remaining " + std::to_string(Stream.Remaining()) +
                         " bytes");
    if (Size == 0) return nullptr;
    TMemoryStream Bytes;
    Bytes.CopyFrom(Stream, Size);
    Bytes.SetPosition(0);
    // The pixels are paid for before they are decoded, at the 24 bits a
    // picture ends up with; a picture that then fails to decode is refunded.
    int64_t Width = 0, Height = 0;
    try {
        ReadBmpSize(Bytes, Width, Height);
    } catch (const EInvalidGraphic&) {
        return nullptr;
    }
    const int64_t Decoded = Width * Height * 3;
    TDecodeBudget* Budget = TDecodeBudget::Current();
    if (Budget) Budget->Take(Decoded, "a picture");
    auto Picture = std::make_unique<TBitmap>();
    try {
        Picture->LoadFromStream(Bytes);
    } catch (const EInvalidGraphic&) {
        if (Budget) Budget->GiveBack(Decoded);
        return nullptr;
    }
    return Picture;
}

} // namespace draxa
