#include "files/UserFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Copies src to dst, writable by its owner whatever the shipped mode; QFile
// writes a temporary file and renames it, so a failed copy leaves nothing.
QString CopyFile(const QString& src, const QString& dst)
{
    if (!QFile::copy(src, dst))
        return QStringLiteral("Нельзя записать файл %1.").arg(QDir::toNativeSeparators(dst));
    QFile::setPermissions(dst, QFile::permissions(dst) | QFileDevice::WriteOwner | QFileDevice::ReadOwner);
    return {};
}

QString MakeFolder(const QString& path)
{
    if (QDir().mkpath(path) && QFileInfo(path).isDir())
        return {};
    return QStringLiteral("Нельзя создать каталог %1.").arg(QDir::toNativeSeparators(path));
}

// A subfolder new to the user's folder, with everything under it.
QString CopyTree(const QString& src, const QString& dst)
{
    if (QString failure = MakeFolder(dst); !failure.isEmpty())
        return failure;
    const QDir from(src);
    for (const QFileInfo& entry : from.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString target = dst + QLatin1Char('/') + entry.fileName();
        const QString failure =
            entry.isDir() ? CopyTree(entry.filePath(), target) : CopyFile(entry.filePath(), target);
        if (!failure.isEmpty())
            return failure;
    }
    return {};
}

}  // namespace

bool IsProgramFolder(const QString& dir)
{
    const QDir d(dir);
    return QFileInfo(d.filePath(QStringLiteral("fractals"))).isDir() &&
           QFileInfo(d.filePath(QStringLiteral("paletts"))).isDir();
}

TFolderChoice ChooseProgramFolder(const QString& exeDir, const QString& shippedFromBin, const QString& currentDir,
                                  const QString& home)
{
    const QString shipped = QDir::cleanPath(exeDir + QLatin1Char('/') + shippedFromBin);
    if (!QFileInfo(shipped).isDir() || IsProgramFolder(currentDir))
        return {};
    return {shipped, QDir::cleanPath(home + QStringLiteral("/Quilmora"))};
}

QString PrepareProgramFolder(const QString& shipped, const QString& folder)
{
    QString failure = MakeFolder(folder);
    const QDir from(shipped);
    const QFileInfoList entries = from.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (auto entry = entries.begin(); failure.isEmpty() && entry != entries.end(); ++entry) {
        const QString target = folder + QLatin1Char('/') + entry->fileName();
        const QFileInfo there(target);
        if (entry->isDir() && there.exists() && !there.isDir())
            failure = QStringLiteral("Нельзя создать каталог %1.").arg(QDir::toNativeSeparators(target));
        if (there.exists() || there.isSymLink())
            continue;
        failure = entry->isDir() ? CopyTree(entry->filePath(), target) : CopyFile(entry->filePath(), target);
    }
    return failure.isEmpty() ? QString() : UnusableFolderMessage(folder, failure);
}

QString UnusableFolderMessage(const QString& folder, const QString& reason)
{
    return QStringLiteral("Не удалось подготовить каталог программы %1.\n%2\nQuilmora будет закрыта.")
        .arg(QDir::toNativeSeparators(folder), reason);
}
