// The window as a screen reader meets it through Qt's accessibility interfaces:
// every control a user can reach is in the tree with a name and a role, and
// shows its state. (A screen reader's press is among the ways tst_window presses
// the buttons.)

#include "test_window.h"

#include <QAccessible>

#include <set>

Q_DECLARE_METATYPE(forms::Kind)
Q_DECLARE_METATYPE(QAccessible::Role)

namespace {

QString qs(std::string_view s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

QAccessibleInterface *accessible(QWidget *w)
{
    return w ? QAccessible::queryAccessibleInterface(w) : nullptr;
}

// Everything a screen reader finds by walking down from the window.
void collect(QAccessibleInterface *iface, std::set<QAccessibleInterface *> &out, int depth = 0)
{
    if (!iface || depth > 16 || !out.insert(iface).second)
        return;
    for (int i = 0; i < iface->childCount(); ++i)
        collect(iface->child(i), out, depth + 1);
}

} // namespace

class tst_Accessibility : public QObject {
    Q_OBJECT

private slots:
    void everyControlHasNameAndRole_data();
    void everyControlHasNameAndRole();
    void namesTellControlsApart();
    void selectionIsAnnounced();
    void typedTextIsReadable();
    void focusIsAnnounced();
};

void tst_Accessibility::everyControlHasNameAndRole_data()
{
    QTest::addColumn<forms::Kind>("kind");
    QTest::addColumn<int>("look"); // for labels: forms::LabelLook; -1 for any other kind
    QTest::addColumn<QAccessible::Role>("role");
    using forms::Kind;
    using forms::LabelLook;
    QTest::newRow("map box") << Kind::PictureBox << -1 << QAccessible::Canvas;
    QTest::newRow("selectors") << Kind::OptionButton << -1 << QAccessible::RadioButton;
    QTest::newRow("cells") << Kind::TextBox << -1 << QAccessible::EditableText;
    QTest::newRow("notes editors") << Kind::RichTextBox << -1 << QAccessible::EditableText;
    QTest::newRow("command buttons") << Kind::CommandButton << -1 << QAccessible::Button;
    QTest::newRow("objects frame") << Kind::Frame << -1 << QAccessible::Grouping;
    QTest::newRow("headings") << Kind::Label << int(LabelLook::Text) << QAccessible::StaticText;
    QTest::newRow("filled markers and legend") << Kind::Label << int(LabelLook::Fill) << QAccessible::Graphic;
    QTest::newRow("numbered markers and legend") << Kind::Label << int(LabelLook::Box) << QAccessible::Graphic;
}

void tst_Accessibility::everyControlHasNameAndRole()
{
    QFETCH(forms::Kind, kind);
    QFETCH(int, look);
    QFETCH(QAccessible::Role, role);
    TestWindow w;
    QAccessibleInterface *top = accessible(w.window());
    QVERIFY(top);
    QCOMPARE(top->role(), QAccessible::Window);
    QCOMPARE(top->text(QAccessible::Name), w.window()->windowTitle());
    std::set<QAccessibleInterface *> tree;
    collect(top, tree);

    int checked = 0;
    for (const auto &table : app::kWindow.tables) {
        for (const forms::ControlDesc &row : table) {
            if (row.kind != kind || (look >= 0 && int(row.look) != look))
                continue;
            const QString what = qs(row.name) + QLatin1Char('(') + QString::number(row.index) + QLatin1Char(')');
            QAccessibleInterface *iface = accessible(w.widget(row.name, row.index));
            QVERIFY2(iface && iface->isValid(), qPrintable(what));
            QVERIFY2(!iface->text(QAccessible::Name).trimmed().isEmpty(), qPrintable(what));
            QCOMPARE(iface->text(QAccessible::Name), qs(row.accessibleName));
            QVERIFY2(iface->role() == role, qPrintable(what + QStringLiteral(" has role %1").arg(int(iface->role()))));
            QVERIFY2(tree.count(iface), qPrintable(what + QStringLiteral(" cannot be reached from the window")));
            ++checked;
        }
    }
    QVERIFY(checked > 0);
    if (kind == forms::Kind::PictureBox) {
        // The box's client area is the picture the markers stand on.
        QAccessibleInterface *picture = accessible(w.map());
        QVERIFY(picture && tree.count(picture));
        QCOMPARE(picture->role(), QAccessible::Graphic);
        QCOMPARE(picture->text(QAccessible::Name), accessible(w.widget("Picture1"))->text(QAccessible::Name));
    }
}

void tst_Accessibility::namesTellControlsApart()
{
    // Headings may repeat ("AC" over both tables); what a user reaches or a
    // marker or legend square never does.
    TestWindow w;
    std::set<QString> names;
    for (const auto &table : app::kWindow.tables)
        for (const forms::ControlDesc &row : table) {
            if (!forms::takesFocus(row.kind) && row.look == forms::LabelLook::Text)
                continue;
            const QString name = accessible(w.widget(row.name, row.index))->text(QAccessible::Name);
            QVERIFY2(names.insert(name).second, qPrintable(name + QStringLiteral(" names two controls")));
        }
    QCOMPARE(names.size(), std::size_t(1 + 16 + 80 + 2 + 2 + 32));
}

void tst_Accessibility::selectionIsAnnounced()
{
    TestWindow w;
    QVERIFY(accessible(w.selector(0))->state().checked);
    QVERIFY(accessible(w.selector(0))->state().checkable);
    QTest::mouseClick(w.selector(12), Qt::LeftButton);
    QVERIFY(accessible(w.selector(12))->state().checked);
    for (int s = 0; s < 16; ++s)
        if (s != 12)
            QVERIFY2(!accessible(w.selector(s))->state().checked, qPrintable(QString::number(s)));
}

void tst_Accessibility::typedTextIsReadable()
{
    TestWindow w;
    const QString text = QStringLiteral("Ogre שלום e\u0301 😀");
    QTest::keyClicks(w.cell(17), QStringLiteral("Ogre "));
    w.cell(17)->insert(text.mid(5));
    QAccessibleTextInterface *cell = accessible(w.cell(17))->textInterface();
    QVERIFY(cell);
    QCOMPARE(cell->text(0, cell->characterCount()), text);
    QVERIFY(accessible(w.cell(17))->editableTextInterface());

    QTest::keyClicks(w.notes(1), QStringLiteral("Rogue hides"));
    QAccessibleTextInterface *notes = accessible(w.notes(1))->textInterface();
    QVERIFY(notes);
    QCOMPARE(notes->text(0, notes->characterCount()), QStringLiteral("Rogue hides"));
}

void tst_Accessibility::focusIsAnnounced()
{
    TestWindow w;
    QTRY_VERIFY(accessible(w.widget("Picture1"))->state().focused);
    QVERIFY(accessible(w.widget("Picture1"))->state().focusable);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTRY_VERIFY(accessible(w.selector(0))->state().focused);
    QVERIFY(!accessible(w.widget("Picture1"))->state().focused);
    // The markers and legend show; they take no focus.
    QVERIFY(!accessible(w.marker(3))->state().focusable);
}

QTEST_MAIN(tst_Accessibility)
#include "tst_accessibility.moc"
