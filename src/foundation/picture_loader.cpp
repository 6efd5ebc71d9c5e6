#include "foundation/picture_loader.h"

#include "foundation/canvas.h"
#include "foundation/jpeg_reader.h"
#include "foundation/metafile_reader.h"
#include "foundation/streams.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <cstdlib>
#include <new>

namespace draxa {

namespace {

// An icon file holds a few small images; anything bigger is not an icon.
constexpr qint64 IconMaxFileBytes = qint64(32) << 20;
// A compressed picture within the pixel limits is far smaller than this.
constexpr qint64 RasterMaxFileBytes = qint64(512) << 20;
// The size desktop programs show an icon at; the image nearest it is used.
constexpr int64_t StandardIconSize = 32;

[[noreturn]] void Fail(const QString& Message) {
    throw EInvalidGraphic(Message.toStdString());
}

QString Quoted(const QString& FileName) {
    return QLatin1Char('"') + FileName + QLatin1Char('"');
}

uint32_t Le16(const uchar* P) {
    return uint32_t(P[0]) | uint32_t(P[1]) << 8;
}
uint32_t Le32(const uchar* P) {
    return Le16(P) | Le16(P + 2) << 16;
}
uint32_t Be32(const uchar* P) {
    return uint32_t(P[0]) << 24 | uint32_t(P[1]) << 16 | uint32_t(P[2]) << 8 | P[3];
}

std::unique_ptr<TBitmap> MissingPictureCross() {
    auto Bitmap = std::make_unique<TBitmap>(32, 32, TPixelFormat::pf24bit);
    TCanvas& Canvas = Bitmap->Canvas();
    Canvas.Pen().SetColor(clRed);
    Canvas.Pen().SetWidth(3);
    Canvas.MoveTo(2, 2);
    Canvas.LineTo(29, 29);
    Canvas.MoveTo(2, 29);
    Canvas.LineTo(29, 2);
    Canvas.Release();
    return Bitmap;
}

// ---- BMP ----

// The BMP codec bounds what it allocates by the data a file has; the loader's
// own size limits are stricter, so they are checked on the header first.
void CheckBmpHeaderSize(const QString& FileName) {
    QFile File(FileName);
    if (!File.open(QIODevice::ReadOnly)) return; // the codec reports it
    const QByteArray Head = File.read(26);
    if (Head.size() < 26 || !Head.startsWith("BM")) return;
    const auto* D = reinterpret_cast<const uchar*>(Head.constData());
    const uint32_t InfoSize = Le32(D + 14);
    int64_t Width = 0, Height = 0;
    if (InfoSize == 12) {
        Width = Le16(D + 18);
        Height = Le16(D + 20);
    } else if (InfoSize >= 40) {
        Width = int32_t(Le32(D + 18));
        Height = std::llabs(int32_t(Le32(D + 22))); // negative: rows top-down
    }
    if (Width > 0 && Height > 0) CheckPictureSize(Width, Height, FileName);
}

std::unique_ptr<TBitmap> LoadBmp(const QString& FileName) {
    auto Bitmap = std::make_unique<TBitmap>();
    Bitmap->SetPixelFormat(TPixelFormat::pf24bit);
    CheckBmpHeaderSize(FileName);
    try {
        Bitmap->LoadFromFile(FileName);
    } catch (const EInvalidGraphic& E) {
        Fail(QString("Cannot read bitmap %1: %2").arg(Quoted(FileName), QString::fromStdString(E.what())));
    } catch (const EStreamError& E) {
        Fail(QString("Cannot read bitmap %1: %2").arg(Quoted(FileName), QString::fromStdString(E.what())));
    }
    return Bitmap;
}

// ---- ICO ----

// Size and colour depth an icon image declares in its own header (a PNG
// image's IHDR, or the BITMAPINFOHEADER of a BMP image, whose height counts
// the colour rows and the mask rows). False when the header is unreadable or
// the entry's bytes cannot hold the colour rows it declares.
bool ReadIconImageHeader(const uchar* P, int64_t Bytes, int64_t& Width, int64_t& Height, int& Bits) {
    static const uchar PngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (Bytes >= 24 && std::equal(PngSignature, PngSignature + 8, P)) {
        Width = Be32(P + 16);
        Height = Be32(P + 20);
        Bits = 32;
        return true;
    }
    if (Bytes < 40) return false;
    const int64_t HeaderSize = Le32(P);
    Width = int32_t(Le32(P + 4));
    Height = int32_t(Le32(P + 8)) / 2;
    Bits = int(Le16(P + 14));
    if (HeaderSize < 40 || HeaderSize > Bytes || Width <= 0 || Height <= 0 || Width > PictureMaxSide)
        return false;
    if (Bits != 1 && Bits != 4 && Bits != 8 && Bits != 16 && Bits != 24 && Bits != 32) return false;
    const int64_t Colours = Le32(P + 32);
    const int64_t Palette = Bits <= 8 ? 4 * (Colours > 0 && Colours < (1 << Bits) ? Colours : 1 << Bits) : 0;
    const int64_t RowBytes = (Width * Bits + 31) / 32 * 4;
    return HeaderSize + Palette + RowBytes * Height <= Bytes;
}

// Index of the image to show, or -1 when no directory entry points at a
// readable image within the limits. Entries that lie are passed over. The
// chosen entry's width and height are set to those its image declares:
// Qt's reader takes the directory's word for them, and an icon whose
// directory disagrees with its image would read as nothing.
int ChooseIconImage(QByteArray& Data) {
    const auto* D = reinterpret_cast<const uchar*>(Data.constData());
    const int64_t Size = Data.size();
    if (Size < 6 || Le16(D) != 0 || (Le16(D + 2) != 1 && Le16(D + 2) != 2)) return -1;
    const int Count = int(Le16(D + 4));
    const int64_t DirectoryEnd = 6 + 16 * int64_t(Count);
    if (DirectoryEnd > Size) return -1;
    int Best = -1;
    int64_t BestDistance = 0, BestWidth = 0, BestHeight = 0;
    int BestBits = 0;
    for (int I = 0; I < Count; ++I) {
        const uchar* Entry = D + 6 + 16 * I;
        const int64_t Bytes = Le32(Entry + 8), Offset = Le32(Entry + 12);
        if (Offset < DirectoryEnd || Bytes > Size - Offset) continue;
        int64_t Width = 0, Height = 0;
        int Bits = 0;
        if (!ReadIconImageHeader(D + Offset, Bytes, Width, Height, Bits) ||
            !PictureSizeAllowed(Width, Height))
            continue;
        const int64_t Distance = std::llabs(Width - StandardIconSize) + std::llabs(Height - StandardIconSize);
        if (Best < 0 || Distance < BestDistance || (Distance == BestDistance && Bits > BestBits)) {
            Best = I;
            BestDistance = Distance;
            BestBits = Bits;
            BestWidth = Width;
            BestHeight = Height;
        }
    }
    if (Best >= 0) {
        // 0 stands for 256 or more; the reader then asks the image.
        Data[6 + 16 * Best] = char(BestWidth < 256 ? BestWidth : 0);
        Data[6 + 16 * Best + 1] = char(BestHeight < 256 ? BestHeight : 0);
    }
    return Best;
}

bool IsPng(const QByteArray& Data) {
    return Data.startsWith("\x89PNG\r\n\x1A\n");
}

// Reads Data as a picture of Format with Qt's reader, after checking the
// size it declares against the limits. A null image and the reason when it
// cannot.
QImage ReadWithQt(QByteArray& Data, const char* Format, int Index, QString& Why) {
    QBuffer Buffer(&Data);
    Buffer.open(QIODevice::ReadOnly);
    QImageReader Reader(&Buffer, Format);
    // The size is checked below or before; this only keeps Qt's own limit
    // from refusing a picture within ours (Qt decodes 4 bytes a pixel).
    Reader.setAllocationLimit(int(PictureMaxPixels * 4 >> 20) + 1);
    if (Index > 0 && !Reader.jumpToImage(Index)) {
        Why = QStringLiteral("its image %1 cannot be reached").arg(Index + 1);
        return {};
    }
    const QSize Declared = Reader.size();
    if (Declared.isValid() && !PictureSizeAllowed(Declared.width(), Declared.height())) {
        Why = QStringLiteral("its image is %1 x %2 pixels, beyond the limits")
                  .arg(Declared.width())
                  .arg(Declared.height());
        return {};
    }
    QImage Image = Reader.read();
    if (Image.isNull()) {
        Why = Reader.errorString();
        return {};
    }
    if (!PictureSizeAllowed(Image.width(), Image.height())) {
        Why = QStringLiteral("its image is %1 x %2 pixels, beyond the limits")
                  .arg(Image.width())
                  .arg(Image.height());
        return {};
    }
    return Image;
}

// Draws Picture (any format, transparency included) on a white 24-bit
// bitmap of its size: the image shape shows pictures on white.
std::unique_ptr<TBitmap> OnWhite(const QImage& Picture) {
    auto Bitmap = std::make_unique<TBitmap>();
    Bitmap->SetPixelFormat(TPixelFormat::pf24bit);
    Bitmap->SetSize(Picture.width(), Picture.height()); // white
    if (QPainter* Painter = Bitmap->Canvas().Painter()) {
        Painter->save();
        Painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
        Painter->drawImage(0, 0, Picture);
        Painter->restore();
    }
    Bitmap->Canvas().Release();
    return Bitmap;
}

// The chosen icon image with its transparency, or a null image and the
// reason when the file is not a readable icon.
QImage ReadIconFile(const QString& FileName, QString& Why) {
    QFile File(FileName);
    if (!File.open(QIODevice::ReadOnly)) {
        Why = File.errorString();
        return {};
    }
    if (File.size() > IconMaxFileBytes) {
        Why = QStringLiteral("the file is larger than %1 MiB, too large for an icon")
                  .arg(IconMaxFileBytes >> 20);
        return {};
    }
    QByteArray Data = File.readAll();
    // Favicons are often PNG files named .ico.
    if (IsPng(Data)) return ReadWithQt(Data, "png", 0, Why);
    const int Index = ChooseIconImage(Data);
    if (Index < 0) {
        Why = QStringLiteral("it is not an icon file, or none of its images can be read");
        return {};
    }
    return ReadWithQt(Data, "ico", Index, Why);
}

std::unique_ptr<TBitmap> LoadIcon(const QString& FileName, bool ReportUnreadable) {
    auto Bitmap = std::make_unique<TBitmap>();
    QString Why;
    try {
        const QImage Icon = ReadIconFile(FileName, Why);
        if (!Icon.isNull()) Bitmap = OnWhite(Icon);
    } catch (const std::bad_alloc&) {
        // A failing icon leaves the bitmap as far as it got.
        Why = QStringLiteral("not enough memory");
    }
    if (Bitmap->Empty() && ReportUnreadable)
        Fail(QString("Cannot read icon %1: %2")
                 .arg(Quoted(FileName), Why.isEmpty() ? QStringLiteral("unknown reason") : Why));
    return Bitmap;
}

// ---- PNG, GIF, TIFF, WebP ----

// The first image of a picture file that Qt's reader for Format decodes,
// checked against the limits before it is decoded.
std::unique_ptr<TBitmap> LoadWithQt(const QString& FileName, const char* Format) {
    QFile File(FileName);
    if (!File.open(QIODevice::ReadOnly))
        Fail(QString("Cannot open the picture %1: %2").arg(Quoted(FileName), File.errorString()));
    if (File.size() > RasterMaxFileBytes)
        Fail(QString("Picture %1 is larger than %2 MiB").arg(Quoted(FileName)).arg(RasterMaxFileBytes >> 20));
    QByteArray Data = File.readAll();
    QString Why;
    const QImage Picture = ReadWithQt(Data, Format, 0, Why);
    if (Picture.isNull())
        Fail(QString("Cannot read picture %1: %2")
                 .arg(Quoted(FileName), Why.isEmpty() ? QStringLiteral("unknown reason") : Why));
    return OnWhite(Picture);
}

// The Qt reader for a picture kind (the last three letters of the name), or null.
const char* QtFormatOfKind(const QString& Kind) {
    if (Kind == QLatin1String("PNG")) return "png";
    if (Kind == QLatin1String("GIF")) return "gif";
    if (Kind == QLatin1String("TIF") || Kind == QLatin1String("IFF")) return "tiff";
    if (Kind == QLatin1String("EBP")) return "webp";
    return nullptr;
}

// ---- JPEG ----

std::unique_ptr<TBitmap> LoadJpeg(const QString& FileName, const std::atomic<bool>* Cancel) {
    auto Bitmap = std::make_unique<TBitmap>();
    Bitmap->SetImage(ReadJpegFile(FileName, Cancel)); // already 24-bit: taken without a copy
    return Bitmap;
}

} // namespace

bool PictureSizeAllowed(int64_t Width, int64_t Height) {
    return Width >= 1 && Height >= 1 && Width <= PictureMaxSide && Height <= PictureMaxSide &&
           Width * Height <= PictureMaxPixels;
}

void CheckPictureSize(int64_t Width, int64_t Height, const QString& FileName) {
    if (PictureSizeAllowed(Width, Height)) return;
    if (Width < 1 || Height < 1) Fail(QString("Picture %1 has no size").arg(Quoted(FileName)));
    Fail(QString("Picture %1 is %2 x %3 pixels; at most %4 pixels a side and %5 pixels in all are allowed")
             .arg(Quoted(FileName))
             .arg(Width)
             .arg(Height)
             .arg(PictureMaxSide)
             .arg(PictureMaxPixels));
}

EAssertionFailed::EAssertionFailed(const QString& FileName, const QString& Kind)
    : std::runtime_error("Assertion failure (draxa, line 2307)"), FFileName(FileName), FKind(Kind) {}

QString EAssertionFailed::Detail() const {
    return QString("Unsupported picture type \"%1\": %2").arg(FKind, FFileName);
}

std::unique_ptr<TBitmap> LoadPictureAsBitmap(const QString& FileName) {
    return LoadPictureAsBitmap(FileName, TPictureLoadOptions());
}

std::unique_ptr<TBitmap> LoadPictureAsBitmap(const QString& FileName, const TPictureLoadOptions& Options) {
    // A directory or a device is no picture file either; reading a pipe
    // could block for ever.
    if (!QFileInfo(FileName).isFile()) return MissingPictureCross();
    const QString Kind = FileName.right(3).toUpper();
    const auto Cancelled = [&Options] {
        if (Options.Cancel && Options.Cancel->load()) throw EPictureLoadCancelled();
    };
    try {
        Cancelled();
        std::unique_ptr<TBitmap> Bitmap;
        if (Kind == QLatin1String("BMP") || Kind == QLatin1String("DIB"))
            Bitmap = LoadBmp(FileName);
        else if (Kind == QLatin1String("ICO"))
            Bitmap = LoadIcon(FileName, Options.ReportUnreadableIcons);
        else if (Kind == QLatin1String("JPG") || Kind == QLatin1String("PEG") || Kind == QLatin1String("JPE"))
            Bitmap = LoadJpeg(FileName, Options.Cancel);
        else if (const char* Format = QtFormatOfKind(Kind))
            Bitmap = LoadWithQt(FileName, Format);
        else if (Kind == QLatin1String("WMF") || Kind == QLatin1String("EMF") ||
                 Kind == QLatin1String("SVG")) {
            // SVG is drawn by the metafile helper too, under the same limits.
            TMetafileRequest Request;
            Request.Cancel = Options.Cancel;
            Bitmap = ReadMetafile(FileName, Kind.toLower(), Request);
        }
        if (Bitmap) {
            Cancelled();
            return Bitmap;
        }
    } catch (const std::bad_alloc&) {
        Fail(QString("Not enough memory to load the picture %1").arg(Quoted(FileName)));
    }
    throw EAssertionFailed(FileName, Kind);
}

} // namespace draxa
