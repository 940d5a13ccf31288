#pragma once
// What the tests of the writers' and the listings' limits build on: entries
// that are not plain files (FIFOs, device nodes), files named by raw bytes
// that need not be UTF-8, and a run without root's privileges. System calls
// only, so nothing here goes through the program's own name handling.

#include <QByteArray>

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <utility>

enum class TEntryKind { Fifo, Device };

// A FIFO, or a node of the null device (only root may make one); false when
// it cannot be made.
inline bool MakeEntry(const QByteArray& path, TEntryKind kind)
{
    if (kind == TEntryKind::Fifo)
        return ::mkfifo(path.constData(), 0666) == 0;
    return ::mknod(path.constData(), S_IFCHR | 0666, makedev(1, 3)) == 0;
}

// What a path names itself, a link not followed; all zero when it is missing.
struct TEntry {
    mode_t Type = 0;
    dev_t Device = 0;
    ino_t Inode = 0;
    bool operator==(const TEntry&) const = default;
};
inline TEntry EntryAt(const QByteArray& path)
{
    struct stat st;
    if (::lstat(path.constData(), &st) != 0)
        return {};
    return {mode_t(st.st_mode & S_IFMT), st.st_rdev, st.st_ino};
}

inline bool PutBytesAt(const QByteArray& path, const QByteArray& bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && ok;
}

// Removes a file on leaving the scope, also when a check fails: Qt's removal
// of a temporary folder cannot see a name that is not UTF-8.
class TRemovedAtEnd {
public:
    explicit TRemovedAtEnd(QByteArray path) : Path(std::move(path)) {}
    ~TRemovedAtEnd() { ::unlink(Path.constData()); }
    TRemovedAtEnd(const TRemovedAtEnd&) = delete;
    TRemovedAtEnd& operator=(const TRemovedAtEnd&) = delete;

private:
    QByteArray Path;
};

// Empty when the file cannot be read.
inline std::optional<QByteArray> BytesAt(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    QByteArray bytes;
    char chunk[4096];
    ssize_t n;
    while ((n = ::read(fd, chunk, sizeof chunk)) > 0)
        bytes.append(chunk, n);
    ::close(fd);
    return bytes;
}

// Runs `act` as a user without privileges: as root, in a child process that
// has become "nobody" (root may create files in any folder); otherwise in
// this process. Empty when root cannot drop its privileges here.
inline std::optional<bool> AsUnprivileged(const std::function<bool()>& act)
{
    if (::geteuid() != 0)
        return act();
    const pid_t child = ::fork();
    if (child < 0)
        return std::nullopt;
    if (child == 0) {
        const bool dropped = ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
        ::_exit(!dropped ? 2 : act() ? 0 : 1);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
        if (errno != EINTR)
            return std::nullopt;
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 2)
        return std::nullopt;
    return WEXITSTATUS(status) == 0;
}
