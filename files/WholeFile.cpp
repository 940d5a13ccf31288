#include "files/WholeFile.h"

#include <QSaveFile>

#include <cerrno>
#include <unistd.h>

namespace {

// Gathers small puts into large writes. The file is unbuffered, so each write
// reaches the system at once and its count is the system's own: Qt's buffered
// mode reports a failed final flush nowhere a caller can see.
class TSaveFileSink final : public TFileSink {
public:
    explicit TSaveFileSink(QSaveFile& file) : File(file) { Buffer.reserve(Chunk); }

    bool Put(const char* data, qsizetype size) override
    {
        if (Failed)
            return false;
        if (Buffer.size() + size > Chunk && !Drain())
            return false;
        if (size >= Chunk)
            return Write(data, size);
        Buffer.append(data, size);
        return true;
    }

    bool Drain()
    {
        if (Failed)
            return false;
        const bool ok = Write(Buffer.constData(), Buffer.size());
        Buffer.clear();
        return ok;
    }

private:
    static constexpr qsizetype Chunk = 1 << 20;

    bool Write(const char* data, qsizetype size)
    {
        if (size > 0 && File.write(data, size) != size)
            Failed = true;
        return !Failed;
    }

    QSaveFile& File;
    QByteArray Buffer;
    bool Failed = false;
};

// A file system that cannot sync (EINVAL, EROFS on some special ones) has
// nothing more to report; any other error means the bytes may not be there.
bool SyncToDisk(int fd)
{
    int r;
    do
        r = ::fsync(fd);
    while (r != 0 && errno == EINTR);
    return r == 0 || errno == EINVAL || errno == EROFS;
}

}  // namespace

bool WriteFileWhole(const QString& path, const std::function<bool(TFileSink&)>& produce)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    TSaveFileSink sink(file);
    if (!produce(sink) || !sink.Drain() || !file.flush() || !SyncToDisk(file.handle())) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool WriteFileWhole(const QString& path, const QByteArray& bytes)
{
    return WriteFileWhole(path, [&bytes](TFileSink& sink) { return sink.Put(bytes); });
}
