// The drawings the store tests save, shared by the tests and the saving
// program they start: save number N is a blob whose every byte follows from
// N, so that reading it back tells which save it is and whether it arrived
// whole.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstring>

namespace draxa::test {

// Save number Seq: Size bytes (at least 16), Seq at both ends, noise from a
// generator seeded with Seq in between.
inline QByteArray SavedDrawing(int64_t Seq, int Size) {
    QByteArray Blob(Size < 16 ? 16 : Size, '\0');
    char* Data = Blob.data();
    std::memcpy(Data, &Seq, 8);
    uint64_t State = 0x9E3779B97F4A7C15ull ^ uint64_t(Seq);
    for (int I = 8; I < Blob.size() - 8; ++I) {
        State ^= State << 13;
        State ^= State >> 7;
        State ^= State << 17;
        Data[I] = char(State >> 24);
    }
    std::memcpy(Data + Blob.size() - 8, &Seq, 8);
    return Blob;
}

// The name save number Seq of the saver Tag gives its record.
inline QString SavedName(const QString& Tag, int64_t Seq) {
    return QStringLiteral("%1 %2").arg(Tag).arg(Seq);
}

// The save number a stored blob claims; -1 when it is not exactly the one
// SavedDrawing makes for that number and size (torn, mixed or foreign).
inline int64_t SaveNumberOf(const QByteArray& Blob) {
    if (Blob.size() < 16) return -1;
    int64_t Seq = 0;
    std::memcpy(&Seq, Blob.constData(), 8);
    return Blob == SavedDrawing(Seq, int(Blob.size())) ? Seq : -1;
}

} // namespace draxa::test
