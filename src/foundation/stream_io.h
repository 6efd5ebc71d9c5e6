// The binary encodings of documents and shape records: little-endian numbers
// (on every host), the 10-byte extended real of older documents, counted and
// fixed-width texts, and checked counts.
//
// Every reader reads exactly the bytes of its value and throws EReadError when
// the stream ends first.
#pragma once

#include "foundation/streams.h"

#include <array>
#include <cstdint>
#include <QByteArray>
#include <QString>

namespace draxa {

// Integers: two's complement, little-endian. Byte: 1 byte.
void WriteByte(TStream& S, uint8_t Value);
uint8_t ReadByte(TStream& S);
void WriteInt16(TStream& S, int16_t Value);
int16_t ReadInt16(TStream& S);
void WriteInt32(TStream& S, int32_t Value);
int32_t ReadInt32(TStream& S);
void WriteUInt32(TStream& S, uint32_t Value);
uint32_t ReadUInt32(TStream& S);
void WriteInt64(TStream& S, int64_t Value);
int64_t ReadInt64(TStream& S);

// Boolean: one byte written as 0 or 1; any non-zero byte reads as true.
void WriteBoolean(TStream& S, bool Value);
bool ReadBoolean(TStream& S);

// IEEE 754 binary32 / binary64, little-endian, bit patterns kept (NaN payloads too).
void WriteSingle(TStream& S, float Value);
float ReadSingle(TStream& S);
void WriteDouble(TStream& S, double Value);
double ReadDouble(TStream& S);

// Extended: the 80-bit x87 format in 10 bytes, little-endian: a 64-bit
// significand whose top bit is the integer bit, then the sign and the 15-bit
// biased exponent. Writing is exact for every double; reading rounds to the
// nearest float (halves to even), overflowing to +-inf. The converters do not
// depend on the host's long double.
using TExtendedBytes = std::array<uint8_t, 10>;
TExtendedBytes EncodeExtended(double Value);
float DecodeExtended(const TExtendedBytes& Bytes);
void WriteExtended(TStream& S, double Value);
float ReadExtended(TStream& S);

// Document texts are byte strings: written as UTF-8, read as UTF-8 when the
// bytes are valid UTF-8 and as Windows-1252 otherwise.
QByteArray EncodeDocumentText(const QString& Text);
QString DecodeDocumentText(const QByteArray& Bytes);

// Counted text: Int32 length N, then N bytes. A text longer than 255 bytes is
// written as its first 255 bytes cut back to a character boundary, with the
// length actually written. A reader reads (N mod 256) bytes, whatever N holds,
// and cuts a Windows-1252 text the same way when its UTF-8 would not fit.
void WriteCountedText(TStream& S, const QString& Text);
QString ReadCountedText(TStream& S);

// Fixed text of Width bytes: the text's bytes cut to Width at a character
// boundary, padded with blanks (0x20). Reading takes exactly Width bytes and
// trims blanks and control characters (< 0x20, NUL included) from both ends.
// A Width <= 0 writes and reads nothing.
void WriteFixedText(TStream& S, const QString& Text, int Width);
QString ReadFixedText(TStream& S, int Width);

// Reads an Int32 element count and checks that Count elements of at least
// ElementSize bytes each fit in the rest of the stream; throws EReadError
// ("... count N cannot fit in the remaining M bytes") for a negative or
// oversized count, so that no caller allocates for a lie. ElementSize 0 (for
// elements that take no bytes) only rejects negative counts; a negative
// ElementSize is a programming error (std::invalid_argument).
int32_t ReadCount(TStream& S, int64_t ElementSize);
// Throws EReadError unless Count (>= 0) bytes remain after the position.
void RequireBytes(TStream& S, int64_t Count);

// The memory a whole document may decode into beyond its own bytes: its
// pictures as 24-bit pixels, and point lists that old formats count without
// storing them. A picture alone is at most 2^24 pixels (48 MiB); a document
// of many pictures stops here, whatever its pictures claim.
constexpr int64_t DocumentDecodeBudget = int64_t(256) << 20;

// A budget for the memory one read may decode into, in bytes. While a budget
// lives, the readers of this thread charge it before they allocate and fail
// the read (EReadError) when it is spent; without one they only keep to
// their own limits. Budgets nest: the innermost one counts.
class TDecodeBudget {
public:
    explicit TDecodeBudget(int64_t Limit = DocumentDecodeBudget);
    ~TDecodeBudget();
    TDecodeBudget(const TDecodeBudget&) = delete;
    TDecodeBudget& operator=(const TDecodeBudget&) = delete;

    // The budget of the running read, or nullptr.
    static TDecodeBudget* Current();
    // Takes Bytes (>= 0) from the budget, or throws EReadError naming What
    // and takes nothing when they are not left.
    void Take(int64_t Bytes, const char* What);
    // Returns bytes taken for something that was not kept after all.
    void GiveBack(int64_t Bytes);
    int64_t Used() const { return FUsed; }
    int64_t Limit() const { return FLimit; }

private:
    int64_t FLimit;
    int64_t FUsed = 0;
    TDecodeBudget* FOuter;
};

// Takes Bytes from the current budget, if there is one (see Take).
void ChargeDecodeBudget(int64_t Bytes, const char* What);

} // namespace draxa
