// The headless renderer, run as a separate process: BMP layout, pixels, bad input.

#include "engine/Palette.h"
#include "engine/ProgramState.h"
#include "engine/RasterWalk.h"
#include "files/FileFormats.h"
#include "tests/support/Bmp.h"
#include "tests/support/Files.h"
#include "tests/support/Pictures.h"
#include "tests/support/ProgramFolder.h"

#include <QtTest>

#include <array>
#include <cstring>

namespace {

struct TRun {
    int Status = -1;
    QString Stderr;
};

TRun RunTool(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(QUILMORA_RENDER_EXE), args);
    TRun run;
    if (!p.waitForFinished(300000))
        return run;
    run.Status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.Stderr = QString::fromUtf8(p.readAllStandardError());
    return run;
}

}  // namespace

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
    QTest::addColumn<QString>("file");  // written first when not empty: hex bytes
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
}

void TestRenderTool::badInput()
{
    QFETCH(QStringList, args);
    QFETCH(QString, file);
    const QString out = Path(QStringLiteral("refused.bmp"));
    const QString in = Path(QStringLiteral("refused.frc"));
    if (!file.isEmpty())
        QVERIFY(WriteBytes(in, QByteArray::fromHex(file.toLatin1())));
    for (QString& a : args) {
        a.replace(QStringLiteral("@OUT@"), out);
        a.replace(QStringLiteral("@IN@"), in);
        a.replace(QStringLiteral("@DIR@"), Dir.Path());
    }
    const TRun run = RunTool(args);
    QCOMPARE(run.Status, 2);
    QCOMPARE(run.Stderr.count(QLatin1Char('\n')), 1);
    QVERIFY(run.Stderr.startsWith(QStringLiteral("quilmora-render: ")));
    QVERIFY(!QFile::exists(out));
}

void TestRenderTool::unwritableOutput()
{
    const QString out = Path(QStringLiteral("no-such-folder/x.bmp"));
    const TRun run = RunTool({QStringLiteral("-o"), out, QStringLiteral("--size"), QStringLiteral("8x8")});
    QVERIFY(run.Status != 0);
    QCOMPARE(run.Stderr.count(QLatin1Char('\n')), 1);
    QVERIFY(!QFile::exists(out));
}

QTEST_GUILESS_MAIN(TestRenderTool)
#include "tst_render_tool.moc"
