// Every writer of the program on a disk that fills up or a device that fails:
// at each byte count of the new file, at the sync and at the commit, the old
// file stays byte for byte, the failure is reported and no temporary file is
// left behind. What the writers replace: only regular files (a link's target
// in its own folder), keeping their owner and mode; in a folder where no file
// may be made, an existing file is written in place.

#include "engine/ProgramState.h"
#include "export/BmpWriter.h"
#include "export/PngWriter.h"
#include "files/FileFormats.h"
#include "files/SettingsFile.h"
#include "files/WholeFile.h"
#include "tests/support/FailingWrites.h"
#include "tests/support/Files.h"
#include "tests/support/SpecialFiles.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using TWriter = std::function<bool(const QString& path)>;

// A state that differs from the start-up one, its file path set.
const ProgramState& ChangedState(const QString& path)
{
    static ProgramState s;
    s.FilePath = path;
    s.FractalParams.Cx = -0.75;
    s.FractalParams.PaletteKind = 5;
    s.FractalParams.R0 = 77;
    return s;
}

QImage Picture()
{
    QImage picture(9, 7, QImage::Format_BGR888);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 28, y * 36, (x * y) % 256));
    return picture;
}

const QMap<QString, TWriter>& Writers()
{
    static const QMap<QString, TWriter> writers{
        {QStringLiteral("fractal"), [](const QString& p) { return WriteFractalFile(ChangedState(p)); }},
        {QStringLiteral("palette"), [](const QString& p) { return WritePaletteFile(ChangedState(p)); }},
        {QStringLiteral("settings"),
         [](const QString& p) { return WriteSettingsFile(p, SettingsOf(ChangedState(p), -3, 2147483647)); }},
        {QStringLiteral("bmp"),
         [](const QString& p) {
             const QImage picture = Picture();
             return WriteBmp24(p, picture.constBits(), picture.bytesPerLine(), picture.width(), picture.height());
         }},
        {QStringLiteral("png"), [](const QString& p) { return WritePng(p, Picture(), PngTextsOf(ChangedState(p))); }},
        // Many small puts gathered into large writes, over a megabyte in all.
        {QStringLiteral("chunked"),
         [](const QString& p) {
             return WriteFileWhole(p, [](TFileSink& sink) {
                 for (int i = 0; i < 3000; ++i)
                     if (!sink.Put(QByteArray(400 + i % 7, char(i))))
                         return false;
                 return true;
             });
         }},
    };
    return writers;
}

enum class TFault { WriteAt, Sync, Commit };

QStringList EntriesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Sets a mode, and on leaving the scope the mode the folder had.
class TFolderMode {
public:
    TFolderMode(const QString& folder, mode_t mode) : Path(QFile::encodeName(folder))
    {
        struct stat st;
        Old = ::stat(Path.constData(), &st) == 0 ? st.st_mode & 07777 : 0755;
        Set = ::chmod(Path.constData(), mode) == 0;
    }
    ~TFolderMode() { ::chmod(Path.constData(), Old); }
    TFolderMode(const TFolderMode&) = delete;
    TFolderMode& operator=(const TFolderMode&) = delete;
    bool Set = false;

private:
    QByteArray Path;
    mode_t Old;
};

}  // namespace

Q_DECLARE_METATYPE(TEntryKind)

class TestWrites : public QObject {
    Q_OBJECT
private slots:
    void failedWriteKeepsTheOldFile_data();
    void failedWriteKeepsTheOldFile();
    void producerRefusalKeepsTheOldFile();
    void onlyRegularFilesAreReplaced_data();
    void onlyRegularFilesAreReplaced();
    void linkedFileIsReplacedWhereItLies_data();
    void linkedFileIsReplacedWhereItLies();
    void replacementKeepsOwnerAndMode_data();
    void replacementKeepsOwnerAndMode();
    void inPlaceWhereNoFileMayBeMade_data();
    void inPlaceWhereNoFileMayBeMade();

private:
    // The bytes a writer makes when nothing fails.
    QByteArray NewBytes(const TWriter& writer);
};

QByteArray TestWrites::NewBytes(const TWriter& writer)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("new"));
    return writer(path) ? ReadBytes(path) : QByteArray();
}

void TestWrites::failedWriteKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("writer");
    QTest::addColumn<bool>("oldFile");
    for (const QString& name : Writers().keys())
        for (const bool old : {true, false})
            QTest::addRow("%s, %s", qPrintable(name), old ? "old file" : "no file") << name << old;
}

// Every byte count the disk may take short of the whole file, then a failing
// sync and a failing commit; the whole count itself writes the file.
void TestWrites::failedWriteKeepsTheOldFile()
{
    QFETCH(QString, writer);
    QFETCH(bool, oldFile);
    const TWriter& write = Writers()[writer];
    const QByteArray fresh = NewBytes(write);
    QVERIFY(!fresh.isEmpty());
    const QByteArray old("old contents\0\1\2", 15);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("target"));
    const auto check = [&](TFault fault, qsizetype budget) {
        if (oldFile)
            QVERIFY(WriteBytes(path, old));
        bool written;
        {
            FailingWrites::TScope armed;
            if (fault == TFault::WriteAt)
                FailingWrites::FailWritesAfter(budget);
            else if (fault == TFault::Sync)
                FailingWrites::FailSync();
            else
                FailingWrites::FailCommit();
            written = write(path);
        }
        const QString at = QStringLiteral("fault %1 at %2").arg(int(fault)).arg(budget);
        QVERIFY2(!written, qPrintable(at));
        QVERIFY2(oldFile ? ReadBytes(path) == old : !QFile::exists(path), qPrintable(at));
        const QStringList left = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        QVERIFY2(left == (oldFile ? QStringList{QStringLiteral("target")} : QStringList{}), qPrintable(at));
    };
    // The big writer goes in steps; its gathering is what the edges test.
    const qsizetype step = fresh.size() > 100000 ? 65521 : 1;
    for (qsizetype budget = 0; budget < fresh.size(); budget += step)
        check(TFault::WriteAt, budget);
    check(TFault::WriteAt, fresh.size() - 1);
    check(TFault::Sync, 0);
    check(TFault::Commit, 0);

    FailingWrites::TScope armed;
    FailingWrites::FailWritesAfter(fresh.size());
    QVERIFY(write(path));
    QCOMPARE(ReadBytes(path), fresh);
}

void TestWrites::producerRefusalKeepsTheOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("target"));
    QVERIFY(WriteBytes(path, "old"));
    QVERIFY(!WriteFileWhole(path, [](TFileSink& sink) { return sink.Put("partial") && false; }));
    QCOMPARE(ReadBytes(path), QByteArray("old"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("target")});
    // A picture with no rows is refused before the file is touched.
    QVERIFY(!WriteBmp24(path, nullptr, 0, 0, 5));
    QCOMPARE(ReadBytes(path), QByteArray("old"));
}

void TestWrites::onlyRegularFilesAreReplaced_data()
{
    QTest::addColumn<QString>("writer");
    QTest::addColumn<TEntryKind>("kind");
    QTest::addColumn<bool>("linked");
    for (const QString& name : Writers().keys())
        for (const TEntryKind kind : {TEntryKind::Fifo, TEntryKind::Device})
            for (const bool linked : {false, true})
                QTest::addRow("%s, %s%s", qPrintable(name), kind == TEntryKind::Fifo ? "FIFO" : "device node",
                              linked ? " through a link" : "")
                    << name << kind << linked;
}

// A FIFO or device node of the file's name, or a link to one, stays as it
// is and the write fails.
void TestWrites::onlyRegularFilesAreReplaced()
{
    QFETCH(QString, writer);
    QFETCH(TEntryKind, kind);
    QFETCH(bool, linked);
    QTemporaryDir dir;
    const QByteArray entry = QFile::encodeName(dir.filePath(QStringLiteral("entry")));
    if (!MakeEntry(entry, kind))
        QSKIP("no device node can be made here: that takes root");
    QString path = dir.filePath(QStringLiteral("entry"));
    if (linked) {
        path = dir.filePath(QStringLiteral("link"));
        QVERIFY(::symlink("entry", QFile::encodeName(path).constData()) == 0);
    }
    const TEntry before = EntryAt(entry);
    const TEntry link = EntryAt(QFile::encodeName(path));
    QVERIFY(!Writers()[writer](path));
    QCOMPARE(EntryAt(entry), before);
    QCOMPARE(EntryAt(QFile::encodeName(path)), link);
    QCOMPARE(EntriesIn(dir.path()), linked ? (QStringList{QStringLiteral("entry"), QStringLiteral("link")})
                                           : QStringList{QStringLiteral("entry")});
}

void TestWrites::linkedFileIsReplacedWhereItLies_data()
{
    QTest::addColumn<QStringList>("links");  // each to the next, the last to "real/target"
    QTest::addColumn<bool>("oldFile");
    const QString absolute = QStringLiteral("@DIR@/real/target");
    QTest::newRow("relative link") << QStringList{QStringLiteral("real/target")} << true;
    QTest::newRow("absolute link") << QStringList{absolute} << true;
    QTest::newRow("link to a link") << QStringList{QStringLiteral("second"), QStringLiteral("real/target")} << true;
    QTest::newRow("dangling link") << QStringList{QStringLiteral("real/target")} << false;
}

// The link stays; its target is replaced in the target's own folder.
void TestWrites::linkedFileIsReplacedWhereItLies()
{
    QFETCH(QStringList, links);
    QFETCH(bool, oldFile);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("real")));
    const QString target = dir.filePath(QStringLiteral("real/target"));
    if (oldFile)
        QVERIFY(WriteBytes(target, "old"));
    QStringList names{QStringLiteral("first")};
    if (links.size() > 1)
        names << links.first();
    for (int i = 0; i < links.size(); ++i)
        QVERIFY(::symlink(QFile::encodeName(QString(links[i]).replace(QStringLiteral("@DIR@"), dir.path())).constData(),
                          QFile::encodeName(dir.filePath(names[i])).constData()) == 0);
    const QStringList before = EntriesIn(dir.path());
    const TWriter& write = Writers()[QStringLiteral("fractal")];
    QVERIFY(write(dir.filePath(QStringLiteral("first"))));
    QCOMPARE(ReadBytes(target), NewBytes(write));
    QCOMPARE(EntriesIn(dir.path()), before);
    for (const QString& name : names)
        QCOMPARE(EntryAt(QFile::encodeName(dir.filePath(name))).Type, mode_t(S_IFLNK));
    QCOMPARE(EntriesIn(dir.filePath(QStringLiteral("real"))), QStringList{QStringLiteral("target")});
}

void TestWrites::replacementKeepsOwnerAndMode_data()
{
    QTest::addColumn<QString>("writer");
    for (const QString& name : Writers().keys())
        QTest::newRow(qPrintable(name)) << name;
}

// The new file is the old one's owner's, group's and mode's: root writing a
// user's file leaves it the user's.
void TestWrites::replacementKeepsOwnerAndMode()
{
    QFETCH(QString, writer);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("target"));
    const QByteArray native = QFile::encodeName(path);
    QVERIFY(WriteBytes(path, "old"));
    const bool root = ::geteuid() == 0;
    if (root)
        QVERIFY(::chown(native.constData(), 65534, 65534) == 0);
    QVERIFY(::chmod(native.constData(), 0604) == 0);
    struct stat old;
    QVERIFY(::stat(native.constData(), &old) == 0);
    QVERIFY(Writers()[writer](path));
    struct stat now;
    QVERIFY(::stat(native.constData(), &now) == 0);
    QVERIFY(now.st_ino != old.st_ino);  // replaced, not written over
    QCOMPARE(now.st_mode & 07777, mode_t(0604));
    QCOMPARE(now.st_uid, old.st_uid);
    QCOMPARE(now.st_gid, old.st_gid);
    if (!root)
        QSKIP("the owner was the writer's own: only root can give a file to another user");
}

void TestWrites::inPlaceWhereNoFileMayBeMade_data()
{
    QTest::addColumn<QString>("writer");
    QTest::addColumn<bool>("oldFile");
    for (const QString& name : Writers().keys())
        for (const bool old : {true, false})
            QTest::addRow("%s, %s", qPrintable(name), old ? "old file" : "no file") << name << old;
}

// A folder the user may not write, a file in it the user may: the file is
// written in place (the settings at the close, a fractal saved again);
// without a file there is nothing to write.
void TestWrites::inPlaceWhereNoFileMayBeMade()
{
    QFETCH(QString, writer);
    QFETCH(bool, oldFile);
    const TWriter& write = Writers()[writer];
    const QByteArray fresh = NewBytes(write);
    QTemporaryDir dir;
    const TFolderMode open(dir.path(), 0755);  // the unprivileged user passes
    QVERIFY(open.Set);
    const QString folder = dir.filePath(QStringLiteral("closed"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("closed")));
    const QString path = folder + QStringLiteral("/target");
    const QByteArray native = QFile::encodeName(path);
    if (oldFile) {
        QVERIFY(WriteBytes(path, QByteArray(fresh.size() + 100, 'o')));
        QVERIFY(::chmod(native.constData(), 0666) == 0);
    }
    const TEntry before = EntryAt(native);
    std::optional<bool> written;
    {
        const TFolderMode closed(folder, 0555);
        QVERIFY(closed.Set);
        written = AsUnprivileged([&] { return write(path); });
    }
    if (!written)
        QSKIP("root's privileges cannot be dropped here");
    QCOMPARE(*written, oldFile);
    QCOMPARE(EntryAt(native), before);  // the same file, or still none
    if (oldFile)
        QCOMPARE(ReadBytes(path), fresh);
    QCOMPARE(EntriesIn(folder), oldFile ? QStringList{QStringLiteral("target")} : QStringList{});
}

QTEST_GUILESS_MAIN(TestWrites)
#include "tst_writes.moc"
