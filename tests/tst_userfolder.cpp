// The installed program's own folder: when it is chosen, how it is prepared
// from the shipped samples, and what it says when it cannot be.

#include <QtTest>

#include "files/UserFolder.h"
#include "tests/support/Files.h"

#include <QDirIterator>
#include <QTemporaryDir>

namespace {

// Each shipped file holds its own name; installed by root, read-only.
const QStringList ShippedFiles = {QStringLiteral("AboutQMR.txt"), QStringLiteral("Description.rtf"),
                                  QStringLiteral("fractals/a.frc"), QStringLiteral("fractals/b.frc"),
                                  QStringLiteral("paletts/p.ptt")};

QByteArray Shipped(const QString& name)
{
    return "shipped " + name.toUtf8();
}

bool MakeFile(const QString& path, const QByteArray& bytes)
{
    return QDir().mkpath(QFileInfo(path).path()) && WriteBytes(path, bytes);
}

// Every file under dir as "name=content", in name order.
QStringList Listing(const QString& dir)
{
    QStringList files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files << QDir(dir).relativeFilePath(path) + QLatin1Char('=') + QString::fromUtf8(ReadBytes(path));
    }
    files.sort();
    return files;
}

QStringList ShippedListing(const QStringList& without = {})
{
    QStringList files;
    for (const QString& name : ShippedFiles)
        if (!without.contains(name))
            files << name + QLatin1Char('=') + QString::fromUtf8(Shipped(name));
    return files;
}

}  // namespace

class TestUserFolder : public QObject {
    Q_OBJECT

private:
    QTemporaryDir Root;
    QString Share;  // Root/usr/share/quilmora, beside Root/usr/bin

    QString At(const QString& name) const { return Root.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(Root.isValid());
        Share = At(QStringLiteral("usr/share/quilmora"));
        QVERIFY(QDir().mkpath(At(QStringLiteral("usr/bin"))));
        for (const QString& name : ShippedFiles) {
            QVERIFY(MakeFile(Share + QLatin1Char('/') + name, Shipped(name)));
            QVERIFY(QFile::setPermissions(Share + QLatin1Char('/') + name, QFileDevice::ReadOwner | QFileDevice::ReadOther));
        }
        for (const char* dir : {"build/program", "opt/bin", "home", "work/fractals", "work/paletts", "half/fractals"})
            QVERIFY(QDir().mkpath(At(QString::fromLatin1(dir))));
    }

    void choice_data()
    {
        QTest::addColumn<QString>("exeDir");
        QTest::addColumn<QString>("currentDir");
        QTest::addColumn<bool>("moves");
        QTest::newRow("installed, started in home") << "usr/bin" << "home" << true;
        QTest::newRow("installed, started in a program folder") << "usr/bin" << "work" << false;
        QTest::newRow("installed, fractals/ alone is no program folder") << "usr/bin" << "half" << true;
        QTest::newRow("installed, started in its samples") << "usr/bin" << "usr/share/quilmora" << false;
        QTest::newRow("development build") << "build/program" << "home" << false;
        QTest::newRow("a bin/ without samples beside it") << "opt/bin" << "home" << false;
    }

    void choice()
    {
        QFETCH(QString, exeDir);
        QFETCH(QString, currentDir);
        QFETCH(bool, moves);
        const TFolderChoice c =
            ChooseProgramFolder(At(exeDir), QStringLiteral("../share/quilmora"), At(currentDir), At(QStringLiteral("home")));
        QCOMPARE(c.Shipped, moves ? Share : QString());
        QCOMPARE(c.Folder, moves ? At(QStringLiteral("home/Quilmora")) : QString());
    }

    // What the user did between the first start and the next, as
    // "write NAME=TEXT", "remove NAME" or "removeTree NAME"; the folder after
    // the next start.
    void prepare_data()
    {
        QTest::addColumn<QStringList>("userChanges");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("first start copies everything") << QStringList{} << ShippedListing();
        QTest::newRow("a changed sample and the settings stay")
            << QStringList{"write fractals/a.frc=mine", "write settings.dat=s", "write fractals/new.frc=n"}
            << (ShippedListing({"fractals/a.frc"}) << "fractals/a.frc=mine" << "fractals/new.frc=n" << "settings.dat=s");
        QTest::newRow("a deleted sample stays deleted")
            << QStringList{"remove fractals/b.frc"} << ShippedListing({"fractals/b.frc"});
        QTest::newRow("a deleted description comes back")
            << QStringList{"remove Description.rtf", "remove AboutQMR.txt"} << ShippedListing();
        QTest::newRow("a removed folder of samples comes back")
            << QStringList{"removeTree paletts"} << ShippedListing();
        QTest::newRow("an emptied folder of samples stays empty")
            << QStringList{"remove paletts/p.ptt"} << ShippedListing({"paletts/p.ptt"});
        QTest::newRow("a folder the user made before the first start is filled")
            << QStringList{"removeTree fractals", "removeTree paletts", "remove Description.rtf", "remove AboutQMR.txt",
                           "write notes.txt=n"}
            << (ShippedListing() << "notes.txt=n");
    }

    void prepare()
    {
        QFETCH(QStringList, userChanges);
        QFETCH(QStringList, expected);
        QTemporaryDir home;
        const QString folder = home.filePath(QStringLiteral("Quilmora"));
        QCOMPARE(PrepareProgramFolder(Share, folder), QString());
        for (const QString& change : userChanges) {
            const QString verb = change.section(QLatin1Char(' '), 0, 0);
            const QString arg = change.section(QLatin1Char(' '), 1);
            const QString path = folder + QLatin1Char('/') + arg.section(QLatin1Char('='), 0, 0);
            if (verb == QLatin1String("write"))
                QVERIFY(MakeFile(path, arg.section(QLatin1Char('='), 1).toUtf8()));
            else if (verb == QLatin1String("remove"))
                QVERIFY(QFile::remove(path));
            else
                QVERIFY(QDir(path).removeRecursively());
        }
        QCOMPARE(PrepareProgramFolder(Share, folder), QString());
        expected.sort();
        QCOMPARE(Listing(folder), expected);
        QVERIFY(IsProgramFolder(folder));
        // The user can change a sample, whatever mode it was shipped with.
        QVERIFY(QFileInfo(folder + QStringLiteral("/AboutQMR.txt")).permissions() & QFileDevice::WriteOwner);
    }

    void unusable_data()
    {
        QTest::addColumn<QString>("blocker");  // a file where a folder must be
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("unmade");
        QTest::newRow("home is no folder") << "file" << "file/Quilmora" << "file/Quilmora";
        QTest::newRow("a file named like the folder") << "taken/Quilmora" << "taken/Quilmora" << "taken/Quilmora";
        QTest::newRow("a file named like fractals/") << "odd/Quilmora/fractals" << "odd/Quilmora" << "odd/Quilmora/fractals";
    }

    void unusable()
    {
        QFETCH(QString, blocker);
        QFETCH(QString, folder);
        QFETCH(QString, unmade);
        QTemporaryDir home;
        QVERIFY(MakeFile(home.filePath(blocker), "x"));
        QCOMPARE(PrepareProgramFolder(Share, home.filePath(folder)),
                 QStringLiteral("Не удалось подготовить каталог программы %1.\nНельзя создать каталог %2.\n"
                                "Quilmora будет закрыта.")
                     .arg(home.filePath(folder), home.filePath(unmade)));
        QCOMPARE(ReadBytes(home.filePath(blocker)), QByteArray("x"));
    }
};

QTEST_GUILESS_MAIN(TestUserFolder)
#include "tst_userfolder.moc"
