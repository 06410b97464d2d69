// The artwork: the hex grid against its tile, the button faces probed pixel by
// pixel, and both as the window shows them, at the screen's pixel ratio.

#include "art/button_faces.h"
#include "art/hex_grid.h"
#include "map/slots.h"
#include "platform/qt/qt_widgets.h"
#include "art_checks.h"
#include "test_window.h"

#include <QAccessible>
#include <QBackingStore>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QPushButton>
#include <QStyleHints>

#include <algorithm>
#include <array>
#include <climits>
#include <map>
#include <cmath>
#include <tuple>
#include <utility>
#include <vector>

namespace {

// The screen of the given pixel ratio: tests/CMakeLists.txt gives the offscreen
// platform one of each ratio the window is checked at.
QScreen *screenAt(double ratio)
{
    for (QScreen *screen : QGuiApplication::screens())
        if (qFuzzyCompare(screen->devicePixelRatio(), ratio))
            return screen;
    return nullptr;
}

QImage opaque(const QImage &image)
{
    return image.convertToFormat(QImage::Format_RGB32);
}

// The logical pixel a device pixel shows: the one its centre lies in.
int logicalOf(int device, double ratio)
{
    return int(std::floor((device + 0.5) / ratio));
}

// A click at a map pixel, made at the first or the last device pixel whose
// corner lies in it, at the corner as the window system reports it.
void clickMapPixel(const TestWindow &w, QPoint at, bool last)
{
    const double ratio = w.window()->devicePixelRatioF();
    const auto device = [ratio, last](int v) {
        return last ? int(std::ceil((v + 1) * ratio - 1e-9)) - 1 : int(std::ceil(v * ratio - 1e-9));
    };
    const QPoint inWindow = w.onMap(at);
    const QPointF local = QPointF(device(inWindow.x()), device(inWindow.y())) / ratio;
    QWindow *handle = w.window()->windowHandle();
    // Far apart in time, so that no two clicks make a double-click.
    const int t = QTest::lastMouseTimestamp + 10 * QGuiApplication::styleHints()->mouseDoubleClickInterval();
    qt_handleMouseEvent(handle, local, handle->mapToGlobal(local), Qt::LeftButton, Qt::LeftButton,
                        QEvent::MouseButtonPress, {}, t);
    qt_handleMouseEvent(handle, local, handle->mapToGlobal(local), {}, Qt::LeftButton, QEvent::MouseButtonRelease, {},
                        t + 1);
    QTest::lastMouseTimestamp = t + 1;
    // Each click's repaint on its own, as a user's clicks come.
    QCoreApplication::processEvents();
}

// Markers placed and moved again, so that parts of the map are repainted on
// their own, each by a click at the last device pixel of its map pixel; then
// clicks at the device pixels either side of the edges of a marker and of the
// map, with Enemy 1 chosen. A click places at the map pixel it lies in, and
// on a marker's square or the map's border places nothing. Says what differs.
QString placeMarkers(const TestWindow &w)
{
    for (auto [slot, at] : {std::pair{7, QPoint(40, 33)}, std::pair{12, QPoint(101, 57)}, std::pair{3, QPoint(455, 390)},
                            std::pair{14, QPoint(237, 210)}, std::pair{7, QPoint(230, 201)}, std::pair{12, QPoint(3, 380)},
                            std::pair{15, QPoint(300, 100)}}) {
        w.selector(slot)->click();
        clickMapPixel(w, at, true);
        if (w.marker(slot)->pos() != at)
            return QStringLiteral("a click at (%1, %2) put the marker at (%3, %4)")
                .arg(at.x()).arg(at.y()).arg(w.marker(slot)->x()).arg(w.marker(slot)->y());
    }
    struct Probe {
        QPoint at;
        bool last;
        bool places;
    };
    w.selector(0)->click();
    for (const Probe &probe : {Probe{{-1, 200}, true, false}, Probe{{0, 200}, false, true}, Probe{{200, -1}, true, false},
                               Probe{{200, 0}, false, true}, Probe{{308, 100}, false, false}, Probe{{308, 99}, true, true},
                               Probe{{308, 116}, true, false}, Probe{{308, 117}, false, true},
                               Probe{{300, 108}, false, false}, Probe{{299, 108}, true, true},
                               Probe{{316, 108}, true, false}, Probe{{317, 108}, false, true}}) {
        const QPoint expected = probe.places ? probe.at : w.marker(0)->pos();
        clickMapPixel(w, probe.at, probe.last);
        if (w.marker(0)->pos() != expected)
            return QStringLiteral("a click at (%1, %2) left Enemy 1 at (%3, %4), not (%5, %6)")
                .arg(probe.at.x()).arg(probe.at.y()).arg(w.marker(0)->x()).arg(w.marker(0)->y())
                .arg(expected.x()).arg(expected.y());
    }
    return {};
}

// Over the map and the legend, what the screen holds at each device pixel,
// written out from the tile and from where the markers stand and what they look
// like: the logical pixel the device pixel's centre lies in (where the centre
// lies on an edge, either) is an enemy's colour, a numbered box's black border,
// anything inside a box (its digit), or the map; there the grid's pixel, its
// picture drawn from the device pixel nearest the map's corner, and the box's
// own background below the picture. Says where it differs.
QString mapDiffers(const TestWindow &w, const QImage &screen, double ratio)
{
    // Each area and, for each of its logical pixels, the widget that shows there.
    struct Area {
        QRect rect;
        std::vector<const QWidget *> owners;
    };
    const QRect canvas(w.onMap(QPoint(0, 0)), w.map()->size());
    std::vector<Area> areas{{canvas, {}}};
    for (int member = 0; member < map::kSlots; ++member) {
        const QWidget *legend = w.widget(map::kLegend.name, std::int16_t(member));
        areas.push_back({QRect(legend->mapTo(w.window(), QPoint(0, 0)), legend->size()), {}});
    }
    // The slot each marker and legend square shows.
    std::map<const QWidget *, int> swatches;
    for (int s = 0; s < map::kSlots; ++s) {
        swatches[w.marker(s)] = s;
        swatches[w.widget(map::kLegend.name, map::kSlotTable[std::size_t(s)].legendMember)] = s;
    }
    for (Area &area : areas)
        for (int y = area.rect.top(); y <= area.rect.bottom(); ++y)
            for (int x = area.rect.left(); x <= area.rect.right(); ++x) {
                const QWidget *owner = w.window()->childAt(x, y);
                area.owners.push_back(owner == w.map() || swatches.count(owner) ? owner : nullptr);
            }
    const QRgb buttonFace = QApplication::palette().color(QPalette::Button).rgb();
    QString fewest;
    int fewestWrong = INT_MAX;
    for (int candidate : {0, 1}) {
        // Qt draws the picture from a whole device pixel next to the map's corner.
        const QPoint picture(int(std::floor(canvas.x() * ratio)) + candidate, int(std::floor(canvas.y() * ratio)) + candidate);
        int wrong = 0;
        QString first;
        for (const Area &area : areas)
            for (int dy = int(area.rect.top() * ratio); dy < int(std::ceil((area.rect.bottom() + 1) * ratio)); ++dy)
                for (int dx = int(area.rect.left() * ratio); dx < int(std::ceil((area.rect.right() + 1) * ratio)); ++dx) {
                    const double cx = (dx + 0.5) / ratio, cy = (dy + 0.5) / ratio;
                    const QPoint p{int(cx), int(cy)};
                    if (cx == p.x() || cy == p.y() || !area.rect.contains(p))
                        continue;
                    const QWidget *owner = area.owners[std::size_t((p.y() - area.rect.top()) * area.rect.width() + p.x() - area.rect.left())];
                    QRgb expected = 0;
                    if (owner == w.map()) {
                        expected = p.y() - canvas.top() >= art::kHexGridHeight
                                       ? buttonFace
                                       : expectedGridPixel(std::clamp(logicalOf(dx - picture.x(), ratio), 0, art::kHexGridWidth - 1),
                                                           std::clamp(logicalOf(dy - picture.y(), ratio), 0, art::kHexGridHeight - 1));
                    } else if (owner) {
                        const int slot = swatches.at(owner);
                        const QRect inside(owner->mapTo(w.window(), QPoint(1, 1)), owner->size() - QSize(2, 2));
                        if (slot < map::kEnemies)
                            expected = 0xFF000000 | map::kSlotTable[std::size_t(slot)].fill;
                        else if (!inside.contains(p))
                            expected = 0xFF000000;
                    }
                    const QRgb seen = reinterpret_cast<const QRgb *>(screen.constScanLine(dy))[dx] | 0xFF000000;
                    if (expected != 0 && seen != expected && wrong++ == 0)
                        first = QStringLiteral("device pixel (%1, %2) of %3 is #%4, not #%5")
                                    .arg(dx).arg(dy).arg(owner == w.map() ? QStringLiteral("the map") : owner->objectName())
                                    .arg(seen & 0xFFFFFF, 6, 16, QLatin1Char('0'))
                                    .arg(expected & 0xFFFFFF, 6, 16, QLatin1Char('0'));
                }
        if (wrong == 0)
            return {};
        if (wrong < fewestWrong) {
            fewestWrong = wrong;
            fewest = QStringLiteral("%1 device pixels differ; %2").arg(wrong).arg(first);
        }
    }
    return fewest;
}

// Each numbered box's digit, in the legend and on the map, as the window shows
// it: the slot's digit in the headings' font, in the window's text colour,
// centred in the box inside its frame with its line at the top, as the font
// draws it over what shows where the box stands. Says where it differs.
QString digitsDiffer(const TestWindow &w, const QImage &screen, double ratio)
{
    const QRect onMap(w.onMap(QPoint(0, 0)), w.map()->size());
    std::vector<std::pair<QWidget *, QString>> boxes;
    for (int s = map::kEnemies; s < map::kSlots; ++s) {
        const QString digit = QString::fromLatin1(map::kSlotTable[std::size_t(s)].digit);
        boxes.emplace_back(w.widget(map::kLegend.name, map::kSlotTable[std::size_t(s)].legendMember), digit);
        if (onMap.contains(QRect(w.marker(s)->mapTo(w.window(), QPoint(0, 0)), w.marker(s)->size())))
            boxes.emplace_back(w.marker(s), digit);
    }
    for (auto &[box, digit] : boxes)
        box->hide();
    QPixmap below = w.window()->grab();
    for (auto &[box, digit] : boxes)
        box->show();
    const QFont font = forms::fontOf(forms::Font::HeadingBold);
    const QFontMetricsF metrics(font);
    QPainter painter(&below);
    painter.setFont(font);
    painter.setPen(QApplication::palette().color(QPalette::WindowText));
    for (auto &[box, digit] : boxes) {
        const QRectF inside(QRectF(box->mapTo(w.window(), QPoint(1, 1)), QSizeF(box->size() - QSize(2, 2))));
        painter.drawText(QPointF(inside.left() + (inside.width() - metrics.horizontalAdvance(digit)) / 2,
                                 inside.top() + metrics.ascent()), digit);
    }
    painter.end();
    const QImage expected = opaque(below.toImage());
    for (auto &[box, digit] : boxes) {
        const QRect inside(box->mapTo(w.window(), QPoint(1, 1)), box->size() - QSize(2, 2));
        for (int dy = int(std::ceil(inside.top() * ratio)); dy < int((inside.bottom() + 1) * ratio); ++dy)
            for (int dx = int(std::ceil(inside.left() * ratio)); dx < int((inside.right() + 1) * ratio); ++dx)
                if (screen.pixel(dx, dy) != expected.pixel(dx, dy))
                    return QStringLiteral("device pixel (%1, %2) of %3 is #%4, not #%5")
                        .arg(dx).arg(dy).arg(box->objectName())
                        .arg(screen.pixel(dx, dy) & 0xFFFFFF, 6, 16, QLatin1Char('0'))
                        .arg(expected.pixel(dx, dy) & 0xFFFFFF, 6, 16, QLatin1Char('0'));
    }
    return {};
}

// Where the 7 x 7 pixels around a pixel are one colour: there no smoothing,
// hinting or rounding of an edge at another ratio can change the colour.
std::vector<bool> flatAreas(const QImage &image)
{
    const int w = image.width(), h = image.height();
    // Sums of the pixels that differ from their right or lower neighbour.
    std::vector<int> edges(std::size_t((w + 1) * (h + 1)));
    const auto at = [w](int x, int y) { return std::size_t(y * (w + 1) + x); };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb p = image.pixel(x, y);
            const bool edge = (x + 1 < w && image.pixel(x + 1, y) != p) || (y + 1 < h && image.pixel(x, y + 1) != p);
            edges[at(x + 1, y + 1)] = edge + edges[at(x, y + 1)] + edges[at(x + 1, y)] - edges[at(x, y)];
        }
    std::vector<bool> flat(std::size_t(w * h));
    for (int y = 3; y + 4 < h; ++y)
        for (int x = 3; x + 4 < w; ++x)
            flat[std::size_t(y * w + x)] =
                edges[at(x + 4, y + 4)] - edges[at(x - 3, y + 4)] - edges[at(x + 4, y - 3)] + edges[at(x - 3, y - 3)] == 0;
    return flat;
}

QImage faceOf(art::FaceKind kind, double ratio)
{
    return kind == art::FaceKind::Clear ? art::renderClearFace(ratio) : art::renderCloseFace(ratio);
}

// The colours a face is made of, by the letter a profile uses for each.
struct Ink {
    char letter;
    QRgb colour;
};

constexpr Ink kFaceInks[] = {
    {'b', 0xFFF1F4CE}, // background
    {'R', 0xFFDD001A}, // red ring
    {'W', 0xFFFFFFFF}, // white disc
    {'P', 0xFF6A4F9A}, // purple ring and square
    {'Y', 0xFFFFFFD4}, // pale yellow inside
    {'L', 0xFF9B8BAD}, // lavender edging
    {'K', 0xFF000000}, // the word
};

bool isInkColour(QRgb pixel)
{
    for (const Ink &ink : kFaceInks)
        if (ink.colour == (pixel | 0xFF000000))
            return true;
    return false;
}

// The colour a smoothed pixel is closest to.
char classify(QRgb pixel)
{
    char best = '?';
    int bestDistance = INT_MAX;
    for (const Ink &ink : kFaceInks) {
        const int dr = qRed(pixel) - qRed(ink.colour);
        const int dg = qGreen(pixel) - qGreen(ink.colour);
        const int db = qBlue(pixel) - qBlue(ink.colour);
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = ink.letter;
        }
    }
    return best;
}

// Darker than halfway from the face's background to black.
bool isDark(QRgb pixel)
{
    return 2 * qGray(pixel) < qGray(kFaceInks[0].colour);
}

QRect boundsOf(const QImage &image, const QRect &within, auto &&accept)
{
    QRect bounds;
    for (int y = within.top(); y <= within.bottom(); ++y)
        for (int x = within.left(); x <= within.right(); ++x)
            if (accept(image.pixel(x, y)))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// The colour a face must show at a point (x, y) of it, a device pixel's centre,
// worked out from its shape table: where an inner shape holds the point, the
// topmost's, as those are laid on whole pixels (a point within a hair of an
// edge may fall either side: 0); elsewhere the topmost outer shape's, or the
// background's, where the point lies a pixel inside it (a device pixel, where
// that is larger), clear of any edge above it and of the word; else 0.
QRgb expectedFacePixel(const forms::FaceDesc &face, double x, double y, double ratio)
{
    const auto holds = [x, y](const forms::FaceShape &s, double margin) {
        const double dx = (x - s.left - s.width / 2) / (s.width / 2 + margin);
        const double dy = (y - s.top - s.height / 2) / (s.height / 2 + margin);
        return s.kind == forms::FaceShape::Ellipse ? dx * dx + dy * dy <= 1 : std::abs(dx) <= 1 && std::abs(dy) <= 1;
    };
    for (auto s = face.symbol.rbegin(); s != face.symbol.rend(); ++s)
        if (!s->smoothed && holds(*s, 1e-9))
            return holds(*s, -1e-9) ? s->colour : 0;
    const double margin = std::max(1.0, 1 / ratio);
    const forms::WordBox &b = face.box;
    if (holds({forms::FaceShape::Box, double(b.first), double(b.top), b.last + 1.0 - b.first, b.bottom + 1.0 - b.top}, margin))
        return 0;
    for (auto s = face.symbol.rbegin(); s != face.symbol.rend(); ++s)
        if (s->smoothed && holds(*s, margin))
            return holds(*s, -margin) ? s->colour : 0;
    return face.background;
}

// A rectangle of logical face pixels (inclusive ends) in physical pixels.
QRect physical(int left, int top, int right, int bottom, double ratio)
{
    const int l = int(std::lround(left * ratio));
    const int t = int(std::lround(top * ratio));
    return QRect(QPoint(l, t), QPoint(int(std::lround((right + 1) * ratio)) - 1, int(std::lround((bottom + 1) * ratio)) - 1));
}

} // namespace

Q_DECLARE_METATYPE(art::FaceKind)

class tst_Art : public QObject {
    Q_OBJECT

private slots:
    void gridCrispAtAnyRatio_data();
    void gridCrispAtAnyRatio();

    void faceInteriors_data();
    void faceInteriors();
    void faceProfiles_data();
    void faceProfiles();
    void faceExtents_data();
    void faceExtents();
    void wordSpans_data();
    void wordSpans();
    void wordFitsAnyFont_data();
    void wordFitsAnyFont();
    void smoothingHugsTheEdges_data();
    void smoothingHugsTheEdges();

    void everyRatioShowsTheSameWindow_data();
    void everyRatioShowsTheSameWindow();
    void buttonShowsItsFace_data();
    void buttonShowsItsFace();
};

void tst_Art::gridCrispAtAnyRatio_data()
{
    QTest::addColumn<double>("ratio");
    QTest::newRow("1") << 1.0;
    QTest::newRow("2") << 2.0;
    QTest::newRow("3") << 3.0;
    QTest::newRow("1.5") << 1.5;
    QTest::newRow("1.25") << 1.25;
    QTest::newRow("1.75") << 1.75;
}

void tst_Art::gridCrispAtAnyRatio()
{
    QFETCH(double, ratio);
    const QImage grid = art::gridImage(ratio);
    QCOMPARE(grid.devicePixelRatio(), ratio);
    QVERIFY(!grid.hasAlphaChannel());
    // The map box keeps one picture, redrawn when its window moves to a screen
    // of another ratio (here: each row's).
    static forms::PictureCache shown(&art::kHexGrid);
    QCOMPARE(shown.at(ratio).toImage(), grid);
    QCOMPARE(grid.width(), int(std::ceil(463 * ratio)));
    QCOMPARE(grid.height(), int(std::ceil(398 * ratio)));
    // Every physical pixel, the last column's and row's part pixels too, is the
    // colour of the logical pixel its centre lies in: no blur, no wider line.
    int wrong = 0;
    for (int y = 0; y < grid.height(); ++y)
        for (int x = 0; x < grid.width(); ++x)
            wrong += grid.pixel(x, y) != expectedGridPixel(std::min(logicalOf(x, ratio), art::kHexGridWidth - 1),
                                                           std::min(logicalOf(y, ratio), art::kHexGridHeight - 1));
    QCOMPARE(wrong, 0);
}

void tst_Art::faceInteriors_data()
{
    QTest::addColumn<art::FaceKind>("face");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QColor>("colour");
    // Each colour exactly where a shape of it lies; the background, all round the
    // symbol and the word, smoothingHugsTheEdges holds to its exact colour.
    const QColor red(0xDD, 0x00, 0x1A), white(Qt::white);
    const QColor purple(0x6A, 0x4F, 0x9A), yellow(0xFF, 0xFF, 0xD4), lavender(0x9B, 0x8B, 0xAD);
    const auto clear = art::FaceKind::Clear;
    QTest::newRow("clear ring left") << clear << QPoint(6, 13) << red;
    QTest::newRow("clear ring right") << clear << QPoint(22, 13) << red;
    QTest::newRow("clear ring top") << clear << QPoint(14, 5) << red;
    QTest::newRow("clear ring bottom") << clear << QPoint(14, 20) << red;
    QTest::newRow("clear disc centre") << clear << QPoint(14, 13) << white;
    QTest::newRow("clear disc upper left") << clear << QPoint(10, 9) << white;
    QTest::newRow("clear disc lower right") << clear << QPoint(17, 16) << white;
    const auto close = art::FaceKind::Close;
    QTest::newRow("close ring left") << close << QPoint(6, 12) << purple;
    QTest::newRow("close ring right") << close << QPoint(20, 12) << purple;
    QTest::newRow("close ring top") << close << QPoint(13, 5) << purple;
    QTest::newRow("close ring bottom") << close << QPoint(13, 18) << purple;
    QTest::newRow("close inside left") << close << QPoint(9, 12) << yellow;
    QTest::newRow("close inside right") << close << QPoint(17, 12) << yellow;
    QTest::newRow("close inside top") << close << QPoint(13, 8) << yellow;
    QTest::newRow("close inside bottom") << close << QPoint(13, 15) << yellow;
    QTest::newRow("close edge along the ring") << close << QPoint(8, 12) << lavender;
    QTest::newRow("close edge round the square") << close << QPoint(10, 9) << lavender;
    QTest::newRow("close square corner") << close << QPoint(11, 10) << purple;
    QTest::newRow("close square opposite corner") << close << QPoint(15, 13) << purple;
}

void tst_Art::faceInteriors()
{
    QFETCH(art::FaceKind, face);
    QFETCH(QPoint, at);
    QFETCH(QColor, colour);
    const QImage image = faceOf(face, 1.0);
    QCOMPARE(image.size(), QSize(100, 25));
    QCOMPARE(image.pixelColor(at), colour);
}

void tst_Art::faceProfiles_data()
{
    // A line of pixels across the symbol, each by the colour it is closest to:
    // the ring's thickness on every side and what lies within it.
    QTest::addColumn<art::FaceKind>("face");
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<bool>("down");
    QTest::addColumn<QString>("profile");
    QTest::newRow("clear row 13") << art::FaceKind::Clear << QPoint(4, 13) << false
                                  << QStringLiteral("bRRWWWWWWWWWWWWWWRRRb");
    QTest::newRow("clear column 14") << art::FaceKind::Clear << QPoint(14, 3) << true
                                     << QStringLiteral("bRRWWWWWWWWWWWWWWRRb");
    QTest::newRow("close row 12") << art::FaceKind::Close << QPoint(4, 12) << false
                                  << QStringLiteral("bPPPLYLPPPPPLYLPPPb");
    QTest::newRow("close column 13") << art::FaceKind::Close << QPoint(13, 3) << true
                                     << QStringLiteral("bPPPLYLPPPPLYLPPPPb");
}

void tst_Art::faceProfiles()
{
    QFETCH(art::FaceKind, face);
    QFETCH(QPoint, from);
    QFETCH(bool, down);
    QFETCH(QString, profile);
    const QImage image = faceOf(face, 1.0);
    QString seen;
    for (int i = 0; i < profile.size(); ++i)
        seen += QLatin1Char(classify(image.pixel(from + (down ? QPoint(0, i) : QPoint(i, 0)))));
    QCOMPARE(seen, profile);
}

void tst_Art::faceExtents_data()
{
    // A part of a symbol: the pixels nearest its colours that join up with a seed.
    QTest::addColumn<art::FaceKind>("face");
    QTest::addColumn<QString>("colours");
    QTest::addColumn<QPoint>("seed");
    QTest::addColumn<QRect>("extent");
    QTest::newRow("clear ring") << art::FaceKind::Clear << "RW" << QPoint(6, 13) << QRect(QPoint(5, 4), QPoint(23, 21));
    QTest::newRow("clear disc") << art::FaceKind::Clear << "W" << QPoint(14, 13) << QRect(QPoint(7, 6), QPoint(20, 19));
    QTest::newRow("close ring") << art::FaceKind::Close << "PYL" << QPoint(6, 12) << QRect(QPoint(5, 4), QPoint(21, 20));
    QTest::newRow("close inside") << art::FaceKind::Close << "YL" << QPoint(9, 12) << QRect(QPoint(8, 7), QPoint(18, 16));
    QTest::newRow("close square") << art::FaceKind::Close << "P" << QPoint(13, 12) << QRect(QPoint(11, 10), QPoint(15, 13));
}

void tst_Art::faceExtents()
{
    QFETCH(art::FaceKind, face);
    QFETCH(QString, colours);
    QFETCH(QPoint, seed);
    QFETCH(QRect, extent);
    const QImage image = faceOf(face, 1.0);
    const auto belongs = [&](QPoint p) {
        return image.valid(p) && colours.contains(QLatin1Char(classify(image.pixel(p))));
    };
    QVERIFY(belongs(seed));
    QRect seen;
    std::vector<bool> visited(std::size_t(image.width() * image.height()));
    std::vector<QPoint> todo{seed};
    while (!todo.empty()) {
        const QPoint p = todo.back();
        todo.pop_back();
        if (!belongs(p) || visited[std::size_t(p.y() * image.width() + p.x())])
            continue;
        visited[std::size_t(p.y() * image.width() + p.x())] = true;
        seen |= QRect(p, QSize(1, 1));
        for (QPoint step : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)})
            todo.push_back(p + step);
    }
    QCOMPARE(seen, extent);
}

void tst_Art::wordSpans_data()
{
    QTest::addColumn<art::FaceKind>("face");
    QTest::addColumn<double>("ratio");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    for (double ratio : {1.0, 2.0, 1.5, 3.0, 1.25, 2.5}) {
        QTest::addRow("CLEAR at %g", ratio) << art::FaceKind::Clear << ratio << 37 << 85;
        QTest::addRow("CLOSE at %g", ratio) << art::FaceKind::Close << ratio << 36 << 84;
    }
}

void tst_Art::wordSpans()
{
    QFETCH(art::FaceKind, face);
    QFETCH(double, ratio);
    QFETCH(int, first);
    QFETCH(int, last);
    const QImage image = faceOf(face, ratio);
    QCOMPARE(image.devicePixelRatio(), ratio);
    // The face covers the whole of its place on the button, a part pixel included.
    QCOMPARE(image.size(), QSize(int(std::ceil(100 * ratio)), int(std::ceil(25 * ratio))));
    const QRect wordArea(int(30 * ratio), 0, image.width() - int(30 * ratio), image.height());
    QCOMPARE(boundsOf(image, wordArea, isDark), physical(first, 6, last, 18, ratio));
    // Black letters: their stems reach full black.
    QVERIFY(!boundsOf(image, wordArea, [](QRgb p) { return (p & 0xFFFFFF) == 0; }).isEmpty());
}

void tst_Art::wordFitsAnyFont_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("weight");
    QTest::addColumn<double>("ratio");
    const QStringList families{QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans"),
                               QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Liberation Mono"),
                               QStringLiteral("DejaVu Serif")};
    for (const QString &family : families)
        for (int weight : {400, 700})
            for (double ratio : {1.0, 2.0})
                QTest::addRow("%s %d at %g", qPrintable(family), weight, ratio) << family << weight << ratio;
}

void tst_Art::wordFitsAnyFont()
{
    QFETCH(QString, family);
    QFETCH(int, weight);
    QFETCH(double, ratio);
    if (!QFontDatabase::hasFamily(family))
        QSKIP("font not installed");
    QFont font(family);
    font.setWeight(QFont::Weight(weight));
    for (auto [face, first, last] : {std::tuple{art::FaceKind::Clear, 37, 85}, std::tuple{art::FaceKind::Close, 36, 84}}) {
        const QImage image = art::renderFace(face, ratio, font);
        const QRect wordArea(int(30 * ratio), 0, image.width() - int(30 * ratio), image.height());
        QCOMPARE(boundsOf(image, wordArea, isDark), physical(first, 6, last, 18, ratio));
    }
}

void tst_Art::smoothingHugsTheEdges_data()
{
    QTest::addColumn<art::FaceKind>("face");
    QTest::addColumn<double>("ratio");
    QTest::addColumn<QRect>("symbol"); // the symbol's outer edge, logical pixels
    QTest::addColumn<QRect>("word");
    for (double ratio : {1.0, 1.25, 1.5, 2.0}) {
        QTest::addRow("clear at %g", ratio) << art::FaceKind::Clear << ratio << QRect(QPoint(5, 4), QPoint(23, 21))
                                            << QRect(QPoint(37, 6), QPoint(85, 18));
        QTest::addRow("close at %g", ratio) << art::FaceKind::Close << ratio << QRect(QPoint(5, 4), QPoint(21, 20))
                                            << QRect(QPoint(36, 6), QPoint(84, 18));
    }
}

void tst_Art::smoothingHugsTheEdges()
{
    QFETCH(art::FaceKind, face);
    QFETCH(double, ratio);
    QFETCH(QRect, symbol);
    QFETCH(QRect, word);
    const QImage image = faceOf(face, ratio);
    const auto grown = [ratio](const QRect &r) {
        return physical(r.left() - 1, r.top() - 1, r.right() + 1, r.bottom() + 1, ratio);
    };
    const QRect near = grown(symbol), nearWord = grown(word);
    int smoothed = 0, strayOutside = 0, strayInside = 0, notAsTheTableSays = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            const QRgb want = expectedFacePixel(art::faceArt(face), (x + 0.5) / ratio, (y + 0.5) / ratio, ratio);
            notAsTheTableSays += want != 0 && p != want;
            if (!near.contains(x, y) && !nearWord.contains(x, y)) {
                strayOutside += p != kFaceInks[0].colour;
                continue;
            }
            if (isInkColour(p))
                continue;
            ++smoothed;
            // A smoothed pixel lies on an edge: a neighbour is nearer another colour.
            const char own = classify(p);
            bool onEdge = false;
            for (int dy = -1; dy <= 1 && !onEdge; ++dy)
                for (int dx = -1; dx <= 1 && !onEdge; ++dx)
                    onEdge = image.valid(x + dx, y + dy) && classify(image.pixel(x + dx, y + dy)) != own;
            strayInside += !onEdge;
        }
    QCOMPARE(notAsTheTableSays, 0);
    QCOMPARE(strayOutside, 0);
    QCOMPARE(strayInside, 0);
    QVERIFY2(smoothed > 0, "edges are smoothed");
}

void tst_Art::everyRatioShowsTheSameWindow_data()
{
    QTest::addColumn<double>("ratio");
    for (double ratio : {1.0, 1.25, 1.5, 1.75, 2.0})
        QTest::addRow("%g", ratio) << ratio;
}

// A window shown at one ratio and moved to a screen of another draws anew at
// the new ratio. There, as markers are placed and clicks land on device pixels,
// the map and the legend are what their rules say, device pixel by device
// pixel, the faces are drawn at the new ratio where they start on a whole
// device pixel, and every area of one colour elsewhere (backgrounds, cells,
// face insides) shows what it shows at ratio 1. What the screen holds after
// repaints of parts of the map is what a repaint of the whole window draws.
void tst_Art::everyRatioShowsTheSameWindow()
{
    QFETCH(double, ratio);
    QScreen *plain = screenAt(1.0), *screen = screenAt(ratio), *before = screenAt(ratio == 1.0 ? 2.0 : 1.0);
    QVERIFY2(plain && screen && before, "the offscreen platform lacks the screens tests/CMakeLists.txt configures");
    TestWindow reference(plain), w(before);
    QVERIFY(reference.exposed() && w.exposed());
    // Qt 6.4's offscreen platform follows a window to the screen it is moved
    // onto; later ones rescale a window moved by place alone, unless told the
    // screen first.
    if (QT_VERSION >= QT_VERSION_CHECK(6, 5, 0))
        w.window()->windowHandle()->setScreen(screen);
    w.window()->move(screen->geometry().topLeft());
    QTRY_COMPARE(w.window()->devicePixelRatioF(), ratio);
    QCOMPARE(placeMarkers(reference), QString());
    QCOMPARE(placeMarkers(w), QString());

    const QImage full = opaque(w.window()->grab().toImage());
    // The offscreen platform keeps what the screen shows in the backing store's image.
    const auto shown = [&w, ratio] {
        QPaintDevice *store = w.window()->backingStore()->paintDevice();
        QImage image = store->devType() == QInternal::Image ? opaque(*static_cast<QImage *>(store)) : QImage();
        image.setDevicePixelRatio(ratio);
        return image;
    };
    QTRY_COMPARE(shown(), full);
    QCOMPARE(mapDiffers(w, full, ratio), QString());

    for (auto [name, face] : {std::pair{"cmdClear", art::FaceKind::Clear}, std::pair{"cmdClose", art::FaceKind::Close}}) {
        const QPointF at = QPointF(w.widget(name)->mapTo(w.window(), QPoint(2, 0))) * ratio;
        if (at != at.toPoint())
            continue;
        const QImage expected = opaque(faceOf(face, ratio));
        QCOMPARE(full.copy(QRect(at.toPoint(), expected.size())), expected);
    }
    // Drawn before the move, the digits are drawn again at the new resolution rather than blown up.
    QCOMPARE(digitsDiffer(w, full, ratio), QString());

    const QImage expected = opaque(reference.window()->grab().toImage());
    QRegion checked(QRect(w.onMap(QPoint(0, 0)), w.map()->size()));
    for (int member = 0; member < map::kSlots; ++member) {
        const QWidget *legend = w.widget(map::kLegend.name, std::int16_t(member));
        checked += QRect(legend->mapTo(w.window(), QPoint(0, 0)), legend->size());
    }
    const std::vector<bool> flat = flatAreas(expected);
    int wrong = 0;
    QPoint first;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x) {
            const QPoint p(x, y);
            if (checked.contains(p) || !flat[std::size_t(y * expected.width() + x)])
                continue;
            if (full.pixel(int((x + 0.5) * ratio), int((y + 0.5) * ratio)) != expected.pixel(p) && wrong++ == 0)
                first = p;
        }
    QVERIFY2(wrong == 0, qPrintable(QStringLiteral("%1 logical pixels differ from ratio 1, the first at (%2, %3)")
                                        .arg(wrong).arg(first.x()).arg(first.y())));
}

void tst_Art::buttonShowsItsFace_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("accessibleName");
    QTest::addColumn<art::FaceKind>("face");
    QTest::addColumn<double>("ratio");
    QTest::addColumn<QString>("state");
    for (double ratio : {1.0, 2.0})
        for (const char *state : {"at rest", "under the mouse", "pressed"}) {
            QTest::addRow("cmdClear at %g, %s", ratio, state)
                << QStringLiteral("cmdClear") << QStringLiteral("Clear") << art::FaceKind::Clear << ratio << state;
            QTest::addRow("cmdClose at %g, %s", ratio, state)
                << QStringLiteral("cmdClose") << QStringLiteral("Close") << art::FaceKind::Close << ratio << state;
        }
}

// The face, centred (2 pixels of the button to its left, 3 to its right), and
// around it the plain push-button look of the same style, size and state.
// Pressed, and only then, the face sinks by a pixel, so the press shows on a
// face that covers nearly all of the button.
void tst_Art::buttonShowsItsFace()
{
    QFETCH(QString, name);
    QFETCH(QString, accessibleName);
    QFETCH(art::FaceKind, face);
    QFETCH(double, ratio);
    QFETCH(QString, state);
    TestWindow w(screenAt(ratio));
    QVERIFY(w.exposed());
    auto *button = qobject_cast<QPushButton *>(w.widget(name.toStdString()));
    QVERIFY(button);
    QCOMPARE(button->size(), QSize(105, 25));
    QVERIFY(button->text().isEmpty());
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(button);
    QVERIFY(accessible);
    QCOMPARE(accessible->text(QAccessible::Name), accessibleName);
    QCOMPARE(accessible->role(), QAccessible::Button);
    QCOMPARE(button->devicePixelRatioF(), ratio);

    QPushButton plain(w.window());
    plain.setGeometry(button->geometry());
    plain.setPalette(button->palette());
    plain.setAutoDefault(false);
    plain.show();
    const bool pressed = state == QLatin1String("pressed");
    if (state == QLatin1String("under the mouse")) {
        plain.lower();
        QTest::mouseMove(w.window()->windowHandle(), button->mapTo(w.window(), QPoint(-5, 5)));
        QTest::mouseMove(w.window()->windowHandle(), button->mapTo(w.window(), button->rect().center()));
        QTRY_VERIFY(button->underMouse());
        plain.setAttribute(Qt::WA_UnderMouse);
    }
    button->setDown(pressed);
    plain.setDown(pressed);
    const QImage shot = opaque(button->grab().toImage());
    const QImage look = opaque(plain.grab().toImage());
    QCOMPARE(shot.devicePixelRatio(), ratio);
    QCOMPARE(look.size(), shot.size());

    const QImage expected = opaque(faceOf(face, ratio));
    const int sink = pressed ? int(std::lround(ratio)) : 0;
    const QRect at = QRect(QPoint(int(2 * ratio) + sink, sink), expected.size()) & shot.rect();
    QCOMPARE(shot.copy(at), expected.copy(QRect(QPoint(0, 0), at.size())));
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (!at.contains(x, y) && shot.pixel(x, y) != look.pixel(x, y))
                QFAIL(qPrintable(QStringLiteral("the button's look differs at (%1, %2)").arg(x).arg(y)));
}

QTEST_MAIN(tst_Art)
#include "tst_art.moc"
