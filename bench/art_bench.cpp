// Times the artwork the window draws at every start: the hex grid and the two
// button faces, at ratios 1 and 2. Prints one "key value" line per figure.

#include "art/button_faces.h"
#include "art/hex_grid.h"

#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The median time of one call, in microseconds, over many calls after a warm-up.
template<typename Render>
double medianMicroseconds(Render render, int runs)
{
    std::vector<double> times;
    times.reserve(std::size_t(runs));
    volatile qint64 sink = render().sizeInBytes();
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        const QImage image = render();
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        sink = sink + image.sizeInBytes();
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    for (double ratio : {1.0, 2.0}) {
        const int r = int(ratio);
        std::printf("grid_dpr%d_us %.1f\n", r, medianMicroseconds([ratio] { return art::renderHexGrid(ratio); }, 500));
        std::printf("clear_face_dpr%d_us %.1f\n", r,
                    medianMicroseconds([ratio] { return art::renderClearFace(ratio); }, 500));
        std::printf("close_face_dpr%d_us %.1f\n", r,
                    medianMicroseconds([ratio] { return art::renderCloseFace(ratio); }, 500));
    }
    return 0;
}
