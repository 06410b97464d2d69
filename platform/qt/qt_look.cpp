// The application-wide look: style, classic fonts with their substitutes, application font.

#include "qt_look.h"

#include "qt_fonts.h"
#include "qt_style.h"

#include <QApplication>
#include <QFont>

namespace forms {

namespace {

WindowFonts &installedFonts()
{
    static WindowFonts fonts;
    return fonts;
}

} // namespace

void installLook(const WindowDesc &window)
{
    static const bool installed = [&window] {
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                                   metricCompatibleFamilies() << QStringLiteral("DejaVu Sans"));
        // Before any widget exists, so none is polished twice.
        CachedFrameStyle::install();
        // Measured against the style the controls are drawn with.
        installedFonts() = windowFonts(window);
        // A text box lays out its text once in the application font before it
        // takes its own; with the dialog font as the application's, no other
        // family is ever matched and loaded.
        QApplication::setFont(installedFonts().dialog);
        return true;
    }();
    Q_UNUSED(installed);
}

const QFont &fontOf(Font font)
{
    return installedFonts().of(font);
}

} // namespace forms
