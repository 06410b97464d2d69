// The record sheet and Clear: cells take any text as typed, and Clear readies the
// window for the next battle.

#include "map/map_window.h"
#include "test_window.h"

#include <QClipboard>
#include <QWindow>

namespace {

struct Snapshot {
    QStringList cells;
    QStringList notes;
    QList<QPoint> markers;
    int selected = -1;

    bool operator==(const Snapshot &) const = default;
};

Snapshot snapshot(const TestWindow &w)
{
    Snapshot s;
    for (int i = 0; i < 80; ++i)
        s.cells << w.cell(i)->text();
    for (int i = 0; i < 2; ++i)
        s.notes << w.notes(i)->toPlainText();
    for (int slot = 0; slot < 16; ++slot) {
        s.markers << w.marker(slot)->pos();
        if (w.selector(slot)->isChecked())
            s.selected = slot;
    }
    return s;
}

// Fills every cell and both notes, and puts every marker on the map.
void fillEverything(TestWindow &w)
{
    for (int i = 0; i < 80; ++i)
        w.cell(i)->setText(QStringLiteral("cell %1").arg(i));
    QTest::keyClicks(w.cell(79), QStringLiteral(" typed"));
    QTest::keyClicks(w.notes(0), QStringLiteral("The ogre is asleep."));
    QTest::keyClicks(w.notes(1), QStringLiteral("Mira has the key."));
    for (int slot = 0; slot < 16; ++slot) {
        w.selector(slot)->setChecked(true);
        w.pressMap({20 + 25 * slot, 10 + 20 * slot});
    }
}

} // namespace

class tst_Sheet : public QObject {
    Q_OBJECT

private slots:
    void startsEmpty();
    void typedTextStaysAsTyped_data();
    void typedTextStaysAsTyped();
    void longNameScrollsInsideItsCell();
    void clearEmptiesEverythingAndParksMarkers();
    void clearLeavesNothingToUndo_data();
    void clearLeavesNothingToUndo();
    void clearTwiceEqualsOnce();
    void clearOnEmptyWindowMovesOnlyFocus();
    void tabFromLastObjectReachesCloseClearMap();
};

void tst_Sheet::startsEmpty()
{
    TestWindow w;
    const Snapshot s = snapshot(w);
    QVERIFY(std::all_of(s.cells.begin(), s.cells.end(), [](const QString &t) { return t.isEmpty(); }));
    QVERIFY(std::all_of(s.notes.begin(), s.notes.end(), [](const QString &t) { return t.isEmpty(); }));
}

void tst_Sheet::typedTextStaysAsTyped_data()
{
    QTest::addColumn<int>("cell");
    QTest::addColumn<QString>("text");
    QTest::newRow("monster AC, letters") << 10 << "plate+shield";
    QTest::newRow("monster DMG, dice") << 25 << "2d6+3";
    QTest::newRow("monster HP, negative") << 39 << "-4";
    QTest::newRow("character AC, spaces kept") << 46 << "  17 ";
    QTest::newRow("character DMG, symbols") << 57 << "½ × 3 → ∞";
    QTest::newRow("character HP, leading zero") << 63 << "007";
    QTest::newRow("object, mixed scripts") << 70 << "Ключ / مفتاح / 鍵";
}

void tst_Sheet::typedTextStaysAsTyped()
{
    QFETCH(int, cell);
    QFETCH(QString, text);
    TestWindow w;
    w.cell(cell)->setFocus();
    typeText(w.cell(cell), text);
    for (int i = 0; i < 80; ++i)
        QCOMPARE(w.cell(i)->text(), i == cell ? text : QString());
}

void tst_Sheet::longNameScrollsInsideItsCell()
{
    TestWindow w;
    QLineEdit *name = w.cell(3);
    const QRect before = name->geometry();
    name->setFocus();
    const QString longName = QStringLiteral("Grizzled Hobgoblin Captain of the Ninth Iron Legion, the Unbowed");
    QTest::keyClicks(name, longName);
    QCOMPARE(name->text(), longName);
    QCOMPARE(name->geometry(), before);
    QVERIFY(name->fontMetrics().horizontalAdvance(longName) > name->width());
    // The cell scrolls so the caret at the end stays inside it (it scrolls as it paints).
    name->grab();
    const QRect caret = name->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    QVERIFY2(caret.center().x() > 0 && caret.center().x() < name->width(), qPrintable(QString::number(caret.center().x())));
    QCOMPARE(w.cell(4)->geometry().topLeft(), before.topLeft() + QPoint(0, 24));
}

void tst_Sheet::clearEmptiesEverythingAndParksMarkers()
{
    TestWindow w;
    fillEverything(w);
    w.selector(13)->setChecked(true);
    const Snapshot filled = snapshot(w);

    w.clickClear();
    const Snapshot cleared = snapshot(w);
    for (int i = 0; i < 80; ++i)
        QVERIFY2(cleared.cells[i].isEmpty(), qPrintable(QString::number(i)));
    QCOMPARE(cleared.notes, QStringList({QString(), QString()}));
    for (int slot = 0; slot < 16; ++slot)
        QCOMPARE(cleared.markers[slot], QPoint(filled.markers[slot].x(), 400));
    QCOMPARE(cleared.selected, 13);
    QVERIFY(w.widget("cmdClear")->hasFocus());
    QVERIFY(w.failures().empty());

    // A later press brings back only the selected slot's marker.
    w.pressMap({30, 40});
    const Snapshot after = snapshot(w);
    for (int slot = 0; slot < 16; ++slot)
        QCOMPARE(after.markers[slot], slot == 13 ? QPoint(30, 40) : cleared.markers[slot]);
}

void tst_Sheet::clearLeavesNothingToUndo_data()
{
    QTest::addColumn<QString>("before"); // what the user did in every cell and both notes
    QTest::newRow("typed") << QStringLiteral("typed");
    QTest::newRow("typed, then undone") << QStringLiteral("undone");
    QTest::newRow("typed, then erased") << QStringLiteral("erased");
    QTest::newRow("pasted") << QStringLiteral("pasted");
}

// Whatever a user did in a cell or the notes, after Clear neither Undo nor Redo
// brings anything back, and what is typed after it undoes to empty.
void tst_Sheet::clearLeavesNothingToUndo()
{
    QFETCH(QString, before);
    TestWindow w;
    QGuiApplication::clipboard()->setText(QStringLiteral("Troll"));
    std::vector<QWidget *> editables;
    for (int i = 0; i < 80; ++i)
        editables.push_back(w.cell(i));
    editables.push_back(w.notes(0));
    editables.push_back(w.notes(1));
    const auto text = [](QWidget *e) {
        auto *cell = qobject_cast<QLineEdit *>(e);
        return cell ? cell->text() : static_cast<QPlainTextEdit *>(e)->toPlainText();
    };
    for (QWidget *e : editables) {
        e->setFocus();
        if (before == QLatin1String("pasted")) {
            QTest::keySequence(e, QKeySequence::Paste);
            continue;
        }
        QTest::keyClicks(e, QStringLiteral("Orc"));
        if (before == QLatin1String("undone"))
            QTest::keySequence(e, QKeySequence::Undo);
        if (before == QLatin1String("erased")) {
            QTest::keySequence(e, QKeySequence::SelectAll);
            QTest::keyClick(e, Qt::Key_Backspace);
        }
    }
    w.clickClear();
    for (QWidget *e : editables) {
        const QString what = e->objectName();
        e->setFocus();
        QTest::keySequence(e, QKeySequence::Undo);
        QVERIFY2(text(e).isEmpty(), qPrintable(what + QStringLiteral(" undone to ") + text(e)));
        QTest::keySequence(e, QKeySequence::Redo);
        QVERIFY2(text(e).isEmpty(), qPrintable(what + QStringLiteral(" redone to ") + text(e)));
        QTest::keyClicks(e, QStringLiteral("x"));
        QTest::keySequence(e, QKeySequence::Undo);
        QTest::keySequence(e, QKeySequence::Undo);
        QVERIFY2(text(e).isEmpty(), qPrintable(what + QStringLiteral(" undone past Clear to ") + text(e)));
    }
}

void tst_Sheet::clearTwiceEqualsOnce()
{
    TestWindow w;
    fillEverything(w);
    w.clickClear();
    const Snapshot once = snapshot(w);
    w.clickClear();
    QCOMPARE(snapshot(w), once);
}

void tst_Sheet::clearOnEmptyWindowMovesOnlyFocus()
{
    TestWindow w;
    QTRY_VERIFY(w.widget("Picture1")->hasFocus());
    const Snapshot fresh = snapshot(w);
    w.clickClear();
    Snapshot after = snapshot(w);
    // Markers that started below the map are where they were; the others' tops are parked.
    for (int slot = 0; slot < 16; ++slot)
        if (fresh.markers[slot].y() == 400)
            QCOMPARE(after.markers[slot], fresh.markers[slot]);
    for (int slot = 0; slot < 16; ++slot)
        QVERIFY(!w.map()->rect().intersects(w.marker(slot)->geometry()));
    after.markers = fresh.markers;
    QCOMPARE(after, fresh);
    QVERIFY(w.widget("cmdClear")->hasFocus());
}

void tst_Sheet::tabFromLastObjectReachesCloseClearMap()
{
    TestWindow w;
    w.cell(79)->setFocus();
    QTRY_VERIFY(w.cell(79)->hasFocus());
    QStringList walked;
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walked << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(walked, QStringList({"cmdClose", "cmdClear", "Picture1"}));
    QVERIFY(w.window()->isVisible());
}

QTEST_MAIN(tst_Sheet)
#include "tst_sheet.moc"
