#pragma once

// The faces of the Clear and Close buttons, drawn by code at the ratio they are shown at.

#include "platform/window_desc.h"

#include <QFont>
#include <QImage>

namespace art {

inline constexpr int kFaceWidth = 100;
inline constexpr int kFaceHeight = 25;

// The word is fitted to its place whatever the font, so any sans-serif will do;
// the buttons use the first of a few common families the machine has.
enum class FaceKind { Clear, Close };
QFont faceWordFont();
QImage renderFace(FaceKind kind, double devicePixelRatio, const QFont &wordFont);

QImage renderClearFace(double devicePixelRatio);
QImage renderCloseFace(double devicePixelRatio);

inline constexpr forms::PictureDesc kClearFace{kFaceWidth, kFaceHeight, &renderClearFace};
inline constexpr forms::PictureDesc kCloseFace{kFaceWidth, kFaceHeight, &renderCloseFace};

} // namespace art
