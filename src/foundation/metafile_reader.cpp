#include "foundation/metafile_reader.h"

#include "foundation/bmp_codec.h"
#include "foundation/canvas.h"
#include "foundation/picture_loader.h"
#include "foundation/stream_io.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>

namespace draxa {

namespace {

const QString ConverterName = QStringLiteral("draxa-metafile2svg");
const QString SvgNamespace = QStringLiteral("http://www.w3.org/2000/svg");

[[noreturn]] void Fail(const QString& Message) {
    throw EInvalidGraphic(Message.toStdString());
}

QString Quoted(const QString& FileName) {
    return QLatin1Char('"') + FileName + QLatin1Char('"');
}

// Length of the well-formed UTF-8 sequence at P (1 to 4), or 0 when the bytes
// there are not one.
int Utf8SequenceLength(const uchar* P, qsizetype Left) {
    const uchar B = P[0];
    if (B < 0x80) return 1;
    int Length = 0;
    uchar Low = 0x80, High = 0xBF; // allowed range of the second byte
    if (B >= 0xC2 && B <= 0xDF) {
        Length = 2;
    } else if (B >= 0xE0 && B <= 0xEF) {
        Length = 3;
        if (B == 0xE0) Low = 0xA0;  // no overlong forms
        if (B == 0xED) High = 0x9F; // no surrogates
    } else if (B >= 0xF0 && B <= 0xF4) {
        Length = 4;
        if (B == 0xF0) Low = 0x90;
        if (B == 0xF4) High = 0x8F; // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (Left < Length || P[1] < Low || P[1] > High) return 0;
    for (int K = 2; K < Length; ++K)
        if ((P[K] & 0xC0) != 0x80) return 0;
    return Length;
}

// Valid UTF-8 stays as it is; every byte that is not part of a valid
// sequence is read as Windows-1252.
QString DecodeLeniently(const QByteArray& Bytes) {
    QString Out;
    Out.reserve(Bytes.size());
    const auto* P = reinterpret_cast<const uchar*>(Bytes.constData());
    const qsizetype Size = Bytes.size();
    qsizetype Run = 0;
    for (qsizetype I = 0; I < Size;) {
        const int Length = Utf8SequenceLength(P + I, Size - I);
        if (Length > 0) {
            I += Length;
            continue;
        }
        Out += QString::fromUtf8(Bytes.constData() + Run, I - Run);
        Out += DecodeDocumentText(QByteArray(1, Bytes[I]));
        Run = ++I;
    }
    Out += QString::fromUtf8(Bytes.constData() + Run, Size - Run);
    return Out;
}

bool XmlAllowed(char16_t C) {
    if (C < 0x20) return C == '\t' || C == '\n' || C == '\r';
    return C != 0xFFFE && C != 0xFFFF;
}

QString LastLine(const QByteArray& Text) {
    const QStringList Lines = QString::fromLocal8Bit(Text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (auto It = Lines.rbegin(); It != Lines.rend(); ++It) {
        const QString Line = It->trimmed();
        if (!Line.isEmpty()) return Line.left(300);
    }
    return {};
}

} // namespace

QString MetafileConverterPath() {
    if (QCoreApplication::instance()) {
        const QString Beside = QDir(QCoreApplication::applicationDirPath()).filePath(ConverterName);
        if (QFileInfo(Beside).isExecutable()) return Beside;
    }
#ifdef DRAXA_METAFILE2SVG_PATH
    const QString Built = QString::fromUtf8(DRAXA_METAFILE2SVG_PATH);
    if (QFileInfo(Built).isExecutable()) return Built;
#endif
    return {};
}

QByteArray RunConverter(const QString& Program, const QStringList& Arguments,
                        const TConverterLimits& Limits) {
    QProcess Process;
    Process.setProgram(Program);
    Process.setArguments(Arguments);
    Process.setProcessChannelMode(QProcess::SeparateChannels);
    Process.setStandardInputFile(QProcess::nullDevice());
    const QDeadlineTimer Deadline(Limits.TimeoutMs);
    Process.start();
    if (!Process.waitForStarted(std::max(1, int(Deadline.remainingTime()))))
        Fail(QString("the converter %1 could not be started: %2").arg(Program, Process.errorString()));

    auto Stop = [&Process](const QString& Why) {
        Process.kill();
        Process.waitForFinished(1000);
        Fail(Why);
    };
    // Output is taken as it arrives, so a flood is stopped at the limit
    // rather than buffered whole.
    QByteArray Out;
    while (Process.state() != QProcess::NotRunning) {
        const qint64 Left = Deadline.remainingTime();
        if (Left <= 0)
            Stop(QString("the converter did not finish within %1 seconds").arg(Limits.TimeoutMs / 1000.0));
        const int Slice = int(std::min<qint64>(Left, 200));
        // Once standard output is closed, waiting for it returns at once:
        // wait for the exit instead.
        if (!Process.waitForReadyRead(Slice) && Process.state() != QProcess::NotRunning)
            Process.waitForFinished(Slice);
        Out += Process.readAllStandardOutput();
        if (Out.size() > Limits.MaxOutputBytes)
            Stop(QString("the converter wrote more than %1 MiB").arg(Limits.MaxOutputBytes >> 20));
    }
    Out += Process.readAllStandardOutput();
    if (Out.size() > Limits.MaxOutputBytes)
        Fail(QString("the converter wrote more than %1 MiB").arg(Limits.MaxOutputBytes >> 20));
    if (Process.exitStatus() == QProcess::CrashExit)
        Fail(QStringLiteral("the converter crashed on the file"));
    if (Process.exitCode() != 0) {
        const QString Reason = LastLine(Process.readAllStandardError());
        Fail(Reason.isEmpty() ? QString("the converter failed with exit code %1").arg(Process.exitCode())
                              : Reason);
    }
    return Out;
}

QByteArray CleanSvgForRenderer(const QByteArray& Svg) {
    QString Text = DecodeLeniently(Svg);
    Text.erase(std::remove_if(Text.begin(), Text.end(), [](QChar C) { return !XmlAllowed(C.unicode()); }),
               Text.end());

    // The text is UTF-8 from here on, whatever the declaration said; a DOCTYPE
    // could declare entities, and nothing in converter output needs one.
    static const QRegularExpression Declaration(QStringLiteral(R"(^\s*<\?xml[^>]*\?>)"));
    static const QRegularExpression Doctype(QStringLiteral(R"(<!DOCTYPE[^\[>]*(\[[^\]]*\])?\s*>)"));
    Text.remove(Declaration);
    Text.remove(Doctype);

    static const QRegularExpression PrefixDeclaration(
        QStringLiteral(R"(\s+xmlns:([A-Za-z_][\w.-]*)\s*=\s*(["'])http://www\.w3\.org/2000/svg\2)"));
    QStringList Prefixes;
    for (auto It = PrefixDeclaration.globalMatch(Text); It.hasNext();) Prefixes += It.next().captured(1);
    Text.remove(PrefixDeclaration);
    for (const QString& Prefix : std::as_const(Prefixes)) {
        const QString P = QRegularExpression::escape(Prefix);
        Text.replace(QRegularExpression(QStringLiteral("<(/?)%1:").arg(P)), QStringLiteral("<\\1"));
        Text.replace(QRegularExpression(QStringLiteral(R"((\s)%1:([\w.-]+\s*=))").arg(P)),
                     QStringLiteral("\\1\\2"));
    }

    static const QRegularExpression Root(QStringLiteral(R"(<svg(?=[\s/>])[^>]*>)"));
    const QRegularExpressionMatch RootTag = Root.match(Text);
    static const QRegularExpression DefaultNamespace(QStringLiteral(R"(\sxmlns\s*=)"));
    if (RootTag.hasMatch() && !RootTag.captured().contains(DefaultNamespace))
        Text.insert(RootTag.capturedStart() + 4, QStringLiteral(" xmlns=\"%1\"").arg(SvgNamespace));
    return Text.toUtf8();
}

std::unique_ptr<TBitmap> RenderSvgAsBitmap(const QByteArray& Svg, const QString& FileName) {
    QSvgRenderer Renderer;
    if (!Renderer.load(Svg) || !Renderer.isValid())
        Fail(QString("Cannot read metafile %1: the converted picture is not readable SVG")
                 .arg(Quoted(FileName)));
    QSizeF Size = Renderer.defaultSize();
    if (Size.isEmpty()) Size = Renderer.viewBoxF().size();
    const int64_t Width = std::llround(Size.width()), Height = std::llround(Size.height());
    if (Width <= 0 || Height <= 0)
        Fail(QString("Cannot read metafile %1: the picture has no size").arg(Quoted(FileName)));
    CheckPictureSize(Width, Height, FileName);

    auto Bitmap = std::make_unique<TBitmap>(int(Width), int(Height), TPixelFormat::pf24bit);
    QPainter* Painter = Bitmap->Canvas().Painter();
    if (!Painter) Fail(QString("Cannot draw metafile %1").arg(Quoted(FileName)));
    Painter->save();
    Painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    // A metafile is a finished picture, not editing feedback: smooth edges
    // and text look as the author meant.
    Painter->setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                            QPainter::SmoothPixmapTransform);
    Renderer.render(Painter, QRectF(0, 0, double(Width), double(Height)));
    Painter->restore();
    Bitmap->Canvas().Release();
    return Bitmap;
}

std::unique_ptr<TBitmap> ReadMetafile(const QString& FileName, const QString& Kind) {
    const QString Program = MetafileConverterPath();
    if (Program.isEmpty())
        Fail(QString("Cannot read metafile %1: the converter %2 is not installed beside the application")
                 .arg(Quoted(FileName), ConverterName));
    QByteArray Svg;
    try {
        Svg = RunConverter(Program, {Kind, QFileInfo(FileName).absoluteFilePath()});
    } catch (const EInvalidGraphic& E) {
        Fail(QString("Cannot read metafile %1: %2").arg(Quoted(FileName), QString::fromStdString(E.what())));
    }
    return RenderSvgAsBitmap(CleanSvgForRenderer(Svg), FileName);
}

} // namespace draxa
