#pragma once
// A fresh temporary folder made the current one, as the program finds its
// files relative to where it runs; the previous current folder comes back on
// destruction, before the folder is removed.

#include <QDir>
#include <QString>
#include <QTemporaryDir>

enum class TSubfolders { None, FractalsAndPaletts };

class TProgramFolder {
public:
    explicit TProgramFolder(TSubfolders subfolders = TSubfolders::None) : Previous(QDir::currentPath())
    {
        Ready = Dir.isValid() && QDir::setCurrent(Dir.path());
        if (Ready && subfolders == TSubfolders::FractalsAndPaletts)
            Ready = QDir(Dir.path()).mkdir(QStringLiteral("fractals")) &&
                    QDir(Dir.path()).mkdir(QStringLiteral("paletts"));
    }
    ~TProgramFolder() { QDir::setCurrent(Previous); }
    TProgramFolder(const TProgramFolder&) = delete;
    TProgramFolder& operator=(const TProgramFolder&) = delete;

    // Made, current, with the subfolders asked for.
    bool IsValid() const { return Ready; }
    QString Path() const { return Dir.path(); }
    QString FilePath(const QString& name) const { return Dir.filePath(name); }

private:
    QString Previous;
    QTemporaryDir Dir;
    bool Ready = false;
};
