// The forms services on the real window: what each operation does when it cannot
// be done, and what becomes of a failing handler.

#include "test_window.h"

#include <QSignalSpy>

#include <cmath>
#include <limits>

using forms::Control;
using forms::Fault;
using forms::Operation;
using forms::Status;

Q_DECLARE_METATYPE(forms::Fault)

namespace {

enum class Call { LookupSingle, LookupMember, Value, SetTop, SetLeft, SetText };

// One operation on a control that is looked up first (when it exists).
Status perform(forms::Forms &f, Call call, const char *name, int index, double number)
{
    Control c;
    switch (call) {
    case Call::LookupSingle: return f.lookup(forms::Single{name}, c);
    case Call::LookupMember: return f.lookup(forms::Group{name}, std::int16_t(index), c);
    default: break;
    }
    FORMS_CHECK(index < 0 ? f.lookup(forms::Single{name}, c) : f.lookup(forms::Group{name}, std::int16_t(index), c));
    std::int16_t value = 0;
    switch (call) {
    case Call::Value: return f.value(c, value);
    case Call::SetTop: return f.setTop(c, float(number));
    case Call::SetLeft: return f.setLeft(c, float(number));
    case Call::SetText: return f.setText(c, "x");
    default: return {};
    }
}

Status failAfterMoving(forms::Forms &f)
{
    Control marker;
    FORMS_CHECK(f.lookup(map::kMarkers, 0, marker));
    FORMS_CHECK(f.setTop(marker, 20));
    FORMS_CHECK(f.setLeft(marker, 30));
    Control missing;
    FORMS_CHECK(f.lookup(map::kMarkers, 16, missing));
    Control cell;
    FORMS_CHECK(f.lookup(sheet::kCells, 0, cell));
    FORMS_CHECK(f.setText(cell, "must not be written"));
    return {};
}

} // namespace

Q_DECLARE_METATYPE(Call)

class tst_Forms : public QObject {
    Q_OBJECT

private slots:
    void failures_data();
    void failures();
    void successfulOperations();
    void failingHandlerStopsAndIsReported();
    void operationsAfterUnloadFail();
};

void tst_Forms::failures_data()
{
    QTest::addColumn<Call>("call");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("number");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("report");

    const double nan = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("group index past the end") << Call::LookupMember << "Label3" << 16 << 0.0 << Fault::NoSuchMember
                                              << "Look up Label3(16) failed: the control array has no such member.";
    QTest::newRow("negative group index") << Call::LookupMember << "Text1" << -2 << 0.0 << Fault::NoSuchMember
                                          << "Look up Text1(-2) failed: the control array has no such member.";
    QTest::newRow("group without index") << Call::LookupSingle << "RichTextBox1" << -1 << 0.0 << Fault::NoSuchMember
                                         << "Look up RichTextBox1 failed: the control array has no such member.";
    QTest::newRow("index on a single control") << Call::LookupMember << "Option1" << 0 << 0.0 << Fault::NoSuchMember
                                               << "Look up Option1(0) failed: the control array has no such member.";
    QTest::newRow("unknown name") << Call::LookupSingle << "Option17" << -1 << 0.0 << Fault::NoSuchControl
                                  << "Look up Option17 failed: there is no control of that name.";
    QTest::newRow("Value of a text box") << Call::Value << "Text1" << 3 << 0.0 << Fault::WrongKind
                                         << "Get Value of Text1(3) failed: the control has no such property.";
    QTest::newRow("Top of a selector") << Call::SetTop << "Option2" << -1 << 5.0 << Fault::WrongKind
                                       << "Set Top of Option2 failed: the control has no such property.";
    QTest::newRow("Text of a marker") << Call::SetText << "Label3" << 4 << 0.0 << Fault::WrongKind
                                      << "Set Text of Label3(4) failed: the control has no such property.";
    QTest::newRow("Top not a number") << Call::SetTop << "Label3" << 0 << nan << Fault::BadValue
                                      << "Set Top of Label3(0) failed: the value is not a valid position.";
    QTest::newRow("Left far out of range") << Call::SetLeft << "Label3" << 0 << 1e9 << Fault::BadValue
                                           << "Set Left of Label3(0) failed: the value is not a valid position.";
}

void tst_Forms::failures()
{
    QFETCH(Call, call);
    QFETCH(QString, name);
    QFETCH(int, index);
    QFETCH(double, number);
    QFETCH(Fault, fault);
    QFETCH(QString, report);

    TestWindow w;
    const QByteArray n = name.toUtf8();
    const Status s = perform(w.forms(), call, n.constData(), index, number);
    QVERIFY(!s.ok());
    QCOMPARE(s.fault(), fault);
    QCOMPARE(QString::fromStdString(s.describe()), report);
}

void tst_Forms::successfulOperations()
{
    TestWindow w;
    Control c;
    QVERIFY(w.forms().lookup(map::kSelectors[0], c).ok());
    std::int16_t value = 0;
    QVERIFY(w.forms().value(c, value).ok());
    QCOMPARE(value, std::int16_t(-1));
    QVERIFY(w.forms().lookup(map::kSelectors[1], c).ok());
    QVERIFY(w.forms().value(c, value).ok());
    QCOMPARE(value, std::int16_t(0));

    QVERIFY(w.forms().lookup(sheet::kCells, 79, c).ok());
    QVERIFY(w.forms().setText(c, "Ωmega ✓").ok());
    QCOMPARE(w.cell(79)->text(), QStringLiteral("Ωmega ✓"));

    QVERIFY(w.forms().lookup(sheet::kNotes, 1, c).ok());
    QVERIFY(w.forms().setText(c, "line one\nline two").ok());
    QCOMPARE(w.notes(1)->toPlainText(), QStringLiteral("line one\nline two"));

    // Outside a handler a marker moves at once.
    QVERIFY(w.forms().lookup(map::kMarkers, 15, c).ok());
    QVERIFY(w.forms().setTop(c, 12).ok());
    QCOMPARE(w.marker(15)->pos(), QPoint(456, 12));
    QVERIFY(w.forms().setLeft(c, -3).ok());
    QCOMPARE(w.marker(15)->pos(), QPoint(-3, 12));
}

void tst_Forms::failingHandlerStopsAndIsReported()
{
    TestWindow w;
    w.forms().runClick(&failAfterMoving);
    QCOMPARE(w.failures().size(), std::size_t(1));
    QCOMPARE(w.failures().front(), std::string("Look up Label3(16) failed: the control array has no such member."));
    // What the handler did before the failure stands; nothing after it ran.
    QCOMPARE(w.marker(0)->pos(), QPoint(30, 20));
    QVERIFY(w.cell(0)->text().isEmpty());
}

void tst_Forms::operationsAfterUnloadFail()
{
    TestWindow w;
    Control c;
    QVERIFY(w.forms().lookup(sheet::kCells, 0, c).ok());
    QVERIFY(w.forms().unload().ok());
    QVERIFY(!w.window()->isVisible());
    QCOMPARE(w.forms().setText(c, "late").fault(), Fault::Unloaded);
    QCOMPARE(w.forms().lookup(sheet::kCells, 0, c).fault(), Fault::Unloaded);
    QCOMPARE(w.forms().unload().fault(), Fault::Unloaded);
}

QTEST_MAIN(tst_Forms)
#include "tst_forms.moc"
