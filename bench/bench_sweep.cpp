// A C sweep as the headless renderer runs it: 100 frames of 1280 x 720 at
// depth 256 from the start-up state (C.x from 0.402 up by 0.001 a frame, as
// `--sweep-steps cx,402,1`), into a temporary folder. The walk alone is the
// bound; the other rows write every frame, on the walk's thread or on writer
// threads beside it. Each row is run several times and its best run shown:
// the machine may be shared.
//   quilmora_bench_sweep [--repetitions N] [--frames N]

#include "bench/CpuName.h"
#include "engine/BarAnimation.h"
#include "engine/Palette.h"
#include "engine/ProgramState.h"
#include "export/PngWriter.h"
#include "export/SweepRun.h"
#include "files/WholeFile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

namespace {

constexpr int Width = 1280, Height = 720, Depth = 256;

// The writer the renderer had before: Qt's PNG handler asked for compression 1.
bool WriteQtPng(const QString& path, const QImage& picture, const TPngTexts& texts)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setCompression(1);
    for (const auto& [key, value] : texts)
        writer.setText(key, value);
    return writer.write(picture) && WriteFileWhole(path, bytes);
}

struct TRow {
    const char* Name;
    int Writers;
    int Nice;
    TFrameWrite Write;
};


}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int repetitions = 3, frames = 100;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--repetitions")
            repetitions = std::max(1, std::atoi(argv[i + 1]));
        else if (std::string(argv[i]) == "--frames")
            frames = std::max(1, std::atoi(argv[i + 1]));
    }
    QTemporaryDir folder;
    auto state = std::make_unique<ProgramState>();
    BuildColourTable(*state);
    state->SetIterationLimit(Depth - 2);
    std::vector<std::pair<double, double>> cs;
    for (int position : BarSweep(402, 1, frames))
        cs.emplace_back(CFromBar(position), state->FractalParams.Cy);
    QStringList paths;
    for (int n = 1; n <= frames; ++n)
        paths << folder.filePath(QStringLiteral("frame_%1.png").arg(n, 4, 10, QLatin1Char('0')));

    std::atomic<qint64> bytes{0};
    const TFrameWrite png = [&](const QString& path, const QImage& picture, const TPngTexts& texts) {
        const QByteArray b = EncodePng(picture, texts);
        bytes += b.size();
        return !b.isEmpty() && WriteFileWhole(path, b);
    };
    const TFrameWrite qtPng = [&](const QString& path, const QImage& picture, const TPngTexts& texts) {
        const bool ok = WriteQtPng(path, picture, texts);
        bytes += QFileInfo(path).size();
        return ok;
    };
    const TFrameWrite encodeOnly = [&](const QString&, const QImage& picture, const TPngTexts& texts) {
        bytes += EncodePng(picture, texts).size();
        return true;
    };
    const TFrameWrite none = [](const QString&, const QImage&, const TPngTexts&) { return true; };
    const int cores = int(std::thread::hardware_concurrency());
    const TRow rows[] = {
        {"the walk alone (the bound)", 0, 0, none},
        {"walk, then Qt's PNG writer, one thread (before)", 0, 0, qtPng},
        {"walk, then encode and write, one thread", 0, 0, png},
        {"one writer thread beside the walk, nice +5", 1, 5, png},
        {"a writer per core beside the walk", cores, 0, png},
        {"a writer per core beside the walk, nice +5", cores, 5, png},
        {"cores + 2 writers (the renderer's)", -1, 0, png},
        {"cores + 2 writers, nice +5", -1, 5, png},
        {"cores + 2 writers, encoding only, no files", -1, 0, encodeOnly},
    };

    double load[3] = {};
    getloadavg(load, 3);
    std::printf("%s, %u cores, load average %.2f at the start; %d frames %dx%d depth %d, best of %d runs\n\n",
                CpuName().c_str(), std::thread::hardware_concurrency(), load[0], frames, Width, Height, Depth,
                repetitions);
    std::printf("| sweep | frames/s | of the bound | walk held up | writes' CPU share | KiB a frame |\n"
                "|---|---:|---:|---:|---:|---:|\n");
    double bound = 0;
    for (const TRow& row : rows) {
        TSweepResult best;
        qint64 bestBytes = 0;
        for (int r = 0; r < repetitions; ++r) {
            TSweepOptions options;
            options.Width = Width;
            options.Height = Height;
            options.Write = row.Write;
            options.Writers = row.Writers;
            options.WriterNice = row.Nice;
            bytes = 0;
            const TSweepResult result = RunSweep(*state, cs, paths, options);
            if (result.Outcome != TSweepOutcome::Written) {
                std::fprintf(stderr, "%s: not written\n", row.Name);
                return 1;
            }
            if (best.WallNs == 0 || result.WallNs < best.WallNs) {
                best = result;
                bestBytes = bytes;
            }
        }
        const double fps = frames / (double(best.WallNs) * 1e-9);
        if (bound == 0)
            bound = fps;
        std::printf("| %s | %.1f | %.2f | %.0f%% | %.0f%% | %.0f |\n", row.Name, fps, fps / bound,
                    100.0 * double(best.HeldNs) / double(best.WallNs),
                    100.0 * double(best.WriteCpuNs) / double(std::max<qint64>(1, best.CpuNs)),
                    double(bestBytes) / frames / 1024.0);
        std::fflush(stdout);
    }
    getloadavg(load, 3);
    std::printf("\nload average %.2f at the end\n", load[0]);
    return 0;
}
