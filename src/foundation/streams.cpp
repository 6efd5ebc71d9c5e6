#include "foundation/streams.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

namespace draxa {

namespace {

constexpr int64_t Int64Max = std::numeric_limits<int64_t>::max();

// Base + Offset for a seek, or throws when the target is before 0 or cannot be
// represented.
int64_t SeekTarget(int64_t Base, int64_t Offset) {
    if ((Offset > 0 && Base > Int64Max - Offset) || Base + Offset < 0)
        throw EStreamError("Seek out of range: offset " + std::to_string(Offset) + " from " +
                           std::to_string(Base));
    return Base + Offset;
}

} // namespace

// ---------------------------------------------------------------------------
// Errors

EReadError::EReadError() : EStreamError("Stream read error") {}
EReadError::EReadError(const std::string& Message) : EStreamError(Message) {}

EWriteError::EWriteError() : EStreamError("Stream write error") {}
EWriteError::EWriteError(const std::string& Message) : EStreamError(Message) {}

EFOpenError::EFOpenError(const std::string& Message) : EStreamError(Message) {}

EFOpenError::EFOpenError(const QString& FileName, bool Creating, const QString& Reason)
    : EStreamError(QStringLiteral("Cannot %1 file \"%2\": %3")
                       .arg(Creating ? QStringLiteral("create") : QStringLiteral("open"), FileName, Reason)
                       .toStdString()),
      FFileName(FileName) {}

// ---------------------------------------------------------------------------
// TStream

TStream::~TStream() = default;

int64_t TStream::Size() {
    const int64_t Pos = Position();
    const int64_t End = Seek(0, TSeekOrigin::soEnd);
    Seek(Pos, TSeekOrigin::soBeginning);
    return End;
}

void TStream::SetSize(int64_t /*NewSize*/) {
    throw EStreamError("This stream cannot change its size");
}

int64_t TStream::Position() {
    return Seek(0, TSeekOrigin::soCurrent);
}

void TStream::SetPosition(int64_t Pos) {
    Seek(Pos, TSeekOrigin::soBeginning);
}

int64_t TStream::Remaining() {
    return std::max<int64_t>(0, Size() - Position());
}

void TStream::ReadBufferSlow(void* Buffer, int64_t Count) {
    if (Count <= 0) return;
    if (Read(Buffer, Count) != Count) throw EReadError();
}

void TStream::WriteBuffer(const void* Buffer, int64_t Count) {
    if (Count <= 0) return;
    if (Write(Buffer, Count) != Count) throw EWriteError();
}

int64_t TStream::CopyFrom(TStream& Source, int64_t Count) {
    if (Count < 0)
        throw EReadError("Stream read error: cannot copy a negative count " + std::to_string(Count));
    if (Count == 0) {
        Source.SetPosition(0);
        Count = Source.Size();
    }
    constexpr int64_t ChunkSize = int64_t(64) * 1024;
    std::vector<char> Chunk(static_cast<size_t>(std::min(Count, ChunkSize)));
    int64_t Left = Count;
    while (Left > 0) {
        const int64_t N = std::min(Left, ChunkSize);
        Source.ReadBuffer(Chunk.data(), N);
        WriteBuffer(Chunk.data(), N);
        Left -= N;
    }
    return Count;
}

// ---------------------------------------------------------------------------
// TMemoryStream

TMemoryStream::TMemoryStream(QByteArray Initial) : FData(std::move(Initial)) {
    FMemory = this;
}

TMemoryStream::~TMemoryStream() = default;

int64_t TMemoryStream::Read(void* Buffer, int64_t Count) {
    const int64_t Available = FData.size() - FPosition;
    if (Count <= 0 || Available <= 0) return 0;
    const int64_t N = std::min(Count, Available);
    std::memcpy(Buffer, FData.constData() + FPosition, static_cast<size_t>(N));
    FPosition += N;
    return N;
}

int64_t TMemoryStream::Write(const void* Buffer, int64_t Count) {
    if (Count <= 0 || FPosition > MaxSize - Count) return 0;
    const int64_t End = FPosition + Count;
    const int64_t OldSize = FData.size();
    if (End > OldSize) {
        // Growing may move the storage; a source inside our own bytes is copied
        // first so it does not dangle.
        const auto Src = reinterpret_cast<uintptr_t>(Buffer);
        const auto Begin = reinterpret_cast<uintptr_t>(FData.constData());
        if (OldSize > 0 && Src >= Begin && Src < Begin + static_cast<uintptr_t>(OldSize)) {
            const QByteArray Copy(static_cast<const char*>(Buffer), static_cast<qsizetype>(Count));
            return Write(Copy.constData(), Count);
        }
        try {
            FData.resize(static_cast<qsizetype>(End));
        } catch (const std::bad_alloc&) {
            return 0;
        }
        // Bytes between the old end and a position beyond it read as zeros.
        if (FPosition > OldSize)
            std::memset(FData.data() + OldSize, 0, static_cast<size_t>(FPosition - OldSize));
    }
    std::memmove(FData.data() + FPosition, Buffer, static_cast<size_t>(Count));
    FPosition = End;
    return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    switch (Origin) {
    case TSeekOrigin::soBeginning:
        FPosition = SeekTarget(0, Offset);
        break;
    case TSeekOrigin::soCurrent:
        FPosition = SeekTarget(FPosition, Offset);
        break;
    case TSeekOrigin::soEnd:
        FPosition = SeekTarget(FData.size(), Offset);
        break;
    }
    return FPosition;
}

int64_t TMemoryStream::Size() {
    return FData.size();
}

void TMemoryStream::SetSize(int64_t NewSize) {
    if (NewSize < 0) throw EStreamError("Cannot set a stream size of " + std::to_string(NewSize));
    if (NewSize > MaxSize)
        throw EWriteError("Stream write error: a memory stream cannot hold " + std::to_string(NewSize) +
                          " bytes");
    const int64_t OldSize = FData.size();
    try {
        FData.resize(static_cast<qsizetype>(NewSize));
    } catch (const std::bad_alloc&) {
        throw EWriteError("Stream write error: out of memory for " + std::to_string(NewSize) + " bytes");
    }
    if (NewSize > OldSize) std::memset(FData.data() + OldSize, 0, static_cast<size_t>(NewSize - OldSize));
    if (FPosition > NewSize) FPosition = NewSize;
}

const char* TMemoryStream::Memory() const {
    return FData.constData();
}

char* TMemoryStream::Memory() {
    return FData.data();
}

QByteArray TMemoryStream::ToByteArray() const {
    return FData;
}

void TMemoryStream::Clear() {
    FData.clear();
    FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& Source) {
    Source.SetPosition(0);
    const int64_t N = Source.Size();
    if (N > MaxSize)
        throw EReadError("Stream read error: " + std::to_string(N) + " bytes do not fit in a memory stream");
    QByteArray Loaded;
    try {
        Loaded.resize(static_cast<qsizetype>(N));
    } catch (const std::bad_alloc&) {
        throw EReadError("Stream read error: out of memory for " + std::to_string(N) + " bytes");
    }
    Source.ReadBuffer(Loaded.data(), N);
    FData.swap(Loaded);
    FPosition = 0;
}

void TMemoryStream::SaveToStream(TStream& Dest) {
    Dest.WriteBuffer(FData.constData(), FData.size());
}

bool TMemoryStream::LoadFromFile(const QString& FileName) {
    try {
        TFileStream File(FileName, fmOpenRead);
        LoadFromStream(File);
        return true;
    } catch (const EStreamError&) {
        return false;
    }
}

bool TMemoryStream::SaveToFile(const QString& FileName) {
    try {
        TFileStream File(FileName, fmCreate);
        SaveToStream(File);
        File.Flush();
        return true;
    } catch (const EStreamError&) {
        return false;
    }
}

// ---------------------------------------------------------------------------
// TFileStream

TFileStream::TFileStream(const QString& FileName, uint16_t Mode) : FFile(FileName), FFileName(FileName) {
    const bool Creating = (Mode & fmCreate) == fmCreate;
    QIODevice::OpenMode OpenMode;
    if (Creating) {
        OpenMode = QIODevice::ReadWrite | QIODevice::Truncate;
    } else {
        switch (Mode & 0x3) {
        case fmOpenRead:
            OpenMode = QIODevice::ReadOnly;
            break;
        case fmOpenWrite:
            OpenMode = QIODevice::ReadWrite;
            FCanRead = false;
            break;
        case fmOpenReadWrite:
            OpenMode = QIODevice::ReadWrite;
            break;
        default:
            throw EFOpenError(FileName, false, QStringLiteral("invalid open mode %1").arg(Mode));
        }
        OpenMode |= QIODevice::ExistingOnly;
    }
    if (!FFile.open(OpenMode)) throw EFOpenError(FileName, Creating, FFile.errorString());
}

TFileStream::~TFileStream() = default; // QFile flushes and closes

int64_t TFileStream::Read(void* Buffer, int64_t Count) {
    if (Count <= 0 || !FCanRead) return 0;
    const qint64 N = FFile.read(static_cast<char*>(Buffer), Count);
    return N > 0 ? N : 0;
}

int64_t TFileStream::Write(const void* Buffer, int64_t Count) {
    if (Count <= 0 || !FFile.isWritable()) return 0;
    const qint64 N = FFile.write(static_cast<const char*>(Buffer), Count);
    return N > 0 ? N : 0;
}

int64_t TFileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    int64_t Target = 0;
    switch (Origin) {
    case TSeekOrigin::soBeginning:
        Target = SeekTarget(0, Offset);
        break;
    case TSeekOrigin::soCurrent:
        Target = SeekTarget(FFile.pos(), Offset);
        break;
    case TSeekOrigin::soEnd:
        Target = SeekTarget(FFile.size(), Offset);
        break;
    }
    if (!FFile.seek(Target))
        throw EStreamError("Cannot seek to " + std::to_string(Target) + " in \"" + FFileName.toStdString() +
                           "\": " + FFile.errorString().toStdString());
    return FFile.pos();
}

int64_t TFileStream::Size() {
    return FFile.size();
}

void TFileStream::SetSize(int64_t NewSize) {
    if (NewSize < 0) throw EStreamError("Cannot set a stream size of " + std::to_string(NewSize));
    const int64_t Pos = FFile.pos();
    if (!FFile.resize(NewSize))
        throw EWriteError("Stream write error: cannot resize \"" + FFileName.toStdString() +
                          "\": " + FFile.errorString().toStdString());
    FFile.seek(std::min(Pos, NewSize));
}

void TFileStream::Flush() {
    if (!FFile.flush())
        throw EWriteError("Stream write error: \"" + FFileName.toStdString() +
                          "\": " + FFile.errorString().toStdString());
}

} // namespace draxa
