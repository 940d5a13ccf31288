#include "files/NativeFiles.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char16_t EscapeBase = 0xDC00;

// The code point of a valid UTF-8 sequence at bytes[i], and its length;
// length 0 when the sequence is not valid (overlong, a surrogate, beyond
// U+10FFFF, cut short).
int Utf8At(const QByteArray& bytes, qsizetype i, char32_t& cp)
{
    const auto b = uchar(bytes[i]);
    int length;
    char32_t least;
    if (b < 0x80) {
        cp = b;
        return 1;
    }
    if ((b & 0xE0) == 0xC0) {
        length = 2, cp = b & 0x1F, least = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        length = 3, cp = b & 0x0F, least = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        length = 4, cp = b & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (i + length > bytes.size())
        return 0;
    for (int k = 1; k < length; ++k) {
        const auto c = uchar(bytes[i + k]);
        if ((c & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return length;
}

void AppendUtf8(QByteArray& out, char32_t cp)
{
    if (cp < 0x80) {
        out.append(char(cp));
    } else if (cp < 0x800) {
        out.append(char(0xC0 | (cp >> 6)));
        out.append(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.append(char(0xE0 | (cp >> 12)));
        out.append(char(0x80 | ((cp >> 6) & 0x3F)));
        out.append(char(0x80 | (cp & 0x3F)));
    } else {
        out.append(char(0xF0 | (cp >> 18)));
        out.append(char(0x80 | ((cp >> 12) & 0x3F)));
        out.append(char(0x80 | ((cp >> 6) & 0x3F)));
        out.append(char(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

bool IsUsablePath(const QByteArray& native)
{
    return !native.isEmpty() && !native.contains('\0');
}

QString DecodeFileName(const QByteArray& bytes)
{
    QString name;
    name.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        char32_t cp = 0;
        const int length = Utf8At(bytes, i, cp);
        if (length == 0) {
            name.append(QChar(char16_t(EscapeBase + uchar(bytes[i]))));
            ++i;
            continue;
        }
        if (QChar::requiresSurrogates(cp)) {
            name.append(QChar(QChar::highSurrogate(cp)));
            name.append(QChar(QChar::lowSurrogate(cp)));
        } else {
            name.append(QChar(char16_t(cp)));
        }
        i += length;
    }
    return name;
}

QByteArray NativePath(const QString& path)
{
    QByteArray out;
    out.reserve(path.size());
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t u = path[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < path.size() && path[i + 1].isLowSurrogate()) {
            AppendUtf8(out, QChar::surrogateToUcs4(u, path[i + 1].unicode()));
            ++i;
        } else if (u >= EscapeBase + 0x80 && u <= EscapeBase + 0xFF) {
            out.append(char(u - EscapeBase));
        } else if (QChar::isSurrogate(u)) {
            AppendUtf8(out, QChar::ReplacementCharacter);  // no name decodes to it
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

QStringList FolderEntries(const QString& folder)
{
    QStringList names;
    const QByteArray native = NativePath(folder);
    DIR* dir = IsUsablePath(native) ? ::opendir(native.constData()) : nullptr;
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(DecodeFileName(name));
    }
    ::closedir(dir);
    return names;
}

qint64 RegularFileSize(const QString& path)
{
    const QByteArray native = NativePath(path);
    struct stat st;
    return IsUsablePath(native) && ::stat(native.constData(), &st) == 0 && S_ISREG(st.st_mode) ? st.st_size : -1;
}

bool IsRegularFile(const QString& path)
{
    return RegularFileSize(path) >= 0;
}

TEntryKind EntryKindOf(const QString& path)
{
    const QByteArray native = NativePath(path);
    struct stat st;
    if (!IsUsablePath(native) || ::lstat(native.constData(), &st) != 0)
        return TEntryKind::Missing;
    if (S_ISLNK(st.st_mode) && ::stat(native.constData(), &st) != 0)
        return TEntryKind::DanglingLink;
    return S_ISDIR(st.st_mode) ? TEntryKind::Folder : S_ISREG(st.st_mode) ? TEntryKind::RegularFile : TEntryKind::Other;
}

bool MakeFolders(const QString& folder)
{
    const QByteArray native = NativePath(folder);
    bool made = IsUsablePath(native);
    for (qsizetype at = native.indexOf('/', 1); made; at = native.indexOf('/', at + 1)) {
        const QByteArray step = at < 0 ? native : native.left(at);
        made = ::mkdir(step.constData(), 0777) == 0 || errno == EEXIST;
        if (at < 0)
            break;
    }
    return made && EntryKindOf(folder) == TEntryKind::Folder;
}

bool ReadRegularFile(const QString& path, qsizetype maxBytes, QByteArray& bytes)
{
    // Checked before the open, which a device may act on, and again on what
    // was opened, which may have been swapped meanwhile.
    if (!IsRegularFile(path))
        return false;
    const int fd = ::open(NativePath(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    // A file that grew since is read up to its size then.
    const qsizetype want = ok ? qsizetype(std::min<qint64>(maxBytes, st.st_size)) : 0;
    QByteArray read(want, Qt::Uninitialized);
    qsizetype got = 0;
    while (ok && got < want) {
        const ssize_t n = ::read(fd, read.data() + got, size_t(want - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ok = false;
        if (n <= 0)
            break;
        got += n;
    }
    ::close(fd);
    if (!ok)
        return false;
    read.truncate(got);
    bytes = read;
    return true;
}
