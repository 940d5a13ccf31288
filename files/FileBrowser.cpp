#include "files/FileBrowser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <climits>

const TFileKind FractalFiles{QStringLiteral(".frc"), true, QStringLiteral("fractal_new")};
const TFileKind PaletteFiles{QStringLiteral(".ptt"), false, QStringLiteral("palette_new")};

TFileBrowser::TFileBrowser(QString folder, TFileKind kind) : Dir(std::move(folder)), Kind(std::move(kind)) {}

QStringList ListFolder(const QString& folder, const QString& pattern)
{
    return QDir(folder).entryList({pattern}, QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name | QDir::IgnoreCase);
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
    return QFileInfo(path).isFile() && QFile::remove(path);
}

TRenameOutcome TFileBrowser::Rename(const QString& oldName, const QString& newName) const
{
    if (List.contains(newName))
        return TRenameOutcome::NameTaken;
    if (!NameIsSafe(oldName) || !NameIsSafe(newName))
        return TRenameOutcome::Failed;
    // A name the file system cannot hold: QFile::rename would try a copy and log.
    if (QFile::encodeName(newName + Kind.Extension).size() > NAME_MAX)
        return TRenameOutcome::Failed;
    const QString to = PathOf(newName);
    // Never over a file the list does not show (another letter case of the
    // pattern, say): a rename must not lose a file.
    if (QFileInfo::exists(to))
        return TRenameOutcome::Failed;
    return QFile::rename(PathOf(oldName), to) ? TRenameOutcome::Renamed : TRenameOutcome::Failed;
}
