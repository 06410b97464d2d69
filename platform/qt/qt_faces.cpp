// Button faces drawn with Qt: the symbol's shapes and the fitted word.

#include "qt_faces.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace forms {

namespace {

// The word's outline at a large size, so its shape, not the font's hinting or
// metrics, decides where the ink lies.
QPainterPath wordOutline(std::string_view word, QFont font)
{
    font.setStyle(QFont::StyleNormal);
    font.setPixelSize(200);
    font.setHintingPreference(QFont::PreferNoHinting);
    QPainterPath path;
    path.addText(0, 0, font, QString::fromLatin1(word.data(), qsizetype(word.size())));
    return path;
}

// A pixel counts as ink when it is darker than halfway from the background to black.
bool isInk(QRgb pixel, QRgb background)
{
    return 2 * qGray(pixel) < qGray(background);
}

struct Span {
    int first = -1, last = -1;
};

// The columns and rows of an image that hold ink.
std::array<Span, 2> inkSpans(const QImage &image, QRgb background)
{
    std::array<Span, 2> spans;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (!isInk(line[x], background))
                continue;
            if (spans[0].first < 0 || x < spans[0].first)
                spans[0].first = x;
            spans[0].last = std::max(spans[0].last, x);
            if (spans[1].first < 0)
                spans[1].first = y;
            spans[1].last = y;
        }
    }
    return spans;
}

void paintWord(QPainter &painter, const QPainterPath &outline, const QRectF &ink, const QRectF &target, QRgb colour)
{
    QTransform fit;
    fit.translate(target.left(), target.top());
    fit.scale(target.width() / ink.width(), target.height() / ink.height());
    fit.translate(-ink.left(), -ink.top());
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgb(colour));
    painter.drawPath(fit.map(outline));
}

// The word's outline stretched onto its box, in physical pixels. Where an extreme
// of a letter (a point of a diagonal, the crown of a curve) covers too little of
// its pixel to count as ink, that side of the box is pushed out a little, never so
// far that the pixel beyond could fill up to ink.
QRectF fittedWordRect(const QPainterPath &outline, const QRectF &ink, const FaceDesc &face, double ratio, QSize size)
{
    const WordBox &box = face.box;
    const int wantLeft = int(std::lround(box.first * ratio));
    const int wantRight = int(std::lround((box.last + 1) * ratio)) - 1;
    const int wantTop = int(std::lround(box.top * ratio));
    const int wantBottom = int(std::lround((box.bottom + 1) * ratio)) - 1;
    QRectF target(QPointF(wantLeft, wantTop), QPointF(wantRight + 1, wantBottom + 1));

    constexpr double kStep = 0.125;
    constexpr int kMaxSteps = 3;
    std::array<int, 4> pushed{}; // left, right, top, bottom
    QImage scratch(size, QImage::Format_RGB32);
    for (int round = 0; round <= kMaxSteps; ++round) {
        scratch.fill(face.background);
        {
            QPainter painter(&scratch);
            painter.setRenderHint(QPainter::Antialiasing);
            paintWord(painter, outline, ink, target, face.ink);
        }
        const auto [columns, rows] = inkSpans(scratch, face.background);
        bool moved = false;
        auto push = [&](int side, bool isShort, double &edge, double direction) {
            if (isShort && pushed[std::size_t(side)] < kMaxSteps) {
                edge += direction * kStep;
                ++pushed[std::size_t(side)];
                moved = true;
            }
        };
        double left = target.left(), right = target.right(), top = target.top(), bottom = target.bottom();
        push(0, columns.first > wantLeft, left, -1);
        push(1, columns.last < wantRight, right, +1);
        push(2, rows.first > wantTop, top, -1);
        push(3, rows.last < wantBottom, bottom, +1);
        if (!moved)
            break;
        target = QRectF(QPointF(left, top), QPointF(right, bottom));
    }
    return target;
}

} // namespace

QImage renderFace(const PictureDesc &picture, double devicePixelRatio, const QFont &wordFont)
{
    const FaceDesc &face = *picture.face;
    const double ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const QSize size(physicalPixels(picture.width, ratio), physicalPixels(picture.height, ratio));
    QImage image(size, QImage::Format_RGB32);
    image.fill(face.background);

    const QPainterPath outline = wordOutline(face.word, wordFont);
    const QRectF ink = outline.boundingRect();

    // Drawn straight at the physical resolution, so edges are smoothed over one
    // physical pixel rather than blown up from a smaller picture.
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.save();
    painter.scale(ratio, ratio);
    for (const FaceShape &shape : face.symbol) {
        if (!shape.smoothed)
            continue;
        painter.setBrush(QColor::fromRgb(shape.colour));
        const QRectF r(shape.left, shape.top, shape.width, shape.height);
        if (shape.kind == FaceShape::Ellipse)
            painter.drawEllipse(r);
        else
            painter.drawRect(r);
    }
    painter.restore();
    // Without any font on the machine there is no outline to fit; the symbol still shows.
    if (!ink.isEmpty())
        paintWord(painter, outline, ink, fittedWordRect(outline, ink, face, ratio, size), face.ink);
    painter.end();
    for (const FaceShape &shape : face.symbol)
        if (!shape.smoothed)
            fillOnWholePixels(reinterpret_cast<std::uint32_t *>(image.bits()), image.width(), image.height(),
                              image.bytesPerLine() / 4, shape, ratio);

    image.setDevicePixelRatio(ratio);
    return image;
}

QFont faceWordFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"), QStringLiteral("Arial"),
                      QStringLiteral("Helvetica"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Bold);
    return font;
}

QImage renderFace(const PictureDesc &picture, double devicePixelRatio)
{
    return renderFace(picture, devicePixelRatio, faceWordFont());
}

QImage imageOf(const Pixels &pixels)
{
    QImage image(pixels.width, pixels.height, QImage::Format_RGB32);
    for (int y = 0; y < pixels.height; ++y)
        std::memcpy(image.scanLine(y), pixels.argb.data() + std::size_t(y) * std::size_t(pixels.width),
                    std::size_t(pixels.width) * sizeof(std::uint32_t));
    image.setDevicePixelRatio(pixels.ratio);
    return image;
}

} // namespace forms
