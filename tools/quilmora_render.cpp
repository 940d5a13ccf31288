// quilmora-render: renders the start-up fractal, or a fractal file with its
// palette, into a 24-bit BMP exactly as the image export computes it.
//
//   quilmora-render [FILE.frc] -o OUT.bmp [--size WxH] [--depth N]

#include "engine/Palette.h"
#include "engine/ProgramState.h"
#include "export/ImageExport.h"
#include "files/FileFormats.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>

#include <cstdio>
#include <unistd.h>

namespace {

constexpr int MaxSide = 16384;
constexpr int ExitBadInput = 2;

const char* const Usage = "usage: quilmora-render [FILE.frc] -o OUT.bmp [--size WxH] [--depth N]";

int Fail(const QString& line, int status = ExitBadInput)
{
    std::fprintf(stderr, "quilmora-render: %s\n", qUtf8Printable(line));
    return status;
}

bool ParseInt(const QString& text, int lo, int hi, int& value)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
    if (!digits.match(text).hasMatch())
        return false;
    value = text.toInt();
    return value >= lo && value <= hi;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);

    QString input, output;
    int width = 1600, height = 1200, depth = 256;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("-o") || a == QLatin1String("--output")) {
            if (!hasValue)
                return Fail(QStringLiteral("-o needs an output file name"));
            output = args[++i];
        } else if (a == QLatin1String("--size")) {
            if (!hasValue)
                return Fail(QStringLiteral("--size needs WxH"));
            const QString v = args[++i];
            const QStringList wh = v.split(QLatin1Char('x'));
            if (wh.size() != 2 || !ParseInt(wh[0], 1, MaxSide, width) ||
                !ParseInt(wh[1], 1, MaxSide, height))
                return Fail(QStringLiteral("bad size \"%1\": expected WxH, each side 1 to %2")
                                .arg(v)
                                .arg(MaxSide));
        } else if (a == QLatin1String("--depth")) {
            if (!hasValue)
                return Fail(QStringLiteral("--depth needs a number"));
            const QString v = args[++i];
            if (!ParseInt(v, 2, MaxIterationLimit + 2, depth))
                return Fail(QStringLiteral("bad depth \"%1\": expected 2 to 8192").arg(v));
        } else if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            std::printf("%s\n", Usage);
            return 0;
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            return Fail(QStringLiteral("unknown option \"%1\"; %2").arg(a, QLatin1String(Usage)));
        } else if (input.isEmpty()) {
            input = a;
        } else {
            return Fail(QStringLiteral("more than one input file; %1").arg(QLatin1String(Usage)));
        }
    }
    if (output.isEmpty())
        return Fail(QStringLiteral("no output file; %1").arg(QLatin1String(Usage)));

    // The state of a first start: default palette, C and view.
    ProgramState state;
    BuildColourTable(state);
    state.SetIterationLimit(depth - 2);

    if (!input.isEmpty()) {
        state.FilePath = input;
        state.ApplyFilePalette = true;
        switch (ReadFractalFile(state)) {
        case TReadOutcome::Read:
            break;
        case TReadOutcome::CannotOpen:
            return Fail(QStringLiteral("cannot read \"%1\"").arg(input));
        case TReadOutcome::UnknownFormula:
            return Fail(QStringLiteral("\"%1\": unknown formula kind").arg(input));
        case TReadOutcome::UnknownPalette:
            return Fail(QStringLiteral("\"%1\": unknown palette kind").arg(input));
        }
    }

    // The export's own run: bands of rows with its progress after every
    // 21st row, then the file written whole or not at all.
    TExportValues values = ExportGeometry(state, width, height);
    values.Path = output;
    const bool showProgress = isatty(STDERR_FILENO);
    TExportHooks hooks;
    if (showProgress)
        hooks.Report = [height](int32_t row) { std::fprintf(stderr, "\r%3d%%", int(qint64(row) * 100 / height)); };
    const TExportResult result = RunExport(state, values, hooks);
    if (showProgress)
        std::fprintf(stderr, result == TExportResult::Saved ? "\r100%%\n" : "\n");
    if (result == TExportResult::NoMemory)
        return Fail(QStringLiteral("not enough memory for a %1x%2 picture").arg(width).arg(height), 1);
    if (result != TExportResult::Saved)
        return Fail(QStringLiteral("cannot write \"%1\"").arg(output), 1);
    return 0;
}
