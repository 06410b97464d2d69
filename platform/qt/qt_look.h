#pragma once

// The application-wide look the window is drawn in: the widget style with its
// cached frames, the classic fonts and their substitutes, narrowed where a
// caption would not fit, and the application font. Set up once, before any
// window is built, by the program's main and by the tests' fixture.

#include "platform/window_desc.h"

class QFont;

namespace forms {

// Fits the fonts to the captions of the given window.
void installLook(const WindowDesc &window);

// The font of a row; installLook() must have run.
const QFont &fontOf(Font font);

} // namespace forms
