// Fractal (.frc), palette (.ptt) and settings.dat files: byte layouts, the
// kind checks of the readers, short and bad files, open failures and their
// messages.

#include <QtTest>

#include "engine/Colouring.h"
#include "engine/Messages.h"
#include "engine/Palette.h"
#include "engine/ProgramState.h"
#include "engine/RasterWalk.h"
#include "files/FileBrowser.h"
#include "files/FileFormats.h"
#include "files/SettingsFile.h"
#include "tests/support/Files.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/Pictures.h"
#include "tests/support/ProgramFolder.h"
#include "tests/support/SpecialFiles.h"
#include "tests/support/StoredSettings.h"

#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

namespace {

using TColourTable = std::array<TColourEntry, ColourTableSize>;

// The start-up state (kind 1, C = 0.402 + 0.339i, centre 0, width 5, levels
// 36 16 12 26 18 8) as a fractal file and as a palette file.
const QByteArray StartupFractalBytes = QByteArray::fromHex(
    "01000000" "01000000" "ee7c3f355ebad93f" "1904560e2db2d53f" "00000000" "00000000" "0000a040"
    "24000000" "10000000" "0c000000" "1a000000" "12000000" "08000000");
const QByteArray StartupPaletteBytes = QByteArray::fromHex(
    "01000000" "24000000" "10000000" "0c000000" "1a000000" "12000000" "08000000");

// A picture whose every value differs from the start-up state; C is not a
// multiple of 0.001.
TFractalParams OtherParams()
{
    TFractalParams p;
    p.FormulaKind = 1;
    p.PaletteKind = 7;
    p.Cx = -0.7436438870371587;
    p.Cy = 0.13182590420531197;
    p.CenterX = -1.25f;
    p.CenterY = 0.375f;
    p.ViewWidth = 0.0123f;
    p.R0 = 99;
    p.G0 = 0;
    p.B0 = 100;
    p.R1 = 40;
    p.G1 = 1;
    p.B1 = 33;
    return p;
}
const QByteArray OtherFractalBytes = QByteArray::fromHex(
    "01000000" "07000000" "be3cd643eecbe7bf" "aee9a9d5abdfc03f" "0000a0bf" "0000c03e" "f085493c"
    "63000000" "00000000" "64000000" "28000000" "01000000" "21000000");
const QByteArray OtherPaletteBytes = QByteArray::fromHex(
    "07000000" "63000000" "00000000" "64000000" "28000000" "01000000" "21000000");

TColourTable TableFor(const TFractalParams& p)
{
    ProgramState s;
    s.FractalParams = p;
    BuildColourTable(s);
    return s.ColourTable;
}

const TColourEntry& MarkerColour(const ProgramState& s, float, float)
{
    return s.ColourTable[ColourTableSize - 1];
}

// A state with a built table, both flags set and a colouring function that
// is not the formula's, so that every change a reader makes shows.
struct TWatchedState {
    ProgramState S;
    int FormulaSelectedCalls = 0;
    TWatchedState()
    {
        BuildColourTable(S);
        S.FileFormulaKnown = true;
        S.FilePaletteKnown = true;
        S.ColourFunction = MarkerColour;
        S.FormulaSelected = [this] { ++FormulaSelectedCalls; };
    }
};

template <typename T>
void PutAt(QByteArray& bytes, int offset, T value)
{
    const T le = qToLittleEndian(value);
    std::memcpy(bytes.data() + offset, &le, sizeof(T));
}

// Renders a small centred raster of the state with the reference walk.
QImage RenderSmall(const ProgramState& s, int width = 7, int height = 5)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(0x12345678);
    RasterWalkReference(s, CentredRaster(s, width, height), TargetOf(image));
    return image;
}

// Settings record fields in file order, with their offsets and sizes.
struct TSettingsField {
    int Offset;
    int Size;
};
constexpr TSettingsField SettingsFields[12] = {{0, 4},  {4, 4},  {8, 4},  {12, 4},
                                               {16, 4}, {20, 4}, {24, 4}, {28, 4},
                                               {32, 4}, {36, 4}, {40, 4}, {44, 1}};
std::array<int64_t, 12> SettingsValues(const TSettingsRecord& r)
{
    return {r.SlideDelay, r.CloseExportAfterSave, r.Left, r.Top, r.R0, r.G0,
            r.B0,         r.R1,                   r.G1,   r.B1,  r.PaletteKind, r.SlideRandomOrder};
}

TSettingsRecord OtherSettings()
{
    TSettingsRecord r;
    r.SlideDelay = 9;
    r.CloseExportAfterSave = 1;
    r.Left = -120;
    r.Top = 333;
    r.R0 = 100;
    r.G0 = 0;
    r.B0 = 55;
    r.R1 = 40;
    r.G1 = 3;
    r.B1 = 17;
    r.PaletteKind = 6;
    r.SlideRandomOrder = 1;
    return r;
}
const QByteArray OtherSettingsBytes = QByteArray::fromHex(
    "09000000" "01000000" "88ffffff" "4d010000" "64000000" "00000000" "37000000" "28000000"
    "03000000" "11000000" "06000000" "01");

}  // namespace

Q_DECLARE_METATYPE(TReadOutcome)

// How a failed comparison prints an outcome.
char* toString(TReadOutcome outcome)
{
    static const char* const names[] = {"Read", "CannotOpen", "UnknownFormula", "UnknownPalette"};
    return qstrdup(names[int(outcome)]);
}

class TestFiles : public QObject {
    Q_OBJECT

    TProgramFolder Dir;
    std::optional<TMessageRecorder> Recorder;
    QList<TRecordedMessage>& Messages() { return Recorder->Messages; }

    QString PathIn(const QString& name) const { return Dir.FilePath(name); }
    void ExpectOnlyMessage(const QString& text)
    {
        QCOMPARE(Messages().size(), 1);
        QVERIFY(Messages()[0].Kind == TMessageKind::Plain);
        QCOMPARE(Messages()[0].Caption, QStringLiteral("Quilmora 1.02"));
        QCOMPARE(Messages()[0].Text, text);
    }

private slots:
    void initTestCase() { QVERIFY(Dir.IsValid()); }
    void init() { Recorder.emplace(); }
    void cleanup() { Recorder.reset(); }

    void startupStateBytes()
    {
        ProgramState s;
        QCOMPARE(EncodeFractal(s.FractalParams), StartupFractalBytes);
        QCOMPARE(EncodePalette(s.FractalParams), StartupPaletteBytes);

        s.FilePath = PathIn("startup.frc");
        QVERIFY(WriteFractalFile(s));
        QCOMPARE(ReadBytes(s.FilePath), StartupFractalBytes);
        s.FilePath = PathIn("startup.ptt");
        QVERIFY(WritePaletteFile(s));
        QCOMPARE(ReadBytes(s.FilePath), StartupPaletteBytes);
        QVERIFY(Messages().isEmpty());

        // Read back into a state that holds something else: the exact start-up values.
        ProgramState t;
        t.FractalParams = OtherParams();
        QCOMPARE(DecodeFractalInto(t, StartupFractalBytes), TReadOutcome::Read);
        QCOMPARE(t.FractalParams, TFractalParams{});
        QCOMPARE(t.FractalParams.Cx, 0.402);
        QCOMPARE(t.FractalParams.Cy, 0.339);
    }

    void layoutOfEveryField()
    {
        QCOMPARE(EncodeFractal(OtherParams()), OtherFractalBytes);
        QCOMPARE(EncodePalette(OtherParams()), OtherPaletteBytes);
        QCOMPARE(OtherFractalBytes.size(), 60);
        QCOMPARE(OtherPaletteBytes.size(), 28);
    }

    void fractalRoundTrip()
    {
        ProgramState w;
        w.FractalParams = OtherParams();
        w.FilePath = PathIn("round.frc");
        // The palette part is written whatever ApplyFilePalette says.
        w.ApplyFilePalette = false;
        QVERIFY(WriteBytes(w.FilePath, QByteArray(100, '\x7f')));  // cut to the new size
        QVERIFY(WriteFractalFile(w));
        QCOMPARE(ReadBytes(w.FilePath), OtherFractalBytes);

        TWatchedState r;
        r.S.FilePath = w.FilePath;
        r.S.FileFormulaKnown = false;
        r.S.FilePaletteKnown = false;
        QCOMPARE(ReadFractalFile(r.S), TReadOutcome::Read);
        QCOMPARE(r.S.FractalParams, OtherParams());
        QCOMPARE(r.S.FractalParams.Cx, -0.7436438870371587);
        QCOMPARE(r.S.FractalParams.Cy, 0.13182590420531197);
        QVERIFY(r.S.FileFormulaKnown);
        QVERIFY(r.S.FilePaletteKnown);
        QVERIFY(r.S.ColourFunction == SquareColour);
        QCOMPARE(r.FormulaSelectedCalls, 1);
        QVERIFY(r.S.ColourTable == TableFor(OtherParams()));
        QVERIFY(Messages().isEmpty());
    }

    void paletteRoundTrip()
    {
        ProgramState w;
        w.FractalParams = OtherParams();
        w.FilePath = PathIn("round.ptt");
        QVERIFY(WritePaletteFile(w));
        QCOMPARE(ReadBytes(w.FilePath), OtherPaletteBytes);

        TWatchedState r;
        r.S.FilePath = w.FilePath;
        r.S.FilePaletteKnown = false;
        QCOMPARE(ReadPaletteFile(r.S), TReadOutcome::Read);
        TFractalParams expected;  // only the palette part comes from the file
        expected.PaletteKind = 7;
        expected.R0 = 99, expected.G0 = 0, expected.B0 = 100;
        expected.R1 = 40, expected.G1 = 1, expected.B1 = 33;
        QCOMPARE(r.S.FractalParams, expected);
        QVERIFY(r.S.FilePaletteKnown);
        QVERIFY(r.S.FileFormulaKnown);  // not the palette reader's business
        QVERIFY(r.S.ColourFunction == MarkerColour);
        QVERIFY(r.S.ColourTable == TableFor(expected));
        QVERIFY(Messages().isEmpty());
    }

    void refusedFormulaKind_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("0") << 0;
        QTest::newRow("2") << 2;
        QTest::newRow("-1") << -1;
        QTest::newRow("min") << std::numeric_limits<int32_t>::min();
        QTest::newRow("257") << 257;  // low byte 1
    }
    void refusedFormulaKind()
    {
        QFETCH(int, kind);
        for (bool apply : {true, false}) {
            QByteArray bytes = OtherFractalBytes;
            PutAt<int32_t>(bytes, 0, kind);
            TWatchedState r;
            r.S.ApplyFilePalette = apply;
            const TColourTable table = r.S.ColourTable;
            QCOMPARE(DecodeFractalInto(r.S, bytes), TReadOutcome::UnknownFormula);
            QVERIFY(!r.S.FileFormulaKnown);
            QVERIFY(r.S.FilePaletteKnown);
            QCOMPARE(r.S.FractalParams, TFractalParams{});
            QVERIFY(r.S.ColourTable == table);
            QVERIFY(r.S.ColourFunction == MarkerColour);
            QCOMPARE(r.FormulaSelectedCalls, 0);
        }
        QVERIFY(Messages().isEmpty());  // the callers report it
    }

    void fractalPaletteKind_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("apply");
        QTest::addColumn<bool>("flagBefore");
        for (int kind : {0, 9, -1, 5}) {
            for (bool apply : {true, false}) {
                for (bool flag : {true, false}) {
                    const QByteArray name = QByteArray::number(kind) + (apply ? " applied" : " kept") +
                                            (flag ? " flag1" : " flag0");
                    QTest::newRow(name.constData()) << kind << apply << flag;
                }
            }
        }
    }
    void fractalPaletteKind()
    {
        QFETCH(int, kind);
        QFETCH(bool, apply);
        QFETCH(bool, flagBefore);
        QByteArray bytes = OtherFractalBytes;
        PutAt<int32_t>(bytes, 4, kind);
        TWatchedState r;
        r.S.ApplyFilePalette = apply;
        r.S.FilePaletteKnown = flagBefore;
        r.S.FileFormulaKnown = false;
        const TColourTable table = r.S.ColourTable;
        const TReadOutcome outcome = DecodeFractalInto(r.S, bytes);

        // The formula part is always taken.
        const TFractalParams other = OtherParams();
        TFractalParams expected;
        expected.Cx = other.Cx;
        expected.Cy = other.Cy;
        expected.CenterX = other.CenterX;
        expected.CenterY = other.CenterY;
        expected.ViewWidth = other.ViewWidth;
        QVERIFY(r.S.FileFormulaKnown);
        QVERIFY(r.S.ColourFunction == SquareColour);
        QCOMPARE(r.FormulaSelectedCalls, 1);

        const bool good = kind >= 1 && kind <= 8;
        QCOMPARE(outcome, apply && !good ? TReadOutcome::UnknownPalette : TReadOutcome::Read);
        if (apply && good) {
            expected.PaletteKind = kind;
            expected.R0 = other.R0, expected.G0 = other.G0, expected.B0 = other.B0;
            expected.R1 = other.R1, expected.G1 = other.G1, expected.B1 = other.B1;
            QCOMPARE(r.S.FractalParams, expected);
            QVERIFY(r.S.FilePaletteKnown);
            QVERIFY(r.S.ColourTable == TableFor(expected));
        } else {
            QCOMPARE(r.S.FractalParams, expected);
            QVERIFY(r.S.ColourTable == table);
            // Refused: the flag says so. Not applied: the flag is left alone.
            QCOMPARE(r.S.FilePaletteKnown, apply ? false : flagBefore);
        }
    }

    void paletteFileKind_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("9") << 9;
        QTest::newRow("0") << 0;
        QTest::newRow("-1") << -1;
        QTest::newRow("263") << 263;  // low byte 7
    }
    void paletteFileKind()
    {
        QFETCH(int, kind);
        QByteArray bytes = OtherPaletteBytes;
        PutAt<int32_t>(bytes, 0, kind);
        const QString path = PathIn("kind.ptt");
        QVERIFY(WriteBytes(path, bytes));
        TWatchedState r;
        r.S.FilePath = path;
        const TColourTable table = r.S.ColourTable;
        QCOMPARE(ReadPaletteFile(r.S), TReadOutcome::UnknownPalette);
        QVERIFY(!r.S.FilePaletteKnown);
        QVERIFY(r.S.FileFormulaKnown);
        QCOMPARE(r.S.FractalParams, TFractalParams{});
        QVERIFY(r.S.ColourTable == table);
        QVERIFY(Messages().isEmpty());
    }

    void levelsOutsideTrackBarRanges()
    {
        // Kind 1 keeps the arithmetic checkable by hand: byte = (L + P*i) mod 256.
        QByteArray bytes = OtherFractalBytes;
        PutAt<int32_t>(bytes, 4, 1);
        PutAt<int32_t>(bytes, 36, -5);     // R0
        PutAt<int32_t>(bytes, 40, 300);    // G0
        PutAt<int32_t>(bytes, 44, -1000);  // B0
        PutAt<int32_t>(bytes, 48, 200);    // R1
        PutAt<int32_t>(bytes, 52, -3);     // G1
        PutAt<int32_t>(bytes, 56, std::numeric_limits<int32_t>::max());  // B1
        ProgramState s;
        BuildColourTable(s);
        DecodeFractalInto(s, bytes);
        const TFractalParams& p = s.FractalParams;
        QCOMPARE(p.R0, -5);
        QCOMPARE(p.G0, 300);
        QCOMPARE(p.B0, -1000);
        QCOMPARE(p.R1, 200);
        QCOMPARE(p.G1, -3);
        QCOMPARE(p.B1, std::numeric_limits<int32_t>::max());
        // Interior colour: the low bytes of the levels.
        QCOMPARE(int(s.ColourTable[0].Red), 251);
        QCOMPARE(int(s.ColourTable[0].Green), 44);
        QCOMPARE(int(s.ColourTable[0].Blue), 24);
        // Entry 1: -5+200 = 195, 300-3 = 297 -> 41, -1000 + 0x7fffffff -> 0x...17 -> 23.
        QCOMPARE(int(s.ColourTable[1].Red), 195);
        QCOMPARE(int(s.ColourTable[1].Green), 41);
        QCOMPARE(int(s.ColourTable[1].Blue), 23);
        // Entry 2: -5+400 = 395 -> 139, 300-6 = 294 -> 38, -1000 + 2*0x7fffffff -> 22.
        QCOMPARE(int(s.ColourTable[2].Red), 139);
        QCOMPARE(int(s.ColourTable[2].Green), 38);
        QCOMPARE(int(s.ColourTable[2].Blue), 22);
        QCOMPARE(int(s.ColourTable[8190].Red) + s.ColourTable[8190].Green + s.ColourTable[8190].Blue +
                     s.ColourTable[8191].Red + s.ColourTable[8191].Green + s.ColourTable[8191].Blue,
                 0);

        // The same levels from a palette file, with sine channels: taken as
        // they are and the table rebuilt without failing.
        QByteArray pal = QByteArray::fromHex("02000000");
        for (int32_t v : {-5, 300, std::numeric_limits<int32_t>::min(), 200, -3,
                          std::numeric_limits<int32_t>::max()}) {
            QByteArray field(4, '\0');
            PutAt<int32_t>(field, 0, v);
            pal += field;
        }
        ProgramState t;
        DecodePaletteInto(t, pal);
        QCOMPARE(t.FractalParams.PaletteKind, 2);
        QCOMPARE(t.FractalParams.B0, std::numeric_limits<int32_t>::min());
        QCOMPARE(t.FractalParams.R1, 200);
        QCOMPARE(int(t.ColourTable[0].Red), 251);
        for (int i = 1; i <= ColourTableBuilt; ++i) {
            QVERIFY(t.ColourTable[i].Red <= 254);
            QVERIFY(t.ColourTable[i].Green <= 254);
            QVERIFY(t.ColourTable[i].Blue <= 254);
        }
    }

    void shortFractalFiles()
    {
        // Offsets and sizes of the thirteen fields.
        const int ends[13] = {4, 8, 16, 24, 28, 32, 36, 40, 44, 48, 52, 56, 60};
        const TFractalParams file = [] {
            TFractalParams p = OtherParams();
            p.PaletteKind = 6;
            return p;
        }();
        const QByteArray bytes = EncodeFractal(file);
        for (int length = 0; length <= FractalFileSize; ++length) {
            TFractalParams expected;
            auto has = [&](int field) { return ends[field] <= length; };
            if (has(1)) expected.PaletteKind = file.PaletteKind;
            if (has(2)) expected.Cx = file.Cx;
            if (has(3)) expected.Cy = file.Cy;
            if (has(4)) expected.CenterX = file.CenterX;
            if (has(5)) expected.CenterY = file.CenterY;
            if (has(6)) expected.ViewWidth = file.ViewWidth;
            if (has(7)) expected.R0 = file.R0;
            if (has(8)) expected.G0 = file.G0;
            if (has(9)) expected.B0 = file.B0;
            if (has(10)) expected.R1 = file.R1;
            if (has(11)) expected.G1 = file.G1;
            if (has(12)) expected.B1 = file.B1;

            TWatchedState r;
            r.S.FileFormulaKnown = false;
            r.S.FilePaletteKnown = false;
            r.S.FilePath = PathIn("short.frc");
            QVERIFY(WriteBytes(r.S.FilePath, bytes.left(length)));
            const QByteArray where = "length " + QByteArray::number(length);
            QVERIFY2(ReadFractalFile(r.S) == TReadOutcome::Read, where.constData());
            QVERIFY2(r.S.FractalParams == expected, where.constData());
            // A missing kind keeps the state's own, which is a known one.
            QVERIFY2(r.S.FileFormulaKnown, where.constData());
            QVERIFY2(r.S.FilePaletteKnown, where.constData());
            QVERIFY2(r.S.ColourFunction == SquareColour, where.constData());
            QVERIFY2(r.S.ColourTable == TableFor(expected), where.constData());
        }
        QVERIFY(Messages().isEmpty());

        // An empty file is accepted and changes nothing.
        TWatchedState e;
        const TColourTable table = e.S.ColourTable;
        DecodeFractalInto(e.S, QByteArray());
        QCOMPARE(e.S.FractalParams, TFractalParams{});
        QVERIFY(e.S.ColourTable == table);
        QVERIFY(e.S.FileFormulaKnown);
    }

    void shortFileWithUnknownFormula()
    {
        QByteArray bytes = OtherFractalBytes;
        PutAt<int32_t>(bytes, 0, 2);
        for (int length = 0; length <= FractalFileSize; ++length) {
            TWatchedState r;
            r.S.FileFormulaKnown = !(length < 4);
            DecodeFractalInto(r.S, bytes.left(length));
            const QByteArray where = "length " + QByteArray::number(length);
            // Only a whole kind field refuses the file; nothing else changes either way.
            QVERIFY2(r.S.FileFormulaKnown == (length < 4), where.constData());
            QVERIFY2(r.S.FractalParams == TFractalParams{}, where.constData());
        }
    }

    void shortPaletteFiles()
    {
        const int ends[7] = {4, 8, 12, 16, 20, 24, 28};
        const TFractalParams file = OtherParams();
        const QByteArray bytes = EncodePalette(file);
        for (int length = 0; length <= PaletteFileSize; ++length) {
            auto has = [&](int field) { return ends[field] <= length; };
            TFractalParams expected;
            if (has(0)) expected.PaletteKind = file.PaletteKind;
            if (has(1)) expected.R0 = file.R0;
            if (has(2)) expected.G0 = file.G0;
            if (has(3)) expected.B0 = file.B0;
            if (has(4)) expected.R1 = file.R1;
            if (has(5)) expected.G1 = file.G1;
            if (has(6)) expected.B1 = file.B1;
            TWatchedState r;
            r.S.FilePaletteKnown = false;
            r.S.FilePath = PathIn("short.ptt");
            QVERIFY(WriteBytes(r.S.FilePath, bytes.left(length)));
            const QByteArray where = "length " + QByteArray::number(length);
            QVERIFY2(ReadPaletteFile(r.S) == TReadOutcome::Read, where.constData());
            QVERIFY2(r.S.FractalParams == expected, where.constData());
            QVERIFY2(r.S.FilePaletteKnown, where.constData());
            QVERIFY2(r.S.ColourTable == TableFor(expected), where.constData());
        }
        QVERIFY(Messages().isEmpty());
    }

    void longFilesReadOnlyTheirFormat()
    {
        TWatchedState r;
        r.S.FilePath = PathIn("long.frc");
        QVERIFY(WriteBytes(r.S.FilePath, OtherFractalBytes + QByteArray(40, '\xff')));
        ReadFractalFile(r.S);
        QCOMPARE(r.S.FractalParams, OtherParams());

        TWatchedState q;
        q.S.FilePath = PathIn("long.ptt");
        // The palette part of a fractal file is not a palette file.
        QVERIFY(WriteBytes(q.S.FilePath, StartupPaletteBytes + OtherPaletteBytes));
        q.S.FractalParams = OtherParams();
        ReadPaletteFile(q.S);
        TFractalParams expected = OtherParams();
        expected.PaletteKind = 1;
        expected.R0 = 36, expected.G0 = 16, expected.B0 = 12;
        expected.R1 = 26, expected.G1 = 18, expected.B1 = 8;
        QCOMPARE(q.S.FractalParams, expected);
    }

    void unreadablePaths_data()
    {
        QTest::addColumn<bool>("fractal");
        QTest::addColumn<QString>("name");
        QTest::newRow("missing fractal") << true << QStringLiteral("nothing.frc");
        QTest::newRow("missing palette") << false << QStringLiteral("nothing.ptt");
        QTest::newRow("folder fractal") << true << QStringLiteral("folder.frc");
        QTest::newRow("folder palette") << false << QStringLiteral("folder.ptt");
        QTest::newRow("missing folder") << true << QStringLiteral("absent/x.frc");
    }
    void unreadablePaths()
    {
        QFETCH(bool, fractal);
        QFETCH(QString, name);
        QDir(Dir.Path()).mkpath(QStringLiteral("folder.frc"));
        QDir(Dir.Path()).mkpath(QStringLiteral("folder.ptt"));
        for (bool flag : {true, false}) {
            Messages().clear();
            TWatchedState r;
            r.S.FractalParams = OtherParams();
            r.S.FileFormulaKnown = flag;
            r.S.FilePaletteKnown = !flag;
            const TColourTable table = r.S.ColourTable;
            r.S.FilePath = PathIn(name);
            const TReadOutcome outcome = fractal ? ReadFractalFile(r.S) : ReadPaletteFile(r.S);
            QCOMPARE(outcome, TReadOutcome::CannotOpen);
            QVERIFY(Messages().isEmpty());  // the reader alone says nothing
            QCOMPARE(ReportRead(outcome), TReadOutcome::CannotOpen);
            ExpectOnlyMessage(QStringLiteral("Файл не удается открыть для чтения."));
            QCOMPARE(r.S.FractalParams, OtherParams());
            QCOMPARE(r.S.FileFormulaKnown, flag);
            QCOMPARE(r.S.FilePaletteKnown, !flag);
            QVERIFY(r.S.ColourTable == table);
            QVERIFY(r.S.ColourFunction == MarkerColour);
            QCOMPARE(r.FormulaSelectedCalls, 0);
        }
    }

    void unwritablePaths_data()
    {
        QTest::addColumn<bool>("fractal");
        QTest::addColumn<QString>("name");
        QTest::newRow("fractal in missing folder") << true << QStringLiteral("absent/fractal_new.frc");
        QTest::newRow("palette in missing folder") << false << QStringLiteral("absent/palette_new.ptt");
        QTest::newRow("fractal onto folder") << true << QStringLiteral("taken.frc");
        QTest::newRow("palette onto folder") << false << QStringLiteral("taken.ptt");
    }
    void unwritablePaths()
    {
        QFETCH(bool, fractal);
        QFETCH(QString, name);
        QDir root(Dir.Path());
        for (const char* taken : {"taken.frc", "taken.ptt"}) {
            root.mkpath(QLatin1String(taken));
            QVERIFY(WriteBytes(root.filePath(QLatin1String(taken)) + QStringLiteral("/inside"),
                               "old"));
        }
        ProgramState s;
        s.FractalParams = OtherParams();
        s.FilePath = PathIn(name);
        const bool written = fractal ? WriteFractalFile(s) : WritePaletteFile(s);
        QVERIFY(!written);
        QVERIFY(Messages().isEmpty());  // the writer alone says nothing
        QVERIFY(!ReportWrite(written));
        ExpectOnlyMessage(QStringLiteral("Файл не удается открыть для записи."));
        QCOMPARE(s.FractalParams, OtherParams());
        QVERIFY(!root.exists(QStringLiteral("absent")));
        const QFileInfo info(s.FilePath);
        if (info.exists()) {  // the folder that stood in the way, untouched
            QVERIFY(info.isDir());
            QCOMPARE(ReadBytes(s.FilePath + QStringLiteral("/inside")), QByteArray("old"));
            QCOMPARE(QDir(s.FilePath).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                     QStringList{QStringLiteral("inside")});
        }
        // No temporary file left beside.
        QCOMPARE(root.entryList(QStringList{QStringLiteral("*.frc.*"), QStringLiteral("*.ptt.*")},
                                QDir::AllEntries | QDir::Hidden),
                 QStringList{});
    }

    // What each read says it did, file by file.
    void readOutcomes_data()
    {
        QTest::addColumn<bool>("fractal");
        QTest::addColumn<QString>("name");   // in the folder; "" for a folder of that name
        QTest::addColumn<QByteArray>("bytes");  // the file's; null for no file
        QTest::addColumn<bool>("apply");
        QTest::addColumn<TReadOutcome>("outcome");
        const auto fractalWith = [](int offset, int32_t kind) {
            QByteArray b = OtherFractalBytes;
            PutAt<int32_t>(b, offset, kind);
            return b;
        };
        QByteArray unknownPalette = OtherPaletteBytes;
        for (bool apply : {true, false}) {
            const char* a = apply ? "applied" : "kept";
            for (bool fractal : {true, false}) {
                const char* f = fractal ? "fractal" : "palette";
                const QString ext = fractal ? QStringLiteral(".frc") : QStringLiteral(".ptt");
                QTest::addRow("%s missing, %s", f, a)
                    << fractal << (QStringLiteral("none") + ext) << QByteArray() << apply << TReadOutcome::CannotOpen;
                QTest::addRow("%s folder, %s", f, a)
                    << fractal << QString() << QByteArray() << apply << TReadOutcome::CannotOpen;
                QTest::addRow("%s missing parent, %s", f, a)
                    << fractal << (QStringLiteral("absent/x") + ext) << QByteArray() << apply << TReadOutcome::CannotOpen;
                QTest::addRow("%s good, %s", f, a) << fractal << (QStringLiteral("good") + ext)
                                                  << (fractal ? OtherFractalBytes : OtherPaletteBytes) << apply
                                                  << TReadOutcome::Read;
                QTest::addRow("%s empty, %s", f, a) << fractal << (QStringLiteral("empty") + ext)
                                                   << QByteArray("") << apply << TReadOutcome::Read;
            }
            for (int kind : {0, 2, -1})
                QTest::addRow("formula kind %d, %s", kind, a) << true << QStringLiteral("formula.frc")
                                                             << fractalWith(0, kind) << apply
                                                             << TReadOutcome::UnknownFormula;
            for (int kind : {0, 9}) {
                QTest::addRow("fractal palette kind %d, %s", kind, a)
                    << true << QStringLiteral("palette.frc") << fractalWith(4, kind) << apply
                    << (apply ? TReadOutcome::UnknownPalette : TReadOutcome::Read);
                PutAt<int32_t>(unknownPalette, 0, kind);
                QTest::addRow("palette kind %d, %s", kind, a) << false << QStringLiteral("kind.ptt")
                                                             << unknownPalette << apply
                                                             << TReadOutcome::UnknownPalette;
            }
        }
    }
    void readOutcomes()
    {
        QFETCH(bool, fractal);
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, apply);
        QFETCH(TReadOutcome, outcome);
        ProgramState s;
        BuildColourTable(s);
        s.ApplyFilePalette = apply;
        if (name.isEmpty()) {
            name = QStringLiteral("folder.read");
            QVERIFY(QDir(Dir.Path()).mkpath(name));
        }
        s.FilePath = PathIn(name);
        if (!bytes.isNull())
            QVERIFY(WriteBytes(s.FilePath, bytes));
        QCOMPARE(fractal ? ReadFractalFile(s) : ReadPaletteFile(s), outcome);
        QVERIFY(Messages().isEmpty());
    }

    // Only a file that cannot be opened is reported, with the plain message.
    void reportRead_data()
    {
        QTest::addColumn<TReadOutcome>("outcome");
        QTest::addColumn<bool>("shown");
        QTest::newRow("read") << TReadOutcome::Read << false;
        QTest::newRow("cannot open") << TReadOutcome::CannotOpen << true;
        QTest::newRow("unknown formula") << TReadOutcome::UnknownFormula << false;
        QTest::newRow("unknown palette") << TReadOutcome::UnknownPalette << false;
    }
    void reportRead()
    {
        QFETCH(TReadOutcome, outcome);
        QFETCH(bool, shown);
        QCOMPARE(ReportRead(outcome), outcome);
        if (shown)
            ExpectOnlyMessage(QStringLiteral("Файл не удается открыть для чтения."));
        else
            QVERIFY(Messages().isEmpty());
    }

    void writerResults_data()
    {
        QTest::addColumn<bool>("fractal");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("old");  // a file stands there first
        QTest::addColumn<bool>("written");
        for (bool fractal : {true, false}) {
            const char* f = fractal ? "fractal" : "palette";
            const QString ext = fractal ? QStringLiteral(".frc") : QStringLiteral(".ptt");
            QTest::addRow("%s new", f) << fractal << (QStringLiteral("new") + ext) << false << true;
            QTest::addRow("%s over an old one", f) << fractal << (QStringLiteral("old") + ext) << true << true;
            QTest::addRow("%s in missing folder", f) << fractal << (QStringLiteral("absent/x") + ext) << false << false;
        }
    }
    void writerResults()
    {
        QFETCH(bool, fractal);
        QFETCH(QString, name);
        QFETCH(bool, old);
        QFETCH(bool, written);
        ProgramState s;
        s.FractalParams = OtherParams();
        s.FilePath = PathIn(name);
        if (old)
            QVERIFY(WriteBytes(s.FilePath, QByteArray(100, '\x7f')));
        const bool result = fractal ? WriteFractalFile(s) : WritePaletteFile(s);
        QCOMPARE(result, written);
        QVERIFY(Messages().isEmpty());
        QCOMPARE(ReportWrite(result), written);
        if (written) {
            QVERIFY(Messages().isEmpty());
            QCOMPARE(ReadBytes(s.FilePath), fractal ? OtherFractalBytes : OtherPaletteBytes);
        } else {
            ExpectOnlyMessage(QStringLiteral("Файл не удается открыть для записи."));
            QVERIFY(!QFileInfo::exists(s.FilePath));
        }
    }

    void messageTexts()
    {
        QCOMPARE(ProgramTitle, QStringLiteral("Quilmora 1.02"));
        QVERIFY(HomePageAddress.startsWith(QStringLiteral("http")));
        QCOMPARE(MsgCannotRead, QStringLiteral("Файл не удается открыть для чтения."));
        QCOMPARE(MsgCannotWrite, QStringLiteral("Файл не удается открыть для записи."));
        QCOMPARE(CaptionUnknownFractal, QStringLiteral("Открытие файла не возможно"));
        QCOMPARE(MsgUnknownFractal,
                 QStringLiteral("Тип фрактала неизвестен этой версии.\n Возможно, следует обновить "
                                "версию со \n страницы программы - ") +
                     HomePageAddress);
        QCOMPARE(CaptionFractalPaletteIgnored, QStringLiteral("Палитра фрактала проигнорирована"));
        // No full stop after "версии", a blank before the break.
        QCOMPARE(MsgFractalPaletteUnknown,
                 QStringLiteral("Тип палитры неизвестен этой версии \n Возможно, следует обновить "
                                "версию со \n страницы программы - ") +
                     HomePageAddress);
        QCOMPARE(CaptionPaletteIgnored, QStringLiteral("Палитра проигнорирована"));
        // Full stop, no blank.
        QCOMPARE(MsgPaletteUnknown,
                 QStringLiteral("Тип палитры неизвестен этой версии.\n Возможно, следует обновить "
                                "версию со \n страницы программы - ") +
                     HomePageAddress);
        QCOMPARE(MsgPreviewUnknown, QStringLiteral("Неизвестный тип."));
    }

    void settingsLayout()
    {
        const TSettingsRecord defaults;
        const std::array<int64_t, 12> expectedDefaults = {4, 0, 0, 0, 36, 16, 12, 26, 18, 8, 1, 0};
        QCOMPARE(SettingsValues(defaults), expectedDefaults);

        QCOMPARE(SettingsFileSize, 45);
        QCOMPARE(EncodeSettings(OtherSettings()), OtherSettingsBytes);
        QCOMPARE(DecodeSettings(OtherSettingsBytes), OtherSettings());
        QCOMPARE(EncodeSettings(defaults).toHex(),
                 QByteArray("04000000" "00000000" "00000000" "00000000" "24000000" "10000000"
                            "0c000000" "1a000000" "12000000" "08000000" "01000000" "00"));

        // Values no control would produce survive as they are.
        TSettingsRecord odd;
        odd.SlideDelay = std::numeric_limits<int32_t>::min();
        odd.PaletteKind = 9;
        odd.SlideRandomOrder = 255;
        odd.R1 = -1;
        const QByteArray oddBytes = EncodeSettings(odd);
        QCOMPARE(oddBytes.size(), 45);
        QCOMPARE(oddBytes.left(4).toHex(), QByteArray("00000080"));
        QCOMPARE(oddBytes.mid(28, 4).toHex(), QByteArray("ffffffff"));
        QCOMPARE(oddBytes.mid(40, 5).toHex(), QByteArray("09000000ff"));
        QCOMPARE(DecodeSettings(oddBytes), odd);

        // The hand layout the window tests write with agrees, field by field.
        QCOMPARE(EncodeStoredSettings({9, 1, -120, 333, 100, 0, 55, 40, 3, 17, 6, 1}), OtherSettingsBytes);
        QCOMPARE(EncodeStoredSettings({}), EncodeSettings(defaults));
        for (int f = 0; f < 11; ++f)
            QCOMPARE(StoredField(oddBytes, 4 * f), int32_t(SettingsValues(odd)[f]));
    }

    void settingsShortBytesReadAsZero()
    {
        const std::array<int64_t, 12> full = SettingsValues(OtherSettings());
        for (int length = 0; length <= SettingsFileSize; ++length) {
            const std::array<int64_t, 12> got = SettingsValues(DecodeSettings(OtherSettingsBytes.left(length)));
            for (int f = 0; f < 12; ++f) {
                const bool whole = SettingsFields[f].Offset + SettingsFields[f].Size <= length;
                const QByteArray where =
                    "length " + QByteArray::number(length) + " field " + QByteArray::number(f);
                QVERIFY2(got[f] == (whole ? full[f] : 0), where.constData());
            }
        }
        // Bytes past the record are ignored.
        QCOMPARE(DecodeSettings(OtherSettingsBytes + QByteArray(10, '\x05')), OtherSettings());
    }

    void settingsFile()
    {
        const QString path = PathIn("settings.dat");
        QVERIFY(WriteBytes(path, QByteArray(100, '\x33')));
        QVERIFY(WriteSettingsFile(path, OtherSettings()));
        QCOMPARE(ReadBytes(path), OtherSettingsBytes);

        TSettingsRecord r;
        QVERIFY(ReadSettingsFile(path, r));
        QCOMPARE(r, OtherSettings());

        // A short file: what it holds, zero beyond.
        QVERIFY(WriteBytes(path, OtherSettingsBytes.left(10)));
        TSettingsRecord shortRead = OtherSettings();
        QVERIFY(ReadSettingsFile(path, shortRead));
        TSettingsRecord expected;
        expected = TSettingsRecord{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        expected.SlideDelay = 9;
        expected.CloseExportAfterSave = 1;
        QCOMPARE(shortRead, expected);

        // Missing file and folder: false, the record untouched.
        QDir(Dir.Path()).mkpath(QStringLiteral("settings.d"));
        for (const char* name : {"absent.dat", "settings.d", "absent/settings.dat"}) {
            TSettingsRecord untouched = OtherSettings();
            QVERIFY(!ReadSettingsFile(PathIn(QLatin1String(name)), untouched));
            QCOMPARE(untouched, OtherSettings());
        }

        // Writing into a missing folder fails and creates nothing.
        QVERIFY(!WriteSettingsFile(PathIn(QStringLiteral("absent/settings.dat")), OtherSettings()));
        QVERIFY(!QDir(Dir.Path()).exists(QStringLiteral("absent")));
        QVERIFY(Messages().isEmpty());  // settings failures are silent
    }

    void hostileValuesRender_data()
    {
        const float inf = std::numeric_limits<float>::infinity();
        const float nan = std::numeric_limits<float>::quiet_NaN();
        const double dinf = std::numeric_limits<double>::infinity();
        const double dnan = std::numeric_limits<double>::quiet_NaN();
        QTest::addColumn<double>("cx");
        QTest::addColumn<double>("cy");
        QTest::addColumn<float>("centerX");
        QTest::addColumn<float>("centerY");
        QTest::addColumn<float>("width");
        QTest::addColumn<int>("entry");  // every pixel's entry, -1 when not fixed
        QTest::newRow("C NaN") << dnan << 0.0 << 0.0f << 0.0f << 5.0f << 0;
        QTest::newRow("Cy NaN") << 0.0 << -dnan << 0.0f << 0.0f << 5.0f << 0;
        QTest::newRow("C +inf") << dinf << 0.0 << 0.0f << 0.0f << 5.0f << 1;
        QTest::newRow("C -inf") << -dinf << 0.0 << 0.0f << 0.0f << 5.0f << 1;
        QTest::newRow("C huge") << 1e300 << -1e300 << 0.0f << 0.0f << 5.0f << 1;
        QTest::newRow("width NaN") << 0.3 << 0.1 << 0.0f << 0.0f << nan << 0;
        QTest::newRow("centre NaN") << 0.3 << 0.1 << nan << 0.0f << 5.0f << 0;
        QTest::newRow("centre huge") << 0.3 << 0.1 << 3e38f << -3e38f << 5.0f << 1;
        QTest::newRow("width inf") << 0.3 << 0.1 << 0.0f << 0.0f << inf << -1;
        QTest::newRow("width -inf") << 0.3 << 0.1 << 0.0f << 0.0f << -inf << -1;
        QTest::newRow("centre inf") << 0.3 << 0.1 << -inf << inf << 5.0f << -1;
        QTest::newRow("width denormal") << 0.3 << 0.1 << 0.0f << 0.0f << 1e-44f << -1;
        QTest::newRow("width max") << 0.3 << 0.1 << 0.0f << 0.0f << 3.4e38f << -1;
    }
    void hostileValuesRender()
    {
        QFETCH(double, cx);
        QFETCH(double, cy);
        QFETCH(float, centerX);
        QFETCH(float, centerY);
        QFETCH(float, width);
        QFETCH(int, entry);
        TFractalParams p = OtherParams();
        p.PaletteKind = 2;
        p.Cx = cx;
        p.Cy = cy;
        p.CenterX = centerX;
        p.CenterY = centerY;
        p.ViewWidth = width;
        const QByteArray bytes = EncodeFractal(p);
        ProgramState s;
        s.IterationLimit = 30;
        DecodeFractalInto(s, bytes);
        QCOMPARE(EncodeFractal(s.FractalParams), bytes);  // bit for bit, NaN included
        const QImage image = RenderSmall(s);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (entry >= 0)
                    QVERIFY(PixelIs(image, x, y, s.ColourTable[entry]));
                else
                    QVERIFY(PixelIsAnEntry(image, x, y, s));
            }
        }
    }

    // ---- The dialogs' folder mechanics ----

    void folderListing_data()
    {
        QTest::addColumn<bool>("fractals");
        QTest::addColumn<QStringList>("entries");  // a trailing "/" makes a folder
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("fractals") << true
                                  << QStringList{"b.frc", "a.b.frc", "x.frcbak", "Up.FRC", "d.frc/", "note.txt",
                                                 "y.pt", ".frc", ".hidden.frc", "frc", "e.fr"}
                                  << QStringList{"a", "b", "d", "Up", "x"};
        QTest::newRow("palettes") << false
                                  << QStringList{"p.ptt", "q.PTT", "r.pttx", "a.b.ptt", "s.ptt.bak", "t.frc"}
                                  << QStringList{"a", "p", "q"};
        QTest::newRow("empty folder") << true << QStringList{} << QStringList{};
        QTest::newRow("same name thrice") << true << QStringList{"a.frc", "a.b.frc", "a.frcbak", "A.frc"}
                                          << QStringList{"a", "a", "A", "a"};
    }
    void folderListing()
    {
        QFETCH(bool, fractals);
        QFETCH(QStringList, entries);
        QFETCH(QStringList, listed);
        QTemporaryDir folder;
        for (const QString& e : entries) {
            if (e.endsWith('/'))
                QVERIFY(QDir(folder.path()).mkdir(e.chopped(1)));
            else
                QVERIFY(WriteBytes(folder.filePath(e), "x"));
        }
        TFileBrowser b(folder.path(), fractals ? FractalFiles : PaletteFiles);
        b.Scan();
        if (QTest::currentDataTag() != QByteArray("same name thrice"))
            QCOMPARE(b.Names(), listed);  // by name, letter case ignored
        // Equal names may come in either order of their full file names.
        QStringList sorted = b.Names();
        std::sort(sorted.begin(), sorted.end());
        std::sort(listed.begin(), listed.end());
        QCOMPARE(sorted, listed);
        if (QTest::currentDataTag() == QByteArray("same name thrice")) {
            QCOMPARE(b.Matches("a"), 3);
            QCOMPARE(b.Matches("A"), 1);
            QCOMPARE(b.Matches("b"), 0);
        }
    }

    void folderPathsAndEntries()
    {
        TFileBrowser missing(PathIn("absent"), FractalFiles);
        missing.Scan();
        QVERIFY(missing.Names().isEmpty());
        QCOMPARE(missing.EntryFor(0), -1);
        QCOMPARE(missing.PathOf("a"), PathIn("absent") + "/a.frc");
        QCOMPARE(missing.NewFilePath(), PathIn("absent") + "/fractal_new.frc");
        QCOMPARE(TFileBrowser("/p", PaletteFiles).NewFilePath(), QString("/p/palette_new.ptt"));
        QCOMPARE(TFileBrowser("/p", PaletteFiles).PathOf("a.b"), QString("/p/a.b.ptt"));

        QTemporaryDir folder;
        for (const char* name : {"a.frc", "b.frc", "c.frc"})
            QVERIFY(WriteBytes(folder.filePath(name), "x"));
        TFileBrowser b(folder.path(), FractalFiles);
        b.Scan();
        const std::pair<int, int> entries[] = {{0, 0}, {2, 2}, {3, 2}, {500, 2}, {-4, 0}};
        for (const auto& [remembered, entry] : entries)
            QCOMPARE(b.EntryFor(remembered), entry);
        for (const char* name : {"", "/", "a/b", "../a", ".", ".."})
            QVERIFY2(!TFileBrowser::NameIsSafe(name), name);
        for (const char* name : {"a", "a.b", "...a", "имя файла", "a b"})
            QVERIFY2(TFileBrowser::NameIsSafe(QString::fromUtf8(name)), name);
    }

    void folderDeleteAndRename()
    {
        QTemporaryDir outer;
        const QString inside = outer.filePath("fractals");
        QVERIFY(QDir().mkpath(inside));
        QVERIFY(QDir(inside).mkdir("d.frc"));
        for (const char* name : {"a.frc", "b.frc", "taken.frc"})
            QVERIFY(WriteBytes(inside + '/' + name, name));
        QVERIFY(WriteBytes(outer.filePath("evil.frc"), "outside"));
        TFileBrowser b(inside, FractalFiles);
        b.Scan();
        QCOMPARE(b.Names(), (QStringList{"a", "b", "d", "taken"}));

        QVERIFY(b.Delete("a"));
        QVERIFY(!QFile::exists(inside + "/a.frc"));
        QVERIFY(!b.Delete("a"));
        QVERIFY(!b.Delete("d"));  // a folder is no file to delete
        QVERIFY(QFileInfo(inside + "/d.frc").isDir());
        QVERIFY(!b.Delete("../evil"));
        QCOMPARE(ReadBytes(outer.filePath("evil.frc")), QByteArray("outside"));
        b.Scan();

        struct TCase {
            const char* From;
            QString To;
            TRenameOutcome Outcome;
        };
        const TCase cases[] = {
            {"b", "b", TRenameOutcome::NameTaken},
            {"b", "taken", TRenameOutcome::NameTaken},
            {"b", "", TRenameOutcome::Failed},
            {"b", "../evil", TRenameOutcome::Failed},
            {"b", "sub/x", TRenameOutcome::Failed},
            {"b", QString(300, 'n'), TRenameOutcome::Failed},
            {"gone", "fresh", TRenameOutcome::Failed},
            {"b", "c", TRenameOutcome::Renamed},
        };
        for (const TCase& c : cases) {
            QCOMPARE(b.Rename(c.From, c.To), c.Outcome);
            QCOMPARE(ReadBytes(outer.filePath("evil.frc")), QByteArray("outside"));
        }
        QVERIFY(!QFile::exists(inside + "/b.frc"));
        QCOMPARE(ReadBytes(inside + "/c.frc"), QByteArray("b.frc"));
        QCOMPARE(ReadBytes(inside + "/taken.frc"), QByteArray("taken.frc"));
        b.Scan();
        QCOMPARE(b.Names(), (QStringList{"c", "d", "taken"}));
    }

    // Names whose bytes are not UTF-8 are files like any other: listed, read,
    // written, renamed (to a valid name and back) and deleted, their bytes kept.
    void namesThatAreNotUtf8_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("stray byte") << QByteArray("b\xff");
        QTest::newRow("lead byte without its follower") << QByteArray("\xc3\x28");
        QTest::newRow("cut short at the end") << QByteArray("ok\xe2\x82");
        QTest::newRow("overlong slash") << QByteArray("\xc0\xaf");
        QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80");
        QTest::newRow("beyond U+10FFFF") << QByteArray("\xf4\x90\x80\x80");
        QTest::newRow("valid UTF-8") << QByteArray("\xd0\xb6");
    }
    void namesThatAreNotUtf8()
    {
        QFETCH(QByteArray, name);
        QTemporaryDir folder;
        const QByteArray base = QFile::encodeName(folder.path()) + '/';
        const QByteArray file = base + name + ".frc";
        const TRemovedAtEnd removed(file), removedRenamed(base + "renamed.frc");
        QVERIFY(PutBytesAt(file, OtherFractalBytes));
        QVERIFY(WriteBytes(folder.filePath("a.frc"), StartupFractalBytes));
        TFileBrowser b(folder.path(), FractalFiles);
        b.Scan();
        QCOMPARE(b.Names().size(), 2);
        QCOMPARE(b.Names()[0], QString("a"));
        const QString listed = b.Names()[1];

        ProgramState s;
        BuildColourTable(s);
        s.FilePath = b.PathOf(listed);
        QCOMPARE(ReadFractalFile(s), TReadOutcome::Read);
        QCOMPARE(s.FractalParams, OtherParams());
        s.FractalParams.R0 = 12;
        QVERIFY(WriteFractalFile(s));
        QCOMPARE(BytesAt(file).value_or("missing"), EncodeFractal(s.FractalParams));

        QCOMPARE(b.Rename(listed, "renamed"), TRenameOutcome::Renamed);
        QVERIFY(!BytesAt(file));
        QCOMPARE(BytesAt(base + "renamed.frc").value_or("missing"), EncodeFractal(s.FractalParams));
        b.Scan();
        QCOMPARE(b.Names(), (QStringList{"a", "renamed"}));
        QCOMPARE(b.Rename("renamed", listed), TRenameOutcome::Renamed);
        QVERIFY(BytesAt(file));
        b.Scan();
        QCOMPARE(b.Names(), (QStringList{"a", listed}));

        QVERIFY(b.Delete(listed));
        QVERIFY(!BytesAt(file));
        b.Scan();
        QCOMPARE(b.Names(), QStringList{"a"});
        QVERIFY(Messages().isEmpty());
    }

    void randomBytesDecodeAndRender()
    {
        QRandomGenerator rng(20240611);
        for (int round = 0; round < 1500; ++round) {
            QByteArray bytes(rng.bounded(0, 80), '\0');
            for (char& c : bytes)
                c = char(rng.bounded(256));
            // Most rounds get known kinds, so the rest of the bytes is used.
            if (bytes.size() >= 8 && rng.bounded(4) != 0) {
                PutAt<int32_t>(bytes, 0, 1);
                PutAt<int32_t>(bytes, 4, rng.bounded(1, 9));
            }
            ProgramState s;
            s.IterationLimit = rng.bounded(1, 40);
            s.ApplyFilePalette = rng.bounded(2) != 0;
            BuildColourTable(s);
            if (round % 3 == 0)
                DecodePaletteInto(s, bytes);
            else
                DecodeFractalInto(s, bytes);
            const QImage image = RenderSmall(s, 7, 5);
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    QVERIFY(PixelIsAnEntry(image, x, y, s));
            for (int i : {8190, 8191})
                QVERIFY(s.ColourTable[i].Red == 0 && s.ColourTable[i].Green == 0 &&
                        s.ColourTable[i].Blue == 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
