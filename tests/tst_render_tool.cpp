// The headless renderer, run as a separate process: BMP layout, pixels, bad
// input; its command line parsed in process.

#include "engine/BarAnimation.h"
#include "engine/CSweep.h"
#include "engine/ImageCanvas.h"
#include "engine/Palette.h"
#include "engine/ProgramState.h"
#include "engine/RasterWalk.h"
#include "files/FileFormats.h"
#include "tests/support/Bmp.h"
#include "tests/support/Files.h"
#include "tests/support/Pictures.h"
#include "tests/support/ProgramFolder.h"
#include "tests/support/SpecialFiles.h"
#include "tools/RenderSettings.h"

#include <QImageReader>
#include <QtTest>

#include <array>
#include <cstring>

namespace {

struct TRun {
    int Status = -1;
    QString Stderr;
    QByteArray Stdout;
};

// `fail` arms the failing disk in the renderer: "write:N", "sync" or "commit".
TRun RunTool(const QStringList& args, const QString& fail = {})
{
    QProcess p;
    if (!fail.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(QUILMORA_FAILING_WRITES));
        env.insert(QStringLiteral("QUILMORA_FAIL"), fail);
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("verify_asan_link_order=0"));
        p.setProcessEnvironment(env);
    }
    p.start(QStringLiteral(QUILMORA_RENDER_EXE), args);
    TRun run;
    if (!p.waitForFinished(300000))
        return run;
    run.Status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.Stderr = QString::fromUtf8(p.readAllStandardError());
    run.Stdout = p.readAllStandardOutput();
    return run;
}

// The renderer on a pseudo-terminal (util-linux script): what the terminal
// shows, stdout and stderr together, "\r\n" back to "\n". Empty when script
// is missing.
QString RunOnTerminal(const QStringList& args)
{
    const auto quoted = [](QString a) {
        return QLatin1Char('\'') + a.replace(QLatin1String("'"), QLatin1String("'\\''")) + QLatin1Char('\'');
    };
    QString command = quoted(QStringLiteral(QUILMORA_RENDER_EXE));
    for (const QString& a : args)
        command += QLatin1Char(' ') + quoted(a);
    QProcess p;
    p.start(QStringLiteral("script"), {QStringLiteral("-qfec"), command, QStringLiteral("/dev/null")});
    if (!p.waitForFinished(300000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput()).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

// "peak resident memory: N KiB" of a --verbose sweep; -1 when missing.
long PeakKiB(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(QUILMORA_RENDER_EXE), args + QStringList{QStringLiteral("--verbose")});
    if (!p.waitForFinished(300000) || p.exitCode() != 0)
        return -1;
    static const QRegularExpression peak(QStringLiteral("peak resident memory: (\\d+) KiB"));
    const QRegularExpressionMatch m = peak.match(QString::fromUtf8(p.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toLong() : -1;
}

// The plain picture n times the size, each n x n block's channels averaged
// and rounded to nearest, halves up.
QImage AveragedInProcess(ProgramState& s, int width, int height, int n)
{
    const QImage fine = RenderInProcess(s, width * n, height * n);
    QImage picture(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int j = 0; j < n; ++j)
                    for (int i = 0; i < n; ++i)
                        sum += fine.constScanLine(y * n + j)[(x * n + i) * 3 + c];
                picture.scanLine(y)[x * 3 + c] = uchar((2 * sum + n * n) / (2 * n * n));
            }
    return picture;
}

// The main window's palette line for the state, drawn at this size.
QImage StripInProcess(ProgramState& s, int width, int height)
{
    TImageCanvas line(width, height);
    DrawPaletteLine(s, line);
    return line.Image.convertToFormat(QImage::Format_BGR888);
}

// The files of a folder, name to bytes.
QMap<QString, QByteArray> FilesIn(const QString& folder)
{
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(folder).entryList(QDir::Files))
        files[name] = ReadBytes(folder + QLatin1Char('/') + name);
    return files;
}

}  // namespace

Q_DECLARE_METATYPE(TRenderSettings)

class TestRenderTool : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(Dir.IsValid()); }
    void startupStateAtDefaultSize();
    void startupState320x240();
    void oddWidthRowsArePadded();
    void fractalFileWithItsPalette();
    void depthSetsTheIterationLimit();
    void shortAndEmptyFilesChangeOnlyWhatTheyHold();
    void badInput_data();
    void badInput();
    void unwritableOutput();
    void writesIntoDevicesAndFifos_data();
    void writesIntoDevicesAndFifos();
    void standardOutputThatFails();
    void failedWritesKeepTheOldFile_data();
    void failedWritesKeepTheOldFile();
    void fullDiskKeepsTheOldFile();
    void pngEqualsBmpAndCarriesTheValues();
    void pngReadByImageTools();
    void paletteStillIsTheStrip_data();
    void paletteStillIsTheStrip();
    void batchSkipsWhatItCannotUse();
    void batchReportsEveryEntry();
    void batchRefusesCollidingNames_data();
    void batchRefusesCollidingNames();
    void sweepEndsEqualSingleRenders();
    void barSweepBouncesAtTheEnds_data();
    void barSweepBouncesAtTheEnds();
    void badSweep_data();
    void badSweep();
    void sweepStopsAtAFrameNotWritten_data();
    void sweepStopsAtAFrameNotWritten();
    void sweepMemoryStaysFlat();
    void sweepPartEqualsTheWholeRun_data();
    void sweepPartEqualsTheWholeRun();
    void supersampleAveragesTheFinerPicture_data();
    void supersampleAveragesTheFinerPicture();
    void parsing_data();
    void parsing();
    void helpAndVersion();
    void progressOnlyOnATerminal_data();
    void progressOnlyOnATerminal();

private:
    TProgramFolder Dir;
    QString Path(const QString& name) const { return Dir.FilePath(name); }
};

void TestRenderTool::startupStateAtDefaultSize()
{
    const QString out = Path(QStringLiteral("default.bmp"));
    const TRun run = RunTool({QStringLiteral("-o"), out});
    QCOMPARE(run.Status, 0);
    const TBmp bmp = ReadBmp(out);
    QVERIFY(bmp.Valid);
    QCOMPARE(bmp.Width, 1600);
    QCOMPARE(bmp.Height, 1200);
    ProgramState s;
    BuildColourTable(s);
    QCOMPARE(bmp.Image, RenderInProcess(s, 1600, 1200));
}

void TestRenderTool::startupState320x240()
{
    const QString out = Path(QStringLiteral("small.bmp"));
    QCOMPARE(RunTool({QStringLiteral("--size"), QStringLiteral("320x240"), QStringLiteral("-o"), out}).Status, 0);
    const TBmp bmp = ReadBmp(out);
    QVERIFY(bmp.Valid);
    QCOMPARE(bmp.Raw.size(), 54 + 960 * 240);
    // Worked out independently by tests/reference/derive_pictures.py.
    QCOMPARE(PictureHash(bmp.Image), Q_UINT64_C(0xf918550daef6292d));
    QCOMPARE(PixelOf(bmp.Image, 160, 120), (TBgr{12, 16, 36}));
}

void TestRenderTool::oddWidthRowsArePadded()
{
    for (const QString& size : {QStringLiteral("7x3"), QStringLiteral("1x1"), QStringLiteral("1601x3")}) {
        const QString out = Path(QStringLiteral("odd-%1.bmp").arg(size));
        QCOMPARE(RunTool({QStringLiteral("-o"), out, QStringLiteral("--size"), size}).Status, 0);
        const TBmp bmp = ReadBmp(out);
        QVERIFY2(bmp.Valid, qPrintable(size));
        ProgramState s;
        BuildColourTable(s);
        QCOMPARE(bmp.Image, RenderInProcess(s, bmp.Width, bmp.Height));
    }
}

void TestRenderTool::fractalFileWithItsPalette()
{
    TFractalParams p;
    p.PaletteKind = 5;
    p.Cx = -0.12;
    p.Cy = 0.75;
    p.CenterX = 0.1f;
    p.CenterY = -0.2f;
    p.ViewWidth = 3.0f;
    p.R0 = 90;
    p.G0 = 20;
    p.B0 = 200;
    p.R1 = 7;
    p.G1 = 33;
    p.B1 = 12;
    const QString frc = Path(QStringLiteral("rabbit.frc"));
    QVERIFY(WriteBytes(frc, EncodeFractal(p)));
    const QString out = Path(QStringLiteral("rabbit.bmp"));
    QCOMPARE(RunTool({frc, QStringLiteral("--size"), QStringLiteral("200x150"), QStringLiteral("-o"), out}).Status, 0);
    const TBmp bmp = ReadBmp(out);
    QVERIFY(bmp.Valid);

    ProgramState s;
    s.FractalParams = p;
    BuildColourTable(s);
    QCOMPARE(bmp.Image, RenderInProcess(s, 200, 150));
    ProgramState startup;
    BuildColourTable(startup);
    QVERIFY(bmp.Image != RenderInProcess(startup, 200, 150));
}

void TestRenderTool::depthSetsTheIterationLimit()
{
    // The whole set, whose boundary pixels change with the limit.
    TFractalParams p;
    p.Cx = -0.12;
    p.Cy = 0.75;
    p.ViewWidth = 3.0f;
    const QString frc = Path(QStringLiteral("deep.frc"));
    QVERIFY(WriteBytes(frc, EncodeFractal(p)));
    for (int depth : {2, 256, 1024, 8192}) {
        const QString out = Path(QStringLiteral("deep-%1.bmp").arg(depth));
        QCOMPARE(RunTool({frc, QStringLiteral("-o"), out, QStringLiteral("--size"), QStringLiteral("64x48"),
                          QStringLiteral("--depth"), QString::number(depth)})
                     .Status,
                 0);
        const TBmp bmp = ReadBmp(out);
        QVERIFY(bmp.Valid);
        ProgramState s;
        s.FractalParams = p;
        BuildColourTable(s);
        s.SetIterationLimit(depth - 2);
        QCOMPARE(bmp.Image, RenderInProcess(s, 64, 48));
        s.SetIterationLimit(depth == 2 ? 254 : 10);
        QVERIFY2(bmp.Image != RenderInProcess(s, 64, 48), qPrintable(QString::number(depth)));
    }
}

void TestRenderTool::shortAndEmptyFilesChangeOnlyWhatTheyHold()
{
    ProgramState startup;
    BuildColourTable(startup);
    const QImage startupPicture = RenderInProcess(startup, 40, 30);

    const QString empty = Path(QStringLiteral("empty.frc"));
    QVERIFY(WriteBytes(empty, QByteArray()));
    const QString out = Path(QStringLiteral("empty.bmp"));
    QCOMPARE(RunTool({empty, QStringLiteral("-o"), out, QStringLiteral("--size"), QStringLiteral("40x30")}).Status, 0);
    QCOMPARE(ReadBmp(out).Image, startupPicture);

    // Kinds and C only: the view and the palette levels stay as at start-up.
    TFractalParams p;
    p.Cx = -0.8;
    p.Cy = 0.156;
    p.ViewWidth = 1.0f;
    p.R0 = 0;
    const QString shortFile = Path(QStringLiteral("short.frc"));
    QVERIFY(WriteBytes(shortFile, EncodeFractal(p).left(24)));
    const QString out2 = Path(QStringLiteral("short.bmp"));
    QCOMPARE(RunTool({shortFile, QStringLiteral("-o"), out2, QStringLiteral("--size"), QStringLiteral("40x30")}).Status,
             0);
    ProgramState s;
    s.FractalParams.Cx = -0.8;
    s.FractalParams.Cy = 0.156;
    BuildColourTable(s);
    QCOMPARE(ReadBmp(out2).Image, RenderInProcess(s, 40, 30));
}

void TestRenderTool::badInput_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("file");  // written first when not empty, as @IN@ and @PTT@: hex bytes
    const QString o = QStringLiteral("-o");
    const QString bad = QStringLiteral("@OUT@");
    QTest::newRow("no output") << QStringList{} << QString();
    QTest::newRow("missing file") << QStringList{QStringLiteral("@DIR@/none.frc"), o, bad} << QString();
    QTest::newRow("folder as file") << QStringList{QStringLiteral("@DIR@"), o, bad} << QString();
    QTest::newRow("formula kind 2") << QStringList{QStringLiteral("@IN@"), o, bad} << QStringLiteral("02000000");
    QTest::newRow("formula kind 0") << QStringList{QStringLiteral("@IN@"), o, bad} << QStringLiteral("0000000001000000");
    QTest::newRow("palette kind 9") << QStringList{QStringLiteral("@IN@"), o, bad} << QStringLiteral("0100000009000000");
    QTest::newRow("palette kind 0") << QStringList{QStringLiteral("@IN@"), o, bad} << QStringLiteral("0100000000000000");
    for (const char* size : {"320", "0x5", "5x0", "16385x2", "2x16385", "axb", "-3x4", "320x240x2", "x", "3 x4", ""})
        QTest::newRow(qPrintable(QStringLiteral("size '%1'").arg(QLatin1String(size))))
            << QStringList{o, bad, QStringLiteral("--size"), QLatin1String(size)} << QString();
    for (const char* depth : {"1", "0", "8193", "-5", "abc", "256.0", "99999999999"})
        QTest::newRow(qPrintable(QStringLiteral("depth '%1'").arg(QLatin1String(depth))))
            << QStringList{o, bad, QStringLiteral("--depth"), QLatin1String(depth)} << QString();
    QTest::newRow("size without value") << QStringList{o, bad, QStringLiteral("--size")} << QString();
    QTest::newRow("unknown option") << QStringList{o, bad, QStringLiteral("--colour")} << QString();
    QTest::newRow("two inputs") << QStringList{QStringLiteral("a.frc"), QStringLiteral("b.frc"), o, bad} << QString();
    for (const char* name : {"pic.jpg", "pic", "pic.png.txt", "pic.bmp/"})
        QTest::addRow("ending of %s", name) << QStringList{o, QStringLiteral("@DIR@/") + QLatin1String(name)} << QString();
    QTest::newRow("fifo as input") << QStringList{QStringLiteral("@FIFO@"), o, bad} << QString();
    const QString palette = QStringLiteral("@PTT@"), whole = QStringLiteral("03000000") + QString(48, QLatin1Char('1'));
    const QString kind9 = QStringLiteral("09000000") + QString(48, QLatin1Char('0'));
    QTest::newRow("missing palette") << QStringList{QStringLiteral("@DIR@/none.ptt"), o, bad} << QString();
    QTest::newRow("short palette") << QStringList{palette, o, bad} << QStringLiteral("030000000000000028000000");
    QTest::newRow("palette kind 9") << QStringList{palette, o, bad} << kind9;
    QTest::newRow("palette in a batch") << QStringLiteral("@IN@ @PTT@ -O @DIR@/refused-batch").split(QLatin1Char(' ')) << whole;
    QTest::newRow("palette in a sweep")
        << QStringLiteral("@PTT@ --sweep 0,0:1,1 --frames 2 -O @DIR@/refused-sweep").split(QLatin1Char(' ')) << whole;
}

void TestRenderTool::badInput()
{
    QFETCH(QStringList, args);
    QFETCH(QString, file);
    const QString out = Path(QStringLiteral("refused.bmp"));
    const QString in = Path(QStringLiteral("refused.frc")), ptt = Path(QStringLiteral("refused.ptt"));
    if (!file.isEmpty())
        for (const QString& path : {in, ptt})
            QVERIFY(WriteBytes(path, QByteArray::fromHex(file.toLatin1())));
    const QString fifo = Path(QStringLiteral("refused-fifo.frc"));
    if (!QFileInfo::exists(fifo))
        QVERIFY(MakeOddFile(fifo, TOddFile::Fifo));
    for (QString& a : args) {
        a.replace(QStringLiteral("@OUT@"), out);
        a.replace(QStringLiteral("@IN@"), in);
        a.replace(QStringLiteral("@PTT@"), ptt);
        a.replace(QStringLiteral("@DIR@"), Dir.Path());
        a.replace(QStringLiteral("@FIFO@"), fifo);
    }
    const QStringList before = QDir(Dir.Path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    const TRun run = RunTool(args);
    QCOMPARE(run.Status, 2);
    QCOMPARE(run.Stderr.count(QLatin1Char('\n')), 1);
    QVERIFY(run.Stderr.startsWith(QStringLiteral("quilmora-render: ")));
    QVERIFY(!QFile::exists(out));
    QCOMPARE(QDir(Dir.Path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
}

void TestRenderTool::unwritableOutput()
{
    const QString out = Path(QStringLiteral("no-such-folder/x.bmp"));
    const TRun run = RunTool({QStringLiteral("-o"), out, QStringLiteral("--size"), QStringLiteral("8x8")});
    QCOMPARE(run.Status, 3);
    QCOMPARE(run.Stderr.count(QLatin1Char('\n')), 1);
    QVERIFY(!QFile::exists(out));
}

void TestRenderTool::writesIntoDevicesAndFifos_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("ext");
    for (const char* ext : {"bmp", "png"}) {
        QTest::addRow("FIFO, %s", ext) << QStringLiteral("FIFO") << QString::fromLatin1(ext);
        QTest::addRow("device node, %s", ext) << QStringLiteral("device node") << QString::fromLatin1(ext);
    }
    // Standard output takes --format, PNG by default; so does a device named
    // without an ending.
    QTest::newRow("-") << QStringLiteral("-") << QStringLiteral("png");
    QTest::newRow("-, --format bmp") << QStringLiteral("-") << QStringLiteral("bmp");
    QTest::newRow("/dev/stdout") << QStringLiteral("/dev/stdout") << QStringLiteral("png");
    QTest::newRow("/dev/stdout, --format bmp") << QStringLiteral("/dev/stdout") << QStringLiteral("bmp");
}

// As Unix tools do: the picture goes into the device or FIFO, which stays.
void TestRenderTool::writesIntoDevicesAndFifos()
{
    QFETCH(QString, where);
    QFETCH(QString, ext);
    QTemporaryDir out;
    const QString regular = out.filePath(QStringLiteral("regular.") + ext);
    QCOMPARE(RunTool({QStringLiteral("-o"), regular, QStringLiteral("--size"), QStringLiteral("8x8")}).Status, 0);
    const QByteArray expected = ReadBytes(regular);
    QVERIFY(!expected.isEmpty());

    QString target = where;
    QByteArray native;
    int reader = -1;
    TEntry before;
    const bool toStdout = where == QLatin1String("-") || where == QLatin1String("/dev/stdout");
    QStringList format;
    if (toStdout && ext == QLatin1String("bmp"))
        format << QStringLiteral("--format") << ext;
    if (!toStdout) {
        target = out.filePath(QStringLiteral("special.") + ext);
        native = QFile::encodeName(target);
        const bool fifo = where == QLatin1String("FIFO");
        if (!MakeEntry(native, fifo ? TEntryKind::Fifo : TEntryKind::Device))
            QSKIP("no device node can be made here: that takes root");
        before = EntryAt(native);
        if (fifo)
            QVERIFY((reader = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) >= 0);
    }
    const TRun run = RunTool(QStringList{QStringLiteral("-o"), target, QStringLiteral("--size"), QStringLiteral("8x8")} + format);
    QByteArray piped;
    if (reader >= 0) {
        char chunk[4096];
        ssize_t n;
        while ((n = ::read(reader, chunk, sizeof chunk)) > 0)
            piped.append(chunk, n);
        ::close(reader);
    }
    QCOMPARE(run.Status, 0);
    QCOMPARE(run.Stderr, QString());
    if (toStdout)
        QCOMPARE(run.Stdout, expected);
    else
        QCOMPARE(EntryAt(native), before);
    if (where == QLatin1String("FIFO"))
        QCOMPARE(piped, expected);
    QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);  // no temporary file
}

// A full or closed standard output is a picture not written; a terminal is
// refused before anything is computed.
void TestRenderTool::standardOutputThatFails()
{
    if (!QStandardPaths::findExecutable(QStringLiteral("script")).isEmpty()) {
        QProcess p;
        p.start(QStringLiteral("script"), {QStringLiteral("-qfc"), QStringLiteral("'%1' -o -; echo \"status $?\"").arg(QStringLiteral(QUILMORA_RENDER_EXE)),
                                           QStringLiteral("/dev/null")});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()).replace(QLatin1String("\r\n"), QLatin1String("\n")),
                 QStringLiteral("quilmora-render: standard output is a terminal: redirect it to a file or a pipe\nstatus 2\n"));
    }
    // A full device; a pipe whose reader has gone after ten bytes.
    for (const char* script : {"\"$0\" -o - >/dev/full; echo $?", "\"$0\" -o - | head -c 10 >/dev/null; echo ${PIPESTATUS[0]}"}) {
        QProcess p;
        p.start(QStringLiteral("bash"), {QStringLiteral("-c"), QLatin1String(script), QStringLiteral(QUILMORA_RENDER_EXE)});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.readAllStandardOutput(), QByteArray("3\n"));
        QCOMPARE(QString::fromUtf8(p.readAllStandardError()),
                 QStringLiteral("quilmora-render: cannot write to standard output\n"));
    }
}

void TestRenderTool::failedWritesKeepTheOldFile_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("fail");
    for (const char* mode : {"bmp", "png", "batch", "sweep", "palette"})
        for (const char* fail : {"write:0", "write:54", "write:200", "sync", "commit"})
            QTest::addRow("%s, %s", mode, fail) << QString::fromLatin1(mode) << QString::fromLatin1(fail);
}

// Each way of writing, its write failing at some byte, at the sync or at the
// commit: status 3, one line, the file of that name as it was, nothing else.
void TestRenderTool::failedWritesKeepTheOldFile()
{
    QFETCH(QString, mode);
    QFETCH(QString, fail);
    QTemporaryDir out;
    QStringList args{QStringLiteral("--size"), QStringLiteral("8x8")};
    QString target;
    if (mode == QLatin1String("batch")) {
        const QString in = out.filePath(QStringLiteral("in.frc"));
        QVERIFY(WriteBytes(in, EncodeFractal(TFractalParams{})));
        args << in << QStringLiteral("-O") << out.filePath(QStringLiteral("pictures"));
        QVERIFY(QDir().mkpath(out.filePath(QStringLiteral("pictures"))));
        target = out.filePath(QStringLiteral("pictures/in.png"));
    } else if (mode == QLatin1String("sweep")) {
        args << QStringLiteral("--sweep") << QStringLiteral("0,0:0.1,0.1") << QStringLiteral("--frames")
             << QStringLiteral("1") << QStringLiteral("-O") << out.path();
        target = out.filePath(QStringLiteral("frame_0001.png"));
    } else if (mode == QLatin1String("palette")) {
        target = out.filePath(QStringLiteral("old.png"));
        args << QStringLiteral(QUILMORA_SOURCE_DIR "/data/paletts/sea.ptt") << QStringLiteral("-o") << target;
    } else {
        target = out.filePath(QStringLiteral("old.") + mode);
        args << QStringLiteral("-o") << target;
    }
    QVERIFY(WriteBytes(target, "old picture"));
    const QStringList before = QDir(out.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    const TRun run = RunTool(args, fail);
    QCOMPARE(run.Status, 3);
    QCOMPARE(run.Stderr.count(QLatin1Char('\n')), 1);
    QVERIFY2(run.Stderr.contains(QStringLiteral("cannot write")), qPrintable(run.Stderr));
    QCOMPARE(ReadBytes(target), QByteArray("old picture"));
    QCOMPARE(QDir(out.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
    QCOMPARE(QDir(QFileInfo(target).path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

// A real full file system, where the test may mount one: a small picture
// used to leave an empty file and report success.
void TestRenderTool::fullDiskKeepsTheOldFile()
{
    QTemporaryDir mountPoint;
    const QString script = QStringLiteral(
        "mount -t tmpfs -o size=64k tmpfs \"$2\" || exit 99\n"
        "printf 'old picture' > \"$2/old.bmp\"\n"
        "dd if=/dev/zero of=\"$2/fill\" bs=4096 2>/dev/null\n"
        "\"$1\" -o \"$2/old.bmp\" --size 8x8\n"
        "echo \"status $?\"; cat \"$2/old.bmp\"; echo; ls -A \"$2\"\n");
    QProcess p;
    p.start(QStringLiteral("unshare"), {QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"), script,
                                        QStringLiteral("sh"), QStringLiteral(QUILMORA_RENDER_EXE), mountPoint.path()});
    if (!p.waitForFinished(60000) || p.exitCode() == 99 || p.exitStatus() != QProcess::NormalExit ||
        p.error() == QProcess::FailedToStart)
        QSKIP("no small file system can be mounted here");
    const QStringList out = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'));
    if (out.value(0).isEmpty())
        QSKIP("no small file system can be mounted here");
    QCOMPARE(out.value(0), QStringLiteral("status 3"));
    QCOMPARE(out.value(1), QStringLiteral("old picture"));
    QCOMPARE(out.value(2), QStringLiteral("fill"));
    QCOMPARE(out.value(3), QStringLiteral("old.bmp"));
    QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(QStringLiteral("cannot write")));
}

void TestRenderTool::pngEqualsBmpAndCarriesTheValues()
{
    const QString png = Path(QStringLiteral("still.png")), bmp = Path(QStringLiteral("still.bmp"));
    for (const QString& out : {png, bmp})
        QCOMPARE(RunTool({QStringLiteral("-o"), out, QStringLiteral("--size"), QStringLiteral("81x47")}).Status, 0);
    QImageReader reader(png);
    QCOMPARE(reader.format(), QByteArray("png"));
    const QImage stored = reader.read();
    const QImage picture = stored.convertToFormat(QImage::Format_BGR888);
    ProgramState s;
    BuildColourTable(s);
    QCOMPARE(picture, ReadBmp(bmp).Image);
    QCOMPARE(picture, RenderInProcess(s, 81, 47));
    QCOMPARE(stored.text(QStringLiteral("Quilmora Formula")), QStringLiteral("1"));
    QCOMPARE(stored.text(QStringLiteral("Quilmora Palette")), QStringLiteral("1"));
    QCOMPARE(stored.text(QStringLiteral("Quilmora C")), QStringLiteral("0.40200000000000002,0.33900000000000002"));
    QCOMPARE(stored.text(QStringLiteral("Quilmora Centre")), QStringLiteral("0,0"));
    QCOMPARE(stored.text(QStringLiteral("Quilmora Width")), QStringLiteral("5"));
    QCOMPARE(stored.text(QStringLiteral("Quilmora Levels")), QStringLiteral("36,16,12;26,18,8"));
    QCOMPARE(stored.text(QStringLiteral("Quilmora Depth")), QStringLiteral("256"));
}

void TestRenderTool::batchSkipsWhatItCannotUse()
{
    const QString in = Path(QStringLiteral("batch-in")), out = Path(QStringLiteral("batch-out"));
    QVERIFY(QDir().mkpath(in + QStringLiteral("/x.frc")));
    TFractalParams p;
    p.Cx = -0.8;
    QVERIFY(WriteBytes(in + QStringLiteral("/Good.FRC"), EncodeFractal(p)));
    QVERIFY(WriteBytes(in + QStringLiteral("/formula.frc"), QByteArray::fromHex("02000000")));
    QVERIFY(WriteBytes(in + QStringLiteral("/empty.frc"), QByteArray()));
    QVERIFY(WriteBytes(in + QStringLiteral("/notes.txt"), "x"));
    const TRun run = RunTool({in, QStringLiteral("-O"), out, QStringLiteral("--size"), QStringLiteral("30x20")});
    QCOMPARE(run.Status, 1);
    QCOMPARE(run.Stderr.count(QLatin1Char('\n')), 3);
    QCOMPARE(QDir(out).entryList(QDir::Files), QStringList{QStringLiteral("Good.png")});
    ProgramState s;
    s.FractalParams = p;
    BuildColourTable(s);
    QCOMPARE(QImage(out + QStringLiteral("/Good.png")).convertToFormat(QImage::Format_BGR888),
             RenderInProcess(s, 30, 20));
    QCOMPARE(RunTool({in + QStringLiteral("/Good.FRC"), QStringLiteral("-O"), out, QStringLiteral("--format"),
                      QStringLiteral("bmp"), QStringLiteral("--size"), QStringLiteral("30x20")})
                 .Status,
             0);
    QCOMPARE(ReadBmp(out + QStringLiteral("/Good.bmp")).Image, RenderInProcess(s, 30, 20));
}

void TestRenderTool::sweepEndsEqualSingleRenders()
{
    const QString out = Path(QStringLiteral("sweep"));
    QCOMPARE(RunTool({QStringLiteral("--sweep"), QStringLiteral("-0.8,0.156:0.3,-0.5"), QStringLiteral("--frames"),
                      QStringLiteral("5"), QStringLiteral("-O"), out, QStringLiteral("--size"), QStringLiteral("40x30")})
                 .Status,
             0);
    QCOMPARE(QDir(out).entryList(QDir::Files).size(), 5);
    const std::array<std::pair<double, double>, 3> cs{{{-0.8, 0.156}, {-0.525, -0.008}, {0.3, -0.5}}};
    const std::array<int, 3> frames{1, 2, 5};
    for (size_t i = 0; i < cs.size(); ++i) {
        ProgramState s;
        s.FractalParams.Cx = cs[i].first;
        s.FractalParams.Cy = cs[i].second;
        BuildColourTable(s);
        const QImage frame(out + QStringLiteral("/frame_000%1.png").arg(frames[i]));
        QCOMPARE(frame.convertToFormat(QImage::Format_BGR888), RenderInProcess(s, 40, 30));
    }
    // Written by several threads: each name holds its own frame.
    const auto all = EvenSweep({-0.8, 0.156}, {0.3, -0.5}, 5);
    for (int n = 1; n <= 5; ++n) {
        const QImage frame(out + QStringLiteral("/frame_000%1.png").arg(n));
        const auto [cx, cy] = all[size_t(n - 1)];
        QCOMPARE(frame.text(QStringLiteral("Quilmora C")),
                 QString::number(cx, 'g', 17) + QLatin1Char(',') + QString::number(cy, 'g', 17));
    }
}

void TestRenderTool::barSweepBouncesAtTheEnds_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("speed");
    QTest::addColumn<std::vector<int>>("positions");
    QTest::newRow("up to the end") << 1995 << 3 << std::vector<int>{1995, 1998, 2000, 1997, 1994};
    QTest::newRow("down to the end") << -1999 << -1 << std::vector<int>{-1999, -2000, -1999, -1998};
    QTest::newRow("starting on the end") << 2000 << 5 << std::vector<int>{2000, 1995, 1990};
    QTest::newRow("one frame") << 7 << 2 << std::vector<int>{7};
}

void TestRenderTool::barSweepBouncesAtTheEnds()
{
    QFETCH(int, start);
    QFETCH(int, speed);
    QFETCH(std::vector<int>, positions);
    QCOMPARE(BarSweep(start, speed, int(positions.size())), positions);
}

void TestRenderTool::badSweep_data()
{
    QTest::addColumn<QStringList>("args");
    const QString sw = QStringLiteral("--sweep"), fr = QStringLiteral("--frames"), steps = QStringLiteral("--sweep-steps");
    const QString good = QStringLiteral("0.1,0.2:0.3,0.4");
    QTest::newRow("missing colon") << QStringList{sw, QStringLiteral("0.1,0.2,0.3,0.4"), fr, QStringLiteral("3")};
    QTest::newRow("nan") << QStringList{sw, QStringLiteral("0.1,nan:0.3,0.4"), fr, QStringLiteral("3")};
    QTest::newRow("inf") << QStringList{sw, QStringLiteral("0.1,0.2:inf,0.4"), fr, QStringLiteral("3")};
    QTest::newRow("steps overflow") << QStringList{sw, QStringLiteral("1e308,0:-1e308,0"), fr, QStringLiteral("3")};
    QTest::newRow("frames 0") << QStringList{sw, good, fr, QStringLiteral("0")};
    QTest::newRow("frames 100001") << QStringList{sw, good, fr, QStringLiteral("100001")};
    QTest::newRow("no frames") << QStringList{sw, good};
    QTest::newRow("steps speed 0") << QStringList{steps, QStringLiteral("cx,0,0"), fr, QStringLiteral("3")};
    QTest::newRow("steps start 2001") << QStringList{steps, QStringLiteral("cy,2001,1"), fr, QStringLiteral("3")};
    QTest::newRow("steps axis") << QStringList{steps, QStringLiteral("cz,0,1"), fr, QStringLiteral("3")};
    QTest::newRow("folder under a file") << QStringList{sw, good, fr, QStringLiteral("3"), QStringLiteral("@FILE@")};
}

void TestRenderTool::badSweep()
{
    QFETCH(QStringList, args);
    const QString blocker = Path(QStringLiteral("blocker"));
    QVERIFY(WriteBytes(blocker, "x"));
    QString out = Path(QStringLiteral("refused-sweep"));
    if (args.last() == QLatin1String("@FILE@")) {
        args.removeLast();
        out = blocker + QStringLiteral("/frames");
    }
    const TRun run = RunTool(args << QStringLiteral("-O") << out << QStringLiteral("--size") << QStringLiteral("8x8"));
    QCOMPARE(run.Status, 2);
    QCOMPARE(run.Stderr.count(QLatin1Char('\n')), 1);
    QVERIFY(!QFileInfo::exists(out));
}

void TestRenderTool::sweepStopsAtAFrameNotWritten_data()
{
    QTest::addColumn<QString>("fail");
    QTest::addColumn<bool>("someWritten");
    QTest::newRow("full at once") << QStringLiteral("write:0") << false;
    QTest::newRow("full after a few frames") << QStringLiteral("write:3000") << true;
    QTest::newRow("sync") << QStringLiteral("sync") << false;
    QTest::newRow("commit") << QStringLiteral("commit") << false;
}

// Frames written by several threads, one of them failing: status 3, one line
// naming a frame that is not there, whole frames only, no temporary files.
void TestRenderTool::sweepStopsAtAFrameNotWritten()
{
    QFETCH(QString, fail);
    QFETCH(bool, someWritten);
    constexpr int Frames = 40;
    QTemporaryDir out;
    const TRun run = RunTool({QStringLiteral("--sweep"), QStringLiteral("-0.8,0.156:0.3,-0.5"), QStringLiteral("--frames"),
                              QString::number(Frames), QStringLiteral("--size"), QStringLiteral("24x16"),
                              QStringLiteral("-O"), out.path()},
                             fail);
    QCOMPARE(run.Status, 3);
    QCOMPARE(run.Stderr.count(QLatin1Char('\n')), 1);
    static const QRegularExpression line(QStringLiteral("^quilmora-render: cannot write \"(.*/frame_\\d{4}\\.png)\"\n$"));
    const QRegularExpressionMatch m = line.match(run.Stderr);
    QVERIFY2(m.hasMatch(), qPrintable(run.Stderr));
    QVERIFY(!QFileInfo::exists(m.captured(1)));
    const QStringList left = QDir(out.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    static const QRegularExpression frameName(QStringLiteral("^frame_\\d{4}\\.png$"));
    for (const QString& name : left) {
        QVERIFY2(frameName.match(name).hasMatch(), qPrintable(name));
        QCOMPARE(QImage(out.filePath(name)).size(), QSize(24, 16));
    }
    QVERIFY(left.size() < Frames);
    QCOMPARE(!left.isEmpty(), someWritten);
}

// The ring of pictures is reused: a hundred times the frames, the same peak.
void TestRenderTool::sweepMemoryStaysFlat()
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    QSKIP("a sanitizer's own bookkeeping grows with the work");
#endif
    QTemporaryDir out;
    const auto peakOf = [&](int frames) {
        return PeakKiB({QStringLiteral("--sweep"), QStringLiteral("0.402,0.339:-0.8,0.156"), QStringLiteral("--frames"),
                        QString::number(frames), QStringLiteral("--size"), QStringLiteral("160x120"),
                        QStringLiteral("-O"), out.path()});
    };
    const long few = peakOf(10), many = peakOf(1000);
    QVERIFY(few > 0);
    QVERIFY2(many < few + 2048, qPrintable(QStringLiteral("%1 KiB after 10 frames, %2 KiB after 1000").arg(few).arg(many)));
}

void TestRenderTool::progressOnlyOnATerminal_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("step");  // one state of the line; the last number is the percentage
    QTest::addColumn<int>("steps");
    QTest::addColumn<QString>("summary");  // stdout after the line
    const QString size = QStringLiteral("--size");
    QTest::newRow("still") << QStringList{QStringLiteral("-o"), QStringLiteral("@DIR@/p.png"), size, QStringLiteral("8x64")}
                           << QStringLiteral("^ *(\\d+)%$") << 4 << QString();
    QTest::newRow("batch") << QStringList{QStringLiteral("@DIR@/a.frc"), QStringLiteral("@DIR@/b.frc"), QStringLiteral("-O"),
                                          QStringLiteral("@DIR@/out"), size, QStringLiteral("8x8")}
                           << QStringLiteral("^file (\\d+) of 2 \\( *(\\d+)%\\)$") << 2 << QString();
    QTest::newRow("sweep") << QStringList{QStringLiteral("--sweep"), QStringLiteral("0,0:0.1,0.1"), QStringLiteral("--frames"),
                                          QStringLiteral("3"), QStringLiteral("-O"), QStringLiteral("@DIR@/out"), size,
                                          QStringLiteral("8x8")}
                           << QStringLiteral("^frame (\\d+) of 3 \\( *(\\d+)%\\)$") << 3
                           << QStringLiteral("^3 frames in [0-9.]+ s: [0-9.]+ frames/s, the walk held up \\d+% of the time by "
                                             "the PNG writes, which took \\d+% of the CPU time\n$");
}

// On a terminal one line, rewritten after "\r", counting up to 100% and ended
// by a newline; without one, nothing on stderr.
void TestRenderTool::progressOnlyOnATerminal()
{
    QFETCH(QStringList, args);
    QFETCH(QString, step);
    QFETCH(int, steps);
    QFETCH(QString, summary);
    QTemporaryDir dir;
    for (const char* name : {"a.frc", "b.frc"})
        QVERIFY(WriteBytes(dir.filePath(QLatin1String(name)), EncodeFractal(TFractalParams{})));
    for (QString& a : args)
        a.replace(QStringLiteral("@DIR@"), dir.path());

    const QString shown = RunOnTerminal(args);
    if (shown.isEmpty())
        QSKIP("no pseudo-terminal through script(1) here");
    const qsizetype end = shown.indexOf(QLatin1Char('\n'));
    QVERIFY2(end > 0 && shown.startsWith(QLatin1Char('\r')), qPrintable(shown));
    const QStringList states = shown.left(end).split(QLatin1Char('\r'), Qt::SkipEmptyParts);
    QCOMPARE(states.size(), steps);
    const QRegularExpression pattern(step);
    int lastPercent = -1, lastCount = 0;
    for (const QString& state : states) {
        const QRegularExpressionMatch m = pattern.match(state);
        QVERIFY2(m.hasMatch(), qPrintable(state));
        const int percent = m.captured(m.lastCapturedIndex()).toInt();
        QVERIFY2(percent > lastPercent, qPrintable(state));
        lastPercent = percent;
        if (m.lastCapturedIndex() == 2)
            QCOMPARE(m.captured(1).toInt(), ++lastCount);
    }
    QCOMPARE(lastPercent, 100);
    QVERIFY2(QRegularExpression(summary.isEmpty() ? QStringLiteral("^$") : summary).match(shown.mid(end + 1)).hasMatch(),
             qPrintable(shown.mid(end + 1)));

    const TRun quiet = RunTool(args);
    QCOMPARE(quiet.Status, 0);
    QCOMPARE(quiet.Stderr, QString());
}

// ImageMagick reads some text keywords as its own settings ("Depth" as the
// bit depth, which then failed every resize); ours are no tool's own.
void TestRenderTool::pngReadByImageTools()
{
    if (QStandardPaths::findExecutable(QStringLiteral("convert")).isEmpty())
        QSKIP("ImageMagick is not installed");
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("r.png")), half = dir.filePath(QStringLiteral("s.png"));
    QCOMPARE(RunTool({QStringLiteral("-o"), png, QStringLiteral("--size"), QStringLiteral("64x48")}).Status, 0);
    QProcess convert;
    convert.start(QStringLiteral("convert"), {png, QStringLiteral("-resize"), QStringLiteral("50%"), half});
    QVERIFY(convert.waitForFinished(60000));
    QCOMPARE(convert.exitCode(), 0);
    QCOMPARE(QImage(half).size(), QSize(32, 24));
    QProcess identify;
    identify.start(QStringLiteral("identify"), {QStringLiteral("-verbose"), png});
    QVERIFY(identify.waitForFinished(60000));
    const QString shown = QString::fromUtf8(identify.readAllStandardOutput());
    QVERIFY2(shown.contains(QStringLiteral("Depth: 8-bit")), qPrintable(shown));
    for (const char* line : {"Quilmora Depth: 256", "Quilmora C: 0.40200000000000002,0.33900000000000002",
                             "Quilmora Levels: 36,16,12;26,18,8"})
        QVERIFY2(shown.contains(QLatin1String(line)), line);
}

void TestRenderTool::paletteStillIsTheStrip_data()
{
    QTest::addColumn<QString>("palette");   // of data/paletts
    QTest::addColumn<QString>("name");      // the input's name
    QTest::addColumn<QStringList>("args");  // @OUT@: the output's name without its ending
    QTest::addColumn<QSize>("size");
    const auto row = [](const char* title, const char* palette, const char* name, const char* args, QSize size) {
        QTest::newRow(title) << QString::fromLatin1(palette) << QString::fromLatin1(name)
                             << QString::fromLatin1(args).split(QLatin1Char(' ')) << size;
    };
    row("sea, --fit, PNG", "sea.ptt", "sea.ptt", "--fit 256 -o @OUT@.png", {256, 192});
    row("fire, odd width, BMP", "fire.ptt", "fire.ptt", "--size 7x3 -o @OUT@.bmp", {7, 3});
    row("fire in capitals, wider than 256, BMP", "fire.ptt", "FIRE.PTT", "--size 600x20 -o @OUT@.BMP", {600, 20});
    row("rainbow, depth and supersample aside, PNG", "rainbow.ptt", "rainbow.ptt",
        "--size 33x9 --depth 2 --supersample 3 -o @OUT@.png", {33, 9});
    row("sea, --fit of a tall size, standard output", "sea.ptt", "sea.ptt", "--size 90x160 --fit 100 -o -", {56, 100});
}

// A palette file's still is the main window's palette line drawn over the
// whole picture; its PNG carries the palette's values, not a fractal's.
void TestRenderTool::paletteStillIsTheStrip()
{
    QFETCH(QString, palette);
    QFETCH(QString, name);
    QFETCH(QStringList, args);
    QFETCH(QSize, size);
    QTemporaryDir dir;
    const QString in = dir.filePath(name);
    QVERIFY(QFile::copy(QStringLiteral(QUILMORA_SOURCE_DIR "/data/paletts/") + palette, in));
    QString out;
    for (QString& a : args)
        if (a.startsWith(QLatin1String("@OUT@")))
            a = out = dir.filePath(a.replace(QLatin1String("@OUT@"), QLatin1String("strip")));
    const TRun run = RunTool(args << in);
    QCOMPARE(run.Status, 0);
    QCOMPARE(run.Stderr, QString());
    const bool bmp = out.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive);
    const QByteArray png = out.isEmpty() ? run.Stdout : ReadBytes(out);
    const QImage picture = bmp ? ReadBmp(out).Image : QImage::fromData(png, "png");
    QCOMPARE(picture.size(), size);

    ProgramState s;
    s.FilePath = in;
    QCOMPARE(ReadPaletteFile(s), TReadOutcome::Read);
    QCOMPARE(picture.convertToFormat(QImage::Format_BGR888), StripInProcess(s, size.width(), size.height()));
    if (bmp)
        return;
    const TFractalParams& p = s.FractalParams;
    QCOMPARE(picture.textKeys(), (QStringList{QStringLiteral("Quilmora Levels"), QStringLiteral("Quilmora Palette"),
                                              QStringLiteral("Software")}));
    QCOMPARE(picture.text(QStringLiteral("Quilmora Palette")), QString::number(p.PaletteKind));
    QCOMPARE(picture.text(QStringLiteral("Quilmora Levels")),
             QStringLiteral("%1,%2,%3;%4,%5,%6").arg(p.R0).arg(p.G0).arg(p.B0).arg(p.R1).arg(p.G1).arg(p.B1));
}

// Every entry named like a fractal file is rendered or reported with its own
// reason: a FIFO, links to nothing and to a device, a name not in UTF-8.
void TestRenderTool::batchReportsEveryEntry()
{
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in")), out = dir.filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(in));
    const QByteArray folder = QFile::encodeName(in);
    TFractalParams p;
    p.Cx = -0.8;
    const QByteArray latin1 = folder + "/caf\xe9.frc";
    TRemovedAtEnd latin1Gone(latin1), pictureGone(QFile::encodeName(out) + "/caf\xe9.png");
    QVERIFY(PutBytesAt(latin1, EncodeFractal(p)));
    QVERIFY(MakeOddFile(in + QStringLiteral("/pipe.frc"), TOddFile::Fifo));
    QVERIFY(QFile::link(in + QStringLiteral("/none"), in + QStringLiteral("/gone.frc")));
    QVERIFY(MakeOddFile(in + QStringLiteral("/zero.frc"), TOddFile::Device));
    const TRun run = RunTool({in, QStringLiteral("-O"), out, QStringLiteral("--size"), QStringLiteral("30x20")});
    QCOMPARE(run.Status, 1);
    const QStringList lines = run.Stderr.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines, (QStringList{QStringLiteral("quilmora-render: \"%1/gone.frc\" is a link to nothing, skipped").arg(in),
                                 QStringLiteral("quilmora-render: \"%1/pipe.frc\" is not a regular file, skipped").arg(in),
                                 QStringLiteral("quilmora-render: \"%1/zero.frc\" is not a regular file, skipped").arg(in)}));
    const std::optional<QByteArray> picture = BytesAt(QFile::encodeName(out) + "/caf\xe9.png");
    QVERIFY(picture);
    ProgramState s;
    s.FractalParams = p;
    BuildColourTable(s);
    QCOMPARE(QImage::fromData(*picture).convertToFormat(QImage::Format_BGR888), RenderInProcess(s, 30, 20));
}

void TestRenderTool::batchRefusesCollidingNames_data()
{
    QTest::addColumn<QStringList>("files");  // made in the folder, the inputs unless 'folder'
    QTest::addColumn<bool>("folder");         // the folder itself is the input
    QTest::newRow("one name in two folders") << QStringList{QStringLiteral("a/x.frc"), QStringLiteral("b/x.frc")} << false;
    QTest::newRow("names differing in case") << QStringList{QStringLiteral("x.frc"), QStringLiteral("X.FRC")} << true;
    QTest::newRow("a file and its folder") << QStringList{QStringLiteral("y.frc"), QStringLiteral(".")} << false;
}

// Refused before anything is written, with one line naming the inputs.
void TestRenderTool::batchRefusesCollidingNames()
{
    QFETCH(QStringList, files);
    QFETCH(bool, folder);
    QTemporaryDir dir;
    QStringList inputs;
    for (const QString& name : files) {
        const QString path = dir.filePath(name);
        if (name != QLatin1String("."))
            QVERIFY(QDir().mkpath(QFileInfo(path).path()) && WriteBytes(path, EncodeFractal(TFractalParams{})));
        inputs << QDir::cleanPath(path);
    }
    if (folder)
        inputs = QStringList{dir.path()};
    const QString out = dir.filePath(QStringLiteral("out"));
    const TRun run = RunTool(inputs + QStringList{QStringLiteral("-O"), out, QStringLiteral("--size"), QStringLiteral("8x8")});
    QCOMPARE(run.Status, 2);
    QCOMPARE(run.Stderr.count(QLatin1Char('\n')), 1);
    QVERIFY2(run.Stderr.contains(QStringLiteral("would have one name")), qPrintable(run.Stderr));
    for (const QString& name : files)
        if (name != QLatin1String("."))
            QVERIFY2(run.Stderr.contains(dir.filePath(name)), qPrintable(run.Stderr));
    QVERIFY(!QFileInfo::exists(out));
}

void TestRenderTool::sweepPartEqualsTheWholeRun_data()
{
    QTest::addColumn<QStringList>("sweep");
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    const QString even = QStringLiteral("--sweep"), steps = QStringLiteral("--sweep-steps");
    QTest::newRow("5..8 of 12") << QStringList{even, QStringLiteral("-0.8,0.156:0.3,-0.5")} << 12 << 5 << 8;
    QTest::newRow("bar, 11..12 of 12") << QStringList{steps, QStringLiteral("cx,1995,2")} << 12 << 11 << 12;
    QTest::newRow("frame 10000 of 10001, five digits") << QStringList{even, QStringLiteral("0,0:1,1")} << 10001 << 10000 << 10000;
}

// A sweep split across machines: frames K..M alone have the names and bytes
// they have in a whole run.
void TestRenderTool::sweepPartEqualsTheWholeRun()
{
    QFETCH(QStringList, sweep);
    QFETCH(int, frames);
    QFETCH(int, first);
    QFETCH(int, last);
    QTemporaryDir whole, part;
    const QStringList common = sweep + QStringList{QStringLiteral("--frames"), QString::number(frames),
                                                   QStringLiteral("--size"), QStringLiteral("12x8"),
                                                   QStringLiteral("--format"), QStringLiteral("bmp")};
    QStringList wholeArgs = common + QStringList{QStringLiteral("-O"), whole.path()};
    if (frames > 12)  // the whole run's frames around the part are enough
        wholeArgs << QStringLiteral("--first") << QString::number(first - 1) << QStringLiteral("--last")
                  << QString::number(last + 1);
    QCOMPARE(RunTool(wholeArgs).Status, 0);
    QCOMPARE(RunTool(common + QStringList{QStringLiteral("-O"), part.path(), QStringLiteral("--first=") + QString::number(first),
                                          QStringLiteral("--last=") + QString::number(last)})
                 .Status,
             0);
    const QMap<QString, QByteArray> all = FilesIn(whole.path()), some = FilesIn(part.path());
    QCOMPARE(some.size(), last - first + 1);
    const int digits = std::max(4, int(QString::number(frames).size()));
    for (int n = first; n <= last; ++n) {
        const QString name = QStringLiteral("frame_%1.bmp").arg(n, digits, 10, QLatin1Char('0'));
        QVERIFY2(some.contains(name), qPrintable(name));
        QCOMPARE(some[name], all[name]);
    }
}

void TestRenderTool::supersampleAveragesTheFinerPicture_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    const QString o = QStringLiteral("-o"), ss = QStringLiteral("--supersample");
    QTest::newRow("2, even sides") << QStringList{o, QStringLiteral("@DIR@/a.bmp"), ss, QStringLiteral("2")} << 2 << 40 << 30;
    QTest::newRow("3, odd sides") << QStringList{o, QStringLiteral("@DIR@/a.bmp"), ss, QStringLiteral("3")} << 3 << 7 << 5;
    QTest::newRow("8, one pixel") << QStringList{o, QStringLiteral("@DIR@/a.bmp"), ss, QStringLiteral("8")} << 8 << 1 << 1;
    QTest::newRow("1, the plain picture") << QStringList{o, QStringLiteral("@DIR@/a.bmp"), ss, QStringLiteral("1")} << 1 << 33 << 9;
    QTest::newRow("4, a sweep frame") << QStringList{QStringLiteral("--sweep"), QStringLiteral("-0.12,0.75:0,0"),
                                                      QStringLiteral("--frames"), QStringLiteral("2"), QStringLiteral("--last"),
                                                      QStringLiteral("1"), QStringLiteral("--format"), QStringLiteral("bmp"),
                                                      QStringLiteral("-O"), QStringLiteral("@DIR@"), ss, QStringLiteral("4")}
                                      << 4 << 24 << 16;
}

// Each pixel the mean of the n x n pixels of the plain picture n times the
// size, worked out here from the per-pixel walk; tall enough for many bands.
void TestRenderTool::supersampleAveragesTheFinerPicture()
{
    QFETCH(QStringList, args);
    QFETCH(int, n);
    QFETCH(int, width);
    QFETCH(int, height);
    QTemporaryDir dir;
    TFractalParams p;
    p.Cx = -0.12;
    p.Cy = 0.75;
    p.ViewWidth = 3.0f;
    const QString frc = dir.filePath(QStringLiteral("rabbit.frc"));
    QVERIFY(WriteBytes(frc, EncodeFractal(p)));
    for (QString& a : args)
        a.replace(QStringLiteral("@DIR@"), dir.path());
    const TRun run = RunTool(args << frc << QStringLiteral("--size") << QStringLiteral("%1x%2").arg(width).arg(height));
    QCOMPARE(run.Status, 0);
    const QString out = dir.filePath(args.contains(QStringLiteral("--sweep")) ? QStringLiteral("frame_0001.bmp")
                                                                               : QStringLiteral("a.bmp"));
    const TBmp bmp = ReadBmp(out);
    QVERIFY(bmp.Valid);
    ProgramState s;
    s.FractalParams = p;
    BuildColourTable(s);
    QCOMPARE(bmp.Image, AveragedInProcess(s, width, height, n));
    if (n == 1)
        QCOMPARE(bmp.Image, RenderInProcess(s, width, height));
}

void TestRenderTool::parsing_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<TRenderSettings>("expected");
    QTest::addColumn<QString>("error");  // the start of the complaint; empty: parsed

    const auto still = [](const QString& output, bool png = true) {
        TRenderSettings s;
        s.Output = output;
        s.Png = png;
        return s;
    };
    const auto split = [](const char* text) { return QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts); };
    const auto ok = [&](const char* name, const char* args, const TRenderSettings& s) {
        QTest::newRow(name) << split(args) << s << QString();
    };
    const auto refused = [&](const char* name, const QStringList& args, const char* error) {
        QTest::newRow(name) << args << TRenderSettings{} << QString::fromLatin1(error);
    };

    ok("a still", "-o x.png", still(QStringLiteral("x.png")));
    ok("a BMP, ending in any case", "-o X.BMP", still(QStringLiteral("X.BMP"), false));
    ok("--format repeating the ending", "--format=PNG -o x.png", still(QStringLiteral("x.png")));
    ok("standard output", "-o -", still(QStringLiteral("-")));
    ok("standard output, BMP", "-o - --format bmp", still(QStringLiteral("-"), false));
    ok("a device without an ending", "-o /dev/null --format bmp", still(QStringLiteral("/dev/null"), false));
    TRenderSettings s = still(QStringLiteral("x.png"));
    s.Width = 320;
    s.Height = 240;
    s.Depth = 1024;
    s.Supersample = 4;
    ok("--opt=value and -ovalue", "--size=320x240 --depth=1024 --supersample 4 -ox.png", s);
    s = still(QStringLiteral("x.png"));
    s.Inputs = QStringList{QStringLiteral("-odd.frc")};
    ok("after --, names", "-o x.png -- -odd.frc", s);
    s = still(QStringLiteral("x.png"));
    s.Width = 256;
    s.Height = 192;
    ok("--fit, the 4:3 shape", "--fit 256 -o x.png", s);
    s.Width = 56;
    s.Height = 100;
    ok("--fit, the size's shape rounded", "--size 90x160 --fit 100 -o x.png", s);
    s.Width = 3;
    s.Height = 1;
    ok("--fit, never below a pixel", "--size 16384x1 --fit 3 -o x.png", s);

    s = still(QStringLiteral("x.png"));
    s.Inputs = QStringList{QStringLiteral("Sea.PTT")};
    ok("a palette's still", "Sea.PTT -o x.png", s);

    s = TRenderSettings{};
    s.Mode = TRenderMode::Batch;
    s.Inputs = QStringList{QStringLiteral("a.frc"), QStringLiteral("dir")};
    s.OutDir = QStringLiteral("out");
    s.Png = false;
    ok("a batch", "a.frc dir -O out --format bmp", s);

    s = TRenderSettings{};
    s.Mode = TRenderMode::Sweep;
    s.OutDir = QStringLiteral("f");
    s.From = {-0.8, 0.156};
    s.To = {0.3, -0.5};
    s.Frames = 12;
    s.First = 5;
    s.Last = 8;
    ok("a part of a sweep", "--sweep -0.8,0.156:0.3,-0.5 --frames 12 --first 5 --last 8 -O f", s);
    s.First = 1;
    s.Last = 12;
    ok("a whole sweep", "--sweep=-0.8,0.156:0.3,-0.5 --frames=12 -O f", s);
    s = TRenderSettings{};
    s.Mode = TRenderMode::Sweep;
    s.OutDir = QStringLiteral("f");
    s.Inputs = QStringList{QStringLiteral("my.frc")};
    s.Steps = true;
    s.AlongX = false;
    s.Start = -2000;
    s.Speed = -5;
    s.Frames = 3;
    s.First = 3;
    s.Last = 3;
    s.Verbose = true;
    ok("bar steps", "my.frc --sweep-steps cy,-2000,-5 --frames 3 --first 3 -O f --verbose", s);

    refused("unknown option", split("-o x.png --colour"), "unknown option 'colour'");
    refused("missing value", split("-o x.png --size"), "missing value after '--size'");
    refused("switch with a value", split("-o x.png --verbose=1"), "unexpected value after '--verbose'");
    refused("a JPEG name", split("-o pic.jpg"), "cannot tell the format of \"pic.jpg\"");
    refused("no ending", split("-o pic"), "cannot tell the format of \"pic\"");
    refused("--format against the ending", split("-o x.png --format bmp"), "--format bmp disagrees");
    refused("bad format", split("-O d --format jpg a.frc"), "bad format \"jpg\"");
    refused("no output", split("a.frc"), "no output");
    refused("both outputs", split("-o x.png -O d"), "-o and -O exclude");
    refused("empty -o", {QStringLiteral("-o"), QString()}, "-o needs");
    refused("batch without inputs", split("-O d"), "no fractal files or folders");
    refused("a palette in a batch", split("a.frc sea.PTT -O d"), "\"sea.PTT\" is a palette: palettes make stills only");
    refused("a palette in a sweep", split("sea.ptt --sweep 0,0:1,1 --frames 3 -O d"),
            "\"sea.ptt\" is a palette: palettes make stills only");
    refused("supersample 0", split("-o x.png --supersample 0"), "bad supersample \"0\"");
    refused("supersample 9", split("-o x.png --supersample 9"), "bad supersample \"9\"");
    refused("fit 0", split("-o x.png --fit 0"), "bad fit \"0\"");
    refused("fit 16385", split("-o x.png --fit 16385"), "bad fit \"16385\"");
    refused("empty sweep", {QStringLiteral("--sweep"), QString(), QStringLiteral("--frames"), QStringLiteral("3"),
                            QStringLiteral("-O"), QStringLiteral("d")},
            "--sweep needs CX1,CY1:CX2,CY2");
    refused("empty sweep steps", {QStringLiteral("--sweep-steps"), QString(), QStringLiteral("--frames"), QStringLiteral("3"),
                                  QStringLiteral("-O"), QStringLiteral("d")},
            "--sweep-steps needs");
    refused("ends whose steps overflow", split("--sweep 1e308,0:-1e308,0 --frames 3 -O d"), "bad sweep \"1e308,0:-1e308,0\": the ends");
    refused("sweep into a file", split("--sweep 0,0:1,1 --frames 3 -o x.png"), "a sweep needs an output folder");
    refused("sweep without a folder", split("--sweep 0,0:1,1 --frames 3"), "no output");
    refused("frames without a sweep", split("--frames 3 -O d a.frc"), "--frames, --first and --last go with");
    refused("first without a sweep", split("--first 2 -o x.png"), "--frames, --first and --last go with");
    refused("first 0", split("--sweep 0,0:1,1 --frames 12 --first 0 -O d"), "bad first frame \"0\"");
    refused("last past the frames", split("--sweep 0,0:1,1 --frames 12 --last 13 -O d"), "bad last frame \"13\"");
    refused("first after last", split("--sweep 0,0:1,1 --frames 12 --first 9 --last 8 -O d"), "the first frame 9 comes after the last 8");
    refused("first past the frames", split("--sweep 0,0:1,1 --frames 12 --first 13 -O d"), "bad first frame \"13\"");
}

void TestRenderTool::parsing()
{
    QFETCH(QStringList, args);
    QFETCH(TRenderSettings, expected);
    QFETCH(QString, error);
    const TParsedArguments parsed = ParseRenderArguments(args);
    if (error.isEmpty()) {
        QCOMPARE(parsed.Error, QString());
        QCOMPARE(parsed.Action, TParsedArguments::Render);
        QVERIFY(parsed.Settings == expected);
    } else {
        QCOMPARE(parsed.Action, TParsedArguments::Refuse);
        QVERIFY2(parsed.Error.startsWith(error), qPrintable(parsed.Error));
        QVERIFY(!parsed.Error.contains(QLatin1Char('\n')));
    }
}

// --help lists every option on a line of its own and the exit statuses, and
// the README's renderer section names every option too.
void TestRenderTool::helpAndVersion()
{
    const TRun help = RunTool({QStringLiteral("--help")});
    QCOMPARE(help.Status, 0);
    QCOMPARE(QString::fromUtf8(help.Stdout), RenderHelpText());
    QFile readme(QStringLiteral(QUILMORA_SOURCE_DIR "/README.md"));
    QVERIFY(readme.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(readme.readAll());
    const QString renderer = text.mid(text.indexOf(QLatin1String("## Headless renderer")));
    static const QRegularExpression optionLine(QStringLiteral("^  (-\\w, |    )--([a-z-]+)(=\\S+)? +\\S.*$"),
                                               QRegularExpression::MultilineOption);
    QStringList options;
    for (auto m = optionLine.globalMatch(RenderHelpText()); m.hasNext();)
        options << m.next().captured(2);
    QCOMPARE(options.size(), 15);
    for (const QString& option : options)
        QVERIFY2(renderer.contains(QStringLiteral("--") + option), qPrintable(option));
    for (const char* status : {"  0  ", "  1  ", "  2  ", "  3  "})
        QVERIFY(RenderHelpText().contains(QLatin1String(status)));
    const TRun version = RunTool({QStringLiteral("--version")});
    QCOMPARE(version.Status, 0);
    QCOMPARE(version.Stdout, QByteArray("quilmora-render 1.02\n"));
}

QTEST_GUILESS_MAIN(TestRenderTool)
#include "tst_render_tool.moc"
