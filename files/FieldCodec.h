#pragma once
// Little-endian fields one after another, no padding: the layout of every
// binary file of the program.

#include <QByteArray>
#include <QtEndian>

#include <cstring>
#include <type_traits>

// Reads fields in order; a field the bytes do not hold in full is left as it
// was (the caller decides what "as it was" means: a zeroed record, the state).
class TFieldReader {
public:
    explicit TFieldReader(const QByteArray& bytes) : Bytes(bytes) {}
    template <typename T>
    TFieldReader& operator>>(T& value)
    {
        static_assert(std::is_arithmetic_v<T>);
        if (Pos + qsizetype(sizeof(T)) <= Bytes.size()) {
            T raw;
            std::memcpy(&raw, Bytes.constData() + Pos, sizeof(T));
            value = qFromLittleEndian(raw);
        }
        Pos += sizeof(T);
        return *this;
    }

private:
    const QByteArray& Bytes;
    qsizetype Pos = 0;
};

class TFieldWriter {
public:
    template <typename T>
    TFieldWriter& operator<<(T value)
    {
        static_assert(std::is_arithmetic_v<T>);
        const T le = qToLittleEndian(value);
        Bytes.append(reinterpret_cast<const char*>(&le), sizeof(T));
        return *this;
    }
    QByteArray Bytes;
};
