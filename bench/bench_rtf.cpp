// Reading 20 MB of rich text of four shapes: formatted paragraphs, a run
// format change every few bytes, a picture's hex data, braces only.

#include "info/RtfReader.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <benchmark/benchmark.h>

namespace {

constexpr qsizetype Size = 20 * 1024 * 1024;

QByteArray Filled(const QByteArray& head, const QByteArray& unit, const QByteArray& tail = "}")
{
    QByteArray b = head;
    b.reserve(Size + tail.size());
    while (b.size() < Size)
        b += unit;
    return b + tail;
}

void ReadBench(benchmark::State& state, const QByteArray& bytes)
{
    for (auto _ : state) {
        QTextDocument doc;
        ReadRtf(bytes, doc);
        benchmark::DoNotOptimize(doc.characterCount());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}

void BM_RtfParagraphs(benchmark::State& state)
{
    static const QByteArray b = Filled("{\\rtf1 ", "Quilmora {\\b bold} text\\par ");
    ReadBench(state, b);
}
void BM_RtfFormatChanges(benchmark::State& state)
{
    static const QByteArray b = Filled("{\\rtf1 ", "\\b a\\b0\\i b\\i0 ");
    ReadBench(state, b);
}
void BM_RtfPicture(benchmark::State& state)
{
    static const QByteArray b = Filled("{\\rtf1 a{\\pict\\pngblip ", "0123456789abcdef", "}b}");
    ReadBench(state, b);
}
void BM_RtfBraces(benchmark::State& state)
{
    static const QByteArray b = Filled("{\\rtf1 ", "{");
    ReadBench(state, b);
}

}  // namespace

BENCHMARK(BM_RtfParagraphs)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RtfFormatChanges)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RtfPicture)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RtfBraces)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
