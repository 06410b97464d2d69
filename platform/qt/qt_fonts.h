#pragma once

// The window's two fonts. Its classic design names a family that Debian lacks;
// a metric-compatible family takes its place and keeps every caption where it
// was. Where none of those is installed, the sans-serif that stands in is wider
// and would cut captions off at their controls' edges, so that font is narrowed
// until every caption fits: a condensed face of its family where one is
// installed, else a smaller pixel size.

#include "platform/window_desc.h"

#include <QFont>
#include <QString>
#include <QStringList>

#include <vector>

class QStyle;

namespace forms {

// A caption, the font it is drawn in, and the width its control lays it out in.
struct CaptionRoom {
    QString text;
    Font font = Font::Dialog;
    int room = 0;
};

struct WindowFonts {
    QFont dialog;
    QFont heading;

    const QFont &of(Font font) const { return font == Font::HeadingBold ? heading : dialog; }
};

// The families drawn to the classic family's metrics, in order of preference.
QStringList metricCompatibleFamilies();

// The fonts of the classic design: 11 pixels regular, headings 13 pixels bold.
WindowFonts classicFonts();

// The caption of every option button and text label in the window, with the
// room the given style leaves it.
std::vector<CaptionRoom> captionRooms(const WindowDesc &desc, const QStyle &style);

// The classic fonts where every caption fits them. A font in which some caption
// does not fit becomes the largest size, and at that size the widest upright
// face of its family and weight, at which all of its captions fit.
WindowFonts fittingFonts(const std::vector<CaptionRoom> &captions);

// The window's fonts: the classic ones where they resolve to a family of the
// classic metrics, which the window is laid out for; else measured against the
// application's style.
WindowFonts windowFonts(const WindowDesc &desc);

} // namespace forms
