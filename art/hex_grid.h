#pragma once

// The battle map: a plain hexagon grid, drawn by code at the ratio it is shown at.

#include "platform/window_desc.h"

#include <QImage>

namespace art {

inline constexpr int kHexGridWidth = 463;
inline constexpr int kHexGridHeight = 398;

QImage renderHexGrid(double devicePixelRatio);

inline constexpr forms::PictureDesc kHexGrid{kHexGridWidth, kHexGridHeight, &renderHexGrid};

} // namespace art
