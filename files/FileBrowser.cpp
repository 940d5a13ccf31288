#include "files/FileBrowser.h"

#include "files/NativeFiles.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <utility>
#include <vector>

const TFileKind FractalFiles{QStringLiteral(".frc"), true, QStringLiteral("fractal_new")};
const TFileKind PaletteFiles{QStringLiteral(".ptt"), false, QStringLiteral("palette_new")};

TFileBrowser::TFileBrowser(QString folder, TFileKind kind) : Dir(std::move(folder)), Kind(std::move(kind)) {}

namespace {

// '*' for any run of characters, '?' for any one; letter case ignored.
bool MatchesWildcard(QStringView name, QStringView pattern)
{
    qsizetype n = 0, p = 0, star = -1, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == u'?' || name[n].toCaseFolded() == pattern[p].toCaseFolded())) {
            ++n;
            ++p;
        } else if (star >= 0) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

}  // namespace

// Read with the system's own calls: Qt's listing skips names that are not
// valid UTF-8, and those files are the user's as much as any other.
QStringList ListFolder(const QString& folder, const QString& pattern)
{
    std::vector<std::pair<QString, QString>> byKey;  // lower case, name
    for (QString& name : FolderEntries(folder))
        if (MatchesWildcard(name, pattern))
            byKey.emplace_back(name.toLower(), std::move(name));
    std::sort(byKey.begin(), byKey.end());
    QStringList names;
    names.reserve(qsizetype(byKey.size()));
    for (auto& entry : byKey)
        names.append(std::move(entry.second));
    return names;
}

void TFileBrowser::Scan(const QString& listed)
{
    List.clear();
    const QString pattern = QLatin1Char('*') + Kind.Extension + (Kind.LongerEndings ? QStringLiteral("*") : QString());
    for (const QString& entry : ListFolder(listed.isEmpty() ? Dir : listed, pattern)) {
        const QString name = entry.section(QLatin1Char('.'), 0, 0);
        if (!name.isEmpty())
            List.append(name);
    }
}

QString TFileBrowser::PathOf(const QString& name) const
{
    return Dir + QLatin1Char('/') + name + Kind.Extension;
}

int TFileBrowser::EntryFor(int remembered) const
{
    if (List.isEmpty())
        return -1;
    return std::clamp(remembered, 0, int(List.size()) - 1);
}

int TFileBrowser::Matches(const QString& name) const
{
    return int(List.count(name));
}

bool TFileBrowser::NameIsSafe(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && name != QLatin1String(".") &&
           name != QLatin1String("..") && !name.contains(QChar(0));
}

bool TFileBrowser::Delete(const QString& name) const
{
    if (!NameIsSafe(name))
        return false;
    const QString path = PathOf(name);
    // Only files: a folder of that name stays.
    return IsRegularFile(path) && ::unlink(NativePath(path).constData()) == 0;
}

TRenameOutcome TFileBrowser::Rename(const QString& oldName, const QString& newName) const
{
    if (List.contains(newName))
        return TRenameOutcome::NameTaken;
    if (!NameIsSafe(oldName) || !NameIsSafe(newName))
        return TRenameOutcome::Failed;
    // A name the file system cannot hold.
    if (NativePath(newName + Kind.Extension).size() > NAME_MAX)
        return TRenameOutcome::Failed;
    const QByteArray from = NativePath(PathOf(oldName));
    const QByteArray to = NativePath(PathOf(newName));
    // Never over a file the list does not show (another letter case of the
    // pattern, say): a rename must not lose a file.
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return TRenameOutcome::Renamed;
    if (errno != EINVAL && errno != ENOSYS)
        return TRenameOutcome::Failed;
    // A file system without the no-replace rename.
    struct stat st;
    if (::lstat(to.constData(), &st) == 0 || errno != ENOENT)
        return TRenameOutcome::Failed;
    return ::rename(from.constData(), to.constData()) == 0 ? TRenameOutcome::Renamed : TRenameOutcome::Failed;
}
