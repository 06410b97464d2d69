// Times the artwork the window draws at every start: the hex grid and the two
// button faces, at ratios 1 and 2. A Google Benchmark program: the bench driver
// reads its --benchmark_format=json.

#include "art/button_faces.h"
#include "art/hex_grid.h"
#include "platform/qt/qt_faces.h"

#include <QGuiApplication>
#include <QImage>

#include <benchmark/benchmark.h>

namespace {

void render(benchmark::State &state, QImage (*picture)(double))
{
    const double ratio = double(state.range(0));
    for (auto _ : state) {
        QImage image = picture(ratio);
        benchmark::DoNotOptimize(image);
    }
}

// As the desktop shows them: the grid's pixels as a Qt image, the faces drawn with Qt.
QImage grid(double ratio) { return forms::imageOf(art::renderHexGrid(ratio)); }
QImage clearFace(double ratio) { return forms::renderFace(art::kClearFace, ratio); }
QImage closeFace(double ratio) { return forms::renderFace(art::kCloseFace, ratio); }

} // namespace

int main(int argc, char *argv[])
{
    benchmark::Initialize(&argc, argv);
    QGuiApplication application(argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    const std::pair<const char *, QImage (*)(double)> pictures[] = {
        {"Art/grid", &grid}, {"Art/clear_face", &clearFace}, {"Art/close_face", &closeFace}};
    // The median of a few runs, because the machine's load moves a single run.
    for (const auto &[name, picture] : pictures)
        benchmark::RegisterBenchmark(name, render, picture)
            ->ArgName("ratio")
            ->Arg(1)
            ->Arg(2)
            ->MinTime(0.2)
            ->Repetitions(5)
            ->ReportAggregatesOnly()
            ->Unit(benchmark::kMicrosecond);

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
