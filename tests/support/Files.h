#pragma once
// Whole files as bytes, and what tells a rewritten file from an untouched one.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <sys/stat.h>

#include <optional>

inline bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Empty when the file cannot be read.
inline QByteArray ReadBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What a reader meets in place of a file: a FIFO no one writes to, an
// endless device, a file of 'bytes' bytes (sparse, so it costs no disk).
enum class TOddFile { Fifo, Device, Huge };
inline bool MakeOddFile(const QString& path, TOddFile kind, qint64 bytes = 0)
{
    switch (kind) {
    case TOddFile::Fifo:
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    case TOddFile::Device:
        return QFile::link(QStringLiteral("/dev/zero"), path);
    case TOddFile::Huge: {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.resize(bytes);
    }
    }
    return false;
}

// Inode and nanosecond modification time: a file replaced or written again
// shows a change at once, with no need to wait past a coarse clock.
struct TFileStamp {
    dev_t Device = 0;
    ino_t Inode = 0;
    time_t Seconds = 0;
    long Nanoseconds = 0;
    off_t Size = 0;
    bool operator==(const TFileStamp&) const = default;
};

inline std::optional<TFileStamp> StampOf(const QString& path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return TFileStamp{st.st_dev, st.st_ino, st.st_mtim.tv_sec, st.st_mtim.tv_nsec, st.st_size};
}
