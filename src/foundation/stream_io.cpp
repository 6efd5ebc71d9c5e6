#include "foundation/stream_io.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>

namespace draxa {

namespace {

// Unsigned little-endian integer of N bytes.
template <int N> uint64_t ReadLE(TStream& S) {
    uint8_t B[N];
    S.ReadBuffer(B, N);
    uint64_t V = 0;
    for (int I = N - 1; I >= 0; --I) V = (V << 8) | B[I];
    return V;
}

template <int N> void WriteLE(TStream& S, uint64_t V) {
    uint8_t B[N];
    for (int I = 0; I < N; ++I) B[I] = static_cast<uint8_t>(V >> (8 * I));
    S.WriteBuffer(B, N);
}

int CountLeadingZeros64(uint64_t V) {
    if (V == 0) return 64;
    int N = 0;
    for (int Step = 32; Step > 0; Step /= 2) {
        if ((V >> (64 - Step)) == 0) {
            N += Step;
            V <<= Step;
        }
    }
    return N;
}

constexpr int ExtendedBias = 16383;
constexpr uint64_t IntegerBit = uint64_t(1) << 63;

// Windows-1252 for 0x80..0x9F; the rest of the code page is Latin-1. The five
// bytes the code page leaves undefined map to the C1 control of the same value.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Well-formed UTF-8 as Unicode defines it: no overlong forms, no surrogates,
// nothing above U+10FFFF, no truncated sequence.
bool IsValidUtf8(const QByteArray& Bytes) {
    const auto* P = reinterpret_cast<const uint8_t*>(Bytes.constData());
    const auto* End = P + Bytes.size();
    while (P < End) {
        const uint8_t C = *P++;
        if (C < 0x80) continue;
        int Trail;
        uint8_t Lo = 0x80, Hi = 0xBF; // allowed range of the first trailing byte
        if (C >= 0xC2 && C <= 0xDF) {
            Trail = 1;
        } else if (C >= 0xE0 && C <= 0xEF) {
            Trail = 2;
            if (C == 0xE0) Lo = 0xA0;
            if (C == 0xED) Hi = 0x9F;
        } else if (C >= 0xF0 && C <= 0xF4) {
            Trail = 3;
            if (C == 0xF0) Lo = 0x90;
            if (C == 0xF4) Hi = 0x8F;
        } else {
            return false;
        }
        if (End - P < Trail) return false;
        if (P[0] < Lo || P[0] > Hi) return false;
        for (int I = 1; I < Trail; ++I)
            if ((P[I] & 0xC0) != 0x80) return false;
        P += Trail;
    }
    return true;
}

QString DecodeWindows1252(const QByteArray& Bytes) {
    QString Text(Bytes.size(), Qt::Uninitialized);
    QChar* Out = Text.data();
    for (qsizetype I = 0; I < Bytes.size(); ++I) {
        const auto B = static_cast<uint8_t>(Bytes[I]);
        Out[I] = (B >= 0x80 && B <= 0x9F) ? QChar(Cp1252High[B - 0x80]) : QChar(B);
    }
    return Text;
}

// The length of the longest prefix of at most Limit bytes that ends on a
// character boundary of the UTF-8 in Bytes.
qsizetype Utf8PrefixLength(const QByteArray& Bytes, qsizetype Limit) {
    if (Bytes.size() <= Limit) return Bytes.size();
    qsizetype N = Limit;
    while (N > 0 && (static_cast<uint8_t>(Bytes[N]) & 0xC0) == 0x80) --N;
    return N;
}

} // namespace

// ---------------------------------------------------------------------------
// Numbers

void WriteByte(TStream& S, uint8_t Value) {
    S.WriteBuffer(&Value, 1);
}

uint8_t ReadByte(TStream& S) {
    uint8_t Value;
    S.ReadBuffer(&Value, 1);
    return Value;
}

void WriteInt16(TStream& S, int16_t Value) {
    WriteLE<2>(S, static_cast<uint16_t>(Value));
}
int16_t ReadInt16(TStream& S) {
    return static_cast<int16_t>(static_cast<uint16_t>(ReadLE<2>(S)));
}

void WriteInt32(TStream& S, int32_t Value) {
    WriteLE<4>(S, static_cast<uint32_t>(Value));
}
int32_t ReadInt32(TStream& S) {
    return static_cast<int32_t>(static_cast<uint32_t>(ReadLE<4>(S)));
}

void WriteUInt32(TStream& S, uint32_t Value) {
    WriteLE<4>(S, Value);
}
uint32_t ReadUInt32(TStream& S) {
    return static_cast<uint32_t>(ReadLE<4>(S));
}

void WriteInt64(TStream& S, int64_t Value) {
    WriteLE<8>(S, static_cast<uint64_t>(Value));
}
int64_t ReadInt64(TStream& S) {
    return static_cast<int64_t>(ReadLE<8>(S));
}

void WriteBoolean(TStream& S, bool Value) {
    WriteByte(S, Value ? 1 : 0);
}
bool ReadBoolean(TStream& S) {
    return ReadByte(S) != 0;
}

void WriteSingle(TStream& S, float Value) {
    uint32_t Bits;
    std::memcpy(&Bits, &Value, 4);
    WriteLE<4>(S, Bits);
}

float ReadSingle(TStream& S) {
    const auto Bits = static_cast<uint32_t>(ReadLE<4>(S));
    float Value;
    std::memcpy(&Value, &Bits, 4);
    return Value;
}

void WriteDouble(TStream& S, double Value) {
    uint64_t Bits;
    std::memcpy(&Bits, &Value, 8);
    WriteLE<8>(S, Bits);
}

double ReadDouble(TStream& S) {
    const uint64_t Bits = ReadLE<8>(S);
    double Value;
    std::memcpy(&Value, &Bits, 8);
    return Value;
}

// ---------------------------------------------------------------------------
// Extended

TExtendedBytes EncodeExtended(double Value) {
    static_assert(std::numeric_limits<double>::is_iec559, "double must be IEEE 754 binary64");
    uint64_t Bits;
    std::memcpy(&Bits, &Value, 8);
    const bool Negative = (Bits >> 63) != 0;
    const int Exponent = static_cast<int>((Bits >> 52) & 0x7FF);
    const uint64_t Fraction = Bits & ((uint64_t(1) << 52) - 1);

    uint64_t Significand = 0;
    int Biased = 0;
    if (Exponent == 0x7FF) {
        // Infinity keeps only the integer bit; a NaN keeps its payload, so the
        // quiet bit lands on the quiet bit.
        Biased = 0x7FFF;
        Significand = IntegerBit | (Fraction << 11);
    } else if (Exponent == 0) {
        if (Fraction != 0) {
            // A subnormal double is a normal extended: value = Fraction * 2^-1074.
            const int Shift = CountLeadingZeros64(Fraction);
            Significand = Fraction << Shift;
            Biased = ExtendedBias + 63 - 1074 - Shift;
        }
    } else {
        Significand = IntegerBit | (Fraction << 11);
        Biased = Exponent - 1023 + ExtendedBias;
    }

    TExtendedBytes Out{};
    for (int I = 0; I < 8; ++I) Out[I] = static_cast<uint8_t>(Significand >> (8 * I));
    const uint16_t SignExponent = static_cast<uint16_t>((Negative ? 0x8000 : 0) | Biased);
    Out[8] = static_cast<uint8_t>(SignExponent);
    Out[9] = static_cast<uint8_t>(SignExponent >> 8);
    return Out;
}

// The integer bit is taken at face value: at the top exponent a zero fraction
// is an infinity and anything else a NaN; elsewhere the value is
// Significand * 2^(Exponent - 16383 - 63), with exponent 0 counting as 1. So
// unnormals and pseudo-denormals (which x87 hardware never stores) read as the
// number their bits describe instead of failing the whole document.
float DecodeExtended(const TExtendedBytes& Bytes) {
    static_assert(std::numeric_limits<float>::is_iec559, "float must be IEEE 754 binary32");
    uint64_t Significand = 0;
    for (int I = 7; I >= 0; --I) Significand = (Significand << 8) | Bytes[I];
    const int SignExponent = Bytes[8] | (Bytes[9] << 8);
    const uint32_t Sign = (SignExponent & 0x8000) ? 0x80000000u : 0u;
    const int Biased = SignExponent & 0x7FFF;

    uint32_t Result;
    if (Biased == 0x7FFF) {
        const uint64_t Fraction = Significand & ~IntegerBit;
        if (Fraction == 0) {
            Result = 0x7F800000u;
        } else {
            // Keep the top of the payload; the quiet bit makes it a NaN even
            // when only low payload bits were set.
            Result = 0x7FC00000u | static_cast<uint32_t>((Fraction >> 40) & 0x7FFFFF);
        }
    } else if (Significand == 0) {
        Result = 0;
    } else {
        // Value = Significand * 2^Scale; normalise so the top bit is set.
        const int Lead = CountLeadingZeros64(Significand);
        Significand <<= Lead;
        const int Scale = std::max(Biased, 1) - ExtendedBias - 63 - Lead;
        const int Exponent = Scale + 63; // value lies in [2^Exponent, 2^(Exponent+1))
        if (Exponent > 127) {
            Result = 0x7F800000u;
        } else {
            // Quantum of the result: 2^(Exponent-23) for normals, 2^-149 below.
            const int QuantumExp = std::max(Exponent, -126) - 23;
            const int Shift = QuantumExp - Scale; // >= 40
            uint64_t Q;
            if (Shift > 64) {
                Q = 0; // less than half the smallest subnormal
            } else {
                Q = Shift < 64 ? Significand >> Shift : 0;
                const uint64_t Rest = Shift < 64 ? Significand & ((uint64_t(1) << Shift) - 1) : Significand;
                const uint64_t Half = uint64_t(1) << (Shift - 1);
                if (Rest > Half || (Rest == Half && (Q & 1))) ++Q;
            }
            if (Exponent < -126) {
                // Subnormal: Q counts 2^-149; Q == 2^23 is the smallest normal,
                // which the same bit pattern already encodes.
                Result = static_cast<uint32_t>(Q);
            } else {
                // Q in [2^23, 2^24]: adding it carries the integer bit into the
                // exponent field (hence the -1), and a rounding carry moves to
                // the next binade or to infinity by itself.
                Result = (static_cast<uint32_t>(Exponent + 126) << 23) + static_cast<uint32_t>(Q);
                if (Result > 0x7F800000u) Result = 0x7F800000u;
            }
        }
    }
    Result |= Sign;
    float Value;
    std::memcpy(&Value, &Result, 4);
    return Value;
}

void WriteExtended(TStream& S, double Value) {
    const TExtendedBytes Bytes = EncodeExtended(Value);
    S.WriteBuffer(Bytes.data(), static_cast<int64_t>(Bytes.size()));
}

float ReadExtended(TStream& S) {
    TExtendedBytes Bytes;
    S.ReadBuffer(Bytes.data(), static_cast<int64_t>(Bytes.size()));
    return DecodeExtended(Bytes);
}

// ---------------------------------------------------------------------------
// Texts

QByteArray EncodeDocumentText(const QString& Text) {
    return Text.toUtf8();
}

QString DecodeDocumentText(const QByteArray& Bytes) {
    return IsValidUtf8(Bytes) ? QString::fromUtf8(Bytes) : DecodeWindows1252(Bytes);
}

void WriteCountedText(TStream& S, const QString& Text) {
    const QByteArray Bytes = EncodeDocumentText(Text);
    const qsizetype N = Utf8PrefixLength(Bytes, 255);
    WriteInt32(S, static_cast<int32_t>(N));
    S.WriteBuffer(Bytes.constData(), N);
}

QString ReadCountedText(TStream& S) {
    const int32_t N = ReadInt32(S);
    const int Length = static_cast<int>(static_cast<uint32_t>(N) & 0xFF);
    if (Length == 0) return {};
    // Every shape has several of these texts: read without an allocation.
    char Buffer[255];
    S.ReadBuffer(Buffer, Length);
    const QByteArray Bytes = QByteArray::fromRawData(Buffer, Length);
    // Valid UTF-8 is saved again byte for byte, so it fits as it is.
    if (IsValidUtf8(Bytes)) return QString::fromUtf8(Bytes);
    const QString Text = DecodeWindows1252(Bytes);
    // Single-byte text from elsewhere may take more than 255 bytes as UTF-8.
    // It is cut now to what a counted text can carry, so that the drawing
    // holds what saving it will write: two keys that differ only further on
    // are one key, here as in every saved copy.
    const QByteArray Utf8 = EncodeDocumentText(Text);
    if (Utf8.size() <= 255) return Text;
    return QString::fromUtf8(Utf8.constData(), Utf8PrefixLength(Utf8, 255));
}

void WriteFixedText(TStream& S, const QString& Text, int Width) {
    if (Width <= 0) return;
    QByteArray Bytes = EncodeDocumentText(Text);
    Bytes.truncate(Utf8PrefixLength(Bytes, Width));
    Bytes.append(Width - Bytes.size(), ' ');
    S.WriteBuffer(Bytes.constData(), Width);
}

QString ReadFixedText(TStream& S, int Width) {
    if (Width <= 0) return {};
    // Every shape's class name is one of these: short ones are read without
    // an allocation.
    char Small[64];
    QByteArray Large;
    char* Bytes = Small;
    if (Width > int(sizeof Small)) {
        Large.resize(Width);
        Bytes = Large.data();
    }
    S.ReadBuffer(Bytes, Width);
    // Blanks and control characters are single bytes in both decodings, so
    // trimming the bytes trims the text.
    int Begin = 0, End = Width;
    while (Begin < End && static_cast<uint8_t>(Bytes[Begin]) <= 0x20) ++Begin;
    while (End > Begin && static_cast<uint8_t>(Bytes[End - 1]) <= 0x20) --End;
    return DecodeDocumentText(QByteArray::fromRawData(Bytes + Begin, End - Begin));
}

// ---------------------------------------------------------------------------
// Checked counts

int32_t ReadCount(TStream& S, int64_t ElementSize) {
    if (ElementSize < 0) throw std::invalid_argument("ReadCount: negative element size");
    const int32_t Count = ReadInt32(S);
    const int64_t Left = S.Remaining();
    // Division instead of Count * ElementSize: an element size from a caller
    // may be large enough to overflow the product.
    const bool Fits = Count >= 0 && (ElementSize == 0 || Count <= Left / ElementSize);
    if (!Fits)
        throw EReadError("Stream read error: count " + std::to_string(Count) + " of " +
                         std::to_string(ElementSize) + "-byte elements cannot fit in the remaining " +
                         std::to_string(Left) + " bytes");
    return Count;
}

void RequireBytes(TStream& S, int64_t Count) {
    const int64_t Left = S.Remaining();
    if (Count < 0 || Count > Left)
        throw EReadError("Stream read error: " + std::to_string(Count) +
                         " bytes cannot fit in the remaining " + std::to_string(Left) + " bytes");
}

// ---------------------------------------------------------------------------
// Decode budget

namespace {
thread_local TDecodeBudget* CurrentBudget = nullptr;
} // namespace

TDecodeBudget::TDecodeBudget(int64_t Limit) : FLimit(std::max<int64_t>(Limit, 0)), FOuter(CurrentBudget) {
    CurrentBudget = this;
}

TDecodeBudget::~TDecodeBudget() {
    CurrentBudget = FOuter;
}

TDecodeBudget* TDecodeBudget::Current() {
    return CurrentBudget;
}

void TDecodeBudget::Take(int64_t Bytes, const char* What) {
    if (Bytes < 0 || Bytes > FLimit - FUsed)
        throw EReadError(std::string("Stream read error: ") + What + " would take " + std::to_string(Bytes) +
                         " bytes of memory, more than the " + std::to_string(FLimit - FUsed) + " of the " +
                         std::to_string(FLimit >> 20) + " MiB a document may decode into that are left");
    FUsed += Bytes;
}

void TDecodeBudget::GiveBack(int64_t Bytes) {
    FUsed = std::max<int64_t>(0, FUsed - std::max<int64_t>(Bytes, 0));
}

void ChargeDecodeBudget(int64_t Bytes, const char* What) {
    if (TDecodeBudget* B = TDecodeBudget::Current()) B->Take(Bytes, What);
}

} // namespace draxa
