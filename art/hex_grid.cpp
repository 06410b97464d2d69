// The hex grid, drawn from its tile at any device pixel ratio.

#include "hex_grid.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace art {

namespace {

constexpr std::uint32_t kBackground = 0xFFA9A9A9;
constexpr std::uint32_t kLine = 0xFF928F92;

constexpr int kTileWidth = 24;
constexpr int kTileHeight = 42;

// One band of tile rows that share the same line pixels.
struct TileBand {
    int firstRow;
    int lastRow;
    std::initializer_list<int> xs;
};

// The tile the map repeats: a hexagon's top vertex and upper slopes, its vertical
// side at x 0, its lower slopes, then the vertical side of the shifted row at x 12.
// The slopes are hand-set pixel steps, not a computed line, so they are listed.
constexpr TileBand kTile[] = {
    {0, 2, {12}},
    {3, 3, {10, 11, 13, 14}},
    {4, 4, {8, 9, 15, 16}},
    {5, 5, {6, 7, 17, 18}},
    {6, 6, {5, 6, 18, 19}},
    {7, 7, {3, 4, 20, 21}},
    {8, 8, {1, 2, 22, 23}},
    {9, 23, {0}},
    {24, 24, {1, 2, 22, 23}},
    {25, 25, {3, 4, 20, 21}},
    {26, 26, {5, 6, 18, 19}},
    {27, 27, {6, 7, 17, 18}},
    {28, 28, {8, 9, 15, 16}},
    {29, 29, {10, 11, 13, 14}},
    {30, 41, {12}},
};

// Each tile row as a bit mask over its 24 columns.
constexpr std::array<std::uint32_t, kTileHeight> tileMasks()
{
    std::array<std::uint32_t, kTileHeight> masks{};
    for (const TileBand &band : kTile)
        for (int row = band.firstRow; row <= band.lastRow; ++row)
            for (int x : band.xs)
                masks[std::size_t(row)] |= std::uint32_t{1} << x;
    return masks;
}

constexpr std::array<std::uint32_t, kTileHeight> kTileMasks = tileMasks();

static_assert([] {
    int next = 0;
    for (const TileBand &band : kTile) {
        if (band.firstRow != next || band.lastRow < band.firstRow)
            return false;
        for (int x : band.xs)
            if (x < 0 || x >= kTileWidth)
                return false;
        next = band.lastRow + 1;
    }
    return next == kTileHeight;
}(), "the tile bands cover rows 0-41 once each, with columns inside the tile");

// The logical pixel a physical pixel shows: the one its centre falls in.
int logicalOf(int physical, double ratio, int limit)
{
    const int logical = int(std::floor((physical + 0.5) / ratio));
    return logical < limit ? logical : limit - 1;
}

} // namespace

forms::Pixels renderHexGrid(double devicePixelRatio)
{
    // The grid is pixel art: each physical pixel takes the colour of the logical
    // pixel it lies in, so every pixel stays one of the two greys at any ratio.
    const double ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const int width = forms::physicalPixels(kHexGridWidth, ratio);
    const int height = forms::physicalPixels(kHexGridHeight, ratio);
    forms::Pixels image{width, height, ratio, std::vector<std::uint32_t>(std::size_t(width) * std::size_t(height))};

    std::vector<int> tileColumn(std::size_t(width), -1); // -1: the right-most column, kept clear
    for (int px = 0; px < width; ++px) {
        const int x = logicalOf(px, ratio, kHexGridWidth);
        if (x != kHexGridWidth - 1)
            tileColumn[std::size_t(px)] = x % kTileWidth;
    }

    // Every image row is a copy of one of the tile's 42 rows, built once.
    std::vector<std::uint32_t> rows(std::size_t(kTileHeight) * std::size_t(width));
    for (int row = 0; row < kTileHeight; ++row) {
        const std::uint32_t mask = kTileMasks[std::size_t(row)];
        std::uint32_t *out = rows.data() + std::size_t(row) * std::size_t(width);
        for (int px = 0; px < width; ++px) {
            const int column = tileColumn[std::size_t(px)];
            out[px] = column >= 0 && (mask >> column & 1u) ? kLine : kBackground;
        }
    }
    const std::size_t rowBytes = std::size_t(width) * sizeof(std::uint32_t);
    for (int py = 0; py < height; ++py) {
        const int row = logicalOf(py, ratio, kHexGridHeight) % kTileHeight;
        std::memcpy(image.argb.data() + std::size_t(py) * std::size_t(width),
                    rows.data() + std::size_t(row) * std::size_t(width), rowBytes);
    }
    return image;
}

} // namespace art
