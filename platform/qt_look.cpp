// The application-wide look: style, classic fonts with their substitutes, application font.

#include "qt_look.h"

#include "qt_style.h"

#include <QApplication>
#include <QFont>

namespace forms {

namespace {

// The window's fonts are those of its classic design. Where that family is
// missing, a metric-compatible sans-serif takes its place so captions still fit.
QFont classicFont(int pixelSize, QFont::Weight weight)
{
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelSize);
    f.setWeight(weight);
    return f;
}

} // namespace

void installLook()
{
    static const bool installed = [] {
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                                   {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"), QStringLiteral("Arial"),
                                    QStringLiteral("Helvetica"), QStringLiteral("DejaVu Sans")});
        // Before any widget exists, so none is polished twice.
        CachedFrameStyle::install();
        // A text box lays out its text once in the application font before it
        // takes its own; with the dialog font as the application's, no other
        // family is ever matched and loaded.
        QApplication::setFont(fontOf(Font::Dialog));
        return true;
    }();
    Q_UNUSED(installed);
}

const QFont &fontOf(Font font)
{
    static const QFont dialog = classicFont(11, QFont::Normal);
    static const QFont heading = classicFont(13, QFont::Bold);
    return font == Font::HeadingBold ? heading : dialog;
}

} // namespace forms
