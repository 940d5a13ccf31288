// Every writer of the program on a disk that fills up or a device that fails:
// at each byte count of the new file, at the sync and at the commit, the old
// file stays byte for byte, the failure is reported and no temporary file is
// left behind.

#include "engine/ProgramState.h"
#include "export/BmpWriter.h"
#include "export/PngWriter.h"
#include "files/FileFormats.h"
#include "files/SettingsFile.h"
#include "files/WholeFile.h"
#include "tests/support/FailingWrites.h"
#include "tests/support/Files.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

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

}  // namespace

class TestWrites : public QObject {
    Q_OBJECT
private slots:
    void failedWriteKeepsTheOldFile_data();
    void failedWriteKeepsTheOldFile();
    void producerRefusalKeepsTheOldFile();

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

QTEST_GUILESS_MAIN(TestWrites)
#include "tst_writes.moc"
