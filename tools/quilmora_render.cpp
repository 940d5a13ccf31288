// quilmora-render: renders fractals without windows, exactly as the image
// export computes them: one still, a batch of files, or a sweep of C.
// quilmora-render --help lists the options and the exit statuses.

#include "engine/BarAnimation.h"
#include "engine/CSweep.h"
#include "engine/ImageCanvas.h"
#include "engine/Palette.h"
#include "engine/ProgramState.h"
#include "export/BmpWriter.h"
#include "export/ImageExport.h"
#include "export/PngWriter.h"
#include "export/SweepRun.h"
#include "files/FileFormats.h"
#include "files/NativeFiles.h"
#include "tools/RenderSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <unistd.h>

namespace {

// One line on stderr. Paths in it keep their bytes, also those not UTF-8.
int Fail(const QString& line, int status = ExitBadInput)
{
    std::fprintf(stderr, "quilmora-render: %s\n", NativePath(line).constData());
    return status;
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

// Why a path cannot be read as an input file; nothing for a regular file (or
// a link to one).
std::optional<QString> NotAFile(const QString& path)
{
    switch (EntryKindOf(path)) {
    case TEntryKind::RegularFile:
        return std::nullopt;
    case TEntryKind::Missing:
        return QStringLiteral("cannot read \"%1\"").arg(path);
    case TEntryKind::DanglingLink:
        return QStringLiteral("\"%1\" is a link to nothing").arg(path);
    case TEntryKind::Folder:
        return QStringLiteral("\"%1\" is a folder").arg(path);
    case TEntryKind::Other:
        break;
    }
    return QStringLiteral("\"%1\" is not a regular file").arg(path);
}

// The complaint for a read that gave no state to render; nothing when it did.
std::optional<QString> Unread(TReadOutcome outcome, const QString& path)
{
    switch (outcome) {
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

// A palette is its kind and levels together: a part of one is refused.
std::optional<QString> LoadPalette(ProgramState& state, const QString& path)
{
    QByteArray bytes;
    if (!ReadRegularFile(path, PaletteFileSize, bytes))
        return Unread(TReadOutcome::CannotOpen, path);
    if (bytes.size() < PaletteFileSize)
        return QStringLiteral("\"%1\" is too short for a palette: %2 of %3 bytes")
            .arg(path)
            .arg(bytes.size())
            .arg(PaletteFileSize);
    return Unread(DecodePaletteInto(state, bytes), path);
}

// The start-up state with the given depth, then the fractal or palette file
// when there is one. Returns the reason when the file cannot be used.
std::optional<QString> LoadState(std::unique_ptr<ProgramState>& fresh, const QString& path, int depth, bool refuseEmpty)
{
    fresh = std::make_unique<ProgramState>();
    ProgramState& state = *fresh;
    BuildColourTable(state);
    state.SetIterationLimit(depth - 2);
    if (path.isEmpty())
        return std::nullopt;
    if (const auto why = NotAFile(path))
        return why;
    if (refuseEmpty && RegularFileSize(path) == 0)
        return QStringLiteral("\"%1\" is empty").arg(path);
    if (IsPaletteName(path))
        return LoadPalette(state, path);
    state.FilePath = path;
    state.ApplyFilePalette = true;
    return Unread(ReadFractalFile(state), path);
}

// A picture to a file (into a device or FIFO of that name, as Unix tools
// write), or to standard output for "-".
bool WritePicture(const QString& path, bool png, const QImage& picture, const TPngTexts& texts)
{
    if (path == QLatin1String("-"))
        return WriteToDescriptor(STDOUT_FILENO, [&](TFileSink& out) {
            return png ? out.Put(EncodePng(picture, texts))
                       : PutBmp24(out, picture.constBits(), picture.bytesPerLine(), picture.width(), picture.height());
        });
    return png ? WritePng(path, picture, texts, TWriteTarget::AnyFile)
               : WriteBmp24(path, picture.constBits(), picture.bytesPerLine(), picture.width(), picture.height(),
                            TWriteTarget::AnyFile);
}

QString CannotWrite(const QString& path)
{
    return path == QLatin1String("-") ? QStringLiteral("cannot write to standard output")
                                      : QStringLiteral("cannot write \"%1\"").arg(path);
}

QString NoMemory(const TRenderSettings& settings)
{
    return QStringLiteral("not enough memory for a %1x%2 picture").arg(settings.Width).arg(settings.Height);
}

// The export's own run for one still; an empty string when it was written.
QString RenderStill(const ProgramState& state, const QString& output, const TRenderSettings& settings,
                    TProgress* progress)
{
    TExportValues values = ExportGeometry(state, settings.Width, settings.Height);
    values.Path = output;
    values.Supersample = settings.Supersample;
    TExportHooks hooks;
    const int height = settings.Height;
    if (progress && progress->On)
        hooks.Report = [height](int32_t row) {
            std::fprintf(stderr, "\r%3d%%", int(qint64(row) * 100 / height));
        };
    hooks.Write = [&](const QImage& picture) { return WritePicture(output, settings.Png, picture, PngTextsOf(state)); };
    const TExportResult result = RunExport(state, values, hooks);
    if (progress && progress->On)
        std::fprintf(stderr, result == TExportResult::Saved ? "\r100%%\n" : "\n");
    if (result == TExportResult::NoMemory)
        return NoMemory(settings);
    if (result != TExportResult::Saved)
        return CannotWrite(output);
    return {};
}

// A palette's still: the strip the main window's palette line shows, drawn
// over the whole picture.
QString RenderStrip(ProgramState& state, const TRenderSettings& settings)
{
    TImageCanvas strip(settings.Width, settings.Height);
    if (strip.Image.isNull())
        return NoMemory(settings);
    DrawPaletteLine(state, strip);
    const QImage picture = strip.Image.convertToFormat(QImage::Format_BGR888);
    if (picture.isNull())
        return NoMemory(settings);
    return WritePicture(settings.Output, settings.Png, picture, PalettePngTextsOf(state)) ? QString()
                                                                                         : CannotWrite(settings.Output);
}

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

// The output folder, or one line saying it cannot be made.
bool MakeFolder(const QString& folder)
{
    if (MakeFolders(folder))
        return true;
    Fail(QStringLiteral("cannot make the output folder \"%1\"").arg(folder));
    return false;
}

int RunStill(const TRenderSettings& settings)
{
    // As compressors do: a picture's bytes would only garble the terminal.
    if (settings.Output == QLatin1String("-") && isatty(STDOUT_FILENO))
        return Fail(QStringLiteral("standard output is a terminal: redirect it to a file or a pipe"));
    const QString input = settings.Inputs.value(0);
    std::unique_ptr<ProgramState> state;
    if (const auto why = LoadState(state, input, settings.Depth, false))
        return Fail(*why);
    TProgress progress;
    const QString failed = IsPaletteName(input) ? RenderStrip(*state, settings)
                                                : RenderStill(*state, settings.Output, settings, &progress);
    return failed.isEmpty() ? 0 : Fail(failed, ExitNotWritten);
}

int RunSweep(const TRenderSettings& settings)
{
    std::unique_ptr<ProgramState> loaded;
    if (const auto why = LoadState(loaded, settings.Inputs.value(0), settings.Depth, false))
        return Fail(*why);
    ProgramState& state = *loaded;
    std::vector<std::pair<double, double>> cs;
    if (!settings.Steps) {
        cs = EvenSweep(settings.From, settings.To, settings.Frames);
    } else {
        for (int position : BarSweep(settings.Start, settings.Speed, settings.Frames)) {
            const double c = CFromBar(position);
            cs.emplace_back(settings.AlongX ? c : state.FractalParams.Cx, settings.AlongX ? state.FractalParams.Cy : c);
        }
    }
    for (const auto& [cx, cy] : cs)
        if (!std::isfinite(cx) || !std::isfinite(cy))
            return Fail(QStringLiteral("the sweep reaches a C that is not finite"));
    if (!MakeFolder(settings.OutDir))
        return ExitBadInput;

    // Frames First..Last of the whole run, with its names.
    const QString ext = settings.Png ? QStringLiteral(".png") : QStringLiteral(".bmp");
    const int digits = std::max(4, int(QString::number(settings.Frames).size()));
    QStringList paths;
    for (int n = settings.First; n <= settings.Last; ++n)
        paths << settings.OutDir + QLatin1Char('/') + QStringLiteral("frame_%1").arg(n, digits, 10, QLatin1Char('0')) +
                     ext;
    cs = {cs.begin() + (settings.First - 1), cs.begin() + settings.Last};
    const int frames = int(cs.size());

    TProgress progress;
    TSweepOptions options;
    options.Width = settings.Width;
    options.Height = settings.Height;
    options.Supersample = settings.Supersample;
    const bool png = settings.Png;
    options.Write = [png](const QString& path, const QImage& picture, const TPngTexts& texts) {
        return WritePicture(path, png, picture, texts);
    };
    options.Starting = [&](int n) { progress.Show("frame", n + 1, frames); };
    const TSweepResult r = RunSweep(state, cs, paths, options);
    progress.Break();
    if (r.Outcome == TSweepOutcome::NoMemory)
        return Fail(NoMemory(settings), ExitNotWritten);
    if (r.Outcome == TSweepOutcome::NotWritten)
        return Fail(CannotWrite(r.FailedPath), ExitNotWritten);
    const double seconds = double(r.WallNs) * 1e-9;
    std::printf("%d frames in %.2f s: %.1f frames/s, the walk held up %.0f%% of the time by the %s writes, "
                "which took %.0f%% of the CPU time\n",
                frames, seconds, frames / seconds, 100.0 * double(r.HeldNs) / double(r.WallNs), png ? "PNG" : "BMP",
                100.0 * double(r.WriteCpuNs) / double(std::max<qint64>(1, r.CpuNs)));
    if (settings.Verbose) {
        std::printf("%d writer threads, %d pictures in the ring, the walks %.0f%% of the time\n", r.Writers, r.Pictures,
                    100.0 * double(r.WalkNs) / double(r.WallNs));
        std::printf("peak resident memory: %ld KiB\n", PeakRssKiB());
    }
    return 0;
}

int RunBatch(const TRenderSettings& settings)
{
    // Every input and every entry of a folder named like a fractal file: a
    // file to render, or a line saying why not.
    QStringList files, skipped;
    for (const QString& in : settings.Inputs) {
        if (EntryKindOf(in) != TEntryKind::Folder) {
            if (const auto why = NotAFile(in))
                skipped << *why;
            else
                files << in;
            continue;
        }
        QStringList names = FolderEntries(in);
        std::sort(names.begin(), names.end());
        for (const QString& name : std::as_const(names)) {
            if (!IsFractalName(name))
                continue;
            const QString path = in.endsWith(QLatin1Char('/')) ? in + name : in + QLatin1Char('/') + name;
            if (const auto why = NotAFile(path))
                skipped << *why;
            else
                files << path;
        }
    }

    // DIR/NAME.png for each, refused before anything is written when two
    // names would be one file, also on a file system blind to letter case.
    const QString ext = settings.Png ? QStringLiteral(".png") : QStringLiteral(".bmp");
    QStringList outputs;
    QHash<QString, QStringList> byName;
    QStringList names;
    for (const QString& file : std::as_const(files)) {
        const QString name = QFileInfo(file).completeBaseName() + ext;
        outputs << settings.OutDir + QLatin1Char('/') + name;
        QStringList& same = byName[name.toCaseFolded()];
        if (same.isEmpty())
            names << name.toCaseFolded();
        same << file;
    }
    QStringList collisions;
    for (const QString& name : std::as_const(names))
        if (const QStringList& same = byName[name]; same.size() > 1)
            collisions << QStringLiteral("\"%1\"").arg(same.join(QStringLiteral("\", \"")));
    if (!collisions.isEmpty())
        return Fail(QStringLiteral("inputs whose pictures would have one name, nothing written: %1")
                        .arg(collisions.join(QStringLiteral("; "))));
    if (!MakeFolder(settings.OutDir))
        return ExitBadInput;

    TProgress progress;
    for (const QString& why : std::as_const(skipped))
        Fail(why + QStringLiteral(", skipped"), 0);
    int notUsed = int(skipped.size()), notWritten = 0;
    std::unique_ptr<ProgramState> loaded;
    for (qsizetype n = 0; n < files.size(); ++n) {
        progress.Show("file", int(n + 1), int(files.size()));
        QString failed;
        if (const auto why = LoadState(loaded, files[n], settings.Depth, true)) {
            failed = *why + QStringLiteral(", skipped");
            ++notUsed;
        } else {
            failed = RenderStill(*loaded, outputs[n], settings, nullptr);
            notWritten += !failed.isEmpty();
        }
        if (!failed.isEmpty()) {
            progress.Break();
            Fail(failed, 0);
        }
    }
    progress.Break();
    return notWritten ? ExitNotWritten : notUsed ? ExitSkipped : 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // The arguments as the system gave them: a file name need not be UTF-8.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << DecodeFileName(QByteArray(argv[i]));
    const TParsedArguments parsed = ParseRenderArguments(arguments);
    switch (parsed.Action) {
    case TParsedArguments::Help:
        std::fputs(qUtf8Printable(RenderHelpText()), stdout);
        return 0;
    case TParsedArguments::Version:
        std::printf("%s\n", qUtf8Printable(RenderVersionText()));
        return 0;
    case TParsedArguments::Refuse:
        return Fail(parsed.Error);
    case TParsedArguments::Render:
        break;
    }
    // A closed pipe is a failed write to report, not a silent end.
    std::signal(SIGPIPE, SIG_IGN);
    const TRenderSettings& settings = parsed.Settings;
    switch (settings.Mode) {
    case TRenderMode::Still:
        return RunStill(settings);
    case TRenderMode::Sweep:
        return RunSweep(settings);
    case TRenderMode::Batch:
        break;
    }
    return RunBatch(settings);
}
