// The Clear and Close faces: symbols from a shape table and a fitted word.

#include "button_faces.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <span>

namespace art {

namespace {

constexpr QRgb kFaceBackground = 0xFFF1F4CE;
constexpr QRgb kInk = 0xFF000000;

// A filled shape of a symbol, in face pixels; an ellipse fills its bounding box.
// An outer shape is smoothed into the background; an inner one is laid on whole
// pixels over the outer ones, where a band of a mixed colour does the smoothing.
struct Shape {
    enum Kind { Ellipse, Box } kind;
    double left, top, width, height;
    QRgb colour;
    bool smoothed = true;
};

// Where the word's dark pixels go: columns first..last and rows top..bottom, inclusive.
struct WordBox {
    int first, last, top, bottom;
};

struct Face {
    std::span<const Shape> symbol;
    const char *word;
    WordBox box;
};

// A white disc in a red ring, a little wider than high.
constexpr Shape kClearSymbol[] = {
    {Shape::Ellipse, 5, 4, 19, 18, 0xFFDD001A},
    {Shape::Ellipse, 7, 6, 14, 14, 0xFFFFFFFF},
};

// A purple ring, heavier at the bottom, round a pale inside with a purple square;
// a band of lavender edges the inside and the square.
constexpr Shape kCloseSymbol[] = {
    {Shape::Ellipse, 5, 4, 17, 17, 0xFF6A4F9A},
    {Shape::Ellipse, 8, 7, 11, 10, 0xFF9B8BAD, false},
    {Shape::Ellipse, 9, 8, 9, 8, 0xFFFFFFD4, false},
    {Shape::Box, 10, 9, 7, 6, 0xFF9B8BAD, false},
    {Shape::Box, 11, 10, 5, 4, 0xFF6A4F9A, false},
};

constexpr Face kClear{kClearSymbol, "CLEAR", {37, 85, 6, 18}};
constexpr Face kClose{kCloseSymbol, "CLOSE", {36, 84, 6, 18}};

// The word's outline at a large size, so its shape, not the font's hinting or
// metrics, decides where the ink lies.
QPainterPath wordOutline(const char *word, QFont font)
{
    font.setStyle(QFont::StyleNormal);
    font.setPixelSize(200);
    font.setHintingPreference(QFont::PreferNoHinting);
    QPainterPath path;
    path.addText(0, 0, font, QString::fromLatin1(word));
    return path;
}

// A pixel counts as ink when it is darker than halfway from the background to black.
bool isInk(QRgb pixel)
{
    return 2 * qGray(pixel) < qGray(kFaceBackground);
}

struct Span {
    int first = -1, last = -1;
};

// The columns and rows of an image that hold ink.
std::array<Span, 2> inkSpans(const QImage &image)
{
    std::array<Span, 2> spans;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (!isInk(line[x]))
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

void paintWord(QPainter &painter, const QPainterPath &outline, const QRectF &ink, const QRectF &target)
{
    QTransform fit;
    fit.translate(target.left(), target.top());
    fit.scale(target.width() / ink.width(), target.height() / ink.height());
    fit.translate(-ink.left(), -ink.top());
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgb(kInk));
    painter.drawPath(fit.map(outline));
}

// The word's outline stretched onto its box, in physical pixels. Where an extreme
// of a letter (a point of a diagonal, the crown of a curve) covers too little of
// its pixel to count as ink, that side of the box is pushed out a little, never so
// far that the pixel beyond could fill up to ink.
QRectF fittedWordRect(const QPainterPath &outline, const QRectF &ink, const WordBox &box, double ratio, QSize size)
{
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
        scratch.fill(kFaceBackground);
        {
            QPainter painter(&scratch);
            painter.setRenderHint(QPainter::Antialiasing);
            paintWord(painter, outline, ink, target);
        }
        const auto [columns, rows] = inkSpans(scratch);
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

// Fills every physical pixel whose centre lies inside the shape, so a band one
// face pixel wide comes out whole and in its exact colour at any ratio.
void fillOnWholePixels(QImage &image, const Shape &shape, double ratio)
{
    const double cx = shape.left + shape.width / 2, cy = shape.top + shape.height / 2;
    const double rx = shape.width / 2, ry = shape.height / 2;
    const int x0 = std::max(0, int(std::floor(shape.left * ratio)));
    const int y0 = std::max(0, int(std::floor(shape.top * ratio)));
    const int x1 = std::min(image.width(), int(std::ceil((shape.left + shape.width) * ratio)));
    const int y1 = std::min(image.height(), int(std::ceil((shape.top + shape.height) * ratio)));
    for (int py = y0; py < y1; ++py) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(py));
        const double y = (py + 0.5) / ratio;
        for (int px = x0; px < x1; ++px) {
            const double x = (px + 0.5) / ratio;
            const double dx = (x - cx) / rx, dy = (y - cy) / ry;
            const bool inside = shape.kind == Shape::Ellipse ? dx * dx + dy * dy < 1.0
                                                             : std::abs(dx) < 1.0 && std::abs(dy) < 1.0;
            if (inside)
                line[px] = shape.colour;
        }
    }
}

QImage renderFace(const Face &face, double devicePixelRatio, const QFont &wordFont)
{
    const double ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const QSize size(int(std::ceil(kFaceWidth * ratio - 1e-9)), int(std::ceil(kFaceHeight * ratio - 1e-9)));
    QImage image(size, QImage::Format_RGB32);
    image.fill(kFaceBackground);

    const QPainterPath outline = wordOutline(face.word, wordFont);
    const QRectF ink = outline.boundingRect();

    // Drawn straight at the physical resolution, so edges are smoothed over one
    // physical pixel rather than blown up from a smaller picture.
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.save();
    painter.scale(ratio, ratio);
    for (const Shape &shape : face.symbol) {
        if (!shape.smoothed)
            continue;
        painter.setBrush(QColor::fromRgb(shape.colour));
        const QRectF r(shape.left, shape.top, shape.width, shape.height);
        if (shape.kind == Shape::Ellipse)
            painter.drawEllipse(r);
        else
            painter.drawRect(r);
    }
    painter.restore();
    // Without any font on the machine there is no outline to fit; the symbol still shows.
    if (!ink.isEmpty())
        paintWord(painter, outline, ink, fittedWordRect(outline, ink, face.box, ratio, size));
    painter.end();
    for (const Shape &shape : face.symbol)
        if (!shape.smoothed)
            fillOnWholePixels(image, shape, ratio);

    image.setDevicePixelRatio(ratio);
    return image;
}

} // namespace

QFont faceWordFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"), QStringLiteral("Arial"),
                      QStringLiteral("Helvetica"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Bold);
    return font;
}

QImage renderFace(FaceKind kind, double devicePixelRatio, const QFont &wordFont)
{
    return renderFace(kind == FaceKind::Clear ? kClear : kClose, devicePixelRatio, wordFont);
}

QImage renderClearFace(double devicePixelRatio) { return renderFace(kClear, devicePixelRatio, faceWordFont()); }
QImage renderCloseFace(double devicePixelRatio) { return renderFace(kClose, devicePixelRatio, faceWordFont()); }

} // namespace art
