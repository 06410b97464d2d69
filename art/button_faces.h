#pragma once

// The faces of the Clear and Close buttons, drawn by code at the ratio they are shown at.

#include "platform/window_desc.h"

#include <QImage>

namespace art {

inline constexpr int kFaceWidth = 100;
inline constexpr int kFaceHeight = 25;

QImage renderClearFace(double devicePixelRatio);
QImage renderCloseFace(double devicePixelRatio);

inline constexpr forms::PictureDesc kClearFace{kFaceWidth, kFaceHeight, &renderClearFace};
inline constexpr forms::PictureDesc kCloseFace{kFaceWidth, kFaceHeight, &renderCloseFace};

} // namespace art
