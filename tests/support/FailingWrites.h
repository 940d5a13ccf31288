#pragma once
// Makes the system's file writes fail on demand, as a full disk or a failing
// device does. Include it in exactly one source file of a test executable: it
// replaces write, fsync, fdatasync, rename and linkat for the whole process
// and passes every call through until armed. Only regular files past the
// standard streams are affected, so the test's own output still flows.

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FailingWrites {

enum class TStep { None, Write, Sync, Commit };

inline std::atomic<TStep> Armed{TStep::None};
inline std::atomic<long long> Budget{0};  // bytes the disk still takes

// Until disarmed: regular files take `bytes` more bytes in all (a short
// write at the edge), then every write fails with ENOSPC.
inline void FailWritesAfter(long long bytes)
{
    Budget = bytes;
    Armed = TStep::Write;
}
inline void FailSync() { Armed = TStep::Sync; }      // fsync, fdatasync: EIO
inline void FailCommit() { Armed = TStep::Commit; }  // rename, linkat: EIO
inline void Disarm() { Armed = TStep::None; }

// Disarms on leaving the scope, also when a check fails.
struct TScope {
    TScope() = default;
    TScope(const TScope&) = delete;
    ~TScope() { Disarm(); }
};

template <typename F>
F Next(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

inline bool Affects(int fd)
{
    struct stat st;
    return fd > 2 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

inline int Refuse(int error)
{
    errno = error;
    return -1;
}

}  // namespace FailingWrites

extern "C" ssize_t write(int fd, const void* data, size_t size)
{
    using namespace FailingWrites;
    static const auto next = Next<ssize_t (*)(int, const void*, size_t)>("write");
    if (Armed != TStep::Write || !Affects(fd))
        return next(fd, data, size);
    const long long left = Budget;
    if (left <= 0)
        return Refuse(ENOSPC);
    const ssize_t n = next(fd, data, size_t(std::min<long long>(left, (long long)size)));
    if (n > 0)
        Budget -= n;
    return n;
}

extern "C" int fsync(int fd)
{
    using namespace FailingWrites;
    static const auto next = Next<int (*)(int)>("fsync");
    return Armed == TStep::Sync && Affects(fd) ? Refuse(EIO) : next(fd);
}

extern "C" int fdatasync(int fd)
{
    using namespace FailingWrites;
    static const auto next = Next<int (*)(int)>("fdatasync");
    return Armed == TStep::Sync && Affects(fd) ? Refuse(EIO) : next(fd);
}

extern "C" int rename(const char* from, const char* to)
{
    using namespace FailingWrites;
    static const auto next = Next<int (*)(const char*, const char*)>("rename");
    return Armed == TStep::Commit ? Refuse(EIO) : next(from, to);
}

extern "C" int linkat(int fromDir, const char* from, int toDir, const char* to, int flags)
{
    using namespace FailingWrites;
    static const auto next = Next<int (*)(int, const char*, int, const char*, int)>("linkat");
    return Armed == TStep::Commit ? Refuse(EIO) : next(fromDir, from, toDir, to, flags);
}
