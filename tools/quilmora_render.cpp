// quilmora-render: renders fractals without windows, exactly as the image
// export computes them.
//
//   quilmora-render [FILE.frc] -o OUT.bmp|OUT.png [--size WxH] [--depth N]
//   quilmora-render FILE.frc...|FOLDER -O DIR [--format png|bmp] [--size WxH] [--depth N]
//   quilmora-render [FILE.frc] --sweep CX1,CY1:CX2,CY2 --frames N -O DIR [...]
//   quilmora-render [FILE.frc] --sweep-steps cx|cy,START,SPEED --frames N -O DIR [...]

#include "engine/CSweep.h"
#include "engine/Palette.h"
#include "engine/ProgramState.h"
#include "export/BmpWriter.h"
#include "export/ImageExport.h"
#include "export/PngWriter.h"
#include "export/SweepRun.h"
#include "files/FileFormats.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <unistd.h>

namespace {

constexpr int MaxSide = 16384;
constexpr int MaxFrames = 100000;
constexpr int ExitSkipped = 1;     // some inputs of a batch could not be used
constexpr int ExitBadInput = 2;    // bad arguments: nothing written
constexpr int ExitNotWritten = 3;  // a picture could not be made or written

const char* const Usage =
    "usage: quilmora-render [FILE.frc] -o OUT.bmp|OUT.png [--size WxH] [--depth N]\n"
    "       quilmora-render FILE.frc...|FOLDER -O DIR [--format png|bmp] [--size WxH] [--depth N]\n"
    "       quilmora-render [FILE.frc] --sweep CX1,CY1:CX2,CY2 --frames N -O DIR [...]\n"
    "       quilmora-render [FILE.frc] --sweep-steps cx|cy,START,SPEED --frames N -O DIR [...]";
const char* const UsageHint = "see quilmora-render --help";

int Fail(const QString& line, int status = ExitBadInput)
{
    std::fprintf(stderr, "quilmora-render: %s\n", qUtf8Printable(line));
    return status;
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

// One updating line on a terminal, nothing otherwise.
struct TProgress {
    bool On = isatty(STDERR_FILENO);
    void Show(const char* what, int n, int total)
    {
        if (On)
            std::fprintf(stderr, "\r%s %d of %d (%3d%%)", what, n, total, int(qint64(n) * 100 / total));
    }
    // Before a failure line, so that it starts on a line of its own.
    void Break()
    {
        if (On)
            std::fprintf(stderr, "\n");
    }
};

// The start-up state with the given depth, then the file when there is one.
// Returns the reason when the file cannot be used.
std::optional<QString> LoadState(std::unique_ptr<ProgramState>& fresh, const QString& path, int depth, bool refuseEmpty)
{
    fresh = std::make_unique<ProgramState>();
    ProgramState& state = *fresh;
    BuildColourTable(state);
    state.SetIterationLimit(depth - 2);
    if (path.isEmpty())
        return std::nullopt;
    const QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("\"%1\" is a folder").arg(path);
    if (refuseEmpty && info.exists() && info.size() == 0)
        return QStringLiteral("\"%1\" is empty").arg(path);
    state.FilePath = path;
    state.ApplyFilePalette = true;
    switch (ReadFractalFile(state)) {
    case TReadOutcome::Read:
        return std::nullopt;
    case TReadOutcome::CannotOpen:
        return QStringLiteral("cannot read \"%1\"").arg(path);
    case TReadOutcome::UnknownFormula:
        return QStringLiteral("\"%1\": unknown formula kind").arg(path);
    case TReadOutcome::UnknownPalette:
        return QStringLiteral("\"%1\": unknown palette kind").arg(path);
    }
    return std::nullopt;
}

// The export's own run for one still; an empty string when it was written.
QString RenderStill(const ProgramState& state, const QString& output, bool png, int width, int height,
                    TProgress* progress)
{
    TExportValues values = ExportGeometry(state, width, height);
    values.Path = output;
    TExportHooks hooks;
    if (progress && progress->On)
        hooks.Report = [height](int32_t row) {
            std::fprintf(stderr, "\r%3d%%", int(qint64(row) * 100 / height));
        };
    // Into a device or FIFO of that name too (/dev/stdout, a pipe), as Unix tools write.
    hooks.Write = [&](const QImage& picture) {
        return png ? WritePng(output, picture, PngTextsOf(state), TWriteTarget::AnyFile)
                   : WriteBmp24(output, picture.constBits(), picture.bytesPerLine(), picture.width(),
                                picture.height(), TWriteTarget::AnyFile);
    };
    const TExportResult result = RunExport(state, values, hooks);
    if (progress && progress->On)
        std::fprintf(stderr, result == TExportResult::Saved ? "\r100%%\n" : "\n");
    if (result == TExportResult::NoMemory)
        return QStringLiteral("not enough memory for a %1x%2 picture").arg(width).arg(height);
    if (result != TExportResult::Saved)
        return QStringLiteral("cannot write \"%1\"").arg(output);
    return {};
}

bool IsFrc(const QString& name) { return name.endsWith(QLatin1String(".frc"), Qt::CaseInsensitive); }

long PeakRssKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);

    QStringList inputs;
    QString output, outDir, sweep, sweepSteps, format;
    int width = 1600, height = 1200, depth = 256, frames = 0;
    bool verbose = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        const auto valueOf = [&](QString& into) {
            if (!hasValue)
                return false;
            into = args[++i];
            return true;
        };
        if (a == QLatin1String("-o") || a == QLatin1String("--output")) {
            if (!valueOf(output))
                return Fail(QStringLiteral("-o needs an output file name"));
        } else if (a == QLatin1String("-O") || a == QLatin1String("--output-dir")) {
            if (!valueOf(outDir) || outDir.isEmpty())
                return Fail(QStringLiteral("-O needs an output folder"));
        } else if (a == QLatin1String("--format")) {
            if (!valueOf(format) || (format != QLatin1String("png") && format != QLatin1String("bmp")))
                return Fail(QStringLiteral("--format takes png or bmp"));
        } else if (a == QLatin1String("--sweep")) {
            if (!valueOf(sweep))
                return Fail(QStringLiteral("--sweep needs CX1,CY1:CX2,CY2"));
        } else if (a == QLatin1String("--sweep-steps")) {
            if (!valueOf(sweepSteps))
                return Fail(QStringLiteral("--sweep-steps needs cx|cy,START,SPEED"));
        } else if (a == QLatin1String("--frames")) {
            QString v;
            if (!valueOf(v) || !ParseInt(v, 1, MaxFrames, frames))
                return Fail(QStringLiteral("bad frame count \"%1\": expected 1 to %2").arg(v).arg(MaxFrames));
        } else if (a == QLatin1String("--size")) {
            if (!hasValue)
                return Fail(QStringLiteral("--size needs WxH"));
            const QString v = args[++i];
            const QStringList wh = v.split(QLatin1Char('x'));
            if (wh.size() != 2 || !ParseInt(wh[0], 1, MaxSide, width) || !ParseInt(wh[1], 1, MaxSide, height))
                return Fail(QStringLiteral("bad size \"%1\": expected WxH, each side 1 to %2").arg(v).arg(MaxSide));
        } else if (a == QLatin1String("--depth")) {
            if (!hasValue)
                return Fail(QStringLiteral("--depth needs a number"));
            const QString v = args[++i];
            if (!ParseInt(v, 2, MaxIterationLimit + 2, depth))
                return Fail(QStringLiteral("bad depth \"%1\": expected 2 to 8192").arg(v));
        } else if (a == QLatin1String("--verbose")) {
            verbose = true;
        } else if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            std::printf("%s\n", Usage);
            return 0;
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            return Fail(QStringLiteral("unknown option \"%1\"; %2").arg(a, QLatin1String(UsageHint)));
        } else {
            inputs << a;
        }
    }

    const bool sweeping = !sweep.isEmpty() || !sweepSteps.isEmpty();
    if (!sweep.isEmpty() && !sweepSteps.isEmpty())
        return Fail(QStringLiteral("--sweep and --sweep-steps exclude each other"));
    if (!output.isEmpty() && !outDir.isEmpty())
        return Fail(QStringLiteral("-o and -O exclude each other"));
    if (outDir.isEmpty() && (sweeping || frames || !format.isEmpty()))
        return Fail(QStringLiteral("sweeps, --frames and --format need an output folder (-O DIR)"));

    std::unique_ptr<ProgramState> loaded;
    TProgress progress;

    // ---- One still ----
    if (outDir.isEmpty()) {
        if (output.isEmpty())
            return Fail(QStringLiteral("no output file; %1").arg(QLatin1String(UsageHint)));
        if (inputs.size() > 1)
            return Fail(QStringLiteral("more than one input file needs an output folder (-O DIR)"));
        if (const auto why = LoadState(loaded, inputs.value(0), depth, false))
            return Fail(*why);
        ProgramState& state = *loaded;
        const bool png = output.endsWith(QLatin1String(".png"), Qt::CaseInsensitive);
        const QString failed = RenderStill(state, output, png, width, height, &progress);
        return failed.isEmpty() ? 0 : Fail(failed, ExitNotWritten);
    }
    const bool png = format != QLatin1String("bmp");
    const QString ext = png ? QStringLiteral(".png") : QStringLiteral(".bmp");

    // ---- C sweeps ----
    if (sweeping) {
        if (inputs.size() > 1)
            return Fail(QStringLiteral("a sweep takes at most one fractal file"));
        if (frames == 0)
            return Fail(QStringLiteral("a sweep needs --frames N"));
        if (const auto why = LoadState(loaded, inputs.value(0), depth, false))
            return Fail(*why);
        ProgramState& state = *loaded;
        std::vector<std::pair<double, double>> cs;
        if (!sweep.isEmpty()) {
            const QStringList ends = sweep.split(QLatin1Char(':'));
            std::pair<double, double> c1, c2;
            if (ends.size() != 2 || !ParseC(ends[0], c1) || !ParseC(ends[1], c2))
                return Fail(QStringLiteral("bad sweep \"%1\": expected CX1,CY1:CX2,CY2, finite numbers").arg(sweep));
            cs = EvenSweep(c1, c2, frames);
        } else {
            const QStringList parts = sweepSteps.split(QLatin1Char(','));
            int start = 0, speed = 0;
            if (parts.size() != 3 || (parts[0] != QLatin1String("cx") && parts[0] != QLatin1String("cy")) ||
                !ParseInt(parts[1], SweepBarMin, SweepBarMax, start) || !ParseInt(parts[2], -4000, 4000, speed) ||
                speed == 0)
                return Fail(QStringLiteral("bad sweep steps \"%1\": expected cx|cy,START,SPEED with START -2000 to "
                                           "2000 and SPEED a non-zero step, negative going down")
                                .arg(sweepSteps));
            const bool alongX = parts[0] == QLatin1String("cx");
            for (int position : BarSweep(start, speed, frames)) {
                const double c = position * 0.001;
                cs.emplace_back(alongX ? c : state.FractalParams.Cx, alongX ? state.FractalParams.Cy : c);
            }
        }
        if (!QDir().mkpath(outDir) || !QFileInfo(outDir).isDir())
            return Fail(QStringLiteral("cannot make the output folder \"%1\"").arg(outDir));

        QStringList paths;
        const int digits = std::max(4, int(QString::number(frames).size()));
        for (int n = 1; n <= frames; ++n)
            paths << QDir(outDir).filePath(QStringLiteral("frame_%1").arg(n, digits, 10, QLatin1Char('0')) + ext);
        TSweepOptions options;
        options.Width = width;
        options.Height = height;
        options.Write = [png](const QString& path, const QImage& picture, const TPngTexts& texts) {
            return png ? WritePng(path, picture, texts, TWriteTarget::AnyFile)
                       : WriteBmp24(path, picture.constBits(), picture.bytesPerLine(), picture.width(),
                                    picture.height(), TWriteTarget::AnyFile);
        };
        options.Starting = [&](int n) { progress.Show("frame", n + 1, frames); };
        const TSweepResult r = RunSweep(state, cs, paths, options);
        progress.Break();
        if (r.Outcome == TSweepOutcome::NoMemory)
            return Fail(QStringLiteral("not enough memory for a %1x%2 picture").arg(width).arg(height),
                        ExitNotWritten);
        if (r.Outcome == TSweepOutcome::NotWritten)
            return Fail(QStringLiteral("cannot write \"%1\"").arg(r.FailedPath), ExitNotWritten);
        const double seconds = double(r.WallNs) * 1e-9;
        std::printf("%d frames in %.2f s: %.1f frames/s, the walk held up %.0f%% of the time by the %s writes, "
                    "which took %.0f%% of the CPU time\n",
                    frames, seconds, frames / seconds, 100.0 * double(r.HeldNs) / double(r.WallNs),
                    png ? "PNG" : "BMP", 100.0 * double(r.WriteCpuNs) / double(std::max<qint64>(1, r.CpuNs)));
        if (verbose) {
            std::printf("%d writer threads, %d pictures in the ring, the walks %.0f%% of the time\n", r.Writers,
                        r.Pictures, 100.0 * double(r.WalkNs) / double(r.WallNs));
            std::printf("peak resident memory: %ld KiB\n", PeakRssKiB());
        }
        return 0;
    }

    // ---- Batch ----
    if (inputs.isEmpty())
        return Fail(QStringLiteral("no fractal files or folders for -O; %1").arg(QLatin1String(UsageHint)));
    QStringList files;
    int skipped = 0, notWritten = 0;
    for (const QString& in : inputs) {
        const QFileInfo info(in);
        if (!info.isDir()) {
            files << in;
            continue;
        }
        const QDir dir(in);
        for (const QFileInfo& entry :
             dir.entryInfoList({QStringLiteral("*.frc")}, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                               QDir::Name)) {
            if (!IsFrc(entry.fileName()))
                continue;
            if (entry.isDir()) {
                Fail(QStringLiteral("\"%1\" is a folder, skipped").arg(entry.filePath()), 0);
                ++skipped;
            } else {
                files << entry.filePath();
            }
        }
    }
    if (!QDir().mkpath(outDir) || !QFileInfo(outDir).isDir())
        return Fail(QStringLiteral("cannot make the output folder \"%1\"").arg(outDir));
    for (qsizetype n = 0; n < files.size(); ++n) {
        const QString& file = files[n];
        progress.Show("file", int(n + 1), int(files.size()));
        QString failed;
        if (const auto why = LoadState(loaded, file, depth, true)) {
            failed = *why + QStringLiteral(", skipped");
            ++skipped;
        } else {
            failed = RenderStill(*loaded, QDir(outDir).filePath(QFileInfo(file).completeBaseName() + ext), png, width,
                                 height, nullptr);
            notWritten += !failed.isEmpty();
        }
        if (!failed.isEmpty()) {
            progress.Break();
            Fail(failed, 0);
        }
    }
    progress.Break();
    return notWritten ? ExitNotWritten : skipped ? ExitSkipped : 0;
}
