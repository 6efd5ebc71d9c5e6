#include "foundation/jpeg_reader.h"

#include "foundation/bmp_codec.h"
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
    // rest of the picture with grey; we refuse such a file. Other warnings
    // and trace messages are dropped (libjpeg would print them to stderr).
    if (Level < 0 && Info->err->msg_code == JWRN_JPEG_EOF) OnJpegError(Info);
}

// Called by libjpeg as it works; stops a picture with more scans than any
// real encoder writes.
void OnJpegProgress(j_common_ptr Info) {
    if (!Info->is_decompressor) return;
    const int Scan = reinterpret_cast<j_decompress_ptr>(Info)->input_scan_number;
    if (Scan <= JpegMaxScans) return;
    auto* Manager = reinterpret_cast<TJpegErrorManager*>(Info->err);
    std::snprintf(Manager->Message, sizeof Manager->Message, "the picture has more than %d scans",
                  JpegMaxScans);
    longjmp(Manager->Jump, 1);
}

enum class TDecodeResult { Ok, LibraryError, TooLarge, NoMemory };

// Everything Decode touches lives here, outside the frame that calls setjmp.
struct TJpegJob {
    jpeg_decompress_struct Info;
    TJpegErrorManager Error;
    jpeg_progress_mgr Progress;
    FILE* File = nullptr;
    QImage* Out = nullptr;
    int64_t Width = 0;
    int64_t Height = 0;
};

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
    if (setjmp(Job.Error.Jump)) return TDecodeResult::LibraryError;
    jpeg_create_decompress(&Info);
    Info.mem->max_memory_to_use = JpegMaxWorkingMemory;
    Job.Progress.progress_monitor = OnJpegProgress;
    Info.progress = &Job.Progress;
    jpeg_stdio_src(&Info, Job.File);
    jpeg_read_header(&Info, TRUE);
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

QImage ReadJpegFile(const QString& FileName) {
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
    const TDecodeResult Result = Decode(*Job);
    jpeg_destroy_decompress(&Job->Info);
    fclose(File);

    switch (Result) {
    case TDecodeResult::Ok:
        return Image;
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
