// The record sheet and Clear where tst_property's model of the window does not
// reach: a name longer than its cell, and the undo history Clear leaves. What
// typing, pasting and Clear do to every cell, note and marker from any state, and
// the focus order, are held to that model after every event.

#include "test_window.h"

#include <QClipboard>

class tst_Sheet : public QObject {
    Q_OBJECT

private slots:
    void longNameScrollsInsideItsCell();
    void clearLeavesNothingToUndo_data();
    void clearLeavesNothingToUndo();
};

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

QTEST_MAIN(tst_Sheet)
#include "tst_sheet.moc"
