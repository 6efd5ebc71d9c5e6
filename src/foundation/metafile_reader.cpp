#include "foundation/metafile_reader.h"

#include "foundation/bmp_codec.h"
#include "foundation/metafile_svg.h"
#include "foundation/picture_loader.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

extern char** environ;

namespace draxa {

namespace {

const QString ConverterName = QStringLiteral("draxa-metafile-render");

[[noreturn]] void Fail(const QString& Message) {
    throw EInvalidGraphic(Message.toStdString());
}

QString Quoted(const QString& FileName) {
    return QLatin1Char('"') + FileName + QLatin1Char('"');
}

QString LastLine(const QByteArray& Text) {
    const QStringList Lines = QString::fromLocal8Bit(Text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (auto It = Lines.rbegin(); It != Lines.rend(); ++It) {
        const QString Line = PrintableReason(*It);
        if (!Line.isEmpty()) return Line;
    }
    return {};
}

} // namespace

QString PrintableReason(const QString& Text) {
    QString Out;
    for (qsizetype I = 0; I < Text.size() && Out.size() < 300; ++I) {
        const QChar C = Text[I];
        if (C == QLatin1Char('\x1B')) {
            // A terminal escape: ESC [ parameters final-letter; the whole of it goes.
            if (I + 1 < Text.size() && Text[I + 1] == QLatin1Char('[')) {
                I += 2;
                while (I < Text.size() && !Text[I].isLetter()) ++I;
            }
            continue;
        }
        if (C.isPrint())
            Out += C;
        else if (C == QLatin1Char('\t'))
            Out += QLatin1Char(' ');
    }
    return Out.trimmed();
}

namespace {

// The folder of the binary this code is part of: the installed libdraxa.so
// for a host program, the program itself when it links the library statically.
QString ModuleFolder() {
    static const char Anchor = 0;
    Dl_info Info{};
    if (dladdr(&Anchor, &Info) == 0 || !Info.dli_fname) return {};
    return QFileInfo(QFile::decodeName(Info.dli_fname)).absolutePath();
}

} // namespace

QString MetafileConverterPath() {
    if (QCoreApplication::instance()) {
        const QString Beside = QDir(QCoreApplication::applicationDirPath()).filePath(ConverterName);
        if (QFileInfo(Beside).isExecutable()) return Beside;
    }
#if defined(DRAXA_METAFILE_RENDER_FROM_LIBDIR) && defined(DRAXA_METAFILE_RENDER_FROM_BINDIR)
    // Installed, the helper sits in its own folder under libexec; the paths
    // are relative so that a package installed under any prefix finds it.
    const QString Module = ModuleFolder();
    if (!Module.isEmpty())
        for (const char* Relative : {DRAXA_METAFILE_RENDER_FROM_LIBDIR, DRAXA_METAFILE_RENDER_FROM_BINDIR}) {
            const QString Installed = QDir::cleanPath(QDir(Module).filePath(QString::fromUtf8(Relative)));
            if (QFileInfo(Installed).isExecutable()) return Installed;
        }
#endif
#ifdef DRAXA_METAFILE_RENDER_PATH
    const QString Built = QString::fromUtf8(DRAXA_METAFILE_RENDER_PATH);
    if (QFileInfo(Built).isExecutable()) return Built;
#endif
    return {};
}

namespace {

// A started converter process and the two pipes it writes into. The child
// gets /dev/null as standard input and no other descriptor of this program
// (the open database, other pictures).
class TChild {
public:
    TChild(const QString& Program, const QStringList& Arguments) {
        int Out[2] = {-1, -1}, Err[2] = {-1, -1};
        if (pipe2(Out, O_CLOEXEC) != 0 || pipe2(Err, O_CLOEXEC) != 0) {
            FError = errno;
            for (int Fd : {Out[0], Out[1], Err[0], Err[1]})
                if (Fd >= 0) close(Fd);
            return;
        }
        std::vector<QByteArray> Strings{QFile::encodeName(Program)};
        for (const QString& A : Arguments) Strings.push_back(A.toLocal8Bit());
        std::vector<char*> Argv;
        for (QByteArray& S : Strings) Argv.push_back(S.data());
        Argv.push_back(nullptr);
        posix_spawn_file_actions_t Actions;
        posix_spawn_file_actions_init(&Actions);
        posix_spawn_file_actions_addopen(&Actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&Actions, Out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&Actions, Err[1], STDERR_FILENO);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
        posix_spawn_file_actions_addclosefrom_np(&Actions, 3);
#endif
        FError = posix_spawn(&FPid, Argv[0], &Actions, nullptr, Argv.data(), environ);
        posix_spawn_file_actions_destroy(&Actions);
        close(Out[1]);
        close(Err[1]);
        if (FError != 0) {
            FPid = -1;
            close(Out[0]);
            close(Err[0]);
            return;
        }
        FOut = Out[0];
        FErr = Err[0];
        fcntl(FOut, F_SETFL, fcntl(FOut, F_GETFL) | O_NONBLOCK);
        fcntl(FErr, F_SETFL, fcntl(FErr, F_GETFL) | O_NONBLOCK);
    }
    ~TChild() {
        Kill();
        for (int Fd : {FOut, FErr})
            if (Fd >= 0) close(Fd);
    }
    TChild(const TChild&) = delete;
    TChild& operator=(const TChild&) = delete;

    bool Started() const {
        return FPid > 0;
    }
    QString StartError() const {
        return QString::fromLocal8Bit(strerror(FError));
    }
    bool Exited() const {
        return FExited;
    }
    int Status() const {
        return FStatus;
    }

    // Waits up to Ms for output, then takes what there is: standard output
    // into Out, standard error into the kept tail. Notes the exit.
    void Pump(int Ms, QByteArray& Out, QByteArray& ErrTail, int64_t TailLimit) {
        pollfd Fds[2];
        nfds_t Count = 0;
        for (int Fd : {FOut, FErr})
            if (Fd >= 0) Fds[Count++] = {Fd, POLLIN, 0};
        if (Count > 0) {
            if (poll(Fds, Count, Ms) < 0 && errno != EINTR) Ms = 0;
        } else if (!FExited) {
            // Both pipes closed, the process still there: wait a little.
            usleep(useconds_t(std::min(Ms, 20)) * 1000);
        }
        Drain(FOut, Out, -1);
        Drain(FErr, ErrTail, TailLimit);
        Reap(false);
        if (FExited) {
            // Whatever is left in the pipes; a process the child left behind
            // may keep them open, so no more waiting.
            Drain(FOut, Out, -1);
            Drain(FErr, ErrTail, TailLimit);
        }
    }

    void Kill() {
        if (FPid <= 0 || FExited) return;
        kill(FPid, SIGKILL);
        Reap(true);
    }

private:
    // Reads what the pipe holds now; closes it at its end. With a Limit,
    // only the last Limit bytes are kept.
    static void Drain(int& Fd, QByteArray& Into, int64_t Limit) {
        if (Fd < 0) return;
        char Buffer[65536];
        // A bounded number of reads, so a flood cannot keep this call here.
        for (int Round = 0; Round < 64; ++Round) {
            const ssize_t N = read(Fd, Buffer, sizeof Buffer);
            if (N > 0) {
                Into.append(Buffer, N);
                if (Limit >= 0 && Into.size() > Limit) Into.remove(0, Into.size() - Limit);
                continue;
            }
            if (N < 0 && errno == EINTR) continue;
            if (N == 0) {
                close(Fd);
                Fd = -1;
            }
            return;
        }
    }

    void Reap(bool Block) {
        if (FPid <= 0 || FExited) return;
        int Status = 0;
        pid_t Done;
        do {
            Done = waitpid(FPid, &Status, Block ? 0 : WNOHANG);
        } while (Done < 0 && errno == EINTR);
        if (Done == FPid || (Done < 0 && errno == ECHILD)) {
            FExited = true;
            FStatus = Status;
        }
    }

    pid_t FPid = -1;
    int FError = 0;
    int FOut = -1, FErr = -1;
    bool FExited = false;
    int FStatus = 0;
};

} // namespace

QByteArray RunConverter(const QString& Program, const QStringList& Arguments,
                        const TConverterLimits& Limits) {
    const auto Cancelled = [&Limits] { return Limits.Cancel && Limits.Cancel->load(); };
    if (Cancelled()) throw EPictureLoadCancelled();
    const QDeadlineTimer Deadline(Limits.TimeoutMs);
    TChild Child(Program, Arguments);
    if (!Child.Started())
        Fail(QString("the converter %1 could not be started: %2").arg(Program, Child.StartError()));
    // Both channels are taken as they arrive, so a flood is stopped at the
    // limit (standard output) or kept only in its last part (standard
    // error) rather than buffered whole.
    QByteArray Out, Reason;
    while (!Child.Exited()) {
        if (Cancelled()) {
            Child.Kill();
            throw EPictureLoadCancelled();
        }
        const qint64 Left = Deadline.remainingTime();
        if (Left <= 0) {
            Child.Kill();
            Fail(QString("the converter did not finish within %1 seconds").arg(Limits.TimeoutMs / 1000.0));
        }
        Child.Pump(int(std::min<qint64>(Left, 100)), Out, Reason, ConverterMaxReasonBytes);
        if (Out.size() > Limits.MaxOutputBytes) {
            Child.Kill();
            Fail(QString("the converter wrote more than %1 MiB").arg(Limits.MaxOutputBytes >> 20));
        }
    }
    const int Status = Child.Status();
    if (WIFSIGNALED(Status)) Fail(QStringLiteral("the converter crashed on the file"));
    const int Code = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
    if (Code != 0) {
        const QString Why = LastLine(Reason);
        Fail(Why.isEmpty() ? QString("the converter failed with exit code %1").arg(Code) : Why);
    }
    return Out;
}

std::unique_ptr<TBitmap> ReadMetafile(const QString& FileName, const QString& Kind,
                                      const TMetafileRequest& Request) {
    // What the messages call the file.
    const QString Noun =
        Kind == QLatin1String("svg") ? QStringLiteral("SVG picture") : QStringLiteral("metafile");
    const QString Program = MetafileConverterPath();
    if (Program.isEmpty())
        Fail(QString("Cannot read %1 %2: the helper %3 is not installed beside the application")
                 .arg(Noun, Quoted(FileName), ConverterName));
    if (!Request.Size.isEmpty()) CheckPictureSize(Request.Size.width(), Request.Size.height(), FileName);
    QStringList Arguments{
        Kind, QFileInfo(FileName).absoluteFilePath(), QStringLiteral("--max-side"),
        QString::number(PictureMaxSide), QStringLiteral("--max-pixels"), QString::number(PictureMaxPixels),
        // The helper stops itself a little before it would be
        // killed, so its reason reaches the user.
        QStringLiteral("--time-limit-ms"), QString::number(std::max(100, Request.TimeoutMs - 1000))};
    if (!Request.Size.isEmpty())
        Arguments << QStringLiteral("--size")
                  << QStringLiteral("%1x%2").arg(Request.Size.width()).arg(Request.Size.height());
    TConverterLimits Limits;
    Limits.TimeoutMs = Request.TimeoutMs;
    Limits.MaxOutputBytes = PictureMaxPixels * 3 + 64;
    Limits.Cancel = Request.Cancel;
    QByteArray Message;
    try {
        Message = RunConverter(Program, Arguments, Limits);
    } catch (const EInvalidGraphic& E) {
        Fail(QString("Cannot read %1 %2: %3").arg(Noun, Quoted(FileName), QString::fromStdString(E.what())));
    }
    QImage Picture;
    QString Error;
    if (!DecodePixelMessage(Message, PictureMaxSide, PictureMaxPixels, Picture, Error))
        Fail(QString("Cannot read %1 %2: %3").arg(Noun, Quoted(FileName), Error));
    if (!Request.Size.isEmpty() && Picture.size() != Request.Size)
        Fail(QString("Cannot read %1 %2: the helper drew it at another size").arg(Noun, Quoted(FileName)));
    auto Bitmap = std::make_unique<TBitmap>();
    Bitmap->SetImage(Picture); // already 24-bit: taken without a copy
    return Bitmap;
}

} // namespace draxa
