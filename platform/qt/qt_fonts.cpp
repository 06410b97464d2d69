// Choosing the window's fonts: the classic ones, or narrower ones where a caption would not fit.

#include "qt_fonts.h"

#include "qt_text.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

namespace forms {

namespace {

// Below this a caption is no longer legible on a screen; a font is not made
// smaller even if some caption is still too wide at it.
constexpr int kSmallestPixelSize = 8;

// The classic family where it is installed, else the substitute installLook()
// names: one with its metrics, or DejaVu Sans, wider, where none of those is.
QFont classicFont(int pixelSize, QFont::Weight weight)
{
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelSize);
    f.setWeight(weight);
    // Named outright as none, so the face is chosen by weight and slant even
    // where the application font names one (a condensed dialog face would make
    // the headings condensed and regular).
    f.setStyleName(QString());
    return f;
}

// Measured as the widgets lay their text out: in whole pixels from the left of
// the room, clipped where the control ends.
bool fits(const QFont &font, const std::vector<const CaptionRoom *> &captions)
{
    const QFontMetrics metrics(font);
    return std::all_of(captions.begin(), captions.end(),
                       [&metrics](const CaptionRoom *c) { return metrics.horizontalAdvance(c->text) <= c->room; });
}

int totalWidth(const QFont &font, const std::vector<const CaptionRoom *> &captions)
{
    const QFontMetrics metrics(font);
    int width = 0;
    for (const CaptionRoom *c : captions)
        width += metrics.horizontalAdvance(c->text);
    return width;
}

// The face the font resolves to, then the narrower faces of its family with the
// same weight and slant (condensed or narrow ones), widest first. Only installed
// faces: a stretch the family lacks would be faked by squeezing the glyphs.
std::vector<QFont> facesOf(const QFont &font, const std::vector<const CaptionRoom *> &captions)
{
    const QFontInfo resolved(font);
    const QString family = resolved.family();
    const int weight = QFontDatabase::weight(family, resolved.styleName());
    const int resolvedWidth = totalWidth(font, captions);
    std::vector<std::pair<int, QFont>> narrower;
    for (const QString &style : QFontDatabase::styles(family)) {
        QFont face = QFontDatabase::font(family, style, font.pixelSize()); // in points; made pixels below
        face.setPixelSize(font.pixelSize());
        if (QFontDatabase::weight(family, style) != weight || face.style() != resolved.style())
            continue;
        const int width = totalWidth(face, captions);
        if (width < resolvedWidth)
            narrower.emplace_back(width, face);
    }
    std::stable_sort(narrower.begin(), narrower.end(),
                     [](const auto &a, const auto &b) { return a.first > b.first; });
    std::vector<QFont> faces{font};
    for (auto &[width, face] : narrower)
        faces.push_back(std::move(face));
    return faces;
}

QFont fittingFont(const QFont &classic, const std::vector<const CaptionRoom *> &captions)
{
    if (fits(classic, captions))
        return classic;
    // A smaller size changes the look more than a narrower face of the same size.
    const std::vector<QFont> faces = facesOf(classic, captions);
    for (int size = classic.pixelSize(); size >= kSmallestPixelSize; --size)
        for (QFont face : faces) {
            face.setPixelSize(size);
            if (fits(face, captions))
                return face;
        }
    // Nothing fits at the smallest legible size; the narrowest face cuts off least.
    QFont narrowest = faces.back();
    narrowest.setPixelSize(kSmallestPixelSize);
    return narrowest;
}

} // namespace

WindowFonts classicFonts()
{
    auto of = [](Font font) {
        const FontSize size = classicSize(font);
        return classicFont(size.pixels, size.bold ? QFont::Bold : QFont::Normal);
    };
    return {of(Font::Dialog), of(Font::HeadingBold)};
}

std::vector<CaptionRoom> captionRooms(const WindowDesc &desc, const QStyle &style)
{
    std::vector<CaptionRoom> captions;
    for (const auto &table : desc.tables)
        for (const ControlDesc &row : table) {
            if (row.kind == Kind::OptionButton) {
                // The text starts right of the indicator and its spacing.
                QStyleOptionButton option;
                option.rect = QRect(0, 0, row.rect.width, row.rect.height);
                option.text = qs(row.caption);
                option.direction = QGuiApplication::layoutDirection();
                option.state = QStyle::State_Enabled;
                const QRect contents = style.subElementRect(QStyle::SE_RadioButtonContents, &option, nullptr);
                captions.push_back({option.text, row.font, contents.width()});
            } else if (row.kind == Kind::Label && row.look == LabelLook::Text && !row.caption.empty()) {
                // A label without frame or margin lays its text out over its whole width.
                captions.push_back({qs(row.caption), row.font, row.rect.width});
            }
        }
    return captions;
}

WindowFonts fittingFonts(const std::vector<CaptionRoom> &captions)
{
    WindowFonts fonts = classicFonts();
    for (const Font kind : {Font::Dialog, Font::HeadingBold}) {
        std::vector<const CaptionRoom *> own;
        for (const CaptionRoom &c : captions)
            if (c.font == kind)
                own.push_back(&c);
        QFont &font = kind == Font::HeadingBold ? fonts.heading : fonts.dialog;
        font = fittingFont(font, own);
    }
    return fonts;
}

QStringList metricCompatibleFamilies()
{
    return {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"), QStringLiteral("Arial"),
            QStringLiteral("Helvetica")};
}

WindowFonts windowFonts(const WindowDesc &desc)
{
    // Measuring every caption costs about as much as drawing them; where the
    // metrics are the classic ones there is nothing to find out.
    const WindowFonts classic = classicFonts();
    const QStringList metric = metricCompatibleFamilies();
    if (metric.contains(QFontInfo(classic.dialog).family()) && metric.contains(QFontInfo(classic.heading).family()))
        return classic;
    return fittingFonts(captionRooms(desc, *QApplication::style()));
}

} // namespace forms
