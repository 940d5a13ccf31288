#pragma once
// settings.dat laid out by hand, apart from the program's own encoder: eleven
// little-endian int32 and one byte, 45 bytes in all.

#include <QByteArray>
#include <QtEndian>

#include <cstdint>
#include <initializer_list>

struct TStoredSettings {
    int32_t SlideDelay = 4, CloseExport = 0, Left = 0, Top = 0;
    int32_t R0 = 36, G0 = 16, B0 = 12, R1 = 26, G1 = 18, B1 = 8;
    int32_t Kind = 1;
    uint8_t Random = 0;
};

inline QByteArray EncodeStoredSettings(const TStoredSettings& s)
{
    QByteArray b;
    for (int32_t v : {s.SlideDelay, s.CloseExport, s.Left, s.Top, s.R0, s.G0, s.B0, s.R1, s.G1, s.B1, s.Kind}) {
        const qint32 le = qToLittleEndian<qint32>(v);
        b.append(reinterpret_cast<const char*>(&le), 4);
    }
    b.append(static_cast<char>(s.Random));
    return b;
}

// The int32 at 'offset'; bytes the array does not hold count as zero (a short
// file shows in its size, which the callers check).
inline int32_t StoredField(const QByteArray& b, int offset)
{
    uchar raw[4] = {};
    for (int i = 0; i < 4; ++i)
        if (offset + i >= 0 && offset + i < b.size())
            raw[i] = uchar(b[offset + i]);
    return qFromLittleEndian<qint32>(raw);
}
