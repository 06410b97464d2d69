// Pixel work on pictures that every binding shares.

#include "window_desc.h"

#include <algorithm>
#include <cmath>

namespace forms {

int physicalPixels(int logical, double ratio)
{
    return int(std::ceil(logical * ratio - 1e-9));
}

void fillOnWholePixels(std::uint32_t *pixels, int width, int height, std::ptrdiff_t stride, const FaceShape &shape,
                       double ratio)
{
    const double cx = shape.left + shape.width / 2, cy = shape.top + shape.height / 2;
    const double rx = shape.width / 2, ry = shape.height / 2;
    const int x0 = std::max(0, int(std::floor(shape.left * ratio)));
    const int y0 = std::max(0, int(std::floor(shape.top * ratio)));
    const int x1 = std::min(width, int(std::ceil((shape.left + shape.width) * ratio)));
    const int y1 = std::min(height, int(std::ceil((shape.top + shape.height) * ratio)));
    for (int py = y0; py < y1; ++py) {
        std::uint32_t *line = pixels + py * stride;
        const double y = (py + 0.5) / ratio;
        for (int px = x0; px < x1; ++px) {
            const double x = (px + 0.5) / ratio;
            const double dx = (x - cx) / rx, dy = (y - cy) / ry;
            const bool inside = shape.kind == FaceShape::Ellipse ? dx * dx + dy * dy < 1.0
                                                                 : std::abs(dx) < 1.0 && std::abs(dy) < 1.0;
            if (inside)
                line[px] = shape.colour;
        }
    }
}

} // namespace forms
