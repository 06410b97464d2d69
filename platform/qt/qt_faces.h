#pragma once

// Pictures as Qt images: pixel art as it was drawn, and button faces drawn with
// Qt's painter and fonts at the ratio they are shown at.

#include "platform/window_desc.h"

#include <QFont>
#include <QImage>

namespace forms {

// The word is fitted to its box whatever the font, so any sans-serif will do;
// faces use the first of a few common families the machine has.
QFont faceWordFont();
// A picture's face at its size; the picture must have one.
QImage renderFace(const PictureDesc &picture, double devicePixelRatio, const QFont &wordFont);
QImage renderFace(const PictureDesc &picture, double devicePixelRatio);

// The same pixels as a Qt image at their ratio.
QImage imageOf(const Pixels &pixels);

} // namespace forms
