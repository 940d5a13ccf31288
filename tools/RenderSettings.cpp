#include "tools/RenderSettings.h"

#include "engine/ProgramState.h"
#include "export/Supersample.h"
#include "files/NativeFiles.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include <cmath>

namespace {

const QString Program = QStringLiteral("quilmora-render");

struct TOptionRow {
    QStringList Names;
    QString Value;  // empty: a switch
    QString Help;
};

// Every option, in the order --help lists them.
const QList<TOptionRow>& Options()
{
    static const QList<TOptionRow> rows{
        {{QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("FILE"),
         QStringLiteral("write one picture to FILE.png or FILE.bmp, or - for standard output")},
        {{QStringLiteral("O"), QStringLiteral("output-dir")}, QStringLiteral("DIR"),
         QStringLiteral("write a batch or a sweep into DIR, made when missing")},
        {{QStringLiteral("format")}, QStringLiteral("png|bmp"),
         QStringLiteral("format of the pictures in DIR and of -o - (default png)")},
        {{QStringLiteral("size")}, QStringLiteral("WxH"),
         QStringLiteral("picture size, each side 1 to 16384 (default 1600x1200)")},
        {{QStringLiteral("fit")}, QStringLiteral("S"),
         QStringLiteral("longer side S pixels (1 to 16384), the other in the shape of --size")},
        {{QStringLiteral("depth")}, QStringLiteral("N"),
         QStringLiteral("iteration depth 2 to 8192 (default 256): the iteration limit is N-2")},
        {{QStringLiteral("supersample")}, QStringLiteral("N"),
         QStringLiteral("anti-aliasing: each pixel the mean of NxN samples, N 1 to 8 (default 1)")},
        {{QStringLiteral("sweep")}, QStringLiteral("CX1,CY1:CX2,CY2"),
         QStringLiteral("frames with C in equal steps from the first value to the second")},
        {{QStringLiteral("sweep-steps")}, QStringLiteral("cx|cy,START,SPEED"),
         QStringLiteral("frames of the window's animation of one component of C")},
        {{QStringLiteral("frames")}, QStringLiteral("N"), QStringLiteral("frames of a sweep, 1 to 100000")},
        {{QStringLiteral("first")}, QStringLiteral("K"),
         QStringLiteral("render frames from K of a sweep's N (default 1)")},
        {{QStringLiteral("last")}, QStringLiteral("M"),
         QStringLiteral("render frames up to M of a sweep's N (default N)")},
        {{QStringLiteral("verbose")}, {},
         QStringLiteral("after a sweep, also print its threads, ring and peak memory")},
        {{QStringLiteral("h"), QStringLiteral("help")}, {}, QStringLiteral("print this help and exit")},
        {{QStringLiteral("version")}, {}, QStringLiteral("print the version and exit")},
    };
    return rows;
}

const char* const Usage =
    "Usage: quilmora-render [OPTION]... [FILE.frc] -o OUT.png|OUT.bmp|-\n"
    "  or:  quilmora-render [OPTION]... FILE.ptt -o OUT.png|OUT.bmp|-\n"
    "  or:  quilmora-render [OPTION]... FILE.frc|FOLDER... -O DIR\n"
    "  or:  quilmora-render [OPTION]... [FILE.frc] --sweep CX1,CY1:CX2,CY2 --frames N -O DIR\n"
    "  or:  quilmora-render [OPTION]... [FILE.frc] --sweep-steps cx|cy,START,SPEED --frames N -O DIR\n"
    "Render Julia sets of z <- z^2 + C without a window, pixel for pixel as Quilmora's\n"
    "image export computes them. Without FILE.frc the state of a first start is used.\n"
    "A FILE.ptt still draws the palette's strip of colours.\n";

const char* const Notes =
    "A batch renders every FILE.frc named and every *.frc (any letter case) in each\n"
    "FOLDER into DIR/NAME.png; inputs whose pictures would have the same name, in any\n"
    "letter case, are refused before anything is written.\n"
    "\n"
    "A still of a palette file (FILE.ptt, any letter case) is the palette's strip as\n"
    "Quilmora's palette line shows it, over the whole picture: entries 0 to 255\n"
    "stretched over the columns, each column one colour; --depth and --supersample do\n"
    "not change it. Palettes make stills only: a batch or a sweep refuses them.\n"
    "\n"
    "A sweep writes DIR/frame_0001.png and on, numbered from 1 in at least four digits,\n"
    "as many as N has when it has more. --sweep-steps moves C's component from the\n"
    "track-bar position START (-2000 to 2000, C = position x 0.001) by SPEED positions\n"
    "a frame (negative: down), stopping on an end and turning back there. --first and\n"
    "--last render part of the N frames, with the names and pixels of a whole run.\n"
    "\n"
    "--supersample N walks the plain picture of N*W x N*H pixels over the same view\n"
    "width (its pixel (N*W div 2, N*H div 2) on the view's centre) and gives pixel (x, y)\n"
    "the mean of samples (N*x+i, N*y+j), 0 <= i, j < N, each channel rounded to nearest,\n"
    "halves up. On an even side a pixel's first sample lies on the pixel's own point of\n"
    "the plain picture and the others 1/N of a pixel to the right and below it.\n"
    "\n"
    "Pictures are written whole or not at all; a device or FIFO named as the output is\n"
    "written into, never replaced.\n"
    "\n"
    "Exit status:\n"
    "  0  every picture was written\n"
    "  1  a batch skipped inputs it could not use; the others were written\n"
    "  2  bad arguments, or an output folder that cannot be made: nothing was written\n"
    "  3  a picture could not be computed (not enough memory) or written\n";

QString NamesOf(const TOptionRow& row)
{
    QString text;
    for (const QString& name : row.Names) {
        if (!text.isEmpty())
            text += QStringLiteral(", ");
        text += (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    }
    if (row.Names.first().size() > 1)
        text.prepend(QStringLiteral("    "));  // long options line up after the short ones
    if (!row.Value.isEmpty())
        text += QLatin1Char('=') + row.Value;
    return text;
}

bool ParseInt(const QString& text, int lo, int hi, int& value)
{
    static const QRegularExpression digits(QStringLiteral("^-?[0-9]{1,9}$"));
    if (!digits.match(text).hasMatch())
        return false;
    value = text.toInt();
    return value >= lo && value <= hi;
}

bool ParseC(const QString& text, std::pair<double, double>& c)
{
    const QStringList xy = text.split(QLatin1Char(','));
    if (xy.size() != 2)
        return false;
    bool okX = false, okY = false;
    c = {xy[0].trimmed().toDouble(&okX), xy[1].trimmed().toDouble(&okY)};
    return okX && okY && std::isfinite(c.first) && std::isfinite(c.second);
}

// An existing entry that is not a regular file, after links: a device, a FIFO.
bool IsSpecialOutput(const QString& path)
{
    return EntryKindOf(path) == TEntryKind::Other;
}

// Qt's complaint ("Unknown option 'x'.") as one of ours.
QString ParserError(const QString& text)
{
    QString line = text.trimmed();
    if (line.endsWith(QLatin1Char('.')))
        line.chop(1);
    if (!line.isEmpty())
        line[0] = line[0].toLower();
    return line + QStringLiteral("; see quilmora-render --help");
}

class TParse {
public:
    explicit TParse(const QStringList& arguments)
    {
        for (const TOptionRow& row : Options())
            Parser.addOption(QCommandLineOption(row.Names, row.Help, row.Value));
        Parsed = Parser.parse(QStringList{Program} + arguments);
    }

    TParsedArguments Result()
    {
        TParsedArguments r;
        if (!Parsed)
            return Refuse(ParserError(Parser.errorText()));
        if (Parser.isSet(QStringLiteral("help")))
            return {TParsedArguments::Help, {}, {}};
        if (Parser.isSet(QStringLiteral("version")))
            return {TParsedArguments::Version, {}, {}};
        if (const QString why = Fill(); !why.isEmpty())
            return Refuse(why);
        r.Settings = S;
        return r;
    }

private:
    static TParsedArguments Refuse(const QString& why) { return {TParsedArguments::Refuse, {}, why}; }
    bool Has(const char* name) const { return Parser.isSet(QLatin1String(name)); }
    QString Value(const char* name) const { return Parser.value(QLatin1String(name)); }

    // The settings from the parsed options; the complaint when they cannot be.
    QString Fill()
    {
        S.Inputs = Parser.positionalArguments();
        S.Verbose = Has("verbose");
        const bool sweep = Has("sweep"), steps = Has("sweep-steps"), sweeping = sweep || steps;
        if (Has("output") && Value("output").isEmpty())
            return QStringLiteral("-o needs an output file name, or - for standard output");
        if (Has("output-dir") && Value("output-dir").isEmpty())
            return QStringLiteral("-O needs an output folder");
        S.Output = Value("output");
        S.OutDir = Value("output-dir");
        if (Has("output") && Has("output-dir"))
            return QStringLiteral("-o and -O exclude each other");
        if (sweep && steps)
            return QStringLiteral("--sweep and --sweep-steps exclude each other");
        if (!sweeping && (Has("frames") || Has("first") || Has("last")))
            return QStringLiteral("--frames, --first and --last go with --sweep or --sweep-steps");
        if (!Has("output") && !Has("output-dir"))
            return QStringLiteral("no output: give -o FILE or -O DIR; see quilmora-render --help");
        if (sweeping && S.OutDir.isEmpty())
            return QStringLiteral("a sweep needs an output folder (-O DIR)");
        if (const QString why = FillSize(); !why.isEmpty())
            return why;
        if (Has("depth") && !ParseInt(Value("depth"), 2, MaxIterationLimit + 2, S.Depth))
            return QStringLiteral("bad depth \"%1\": expected 2 to %2").arg(Value("depth")).arg(MaxIterationLimit + 2);
        if (Has("supersample") && !ParseInt(Value("supersample"), 1, MaxSupersample, S.Supersample))
            return QStringLiteral("bad supersample \"%1\": expected 1 to %2").arg(Value("supersample")).arg(MaxSupersample);
        if (const QString why = FillFormat(); !why.isEmpty())
            return why;
        if (!S.Output.isEmpty()) {
            S.Mode = TRenderMode::Still;
            return S.Inputs.size() > 1 ? QStringLiteral("more than one input file needs an output folder (-O DIR)")
                                       : QString();
        }
        if (const QString why = PaletteInput(); !why.isEmpty())
            return why;
        if (!sweeping) {
            S.Mode = TRenderMode::Batch;
            return S.Inputs.isEmpty()
                       ? QStringLiteral("no fractal files or folders for -O; see quilmora-render --help")
                       : QString();
        }
        S.Mode = TRenderMode::Sweep;
        if (S.Inputs.size() > 1)
            return QStringLiteral("a sweep takes at most one fractal file");
        return FillSweep(sweep);
    }

    // A batch or a sweep renders fractals: a palette file among its inputs
    // (a folder of that name aside) is refused before anything is written.
    QString PaletteInput() const
    {
        for (const QString& in : S.Inputs)
            if (IsPaletteName(in) && EntryKindOf(in) != TEntryKind::Folder)
                return QStringLiteral("\"%1\" is a palette: palettes make stills only").arg(in);
        return {};
    }

    QString FillSize()
    {
        if (Has("size")) {
            const QString v = Value("size");
            const QStringList wh = v.split(QLatin1Char('x'));
            if (wh.size() != 2 || !ParseInt(wh[0], 1, MaxSide, S.Width) || !ParseInt(wh[1], 1, MaxSide, S.Height))
                return QStringLiteral("bad size \"%1\": expected WxH, each side 1 to %2").arg(v).arg(MaxSide);
        }
        if (Has("fit")) {
            int side = 0;
            if (!ParseInt(Value("fit"), 1, MaxSide, side))
                return QStringLiteral("bad fit \"%1\": expected a side of 1 to %2").arg(Value("fit")).arg(MaxSide);
            // The other side in the same shape, rounded to nearest, halves up.
            const auto scaled = [side](qint64 other, qint64 longer) {
                return int(std::max<qint64>(1, (2 * side * other + longer) / (2 * longer)));
            };
            if (S.Width >= S.Height)
                std::tie(S.Width, S.Height) = std::pair(side, scaled(S.Height, S.Width));
            else
                std::tie(S.Width, S.Height) = std::pair(scaled(S.Width, S.Height), side);
        }
        return {};
    }

    // PNG or BMP: by --format for a folder, standard output, a device or
    // FIFO; by the name's ending for a file, which --format may only repeat.
    QString FillFormat()
    {
        const QString format = Value("format").toLower();
        if (Has("format") && format != QLatin1String("png") && format != QLatin1String("bmp"))
            return QStringLiteral("bad format \"%1\": expected png or bmp").arg(Value("format"));
        S.Png = format != QLatin1String("bmp");
        if (S.Output.isEmpty() || S.Output == QLatin1String("-"))
            return {};
        const bool png = S.Output.endsWith(QLatin1String(".png"), Qt::CaseInsensitive);
        const bool bmp = S.Output.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive);
        if (!png && !bmp) {
            if (IsSpecialOutput(S.Output))
                return {};
            return QStringLiteral("cannot tell the format of \"%1\": its name must end in .png or .bmp").arg(S.Output);
        }
        if (Has("format") && S.Png != png)
            return QStringLiteral("--format %1 disagrees with the name \"%2\"").arg(format, S.Output);
        S.Png = png;
        return {};
    }

    QString FillSweep(bool even)
    {
        if (!Has("frames"))
            return QStringLiteral("a sweep needs --frames N");
        if (!ParseInt(Value("frames"), 1, MaxFrames, S.Frames))
            return QStringLiteral("bad frame count \"%1\": expected 1 to %2").arg(Value("frames")).arg(MaxFrames);
        S.First = 1;
        S.Last = S.Frames;
        if (Has("first") && !ParseInt(Value("first"), 1, S.Frames, S.First))
            return QStringLiteral("bad first frame \"%1\": expected 1 to %2").arg(Value("first")).arg(S.Frames);
        if (Has("last") && !ParseInt(Value("last"), 1, S.Frames, S.Last))
            return QStringLiteral("bad last frame \"%1\": expected 1 to %2").arg(Value("last")).arg(S.Frames);
        if (S.First > S.Last)
            return QStringLiteral("the first frame %1 comes after the last %2").arg(S.First).arg(S.Last);
        S.Steps = !even;
        if (even) {
            const QString v = Value("sweep");
            if (v.isEmpty())
                return QStringLiteral("--sweep needs CX1,CY1:CX2,CY2");
            const QStringList ends = v.split(QLatin1Char(':'));
            if (ends.size() != 2 || !ParseC(ends[0], S.From) || !ParseC(ends[1], S.To))
                return QStringLiteral("bad sweep \"%1\": expected CX1,CY1:CX2,CY2, finite numbers").arg(v);
            // The ends' difference, the steps' base, must be finite too.
            if (!std::isfinite(S.To.first - S.From.first) || !std::isfinite(S.To.second - S.From.second))
                return QStringLiteral("bad sweep \"%1\": the ends lie too far apart for finite steps").arg(v);
            return {};
        }
        const QString v = Value("sweep-steps");
        if (v.isEmpty())
            return QStringLiteral("--sweep-steps needs cx|cy,START,SPEED");
        const QStringList parts = v.split(QLatin1Char(','));
        if (parts.size() != 3 || (parts[0] != QLatin1String("cx") && parts[0] != QLatin1String("cy")) ||
            !ParseInt(parts[1], -CoefTrackMax, CoefTrackMax, S.Start) || !ParseInt(parts[2], -4000, 4000, S.Speed) || S.Speed == 0)
            return QStringLiteral("bad sweep steps \"%1\": expected cx|cy,START,SPEED with START -2000 to 2000 and "
                                  "SPEED a non-zero step, negative going down")
                .arg(v);
        S.AlongX = parts[0] == QLatin1String("cx");
        return {};
    }

    QCommandLineParser Parser;
    bool Parsed = false;
    TRenderSettings S;
};

}  // namespace

bool IsFractalName(const QString& name) { return name.endsWith(QLatin1String(".frc"), Qt::CaseInsensitive); }
bool IsPaletteName(const QString& name) { return name.endsWith(QLatin1String(".ptt"), Qt::CaseInsensitive); }

TParsedArguments ParseRenderArguments(const QStringList& arguments) { return TParse(arguments).Result(); }

QString RenderHelpText()
{
    QString text = QString::fromLatin1(Usage) + QStringLiteral("\nOptions:\n");
    qsizetype column = 0;
    for (const TOptionRow& row : Options())
        column = std::max(column, NamesOf(row).size());
    for (const TOptionRow& row : Options())
        text += QStringLiteral("  ") + NamesOf(row).leftJustified(column + 2) + row.Help + QLatin1Char('\n');
    return text + QLatin1Char('\n') + QString::fromLatin1(Notes);
}

QString RenderVersionText() { return Program + QLatin1Char(' ') + QStringLiteral(QUILMORA_VERSION); }
