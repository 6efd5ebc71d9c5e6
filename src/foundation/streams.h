// Byte streams that documents, shape records and pictures are written to and
// read from: an abstract TStream, a growable TMemoryStream and a QFile-backed
// TFileStream. Positions and sizes are byte counts (int64_t).
//
// Failures are exceptions derived from EStreamError; code that loads a
// document catches EStreamError once and reports failure.
#pragma once

#include "draxa_export.h"

#include <cstdint>
#include <cstring>
#include <QByteArray>
#include <QFile>
#include <QString>
#include <stdexcept>
#include <string>

namespace draxa {

// Base of every stream failure.
class DRAXA_EXPORT EStreamError : public std::runtime_error {
public:
    using runtime_error::runtime_error;
};

// Fewer bytes were available than a reader needed (or a count in the stream
// cannot be true). The default message is "Stream read error".
class DRAXA_EXPORT EReadError : public EStreamError {
public:
    EReadError();
    explicit EReadError(const std::string& Message);
};

// Fewer bytes were written than asked for. Default message "Stream write error".
class DRAXA_EXPORT EWriteError : public EStreamError {
public:
    EWriteError();
    explicit EWriteError(const std::string& Message);
};

// A file could not be opened or created; the message names the file and the
// reason the system gave.
class DRAXA_EXPORT EFOpenError : public EStreamError {
public:
    explicit EFOpenError(const std::string& Message);
    EFOpenError(const QString& FileName, bool Creating, const QString& Reason);
    const QString& FileName() const { return FFileName; }

private:
    QString FFileName;
};

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// Abstract byte stream.
//
// Positions never go below 0: a seek that would land before the beginning (or
// whose arithmetic would overflow int64_t) throws EStreamError and leaves the
// position unchanged, because a negative position is always a mistake of the
// caller or a lie in a document, and clamping would hide it.
class DRAXA_EXPORT TStream {
public:
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;
    virtual ~TStream();

    // Reads up to Count bytes into Buffer; returns how many were read (0 at
    // the end, or when Count <= 0).
    virtual int64_t Read(void* Buffer, int64_t Count) = 0;
    // Writes up to Count bytes from Buffer; returns how many were written.
    virtual int64_t Write(const void* Buffer, int64_t Count) = 0;
    // Moves the position; returns the new position. Throws EStreamError for a
    // target before 0. Seeking past the end is allowed.
    virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;
    // Number of bytes in the stream. The default seeks to the end and back.
    virtual int64_t Size();
    // Truncates or extends the stream. The default throws EStreamError
    // (a stream that cannot change its size).
    virtual void SetSize(int64_t NewSize);

    int64_t Position();
    void SetPosition(int64_t Pos);
    // Bytes between the position and the end; 0 when positioned past the end.
    int64_t Remaining();

    // Reads exactly Count bytes or throws EReadError. On a short read the
    // position stays where the partial read left it (at the end of the data).
    inline void ReadBuffer(void* Buffer, int64_t Count);
    // Writes exactly Count bytes or throws EWriteError.
    void WriteBuffer(const void* Buffer, int64_t Count);
    // Copies Count bytes from Source's position to this stream's position.
    // Count 0 copies the whole of Source from its beginning. Returns the number
    // of bytes copied. A short source throws EReadError (what was copied up to
    // then stays written); a negative Count throws EReadError, so that a
    // negative size read from a document never turns into "everything".
    int64_t CopyFrom(TStream& Source, int64_t Count);

protected:
    // Set by a memory stream to itself: documents are read a few bytes per
    // field, and such reads then copy straight from its bytes instead of
    // going through a virtual call.
    class TMemoryStream* FMemory = nullptr;

private:
    void ReadBufferSlow(void* Buffer, int64_t Count);
};

// Growable in-memory stream over a QByteArray. Seeking past the end is
// allowed; a write there fills the gap with zero bytes. It holds at most
// MaxSize bytes (far beyond any drawing); a write or SetSize beyond that fails
// like a full disk instead of asking the allocator for absurd sizes.
class DRAXA_EXPORT TMemoryStream : public TStream {
public:
    static constexpr int64_t MaxSize = sizeof(void*) >= 8 ? int64_t(1) << 36 : int64_t(1) << 30;

    // The stream holds a copy of Initial (shared until written), position 0.
    explicit TMemoryStream(QByteArray Initial = {});
    ~TMemoryStream() override;

    // Final: ReadBuffer reads a memory stream without calling it.
    int64_t Read(void* Buffer, int64_t Count) final;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t Size() override;
    // Copies Count (> 0) bytes and moves on when that many are there; false,
    // reading nothing, otherwise.
    bool ReadExact(void* Buffer, int64_t Count) {
        if (Count <= 0 || Count > FData.size() - FPosition) return false;
        std::memcpy(Buffer, FData.constData() + FPosition, static_cast<size_t>(Count));
        FPosition += Count;
        return true;
    }
    // Grows with zero bytes or truncates; a position past the new end moves to
    // the new end. Throws EStreamError for a negative size, EWriteError beyond
    // MaxSize or when memory runs out.
    void SetSize(int64_t NewSize) override;

    // The Size() bytes of the stream; valid until the next write or resize.
    const char* Memory() const;
    char* Memory();
    // A copy (implicitly shared) of the stream's bytes.
    QByteArray ToByteArray() const;

    // Empties the stream; position 0.
    void Clear();
    // Replaces the contents with the whole of Source (from its beginning);
    // position 0. Throws EReadError when Source delivers less than its Size();
    // the stream is then unchanged.
    void LoadFromStream(TStream& Source);
    // Writes all bytes to Dest at Dest's position; the own position is kept.
    void SaveToStream(TStream& Dest);
    // Replaces the contents with the file's bytes; position 0. Returns false
    // (and leaves the stream unchanged) when the file cannot be opened or read.
    bool LoadFromFile(const QString& FileName);
    // Creates or overwrites the file with the stream's bytes. Returns false
    // when the file cannot be created or written.
    bool SaveToFile(const QString& FileName);

private:
    QByteArray FData;
    int64_t FPosition = 0;
};

inline void TStream::ReadBuffer(void* Buffer, int64_t Count) {
    if (FMemory && FMemory->ReadExact(Buffer, Count)) return;
    ReadBufferSlow(Buffer, Count);
}

// Open modes of TFileStream. fmCreate creates the file or truncates an
// existing one and opens it for reading and writing; the others open an
// existing file. Share-mode bits (0x10..0x40) are accepted and ignored.
enum : uint16_t { fmCreate = 0xFF00, fmOpenRead = 0, fmOpenWrite = 1, fmOpenReadWrite = 2 };

// File stream over QFile. Throws EFOpenError when the file cannot be opened.
// Seeking past the end is allowed; a write there extends the file.
class DRAXA_EXPORT TFileStream : public TStream {
public:
    TFileStream(const QString& FileName, uint16_t Mode);
    ~TFileStream() override;

    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t Size() override;
    // Throws EStreamError for a negative size, EWriteError when the file
    // cannot be resized.
    void SetSize(int64_t NewSize) override;

    // Hands buffered bytes to the system; throws EWriteError when it refuses
    // them (a full disk shows here, not in Write).
    void Flush();
    const QString& FileName() const { return FFileName; }

private:
    QFile FFile;
    QString FFileName;
    // fmOpenWrite opens the file read-write (QFile cannot open write-only
    // without truncating); reads are refused so the mode still means what it says.
    bool FCanRead = true;
};

} // namespace draxa
