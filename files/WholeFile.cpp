#include "files/WholeFile.h"

#include "files/NativeFiles.h"

#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Gathers small puts into large writes straight to the descriptor, so each
// count checked is the system's own.
class TFdSink final : public TFileSink {
public:
    explicit TFdSink(int fd) : Fd(fd) { Buffer.reserve(Chunk); }

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
        // resize, not clear: clear frees the buffer, and each chunk of a big
        // file would fault in fresh pages.
        Buffer.resize(0);
        return ok;
    }

    off_t Written() const { return Total; }

private:
    static constexpr qsizetype Chunk = 1 << 20;

    bool Write(const char* data, qsizetype size)
    {
        while (size > 0 && !Failed) {
            const ssize_t n = ::write(Fd, data, size_t(size));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                Failed = true;
                break;
            }
            data += n;
            size -= n;
            Total += n;
        }
        return !Failed;
    }

    int Fd;
    QByteArray Buffer;
    off_t Total = 0;
    bool Failed = false;
};

// A file system that cannot sync (EINVAL, EROFS on some special ones; pipes
// and devices) has nothing more to report; any other error means the bytes
// may not be there.
bool SyncToDisk(int fd)
{
    int r;
    do
        r = ::fsync(fd);
    while (r != 0 && errno == EINTR);
    return r == 0 || errno == EINVAL || errno == EROFS;
}

bool CloseChecked(int fd)
{
    return ::close(fd) == 0 || errno == EINTR;
}

// The file a path writes: links followed to their end, a relative target
// taken in its link's folder. A dangling link gives the file it would make;
// empty on a loop or an unreadable link.
QByteArray FinalPath(QByteArray path)
{
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st;
        if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        QByteArray target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.constData(), target.data(), size_t(target.size()));
        if (n <= 0 || n >= target.size())
            return {};
        target.truncate(n);
        const qsizetype slash = path.lastIndexOf('/');
        if (!target.startsWith('/') && slash >= 0)
            target.prepend(path.left(slash + 1));
        path = target;
    }
    return {};
}

// The new file keeps the old one's owner, group and permissions where the
// system lets it (root rewriting a user's file leaves it the user's; a user
// may keep a group of their own); elsewhere it is the writer's.
void KeepOwnerAndMode(int fd, const struct stat& old)
{
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
        [[maybe_unused]] const bool kept =
            ::fchown(fd, old.st_uid, old.st_gid) == 0 || ::fchown(fd, uid_t(-1), old.st_gid) == 0;
    }
    [[maybe_unused]] const bool moded = ::fchmod(fd, old.st_mode & 07777) == 0;
}

enum class TReplaced { Yes, No, FolderClosed };

// Into a new file beside `final`, synced, then renamed over it. FolderClosed
// when the folder lets no file be made.
TReplaced ReplaceWhole(const QByteArray& final, const struct stat* old, const std::function<bool(TFileSink&)>& produce)
{
    QByteArray temp;
    int fd = -1;
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && fd < 0 && (error == EEXIST || error == EINTR); ++attempt) {
        temp = final + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
        error = errno;
    }
    if (fd < 0)
        return error == EACCES || error == EPERM ? TReplaced::FolderClosed : TReplaced::No;
    if (old)
        KeepOwnerAndMode(fd, *old);
    TFdSink sink(fd);
    bool ok = produce(sink) && sink.Drain() && SyncToDisk(fd);
    ok = CloseChecked(fd) && ok;
    // Only a regular file is replaced, also one that appeared meanwhile.
    struct stat now;
    ok = ok && (::lstat(final.constData(), &now) == 0 ? S_ISREG(now.st_mode) : errno == ENOENT);
    if (ok && ::rename(temp.constData(), final.constData()) == 0)
        return TReplaced::Yes;
    ::unlink(temp.constData());
    return TReplaced::No;
}

// Over an existing file itself: a regular file in place, as the writers did
// before the temporary file, or a device or FIFO as Unix tools write into
// one. A regular file keeps its old bytes until the new ones cover them and
// is cut to the new length at the end.
bool WriteInto(const QByteArray& path, int flags, bool regularOnly, const std::function<bool(TFileSink&)>& produce)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC | flags);
    if (fd < 0)
        return false;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && (S_ISREG(st.st_mode) || !regularOnly);
    TFdSink sink(fd);
    ok = ok && produce(sink) && sink.Drain();
    if (ok && S_ISREG(st.st_mode))
        ok = ::ftruncate(fd, sink.Written()) == 0;
    ok = ok && SyncToDisk(fd);
    return CloseChecked(fd) && ok;
}

}  // namespace

bool WriteFileWhole(const QString& path, const std::function<bool(TFileSink&)>& produce, TWriteTarget target)
{
    const QByteArray native = NativePath(path);
    if (!IsUsablePath(native))
        return false;
    struct stat st;
    const bool exists = ::stat(native.constData(), &st) == 0;
    if (!exists && errno != ENOENT)
        return false;
    if (exists && !S_ISREG(st.st_mode)) {
        // A folder, device, FIFO or socket of that name stays as it is.
        if (target != TWriteTarget::AnyFile || S_ISDIR(st.st_mode))
            return false;
        return WriteInto(native, 0, false, produce);
    }
    const QByteArray final = FinalPath(native);
    if (final.isEmpty())
        return false;
    switch (ReplaceWhole(final, exists ? &st : nullptr, produce)) {
    case TReplaced::Yes:
        return true;
    case TReplaced::FolderClosed:
        // The user may write the file but make none beside it.
        return exists && WriteInto(final, O_NOFOLLOW | O_NONBLOCK, true, produce);
    case TReplaced::No:
        break;
    }
    return false;
}

bool WriteFileWhole(const QString& path, const QByteArray& bytes, TWriteTarget target)
{
    return WriteFileWhole(path, [&bytes](TFileSink& sink) { return sink.Put(bytes); }, target);
}

bool WriteToDescriptor(int fd, const std::function<bool(TFileSink&)>& produce)
{
    TFdSink sink(fd);
    return produce(sink) && sink.Drain();
}
