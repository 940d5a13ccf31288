// The whole image export in the real window, from the press of "Ok!" to the
// end of its file's write, against the per-pixel walk with the same write on
// the same machine: 1600 x 1200 at depth 8192, C = -0.12+0.75i. The window
// runs offscreen; its worker, its pool, its report calls and the file are the
// program's own.
//   export/window-<priority>   the export window, that priority chosen
//   export/run                 the same run without the window
//   export/reference           the per-pixel walk in report bands, one thread
// Each run's iterations/s per core are given as a share of the bound of the
// best vector target (bench/WalkBound.h): the colouring function's
// iterations of the picture, counted exactly by walking it once with a table
// whose entry n spells n (an escape at n counts n, an interior pixel the
// limit + 1), over the run's time and the cores. The kernel's calibration
// runs before any timing.

#include "app/Program.h"
#include "tests/support/MainFormAccess.h"
#include "bench/Iterations.h"
#include "bench/WalkBound.h"
#include "engine/FastWalk.h"
#include "engine/RasterWalk.h"
#include "export/BmpWriter.h"
#include "export/ImageExport.h"
#include "export/U_sizeandext.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <thread>

namespace {

QTemporaryDir* Folder = nullptr;
TMainFormForTests* Main = nullptr;

void DeepView(ProgramState& s)
{
    s.FractalParams.Cx = -0.12;
    s.FractalParams.Cy = 0.75;
}

void ExportWindow(benchmark::State& st, int priority)
{
    DeepView(Main->State);
    const QString file = Folder->filePath(QStringLiteral("window.bmp"));
    TSizeAndExt::SaveDialogForTests = [file](const QString&) { return std::optional<QString>(file); };
    for (auto _ : st) {
        QElapsedTimer clock;
        qint64 ns = 0;
        QTimer::singleShot(0, Main, [&] {
            auto* f = qobject_cast<TSizeAndExt*>(QApplication::activeModalWidget());
            if (!f)
                return;
            f->WIm->setCurrentIndex(7);
            f->Iterations->setCurrentIndex(5);
            f->PrF->setCurrentIndex(priority);
            QObject::connect(f->CGauge1, &QProgressBar::valueChanged, f, [&, f](int value) {
                if (value != 100)
                    return;
                ns = clock.nsecsElapsed();  // FinishExport: the file is on disk
                QTimer::singleShot(0, f, [f] { f->CanBut->click(); });
            });
            clock.start();
            f->ButtonOk->click();
        });
        Main->SaveImage->trigger();
        st.SetIterationTime(double(ns) * 1e-9);
    }
}

// The same run without the window: the walk, its report points, the write.
void Run(benchmark::State& st)
{
    auto s = std::make_unique<ProgramState>();
    s->ColourTable = Main->State.ColourTable;
    DeepView(*s);
    s->SetIterationLimit(8190);
    TExportValues v = ExportGeometry(*s, 1600, 1200);
    v.Path = Folder->filePath(QStringLiteral("run.bmp"));
    for (auto _ : st)
        RunExport(*s, v, {});
}

// Iterations of the export's picture.
double CountIterations()
{
    auto s = std::make_unique<ProgramState>();
    DeepView(*s);
    s->SetIterationLimit(8190);
    for (int i = 0; i < ColourTableSize; ++i)
        s->ColourTable[i] = {uint8_t(i & 0xFF), uint8_t(i >> 8), 0};
    const TRaster r = ExportRaster(*s, ExportGeometry(*s, 1600, 1200));
    QImage image(r.Width, r.Height, QImage::Format_RGB32);
    RasterWalk(*s, r, TargetOf(image));
    return IterationsIn(image, s->IterationLimit);
}

void Reference(benchmark::State& st)
{
    auto s = std::make_unique<ProgramState>();
    s->ColourTable = Main->State.ColourTable;
    DeepView(*s);
    s->SetIterationLimit(8190);
    const TExportValues v = ExportGeometry(*s, 1600, 1200);
    const TRaster r = ExportRaster(*s, v);
    QImage picture(v.Width, v.Height, QImage::Format_BGR888);
    const QString file = Folder->filePath(QStringLiteral("reference.bmp"));
    for (auto _ : st) {
        for (int row = 0; row < r.Height; row += ReportBandRows)
            RasterWalkReference(*s, r, TargetOf(picture), row, std::min(r.Height, row + ReportBandRows));
        WriteBmp24(file, picture.constBits(), picture.bytesPerLine(), v.Width, v.Height);
    }
}

// The fastest repetition of every run: the machine is shared, and noise
// only ever slows.
class TTimes : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration)
                continue;
            const double ms = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e3;
            double& to = Ms[run.run_name.function_name];
            if (to <= 0 || ms < to)
                to = ms;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> Ms;
};

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    PrepareApplication();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    QTemporaryDir folder;
    Folder = &folder;
    auto main = std::make_unique<TMainFormForTests>();
    Main = main.get();

    const double iterations = CountIterations();
    const int64_t best = FastWalkTargets().front();
    quilmora::TWalkBound bound = quilmora::MeasureWalkBound(best);
    FastWalkVariant(best);
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const auto share = [&](double ms) { return 100.0 * iterations / (ms * 1e-3) / cores / bound.Best; };

    const char* const priorities[] = {"idle", "normal", "highest"};
    for (int p = 0; p < 3; ++p)
        benchmark::RegisterBenchmark((std::string("export/window-") + priorities[p]).c_str(), ExportWindow, p)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime();
    benchmark::RegisterBenchmark("export/run", Run)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("export/reference", Reference)->Unit(benchmark::kMillisecond)->Iterations(1);

    TTimes times;
    benchmark::RunSpecifiedBenchmarks(&times);
    const double reference = times.Ms["export/reference"];
    // The bound once more, the better kept: a load at either moment only lowers it.
    if (const quilmora::TWalkBound again = quilmora::MeasureWalkBound(best); again.Best > bound.Best)
        bound = again;
    std::printf("\ncores: %u; fastest repetitions; kernel %s %s (calibration %.2f ms); bound %.2f G iterations/s "
                "per core (%d in flight); %.3f G iterations\n\n",
                cores, FastWalkTargetName(best), FastWalkVariantName(FastWalkVariant(best)),
                FastWalkCalibrationSeconds(best) * 1e3, bound.Best * 1e-9, bound.BestSlots, iterations * 1e-9);
    std::printf("| export 1600 x 1200, depth 8192, C = -0.12+0.75i | time | ratio | per core, of the bound |\n"
                "|---|---:|---:|---:|\n");
    std::printf("| per-pixel walk, one thread, and the write | %.0f ms | 1.0 | |\n", reference);
    if (times.Ms["export/run"] > 0)
        std::printf("| the export run alone, no window | %.1f ms | %.1f | %.0f %% |\n", times.Ms["export/run"],
                    reference / times.Ms["export/run"], share(times.Ms["export/run"]));
    for (const char* p : priorities) {
        const double ms = times.Ms[std::string("export/window-") + p];
        if (ms > 0)
            std::printf("| the export window, priority %s, \"Ok!\" to the file | %.1f ms | %.1f | %.0f %% |\n", p,
                        ms, reference / ms, share(ms));
    }
    benchmark::Shutdown();
    main.reset();
    return 0;
}
