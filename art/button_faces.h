#pragma once

// The faces of the Clear and Close buttons: a symbol from a shape table and the
// command's word, which each binding draws at the ratio they are shown at.

#include "platform/window_desc.h"

namespace art {

inline constexpr int kFaceWidth = 100;
inline constexpr int kFaceHeight = 25;

inline constexpr std::uint32_t kFaceBackground = 0xFFF1F4CE;
inline constexpr std::uint32_t kFaceInk = 0xFF000000;

using forms::FaceShape;

// A white disc in a red ring, a little wider than high.
inline constexpr FaceShape kClearSymbol[] = {
    {FaceShape::Ellipse, 5, 4, 19, 18, 0xFFDD001A},
    {FaceShape::Ellipse, 7, 6, 14, 14, 0xFFFFFFFF},
};

// A purple ring, heavier at the bottom, round a pale inside with a purple square;
// a band of lavender edges the inside and the square.
inline constexpr FaceShape kCloseSymbol[] = {
    {FaceShape::Ellipse, 5, 4, 17, 17, 0xFF6A4F9A},
    {FaceShape::Ellipse, 8, 7, 11, 10, 0xFF9B8BAD, false},
    {FaceShape::Ellipse, 9, 8, 9, 8, 0xFFFFFFD4, false},
    {FaceShape::Box, 10, 9, 7, 6, 0xFF9B8BAD, false},
    {FaceShape::Box, 11, 10, 5, 4, 0xFF6A4F9A, false},
};

inline constexpr forms::FaceDesc kClearFaceArt{kClearSymbol, "CLEAR", {37, 85, 6, 18}, kFaceBackground, kFaceInk};
inline constexpr forms::FaceDesc kCloseFaceArt{kCloseSymbol, "CLOSE", {36, 84, 6, 18}, kFaceBackground, kFaceInk};

inline constexpr forms::PictureDesc kClearFace{kFaceWidth, kFaceHeight, nullptr, &kClearFaceArt};
inline constexpr forms::PictureDesc kCloseFace{kFaceWidth, kFaceHeight, nullptr, &kCloseFaceArt};

enum class FaceKind { Clear, Close };

constexpr const forms::FaceDesc &faceArt(FaceKind kind)
{
    return kind == FaceKind::Clear ? kClearFaceArt : kCloseFaceArt;
}

} // namespace art
