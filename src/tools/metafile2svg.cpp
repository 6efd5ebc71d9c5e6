// draxa-metafile2svg: turns one Windows metafile into SVG.
//
//   draxa-metafile2svg wmf|emf FILE
//
// On success the SVG goes to standard output and the exit code is 0. On
// failure one line saying why goes to standard error and the exit code is 1
// (2 for wrong usage).
//
// The picture loader runs this program as a separate process instead of
// linking the converters: libwmf and libemf2svg can abort or run away on
// hostile files, and libemf2svg is GPL, so it stays out of the draxa library.
// The process bounds its own memory, CPU time and output, and keeps whatever
// the libraries print away from the two channels the loader reads.
#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/ipa.h>
#include <libwmf/svg.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <vector>

namespace {

// Bigger metafiles have no place in a drawing; the SVG limit matches the one
// the loader enforces on what it reads from us.
constexpr long MaxInputBytes = 64L << 20;
constexpr size_t MaxSvgBytes = 64UL << 20;
constexpr rlim_t MaxAddressSpace = rlim_t(1) << 30;
constexpr rlim_t MaxCpuSeconds = 30;

// The channels the loader reads; fds 1 and 2 are pointed at /dev/null so the
// libraries' own chatter cannot corrupt the SVG or bury the reason.
int SvgFd = STDOUT_FILENO;
int ReasonFd = STDERR_FILENO;

#if defined(__SANITIZE_ADDRESS__)
#define DRAXA_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DRAXA_UNDER_ASAN 1
#endif
#endif

void LimitResources() {
    const rlimit NoCore{0, 0};
    setrlimit(RLIMIT_CORE, &NoCore); // an abort inside a library leaves no core file behind
    const rlimit Cpu{MaxCpuSeconds, MaxCpuSeconds};
    setrlimit(RLIMIT_CPU, &Cpu);
#ifndef DRAXA_UNDER_ASAN
    // AddressSanitizer reserves terabytes of shadow address space up front.
    const rlimit Memory{MaxAddressSpace, MaxAddressSpace};
    setrlimit(RLIMIT_AS, &Memory);
#endif
}

void SilenceLibraries() {
    SvgFd = dup(STDOUT_FILENO);
    ReasonFd = dup(STDERR_FILENO);
    const int Null = open("/dev/null", O_WRONLY);
    if (SvgFd < 0 || ReasonFd < 0 || Null < 0) {
        SvgFd = STDOUT_FILENO;
        ReasonFd = STDERR_FILENO;
        return;
    }
    fflush(stdout);
    fflush(stderr);
    dup2(Null, STDOUT_FILENO);
    dup2(Null, STDERR_FILENO);
    close(Null);
}

bool WriteAll(int Fd, const char* Data, size_t Size) {
    while (Size > 0) {
        const ssize_t N = write(Fd, Data, Size);
        if (N < 0 && errno == EINTR) continue;
        if (N <= 0) return false;
        Data += N;
        Size -= size_t(N);
    }
    return true;
}

int Fail(const std::string& Reason) {
    const std::string Line = Reason + "\n";
    WriteAll(ReasonFd, Line.data(), Line.size());
    return 1;
}

bool ReadInput(const char* Path, std::vector<unsigned char>& Data, std::string& Reason) {
    FILE* File = fopen(Path, "rb");
    if (!File) {
        Reason = std::string("cannot open the file: ") + strerror(errno);
        return false;
    }
    bool Ok = fseek(File, 0, SEEK_END) == 0;
    const long Size = Ok ? ftell(File) : -1;
    if (Size < 0 || fseek(File, 0, SEEK_SET) != 0) {
        Reason = "cannot determine the file size";
        Ok = false;
    } else if (Size > MaxInputBytes) {
        Reason = "the metafile is larger than 64 MiB";
        Ok = false;
    } else {
        Data.resize(size_t(Size));
        Ok = fread(Data.data(), 1, Data.size(), File) == Data.size();
        if (!Ok) Reason = "cannot read the file";
    }
    fclose(File);
    return Ok;
}

uint32_t Le32(const std::vector<unsigned char>& D, size_t At) {
    return uint32_t(D[At]) | uint32_t(D[At + 1]) << 8 | uint32_t(D[At + 2]) << 16 | uint32_t(D[At + 3]) << 24;
}
int32_t LeInt32(const std::vector<unsigned char>& D, size_t At) {
    return int32_t(Le32(D, At));
}
int LeInt16(const std::vector<unsigned char>& D, size_t At) {
    return int16_t(uint16_t(D[At] | D[At + 1] << 8));
}

// ---- text escaping ----

// The Unicode code points of Windows-1252's 0x80..0x9F; the rest is Latin-1.
// Metafile texts are byte strings in the ANSI code page, and libwmf writes them
// raw, unescaped, into the SVG.
constexpr uint16_t Cp1252High[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                     0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

void AppendUtf8(std::string& Out, uint32_t C) {
    if (C < 0x80) {
        Out += char(C);
    } else if (C < 0x800) {
        Out += char(0xC0 | C >> 6);
        Out += char(0x80 | (C & 0x3F));
    } else {
        Out += char(0xE0 | C >> 12);
        Out += char(0x80 | (C >> 6 & 0x3F));
        Out += char(0x80 | (C & 0x3F));
    }
}

// Windows-1252 bytes as XML character data in UTF-8; characters XML cannot
// carry (control codes) are left out.
std::string XmlTextFromAnsi(const char* Text) {
    std::string Out;
    for (const unsigned char* P = reinterpret_cast<const unsigned char*>(Text); *P; ++P) {
        const unsigned char B = *P;
        switch (B) {
        case '<':
            Out += "&lt;";
            break;
        case '>':
            Out += "&gt;";
            break;
        case '&':
            Out += "&amp;";
            break;
        case '"':
            Out += "&quot;";
            break;
        default:
            if (B < 0x20 && B != '\t') break;
            AppendUtf8(Out, B >= 0x80 && B <= 0x9F ? Cp1252High[B - 0x80] : B);
        }
    }
    return Out;
}

// ---- WMF through libwmf's SVG device ----

void (*SvgDrawText)(wmfAPI*, wmfDrawText_t*) = nullptr;

void DrawEscapedText(wmfAPI* API, wmfDrawText_t* Text) {
    std::string Escaped = XmlTextFromAnsi(Text->str ? Text->str : "");
    wmfDrawText_t Copy = *Text;
    Copy.str = Escaped.data();
    SvgDrawText(API, &Copy);
}

std::string WmfErrorText(wmf_error_t Error) {
    switch (Error) {
    case wmf_E_InsMem:
        return "not enough memory to convert the metafile";
    case wmf_E_BadFile:
        return "libwmf could not read the file or load a font (fonts-dejavu-core is needed)";
    case wmf_E_BadFormat:
        return "the file is not a readable WMF metafile";
    case wmf_E_EOF:
        return "the metafile is cut short";
    default:
        return "libwmf failed with error " + std::to_string(int(Error));
    }
}

// libwmf maps the standard PostScript fonts to files; DejaVu stands in for them.
char FontDir[] = "/usr/share/fonts/truetype/dejavu";
char* FontDirs[] = {FontDir, nullptr};
#define DRAXA_FONT(Ps, File)                                                                                 \
    { const_cast<char*>(Ps), const_cast<char*>(File), FT_ENCODING_NONE }
wmfMapping FontFiles[] = {DRAXA_FONT("Times-Roman", "DejaVuSerif.ttf"),
                          DRAXA_FONT("Times-Italic", "DejaVuSerif-Italic.ttf"),
                          DRAXA_FONT("Times-Bold", "DejaVuSerif-Bold.ttf"),
                          DRAXA_FONT("Times-BoldItalic", "DejaVuSerif-BoldItalic.ttf"),
                          DRAXA_FONT("Helvetica", "DejaVuSans.ttf"),
                          DRAXA_FONT("Helvetica-Oblique", "DejaVuSans-Oblique.ttf"),
                          DRAXA_FONT("Helvetica-Bold", "DejaVuSans-Bold.ttf"),
                          DRAXA_FONT("Helvetica-BoldOblique", "DejaVuSans-BoldOblique.ttf"),
                          DRAXA_FONT("Courier", "DejaVuSansMono.ttf"),
                          DRAXA_FONT("Courier-Oblique", "DejaVuSansMono-Oblique.ttf"),
                          DRAXA_FONT("Courier-Bold", "DejaVuSansMono-Bold.ttf"),
                          DRAXA_FONT("Courier-BoldOblique", "DejaVuSansMono-BoldOblique.ttf"),
                          DRAXA_FONT("Symbol", "DejaVuSans.ttf"),
                          DRAXA_FONT("ZapfDingbats", "DejaVuSans.ttf"),
                          {nullptr, nullptr, FT_ENCODING_NONE}};
#undef DRAXA_FONT
char Description[] = "draxa";

bool ConvertWmf(std::vector<unsigned char>& Data, std::string& Svg, std::string& Reason) {
    wmfAPI_Options Options{};
    Options.function = wmf_svg_function;
    Options.fontdirs = FontDirs;
    Options.font.ps = FontFiles;
    const unsigned long Flags =
        WMF_OPT_FUNCTION | WMF_OPT_FONTDIRS | WMF_OPT_FONTMAP | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_DEBUG;
    wmfAPI* API = nullptr;
    wmf_error_t Error = wmf_api_create(&API, Flags, &Options);
    if (Error != wmf_E_None) {
        if (API) wmf_api_destroy(API);
        Reason = WmfErrorText(Error);
        return false;
    }
    auto* Functions = static_cast<wmfFunctionReference*>(API->function_reference);
    SvgDrawText = Functions->draw_text;
    Functions->draw_text = DrawEscapedText;

    wmfD_Rect Box{};
    Error = wmf_mem_open(API, Data.data(), long(Data.size()));
    if (Error == wmf_E_None) Error = wmf_scan(API, 0, &Box);
    unsigned Width = 0, Height = 0;
    if (Error == wmf_E_None) Error = wmf_display_size(API, &Width, &Height, 96, 96);
    if (Error == wmf_E_None && (Width == 0 || Height == 0)) {
        Reason = "the metafile has no size";
        wmf_api_destroy(API);
        return false;
    }
    if (Error == wmf_E_None) {
        // libwmf crops a picture to what its records draw. A placeable file
        // states its own extent: show all of it, so the picture keeps its
        // margins and its proportions. libwmf's device unit is the point, and
        // its origin is the window origin, which such files put at the top-left
        // of the bounds.
        if (Data.size() >= 22 && Le32(Data, 0) == 0x9AC6CDD7u) {
            const int Left = LeInt16(Data, 6), Top = LeInt16(Data, 8);
            const int Right = LeInt16(Data, 10), Bottom = LeInt16(Data, 12);
            const int Inch = Data[14] | Data[15] << 8;
            if (Inch > 0 && Right > Left && Bottom > Top) {
                Box.TL = {0, 0};
                Box.BR = {float((Right - Left) * 72.0 / Inch), float((Bottom - Top) * 72.0 / Inch)};
            }
        }
        wmf_svg_t* Device = WMF_SVG_GetData(API);
        Device->out = wmf_stream_create(API, nullptr);
        Device->Description = Description;
        Device->bbox = Box;
        Device->width = Width;
        Device->height = Height;
        Device->flags |= WMF_SVG_INLINE_IMAGES;
        Error = wmf_play(API, 0, &Box);
        char* Buffer = nullptr;
        unsigned long Length = 0;
        wmf_stream_destroy(API, Device->out, &Buffer, &Length);
        if (Error == wmf_E_None && Buffer) Svg.assign(Buffer, Length);
    }
    wmf_api_destroy(API);
    if (Error != wmf_E_None) {
        Reason = WmfErrorText(Error);
        return false;
    }
    return true;
}

// ---- EMF through libemf2svg ----

// libemf2svg sizes the SVG to the bounds' width and height, but EMF bounds
// are inclusive, so the last column and row of the picture would be cut off.
// The root element gets the full size and a view box that keeps the drawing's
// scale.
void SetRootSize(std::string& Svg, long Width, long Height) {
    const size_t Root = Svg.find("<svg");
    const size_t RootEnd = Root == std::string::npos ? std::string::npos : Svg.find('>', Root);
    if (RootEnd == std::string::npos) return;
    std::string Tag = Svg.substr(Root, RootEnd - Root);
    for (const char* Name : {" width=\"", " height=\"", " viewBox=\""}) {
        const size_t At = Tag.find(Name);
        if (At == std::string::npos) continue;
        const size_t End = Tag.find('"', At + strlen(Name));
        if (End == std::string::npos) return;
        Tag.erase(At, End + 1 - At);
    }
    const std::string W = std::to_string(Width), H = std::to_string(Height);
    Tag += " width=\"" + W + "\" height=\"" + H + "\" viewBox=\"0 0 " + W + " " + H + "\"";
    Svg.replace(Root, RootEnd - Root, Tag);
}

bool ConvertEmf(std::vector<unsigned char>& Data, std::string& Svg, std::string& Reason) {
    // EMR_HEADER: type 1, then bounds (inclusive device pixels), frame, and
    // the signature " EMF" at offset 40.
    if (Data.size() < 88 || Le32(Data, 0) != 1 || Le32(Data, 40) != 0x464D4520u) {
        Reason = "the file is not an EMF metafile";
        return false;
    }
    const int64_t Width = int64_t(LeInt32(Data, 16)) - LeInt32(Data, 8) + 1;
    const int64_t Height = int64_t(LeInt32(Data, 20)) - LeInt32(Data, 12) + 1;
    if (Width <= 0 || Height <= 0) {
        Reason = "the metafile has no size";
        return false;
    }
    generatorOptions Options{};
    char NoPrefix[] = "";
    Options.nameSpace = NoPrefix;
    Options.svgDelimiter = true;
    // Plain EMF records: dual EMF+ files carry them too, and libemf2svg's
    // EMF+ support is partial.
    Options.emfplus = false;
    char* Out = nullptr;
    size_t Length = 0;
    const int Ok = emf2svg(reinterpret_cast<char*>(Data.data()), Data.size(), &Out, &Length, &Options);
    if (!Ok || !Out) {
        free(Out);
        Reason = "libemf2svg could not convert the metafile";
        return false;
    }
    Svg.assign(Out, Length);
    free(Out);
    SetRootSize(Svg, long(Width), long(Height));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    LimitResources();
    SilenceLibraries();
    const std::string Kind = argc == 3 ? argv[1] : "";
    if (Kind != "wmf" && Kind != "emf") {
        Fail("usage: draxa-metafile2svg wmf|emf FILE");
        return 2;
    }
    std::vector<unsigned char> Data;
    std::string Svg, Reason;
    if (!ReadInput(argv[2], Data, Reason)) return Fail(Reason);
    const bool Ok = Kind == "wmf" ? ConvertWmf(Data, Svg, Reason) : ConvertEmf(Data, Svg, Reason);
    if (!Ok) return Fail(Reason);
    if (Svg.empty()) return Fail("the converter produced no SVG");
    if (Svg.size() > MaxSvgBytes) return Fail("the converted picture is larger than 64 MiB");
    if (!WriteAll(SvgFd, Svg.data(), Svg.size())) return Fail("cannot write the SVG");
    return 0;
}
