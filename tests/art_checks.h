#pragma once

// What the artwork must look like, written out independently of the code that
// draws it, for the tests that check it in a picture of the window.

#include "art/button_faces.h"
#include "art/hex_grid.h"
#include "platform/qt/qt_faces.h"

#include <QImage>
#include <QRect>

#include <array>
#include <cstddef>

// The artwork as the desktop shows it: the grid's pixels as a Qt image, the
// faces as the Qt binding draws them.
namespace art {
inline QImage gridImage(double ratio) { return forms::imageOf(renderHexGrid(ratio)); }
inline QImage renderFace(FaceKind kind, double ratio, const QFont &font)
{
    return forms::renderFace(kind == FaceKind::Clear ? kClearFace : kCloseFace, ratio, font);
}
inline QImage renderClearFace(double ratio) { return forms::renderFace(kClearFace, ratio); }
inline QImage renderCloseFace(double ratio) { return forms::renderFace(kCloseFace, ratio); }
} // namespace art

namespace {

constexpr QRgb kGridBack = 0xFFA9A9A9;
constexpr QRgb kGridLine = 0xFF928F92;

// The map's tile, drawn as it looks: '#' a line pixel, '.' background.
constexpr std::array<const char *, 42> kTile = {
    "............#...........", // 0
    "............#...........",
    "............#...........",
    "..........##.##.........",
    "........##.....##.......",
    "......##.........##.....", // 5
    ".....##...........##....",
    "...##...............##..",
    ".##...................##",
    "#.......................",
    "#.......................", // 10
    "#.......................",
    "#.......................",
    "#.......................",
    "#.......................",
    "#.......................", // 15
    "#.......................",
    "#.......................",
    "#.......................",
    "#.......................",
    "#.......................", // 20
    "#.......................",
    "#.......................",
    "#.......................",
    ".##...................##",
    "...##...............##..", // 25
    ".....##...........##....",
    "......##.........##.....",
    "........##.....##.......",
    "..........##.##.........",
    "............#...........", // 30
    "............#...........",
    "............#...........",
    "............#...........",
    "............#...........",
    "............#...........", // 35
    "............#...........",
    "............#...........",
    "............#...........",
    "............#...........",
    "............#...........", // 40
    "............#...........",
};

inline QRgb expectedGridPixel(int x, int y)
{
    if (x == art::kHexGridWidth - 1)
        return kGridBack;
    return kTile[std::size_t(y % 42)][x % 24] == '#' ? kGridLine : kGridBack;
}

// True when every 2 x 2 block is one colour: what blowing up a picture by two leaves.
inline bool blocksAreUniform(const QImage &image, const QRect &area)
{
    for (int y = area.top(); y + 1 <= area.bottom(); y += 2)
        for (int x = area.left(); x + 1 <= area.right(); x += 2) {
            const QRgb p = image.pixel(x, y);
            if (image.pixel(x + 1, y) != p || image.pixel(x, y + 1) != p || image.pixel(x + 1, y + 1) != p)
                return false;
        }
    return true;
}

} // namespace
