#pragma once

// The battle map: a plain hexagon grid, drawn by code at the ratio it is shown at.

#include "platform/window_desc.h"

namespace art {

inline constexpr int kHexGridWidth = 463;
inline constexpr int kHexGridHeight = 398;

forms::Pixels renderHexGrid(double devicePixelRatio);

inline constexpr forms::PictureDesc kHexGrid{kHexGridWidth, kHexGridHeight, &renderHexGrid};

} // namespace art
