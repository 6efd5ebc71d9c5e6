#include "foundation/jpeg_reader.h"

#include "foundation/bmp_codec.h"
#include "foundation/metafile_reader.h"
#include "foundation/picture_loader.h"

#include <QFile>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include <jerror.h>
#include <jpeglib.h>

namespace draxa {

namespace {

// libjpeg reports fatal errors through error_exit, which must not return. We
// leave with longjmp back into Decode, which is written so that no C++ object
// with a destructor lives in the frames the jump skips.
struct TJpegErrorManager {
    jpeg_error_mgr Base; // first member: libjpeg hands its address back to us
    jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr Info) {
    auto* Manager = reinterpret_cast<TJpegErrorManager*>(Info->err);
    (*Info->err->format_message)(Info, Manager->Message);
    longjmp(Manager->Jump, 1);
}

void OnJpegMessage(j_common_ptr Info, int Level) {
    // Data that ends early is only a warning to libjpeg, which then fills the
    // rest of the picture with grey; we refuse such a file. It ends early when
    // the file does (JWRN_JPEG_EOF) and when a marker comes before the scan
    // has all its data (JWRN_HIT_MARKER: a cut or spliced file, or a frame
    // header that promises more than the scan holds). Other warnings and
    // trace messages are dropped (libjpeg would print them to stderr).
    if (Level < 0 && (Info->err->msg_code == JWRN_JPEG_EOF || Info->err->msg_code == JWRN_HIT_MARKER))
        OnJpegError(Info);
}

enum class TDecodeResult { Ok, LibraryError, TooLarge, NoMemory, Cancelled };

// Everything Decode touches lives here, outside the frame that calls setjmp.
struct TJpegJob {
    jpeg_decompress_struct Info;
    TJpegErrorManager Error;
    jpeg_progress_mgr Progress;
    FILE* File = nullptr;
    QImage* Out = nullptr;
    int64_t Width = 0;
    int64_t Height = 0;
    int Orientation = 1;
    const std::atomic<bool>* Cancel = nullptr;
    bool Cancelled = false;
};

// Called by libjpeg as it works; stops a picture with more scans than any
// real encoder writes, and a load that was cancelled.
void OnJpegProgress(j_common_ptr Info) {
    if (!Info->is_decompressor) return;
    auto* Job = static_cast<TJpegJob*>(Info->client_data);
    if (Job->Cancel && Job->Cancel->load()) {
        Job->Cancelled = true;
        longjmp(Job->Error.Jump, 1);
    }
    const int Scan = reinterpret_cast<j_decompress_ptr>(Info)->input_scan_number;
    if (Scan <= JpegMaxScans) return;
    auto* Manager = reinterpret_cast<TJpegErrorManager*>(Info->err);
    std::snprintf(Manager->Message, sizeof Manager->Message, "the picture has more than %d scans",
                  JpegMaxScans);
    longjmp(Manager->Jump, 1);
}

void ConvertRow(const jpeg_decompress_struct& Info, const JSAMPLE* In, uint8_t* Out) {
    const JDIMENSION Width = Info.output_width;
    if (Info.out_color_space == JCS_GRAYSCALE) {
        for (JDIMENSION X = 0; X < Width; ++X, Out += 3) Out[0] = Out[1] = Out[2] = In[X];
        return;
    }
    if (Info.out_color_space == JCS_CMYK) {
        // Adobe writes CMYK inverted (0 = full ink); others write it plainly.
        const bool Inverted = Info.saw_Adobe_marker;
        for (JDIMENSION X = 0; X < Width; ++X, In += 4, Out += 3) {
            const int C = Inverted ? In[0] : 255 - In[0], M = Inverted ? In[1] : 255 - In[1];
            const int Y = Inverted ? In[2] : 255 - In[2], K = Inverted ? In[3] : 255 - In[3];
            Out[0] = uint8_t((Y * K + 127) / 255);
            Out[1] = uint8_t((M * K + 127) / 255);
            Out[2] = uint8_t((C * K + 127) / 255);
        }
        return;
    }
#ifndef JCS_EXTENSIONS
    for (JDIMENSION X = 0; X < Width; ++X, In += 3, Out += 3) {
        Out[0] = In[2];
        Out[1] = In[1];
        Out[2] = In[0];
    }
#endif
}

TDecodeResult Decode(TJpegJob& Job) {
    jpeg_decompress_struct& Info = Job.Info;
    if (setjmp(Job.Error.Jump)) return Job.Cancelled ? TDecodeResult::Cancelled : TDecodeResult::LibraryError;
    jpeg_create_decompress(&Info);
    Info.client_data = &Job;
    Info.mem->max_memory_to_use = JpegMaxWorkingMemory;
    Job.Progress.progress_monitor = OnJpegProgress;
    Info.progress = &Job.Progress;
    jpeg_stdio_src(&Info, Job.File);
    // EXIF blocks are at most 64 KiB, one marker's length.
    jpeg_save_markers(&Info, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&Info, TRUE);
    for (jpeg_saved_marker_ptr Marker = Info.marker_list; Marker; Marker = Marker->next)
        if (Marker->marker == JPEG_APP0 + 1) {
            const int Orientation = ExifOrientation(Marker->data, Marker->data_length);
            if (Orientation != 1) {
                Job.Orientation = Orientation;
                break;
            }
        }
    Job.Width = Info.image_width;
    Job.Height = Info.image_height;
    if (!PictureSizeAllowed(Job.Width, Job.Height)) return TDecodeResult::TooLarge;

    bool Direct = false;
    switch (Info.jpeg_color_space) {
    case JCS_GRAYSCALE:
        Info.out_color_space = JCS_GRAYSCALE;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        Info.out_color_space = JCS_CMYK;
        break;
    default:
#ifdef JCS_EXTENSIONS
        Info.out_color_space = JCS_EXT_BGR; // rows come out in our byte order
        Direct = true;
#else
        Info.out_color_space = JCS_RGB;
#endif
        break;
    }
    jpeg_start_decompress(&Info);
    *Job.Out = QImage(int(Info.output_width), int(Info.output_height), QImage::Format_BGR888);
    if (Job.Out->isNull()) return TDecodeResult::NoMemory;
    JSAMPARRAY Buffer = nullptr;
    if (!Direct)
        Buffer = (*Info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&Info), JPOOL_IMAGE,
                                           Info.output_width * JDIMENSION(Info.output_components), 1);
    while (Info.output_scanline < Info.output_height) {
        if (Job.Cancel && Job.Cancel->load()) return TDecodeResult::Cancelled;
        uint8_t* Row = Job.Out->scanLine(int(Info.output_scanline));
        JSAMPROW Target = Direct ? Row : Buffer[0];
        if (jpeg_read_scanlines(&Info, &Target, 1) != 1) {
            std::strcpy(Job.Error.Message, "the decoder returned no row");
            return TDecodeResult::LibraryError;
        }
        if (!Direct) ConvertRow(Info, Buffer[0], Row);
    }
    jpeg_finish_decompress(&Info);
    return TDecodeResult::Ok;
}

QString Quoted(const QString& FileName) {
    return QLatin1Char('"') + FileName + QLatin1Char('"');
}

} // namespace

int ExifOrientation(const uint8_t* Data, size_t Size) {
    // "Exif\0\0", then the TIFF header: byte order, 42, offset of IFD0.
    if (Size < 14 || std::memcmp(Data, "Exif\0\0", 6) != 0) return 1;
    const uint8_t* Tiff = Data + 6;
    const size_t TiffSize = Size - 6;
    const bool Little = Tiff[0] == 'I' && Tiff[1] == 'I';
    if (!Little && !(Tiff[0] == 'M' && Tiff[1] == 'M')) return 1;
    const auto U16 = [&](size_t At) {
        return Little ? unsigned(Tiff[At] | Tiff[At + 1] << 8) : unsigned(Tiff[At] << 8 | Tiff[At + 1]);
    };
    const auto U32 = [&](size_t At) {
        return Little ? uint32_t(U16(At)) | uint32_t(U16(At + 2)) << 16
                      : uint32_t(U16(At)) << 16 | uint32_t(U16(At + 2));
    };
    if (U16(2) != 42) return 1;
    const uint32_t Ifd = U32(4);
    if (Ifd > TiffSize - 2 || Ifd < 8) return 1;
    const unsigned Count = U16(Ifd);
    for (unsigned I = 0; I < Count; ++I) {
        const size_t Entry = size_t(Ifd) + 2 + size_t(I) * 12;
        if (Entry + 12 > TiffSize) return 1;
        // Tag 0x0112, type SHORT (3), one value, kept in the entry itself.
        if (U16(Entry) != 0x0112) continue;
        if (U16(Entry + 2) != 3 || U32(Entry + 4) != 1) return 1;
        const unsigned Orientation = U16(Entry + 8);
        return Orientation >= 1 && Orientation <= 8 ? int(Orientation) : 1;
    }
    return 1;
}

QImage OrientedImage(const QImage& Image, int Orientation) {
    if (Orientation < 2 || Orientation > 8 || Image.format() != QImage::Format_BGR888) return Image;
    const int W = Image.width(), H = Image.height();
    const bool Swap = Orientation >= 5; // turned by a quarter: the sides swap
    QImage Out(Swap ? H : W, Swap ? W : H, QImage::Format_BGR888);
    if (Out.isNull()) throw std::bad_alloc();
    const int OutW = Out.width(), OutH = Out.height();
    for (int Y = 0; Y < OutH; ++Y) {
        uint8_t* Row = Out.scanLine(Y);
        for (int X = 0; X < OutW; ++X) {
            // The stored pixel that shows at (X, Y).
            int SX = X, SY = Y;
            switch (Orientation) {
            case 2:
                SX = W - 1 - X;
                break;
            case 3:
                SX = W - 1 - X;
                SY = H - 1 - Y;
                break;
            case 4:
                SY = H - 1 - Y;
                break;
            case 5:
                SX = Y;
                SY = X;
                break;
            case 6:
                SX = Y;
                SY = H - 1 - X;
                break;
            case 7:
                SX = W - 1 - Y;
                SY = H - 1 - X;
                break;
            case 8:
                SX = W - 1 - Y;
                SY = X;
                break;
            default:
                break;
            }
            std::memcpy(Row + 3 * X, Image.constScanLine(SY) + 3 * SX, 3);
        }
    }
    return Out;
}

QImage ReadJpegFile(const QString& FileName, const std::atomic<bool>* Cancel) {
    FILE* File = fopen(QFile::encodeName(FileName).constData(), "rb");
    if (!File)
        throw EInvalidGraphic(QString("Cannot open JPEG picture %1: %2")
                                  .arg(Quoted(FileName), QString::fromLocal8Bit(strerror(errno)))
                                  .toStdString());
    QImage Image;
    // The job is large (libjpeg's state and jmp_buf), so it lives on the heap.
    auto Job = std::make_unique<TJpegJob>();
    std::memset(&Job->Info, 0, sizeof Job->Info);
    Job->Info.err = jpeg_std_error(&Job->Error.Base);
    Job->Error.Base.error_exit = OnJpegError;
    Job->Error.Base.emit_message = OnJpegMessage;
    Job->Error.Message[0] = '\0';
    Job->File = File;
    Job->Out = &Image;
    Job->Cancel = Cancel;
    const TDecodeResult Result = Decode(*Job);
    jpeg_destroy_decompress(&Job->Info);
    fclose(File);

    switch (Result) {
    case TDecodeResult::Ok:
        return OrientedImage(Image, Job->Orientation);
    case TDecodeResult::Cancelled:
        throw EPictureLoadCancelled();
    case TDecodeResult::TooLarge:
        CheckPictureSize(Job->Width, Job->Height, FileName);
        break;
    case TDecodeResult::NoMemory:
        break;
    case TDecodeResult::LibraryError:
        throw EInvalidGraphic(QString("Cannot read JPEG picture %1: %2")
                                  .arg(Quoted(FileName), QString::fromLocal8Bit(Job->Error.Message))
                                  .toStdString());
    }
    throw EInvalidGraphic(QString("Not enough memory for the %1 x %2 JPEG picture %3")
                              .arg(Job->Width)
                              .arg(Job->Height)
                              .arg(Quoted(FileName))
                              .toStdString());
}

} // namespace draxa
