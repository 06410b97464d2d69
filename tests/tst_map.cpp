// The battle map: choosing a combatant and pressing the mouse on the map moves that
// combatant's marker, and nothing else. Presses go through the window as a user's
// would, so Qt decides which widget receives them.

#include "map/map_window.h"
#include "map/placement.h"
#include "test_window.h"

#include <QStyleHints>
#include <QWindow>

Q_DECLARE_METATYPE(Qt::MouseButton)
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
    void placement_data();
    void placement();
    void pressingAgainMovesTheSameMarker();
    void pressInsideVisibleMarkerMovesNothing_data();
    void pressInsideVisibleMarkerMovesNothing();
    void secondPressOfDoubleClickDoesNotPlace();
    void twoSlotsShareOnePoint();
    void arrowKeysSelectInOrder_data();
    void arrowKeysSelectInOrder();
    void markerIsClippedByTheMapBox();
    void markersDrawOverTheGrid();
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

void tst_Map::placement_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<Qt::KeyboardModifiers>("mods");
    QTest::newRow("Enemy 1, left") << 0 << QPoint(100, 50) << Qt::LeftButton << Qt::KeyboardModifiers();
    QTest::newRow("Player Character 3, left") << 12 << QPoint(200, 300) << Qt::LeftButton << Qt::KeyboardModifiers();
    QTest::newRow("Enemy 10, right") << 9 << QPoint(0, 0) << Qt::RightButton << Qt::KeyboardModifiers();
    QTest::newRow("Enemy 4, middle") << 3 << QPoint(462, 398) << Qt::MiddleButton << Qt::KeyboardModifiers();
    QTest::newRow("Player Character 6, Shift")
        << 15 << QPoint(17, 230) << Qt::LeftButton << Qt::KeyboardModifiers(Qt::ShiftModifier);
    QTest::newRow("Enemy 7, Ctrl") << 6 << QPoint(311, 9) << Qt::LeftButton << Qt::KeyboardModifiers(Qt::ControlModifier);
    QTest::newRow("Player Character 1, Ctrl+Alt+right")
        << 10 << QPoint(50, 390) << Qt::RightButton << (Qt::ControlModifier | Qt::AltModifier);
}

void tst_Map::placement()
{
    QFETCH(int, slot);
    QFETCH(QPoint, point);
    QFETCH(Qt::MouseButton, button);
    QFETCH(Qt::KeyboardModifiers, mods);
    TestWindow w;
    if (slot != 0)
        choose(w, slot);
    w.pressMap(point, button, mods);
    QCOMPARE(w.marker(slot)->pos(), point);
    QVERIFY(w.marker(slot)->isVisible());
    QVERIFY(othersUntouched(w, {slot}));
    QVERIFY(w.selector(slot)->isChecked());
    QVERIFY(w.failures().empty());
}

void tst_Map::pressingAgainMovesTheSameMarker()
{
    TestWindow w;
    choose(w, 12);
    w.pressMap({200, 300});
    w.pressMap({10, 10});
    QCOMPARE(w.marker(12)->pos(), QPoint(10, 10));
    QVERIFY(othersUntouched(w, {12}));
    // The earlier spot shows the map again.
    QTRY_VERIFY(isGrid(w.map()->grab().toImage().pixelColor(208, 308)));
}

void tst_Map::pressInsideVisibleMarkerMovesNothing_data()
{
    QTest::addColumn<int>("onSlot");
    QTest::addColumn<QPoint>("offset");
    QTest::newRow("fill, top-left pixel") << 2 << QPoint(0, 0);
    QTest::newRow("fill, centre") << 2 << QPoint(8, 8);
    QTest::newRow("fill, bottom-right pixel") << 2 << QPoint(16, 16);
    QTest::newRow("box, its border") << 13 << QPoint(0, 9);
    QTest::newRow("box, unfilled inside") << 13 << QPoint(3, 14);
    QTest::newRow("box, bottom-right pixel") << 13 << QPoint(16, 16);
}

void tst_Map::pressInsideVisibleMarkerMovesNothing()
{
    QFETCH(int, onSlot);
    QFETCH(QPoint, offset);
    TestWindow w;
    const QPoint at(120, 80);
    choose(w, onSlot);
    w.pressMap(at);
    choose(w, 5);
    w.pressMap(at + offset);
    QCOMPARE(w.marker(onSlot)->pos(), at);
    QCOMPARE(w.marker(5)->pos(), startOf(5));
    // One pixel beyond the square the press is the map's again.
    w.pressMap(at + QPoint(17, 17));
    QCOMPARE(w.marker(5)->pos(), at + QPoint(17, 17));
}

void tst_Map::secondPressOfDoubleClickDoesNotPlace()
{
    TestWindow w;
    QWindow *window = w.window()->windowHandle();
    const int interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    // The first press puts a marker under the pointer, so the second press is made a
    // little above and left of it, still within the double-click distance.
    const QPointF first = w.onMap({60, 70});
    const QPointF second = w.onMap({57, 67});

    // Within the double-click interval the second press is a double-click; later it
    // is a press of its own. The selection changes between the two.
    for (const bool quick : {true, false}) {
        choose(w, 0);
        int t = QTest::lastMouseTimestamp + 10 * interval;
        const auto click = [&](QPointF at) {
            qt_handleMouseEvent(window, at, window->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                                QEvent::MouseButtonPress, {}, t++);
            qt_handleMouseEvent(window, at, window->mapToGlobal(at), {}, Qt::LeftButton, QEvent::MouseButtonRelease,
                                {}, t++);
        };
        click(first);
        QCOMPARE(w.marker(0)->pos(), QPoint(60, 70));
        w.selector(4)->setChecked(true);
        if (!quick)
            t += 2 * interval;
        click(second);
        QTest::lastMouseTimestamp = t + 10 * interval;
        QCoreApplication::processEvents();
        QCOMPARE(w.marker(4)->pos(), quick ? startOf(4) : QPoint(57, 67));
        QCOMPARE(w.marker(0)->pos(), QPoint(60, 70));
        w.marker(0)->move(startOf(0));
        w.marker(4)->move(startOf(4));
    }

    // QTest's own double-click places the marker where it was double-clicked.
    choose(w, 8);
    QTest::mouseDClick(window, Qt::LeftButton, {}, w.onMap({33, 44}));
    QCOMPARE(w.marker(8)->pos(), QPoint(33, 44));
}

void tst_Map::twoSlotsShareOnePoint()
{
    // A user's press on a point where a marker stands goes to that marker, so the
    // placement events are delivered to the map box directly here.
    TestWindow w;
    w.forms().runMouseDown(&map::placeMarker, forms::MouseDown{1, 0, 150, 90});
    choose(w, 11);
    w.forms().runMouseDown(&map::placeMarker, forms::MouseDown{1, 0, 150, 90});
    QCOMPARE(w.marker(0)->pos(), QPoint(150, 90));
    QCOMPARE(w.marker(11)->pos(), QPoint(150, 90));
    QVERIFY(othersUntouched(w, {0, 11}));
}

void tst_Map::arrowKeysSelectInOrder_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("mods");
    QTest::addColumn<int>("to");
    QTest::newRow("Down from Enemy 1") << 0 << int(Qt::Key_Down) << Qt::KeyboardModifiers() << 1;
    QTest::newRow("Up from Enemy 1 round to Player Character 6") << 0 << int(Qt::Key_Up) << Qt::KeyboardModifiers() << 15;
    QTest::newRow("Right from Enemy 10 to Player Character 1") << 9 << int(Qt::Key_Right) << Qt::KeyboardModifiers() << 10;
    QTest::newRow("Left from Player Character 1 to Enemy 10") << 10 << int(Qt::Key_Left) << Qt::KeyboardModifiers() << 9;
    QTest::newRow("keypad Down") << 4 << int(Qt::Key_Down) << Qt::KeyboardModifiers(Qt::KeypadModifier) << 5;
    QTest::newRow("keypad Left from Player Character 1")
        << 10 << int(Qt::Key_Left) << Qt::KeyboardModifiers(Qt::KeypadModifier) << 9;
}

// The arrow keys walk the selectors in their order, selecting as they go; no
// marker moves.
void tst_Map::arrowKeysSelectInOrder()
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

void tst_Map::markersDrawOverTheGrid()
{
    TestWindow w;
    choose(w, 8); // a blue square
    w.pressMap({40, 40});
    choose(w, 10); // box 1
    w.pressMap({200, 100});
    QTRY_VERIFY(w.marker(10)->isVisible());
    const QImage map = w.map()->grab().toImage();
    QCOMPARE(map.pixelColor(40, 40), rgb(0x0000FF));
    QCOMPARE(map.pixelColor(56, 56), rgb(0x0000FF));
    QVERIFY(isGrid(map.pixelColor(57, 57)));
    // The box: a black border, and the map through the rest (its digit is set as
    // every label's caption, which tst_window checks).
    for (const QPoint p : {QPoint(200, 100), QPoint(216, 100), QPoint(200, 116), QPoint(216, 116), QPoint(208, 116)})
        QCOMPARE(map.pixelColor(p), QColor(Qt::black));
    QVERIFY(isGrid(map.pixelColor(202, 114)));
}

void tst_Map::legendShowsEachMarkersLook()
{
    TestWindow w;
    const QImage shot = w.window()->grab().toImage();
    for (int s = 0; s < 10; ++s) {
        // The square beside an enemy's selector shows its marker's colour; the
        // selector, drawn over it, covers the square's first column.
        const QColor look = w.marker(s)->grab().toImage().pixelColor(8, 8);
        const QRect selector = w.selector(s)->geometry();
        const QPoint firstColumn(selector.right(), selector.top() + 8);
        QCOMPARE(shot.pixelColor(firstColumn + QPoint(1, -8)), look);
        QCOMPARE(shot.pixelColor(firstColumn + QPoint(8, 0)), look);
        QVERIFY(shot.pixelColor(firstColumn) != look);
    }
}

QTEST_MAIN(tst_Map)
#include "tst_map.moc"
