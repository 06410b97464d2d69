// The battle map where its details are not held elsewhere: where the markers
// start, the keypad's arrows, clipping, a numbered marker's open inside and the
// legend drawn under the selectors. Placement by any button, on markers and by
// double-clicks, and the main arrow keys, are held to tst_property's model of the
// window; the map's pixels at every ratio to tst_art's tile and slot table.

#include "map/map_window.h"
#include "test_window.h"

#include <QSet>
#include <QWindow>

Q_DECLARE_METATYPE(Qt::KeyboardModifiers)

namespace {

QPoint startOf(int slot)
{
    const map::Slot &s = map::kSlotTable[std::size_t(slot)];
    return {s.startLeft, s.startTop};
}

void choose(const TestWindow &w, int slot)
{
    QTest::mouseClick(w.selector(slot), Qt::LeftButton, {}, QPoint(6, w.selector(slot)->height() / 2));
    QVERIFY(w.selector(slot)->isChecked());
}

// Every marker but the named ones is still where it started.
bool othersUntouched(const TestWindow &w, std::initializer_list<int> moved)
{
    for (int s = 0; s < map::kSlots; ++s)
        if (std::find(moved.begin(), moved.end(), s) == moved.end() && w.marker(s)->pos() != startOf(s))
            return false;
    return true;
}

QColor rgb(std::uint32_t v)
{
    return QColor::fromRgb(QRgb(0xFF000000u | v));
}

bool isGrid(QColor c)
{
    return c == rgb(0xA9A9A9) || c == rgb(0x928F92);
}

} // namespace

class tst_Map : public QObject {
    Q_OBJECT

private slots:
    void startsWithEveryMarkerOutOfSight();
    void keypadArrowsSelectInOrder_data();
    void keypadArrowsSelectInOrder();
    void markerIsClippedByTheMapBox();
    void numberedMarkerShowsTheMapThrough();
    void legendShowsEachMarkersLook();
};

void tst_Map::startsWithEveryMarkerOutOfSight()
{
    TestWindow w;
    QVERIFY(w.selector(0)->isChecked());
    const QRect visible = w.map()->rect();
    QCOMPARE(visible.size(), QSize(463, 399));
    for (int s = 0; s < map::kSlots; ++s)
        QVERIFY2(!visible.intersects(w.marker(s)->geometry()), qPrintable(QString::number(s)));
}

void tst_Map::keypadArrowsSelectInOrder_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("mods");
    QTest::addColumn<int>("to");
    QTest::newRow("keypad Down") << 4 << int(Qt::Key_Down) << Qt::KeyboardModifiers(Qt::KeypadModifier) << 5;
    QTest::newRow("keypad Left from Player Character 1")
        << 10 << int(Qt::Key_Left) << Qt::KeyboardModifiers(Qt::KeypadModifier) << 9;
}

// The keypad's arrow keys walk the selectors in their order as the main ones do,
// selecting as they go; no marker moves.
void tst_Map::keypadArrowsSelectInOrder()
{
    QFETCH(int, from);
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, mods);
    QFETCH(int, to);
    TestWindow w;
    choose(w, from);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), mods);
    QVERIFY(w.selector(to)->isChecked());
    QCOMPARE(QApplication::focusWidget(), w.selector(to));
    QVERIFY(othersUntouched(w, {}));
    QVERIFY(w.failures().empty());
}

void tst_Map::markerIsClippedByTheMapBox()
{
    TestWindow w;
    choose(w, 7); // a red square
    w.pressMap({455, 390});
    QCOMPARE(w.marker(7)->pos(), QPoint(455, 390));
    const QImage shot = w.window()->grab().toImage();
    const QPoint origin = w.onMap({0, 0});
    const QColor red = rgb(0xFF0000);
    // Inside the client area the marker shows up to its right and bottom edges ...
    QCOMPARE(shot.pixelColor(origin + QPoint(462, 398)), red);
    QCOMPARE(shot.pixelColor(origin + QPoint(455, 390)), red);
    // ... and nothing of it reaches the box's border or the window beyond.
    for (const QPoint p : {QPoint(463, 395), QPoint(458, 399), QPoint(464, 395), QPoint(458, 401), QPoint(470, 405)})
        QVERIFY2(shot.pixelColor(origin + p) != red, qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
}

// A numbered box is its border and digit only: the map shows through the rest.
void tst_Map::numberedMarkerShowsTheMapThrough()
{
    TestWindow w;
    choose(w, 10); // box 1
    w.pressMap({200, 100});
    QTRY_VERIFY(isGrid(w.map()->grab().toImage().pixelColor(202, 114)));
}

void tst_Map::legendShowsEachMarkersLook()
{
    TestWindow w;
    const QImage shot = w.window()->grab().toImage();
    QSet<QRgb> looks;
    for (int s = 0; s < 10; ++s) {
        // The square beside an enemy's selector shows its marker's colour; the
        // selector, drawn over it, covers the square's first column.
        const QColor look = w.marker(s)->grab().toImage().pixelColor(8, 8);
        const QRect selector = w.selector(s)->geometry();
        const QPoint firstColumn(selector.right(), selector.top() + 8);
        QCOMPARE(shot.pixelColor(firstColumn + QPoint(1, -8)), look);
        QCOMPARE(shot.pixelColor(firstColumn + QPoint(8, 0)), look);
        QVERIFY(shot.pixelColor(firstColumn) != look);
        looks.insert(look.rgb());
    }
    // The colour alone tells the enemies apart.
    QCOMPARE(looks.size(), 10);
}

QTEST_MAIN(tst_Map)
#include "tst_map.moc"
