// draxa-metafile-render: draws one Windows metafile, or an SVG picture, to pixels.
//
//   draxa-metafile-render wmf|emf|svg FILE [--size WxH] [--max-side N]
//                         [--max-pixels N] [--time-limit-ms N] [--svg]
//
// On success a pixel message (foundation/metafile_svg.h: "DXPX", width,
// height, BGR rows) goes to standard output and the exit code is 0. The
// picture has the metafile's own size at 96 pixels per inch unless --size
// asks for another; either must lie within --max-side and --max-pixels. On
// failure one line saying why goes to standard error and the exit code is 1
// (2 for wrong usage). --svg writes the sanitised SVG instead of pixels, for
// a developer looking into how a metafile converts.
//
// An SVG picture goes through the same cleaning and drawing as the SVG a
// metafile converts to: only its own elements, no file it names, bounded
// complexity.
//
// The picture loader runs this program as a separate process instead of
// doing the work itself: libwmf and libemf2svg can abort or run away on
// hostile files, drawing SVG can take unbounded time, and
// libemf2svg is GPL, so it stays out of the draxa library. The process
// bounds its own memory, CPU time and drawing time, keeps whatever the
// libraries print away from the two channels the loader reads, opens no path
// but its input (only a regular file), and works in an empty folder, so that
// nothing a metafile names can be found.
#include "foundation/metafile_svg.h"

#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/ipa.h>
#include <libwmf/svg.h>

#include <QGuiApplication>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Bigger metafiles have no place in a drawing.
constexpr long MaxInputBytes = 64L << 20;
constexpr rlim_t MaxAddressSpace = rlim_t(2) << 30;
// What libemf2svg may write for one metafile (inline pictures swell it).
constexpr size_t MaxSvgBytes = size_t(256) << 20;
constexpr rlim_t MaxCpuSeconds = 30;
// The whole run, unless the loader gives its own budget: inside the loader's
// default limit of 10 seconds, so the reason comes from here.
constexpr long DefaultTimeLimitMs = 9000;

// The channels the loader reads; fds 1 and 2 are pointed at /dev/null so the
// libraries' own chatter cannot corrupt the pixels or bury the reason.
int OutFd = STDOUT_FILENO;
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
    OutFd = dup(STDOUT_FILENO);
    ReasonFd = dup(STDERR_FILENO);
    const int Null = open("/dev/null", O_WRONLY);
    if (OutFd < 0 || ReasonFd < 0 || Null < 0) {
        OutFd = STDOUT_FILENO;
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

// ---- the time limit ----

char DeadlineReason[160];
size_t DeadlineReasonLength = 0;

void OnDeadline(int) {
    // Only async-signal-safe calls here.
    if (DeadlineReasonLength > 0) {
        ssize_t Ignored = write(ReasonFd, DeadlineReason, DeadlineReasonLength);
        (void)Ignored;
    }
    _exit(1);
}

void StartDeadline(long Ms) {
    DeadlineReasonLength = size_t(std::snprintf(DeadlineReason, sizeof DeadlineReason,
                                                "drawing the picture takes longer than %.1f seconds; it is "
                                                "too complex\n",
                                                Ms / 1000.0));
    struct sigaction Action {};
    Action.sa_handler = OnDeadline;
    sigemptyset(&Action.sa_mask);
    sigaction(SIGALRM, &Action, nullptr);
    itimerval Timer{};
    Timer.it_value.tv_sec = Ms / 1000;
    Timer.it_value.tv_usec = (Ms % 1000) * 1000;
    setitimer(ITIMER_REAL, &Timer, nullptr);
}

// ---- the input ----

// Reads the one file this program opens. Anything but a regular file is
// refused before a byte is read: a pipe or a device could block for ever.
bool ReadInput(const char* Path, std::vector<unsigned char>& Data, std::string& Reason) {
    const int Fd = open(Path, O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (Fd < 0) {
        Reason = std::string("cannot open the file: ") + strerror(errno);
        return false;
    }
    struct stat Info {};
    bool Ok = fstat(Fd, &Info) == 0;
    if (!Ok || !S_ISREG(Info.st_mode)) {
        Reason = "the metafile is not a regular file";
        Ok = false;
    } else if (Info.st_size > MaxInputBytes) {
        Reason = "the metafile is larger than 64 MiB";
        Ok = false;
    } else {
        Data.resize(size_t(Info.st_size));
        size_t Done = 0;
        while (Ok && Done < Data.size()) {
            const ssize_t N = read(Fd, Data.data() + Done, Data.size() - Done);
            if (N < 0 && errno == EINTR) continue;
            if (N <= 0) {
                Reason = "cannot read the file";
                Ok = false;
            } else {
                Done += size_t(N);
            }
        }
    }
    close(Fd);
    return Ok;
}

// Makes an empty folder the working folder and removes it: no relative name
// can then find anything, and nothing can be created there.
void EnterEmptyFolder() {
    const char* Base = getenv("TMPDIR");
    std::string Template = std::string(Base && *Base ? Base : "/tmp") + "/draxa-render-XXXXXX";
    if (mkdtemp(Template.data()) && chdir(Template.c_str()) == 0) {
        rmdir(Template.c_str());
        return;
    }
    if (chdir("/") != 0) return; // nothing relative is trusted anyway: links are dropped
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
void PutLe32(std::vector<unsigned char>& D, size_t At, int64_t V) {
    for (int I = 0; I < 4; ++I) D[At + size_t(I)] = static_cast<unsigned char>(uint64_t(V) >> (8 * I));
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
        return "libwmf could not read the file or load a font (fonts-dejavu-core and fonts-dejavu-extra are "
               "needed)";
    case wmf_E_BadFormat:
        return "the file is not a readable WMF metafile";
    case wmf_E_EOF:
        return "the metafile is cut short";
    default:
        return "libwmf failed with error " + std::to_string(int(Error));
    }
}

// libwmf maps the standard PostScript fonts to files; DejaVu stands in for
// them. Every font has a file of its own: libwmf fails on a metafile that
// uses two fonts mapped to the same file (Arial and Symbol, say).
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
                          DRAXA_FONT("Symbol", "DejaVuSerifCondensed.ttf"),
                          DRAXA_FONT("ZapfDingbats", "DejaVuSansCondensed.ttf"),
                          {nullptr, nullptr, FT_ENCODING_NONE}};
#undef DRAXA_FONT
char Description[] = "draxa";

// Converts the WMF; Frame receives the part of the SVG's user space that is
// the picture and its size at 96 pixels per inch.
bool ConvertWmf(std::vector<unsigned char>& Data, std::string& Svg, draxa::TSvgFrame& Frame,
                std::string& Reason) {
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
    // libwmf draws in the picture's own pixels.
    Frame.ViewBox = QRectF(0, 0, Width, Height);
    Frame.Size = QSize(int(std::min<unsigned>(Width, INT32_MAX)), int(std::min<unsigned>(Height, INT32_MAX)));
    return true;
}

// ---- EMF through libemf2svg ----

// libemf2svg writes a text as CDATA without looking at it, so a text holding
// "]]>" would end the section and the rest would be read as markup. Such a
// ">" becomes a look-alike (U+203A, byte 0x9B in the ANSI code page). The
// face name of a font lands in an attribute unescaped: characters that could
// end it become spaces. Records that do not fit are left to libemf2svg,
// which skips them.
void DefuseEmfTexts(std::vector<unsigned char>& Data) {
    const size_t Size = Data.size();
    size_t At = Le32(Data, 4); // after the header record
    while (At + 8 <= Size) {
        const uint32_t Type = Le32(Data, At), Length = Le32(Data, At + 4);
        if (Length < 8 || Length % 4 != 0 || Length > Size - At) break;
        if ((Type == 83 || Type == 84) && Length >= 76) { // EMR_EXTTEXTOUTA, EMR_EXTTEXTOUTW
            const bool Wide = Type == 84;
            const uint64_t Chars = Le32(Data, At + 44), Offset = Le32(Data, At + 48);
            const uint64_t Bytes = Chars * (Wide ? 2 : 1);
            if (Offset <= Length && Bytes <= Length - Offset) {
                unsigned char* S = Data.data() + At + Offset;
                for (uint64_t I = 2; I < Chars; ++I) {
                    const auto Char = [&](uint64_t K) {
                        return Wide ? unsigned(S[2 * K] | S[2 * K + 1] << 8) : S[K];
                    };
                    if (Char(I) != '>' || Char(I - 1) != ']' || Char(I - 2) != ']') continue;
                    if (Wide) {
                        S[2 * I] = 0x3A;
                        S[2 * I + 1] = 0x20;
                    } else {
                        S[I] = 0x9B;
                    }
                }
            }
        } else if (Type == 82 && Length >= 104) { // EMR_EXTCREATEFONTINDIRECTW: the face name
            unsigned char* Face = Data.data() + At + 40;
            for (int I = 0; I < 32; ++I) {
                const unsigned C = Face[2 * I] | Face[2 * I + 1] << 8;
                if (C == 0) break;
                if (C < 0x20 || C == '"' || C == '\'' || C == '<' || C == '>' || C == '&') {
                    Face[2 * I] = ' ';
                    Face[2 * I + 1] = 0;
                }
            }
        }
        At += Length;
    }
}

// The picture is the header's frame (in 0.01 mm) at 96 pixels per inch, not
// its bounds: those are in the recording device's pixels, which for a
// printer are far smaller than a screen's. libemf2svg draws in those device
// pixels, from the top-left of the bounds; the header's bounds are set to the
// frame in device pixels, so the SVG's user space starts at the frame.
bool ConvertEmf(std::vector<unsigned char>& Data, std::string& Svg, draxa::TSvgFrame& Frame,
                std::string& Reason) {
    // EMR_HEADER: type 1, bounds (inclusive device pixels), frame, the
    // signature " EMF" at offset 40, the reference device in pixels (72) and
    // in millimetres (80).
    if (Data.size() < 88 || Le32(Data, 0) != 1 || Le32(Data, 40) != 0x464D4520u || Le32(Data, 4) < 88 ||
        Le32(Data, 4) > Data.size()) {
        Reason = "the file is not an EMF metafile";
        return false;
    }
    const double DevicePixels[2] = {double(LeInt32(Data, 72)), double(LeInt32(Data, 76))};
    const double DeviceMm[2] = {double(LeInt32(Data, 80)), double(LeInt32(Data, 84))};
    // Device pixels per 0.01 mm; a device that gives no size counts as a screen.
    double Scale[2];
    for (int I = 0; I < 2; ++I)
        Scale[I] =
            DevicePixels[I] > 0 && DeviceMm[I] > 0 ? DevicePixels[I] / (DeviceMm[I] * 100) : 96 / 2540.0;
    const double Frame0[4] = {double(LeInt32(Data, 24)), double(LeInt32(Data, 28)), double(LeInt32(Data, 32)),
                              double(LeInt32(Data, 36))};
    double Width = (Frame0[2] - Frame0[0]) * 96 / 2540, Height = (Frame0[3] - Frame0[1]) * 96 / 2540;
    double Left = Frame0[0] * Scale[0], Top = Frame0[1] * Scale[1];
    double Right = Frame0[2] * Scale[0], Bottom = Frame0[3] * Scale[1];
    if (!(std::round(Width) >= 1 && std::round(Height) >= 1)) {
        // No frame: the bounds, taken to 96 pixels per inch.
        Left = LeInt32(Data, 8);
        Top = LeInt32(Data, 12);
        Right = double(LeInt32(Data, 16)) + 1;
        Bottom = double(LeInt32(Data, 20)) + 1;
        Width = (Right - Left) / Scale[0] * 96 / 2540;
        Height = (Bottom - Top) / Scale[1] * 96 / 2540;
    }
    if (!(std::round(Width) >= 1 && std::round(Height) >= 1) || !(Right - Left > 0 && Bottom - Top > 0)) {
        Reason = "the metafile has no size";
        return false;
    }
    if (Width > INT32_MAX || Height > INT32_MAX || std::fabs(Left) > INT32_MAX ||
        std::fabs(Top) > INT32_MAX || std::fabs(Right) > INT32_MAX || std::fabs(Bottom) > INT32_MAX) {
        Reason = "the metafile's size is out of range";
        return false;
    }
    const int64_t DeviceLeft = std::llround(Left), DeviceTop = std::llround(Top);
    PutLe32(Data, 8, DeviceLeft);
    PutLe32(Data, 12, DeviceTop);
    PutLe32(Data, 16, std::llround(Right));
    PutLe32(Data, 20, std::llround(Bottom));
    DefuseEmfTexts(Data);

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
    Frame.ViewBox = QRectF(Left - double(DeviceLeft), Top - double(DeviceTop), Right - Left, Bottom - Top);
    Frame.Size = QSize(int(std::lround(Width)), int(std::lround(Height)));
    return true;
}

// ---- arguments ----

struct TRequest {
    std::string Kind, File;
    long Width = 0, Height = 0; // 0: the metafile's own size
    long long MaxSide = 32767, MaxPixels = 1LL << 24;
    long TimeLimitMs = DefaultTimeLimitMs;
    bool Svg = false;
};

bool ParseNumber(const char* Text, long long Low, long long High, long long& Out) {
    char* End = nullptr;
    errno = 0;
    const long long V = std::strtoll(Text, &End, 10);
    if (errno != 0 || End == Text || *End != '\0' || V < Low || V > High) return false;
    Out = V;
    return true;
}

bool ParseArguments(int argc, char** argv, TRequest& Request) {
    if (argc < 3) return false;
    Request.Kind = argv[1];
    Request.File = argv[2];
    if (Request.Kind != "wmf" && Request.Kind != "emf" && Request.Kind != "svg") return false;
    for (int I = 3; I < argc; I += 2) {
        if (argv[I] == std::string("--svg")) {
            Request.Svg = true;
            --I;
            continue;
        }
        if (I + 1 >= argc) return false;
        const std::string Name = argv[I];
        const char* Value = argv[I + 1];
        long long N = 0;
        if (Name == "--size") {
            long long W = 0, H = 0;
            const char* X = std::strchr(Value, 'x');
            if (!X) return false;
            const std::string First(Value, X);
            if (!ParseNumber(First.c_str(), 1, INT32_MAX, W) || !ParseNumber(X + 1, 1, INT32_MAX, H))
                return false;
            Request.Width = long(W);
            Request.Height = long(H);
        } else if (Name == "--max-side" && ParseNumber(Value, 1, INT32_MAX, N)) {
            Request.MaxSide = N;
        } else if (Name == "--max-pixels" && ParseNumber(Value, 1, INT64_MAX, N)) {
            Request.MaxPixels = N;
        } else if (Name == "--time-limit-ms" && ParseNumber(Value, 1, 3'600'000, N)) {
            Request.TimeLimitMs = long(N);
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    LimitResources();
    SilenceLibraries();
    TRequest Request;
    if (!ParseArguments(argc, argv, Request)) {
        Fail("usage: draxa-metafile-render wmf|emf|svg FILE [--size WxH] [--max-side N] [--max-pixels N] "
             "[--time-limit-ms N] [--svg]");
        return 2;
    }
    StartDeadline(Request.TimeLimitMs);
    std::vector<unsigned char> Data;
    std::string Reason;
    if (!ReadInput(Request.File.c_str(), Data, Reason)) return Fail(Reason);

    // Text needs a GUI application; the offscreen platform needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int QtArgc = 1;
    static char QtName[] = "draxa-metafile-render";
    static char* QtArgv[] = {QtName, nullptr};
    QGuiApplication Application(QtArgc, QtArgv);
    EnterEmptyFolder();

    std::string Svg;
    draxa::TSvgFrame Frame;
    const bool Converted = Request.Kind == "svg"   ? (Svg.assign(Data.begin(), Data.end()), true)
                           : Request.Kind == "wmf" ? ConvertWmf(Data, Svg, Frame, Reason)
                                                   : ConvertEmf(Data, Svg, Frame, Reason);
    if (!Converted) return Fail(Reason);
    if (Svg.empty()) return Fail("the converter produced no picture");
    if (Svg.size() > MaxSvgBytes) return Fail("the converted picture is larger than 256 MiB");
    if (Request.Width > 0) Frame.Size = QSize(int(Request.Width), int(Request.Height));

    draxa::TSvgLimits Limits;
    Limits.MaxSide = Request.MaxSide;
    Limits.MaxPixels = Request.MaxPixels;
    QImage Picture;
    QString Error;
    if (Request.Svg) {
        QByteArray Clean;
        draxa::TSvgStats Stats;
        if (!draxa::SanitiseSvg(QByteArray::fromStdString(Svg), Frame, Limits, Clean, Stats, Error))
            return Fail(Error.toStdString());
        return WriteAll(OutFd, Clean.constData(), size_t(Clean.size())) ? 0 : Fail("cannot write the SVG");
    }
    if (!draxa::DrawSvgPicture(QByteArray::fromStdString(Svg), Frame, Limits, Picture, Error))
        return Fail(Error.toStdString());
    const QByteArray Message = draxa::EncodePixelMessage(Picture);
    if (!WriteAll(OutFd, Message.constData(), size_t(Message.size())))
        return Fail("cannot write the picture");
    return 0;
}
