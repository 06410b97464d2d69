// Random sequences of mixed user events drive the real window; after every event
// the window must agree with a small model of what the user expects to see.
// RapidCheck draws the sequences, runs each in a fresh window and, when one fails,
// shrinks it by replaying shorter and simpler sequences in fresh windows; it then
// prints the shrunk sequence and the RC_PARAMS="reproduce=..." line that replays it:
//   RC_PARAMS="reproduce=..." ctest --test-dir build/asan -R tst_property --output-on-failure
// RC_PARAMS, when set, replaces kDefaultParams below; for example
// RC_PARAMS="seed=7 max_success=500 max_size=400" runs more and longer sequences.
// Then one long session of the same events, with a fixed seed, must agree with the
// model throughout and keep the live heap from growing. It is not shrunk: a failure
// there names the event, and more and longer sequences above find a short case.

#include "live_heap.h"
#include "test_window.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QWindow>

#include <rapidcheck.h>
#include <rapidcheck/state.h>

#include <array>
#include <cstdint>
#include <ostream>

namespace {

// A fixed seed, so that every run checks the same sequences; few enough of them
// that they add about a tenth to the long session's running time.
constexpr char kDefaultParams[] = "seed=2026120700 max_success=40 max_size=100";
constexpr int kLongRun = 20000;
constexpr std::uint64_t kLongRunSeed = 0x4B5A44'2026'1207ull;
constexpr int kCells = 80;
constexpr int kNotes = 2;
constexpr int kSlots = 16;
constexpr int kMarkerSize = 17;
constexpr int kCellLimit = 32767; // the platform's limit for a single-line box
constexpr int kMapWidth = 463;    // the map box's client area
constexpr int kMapHeight = 399;
constexpr int kParkedTop = 400;

// What a user can type or paste: scripts written right to left, combining marks,
// emoji sequences, formatting and control characters, and characters no font has.
const QStringList &atoms()
{
    static const QStringList list{
        QStringLiteral("a"), QStringLiteral("Z"), QStringLiteral("7"), QStringLiteral(" "), QStringLiteral("-"),
        QStringLiteral("orc"), QStringLiteral("+3"), QStringLiteral("%"), QStringLiteral("<b>"), QStringLiteral("&amp;"),
        QStringLiteral("é"), QStringLiteral("ß"), QStringLiteral("e\u0301"), QStringLiteral("\u0301"),
        QStringLiteral("a\u0308\u0304\u0323"), QStringLiteral("שלום"), QStringLiteral("مرحبا"),
        QStringLiteral("\u200F"), QStringLiteral("\u202E"), QStringLiteral("\u2066x\u2069"), QStringLiteral("\u200D"),
        QStringLiteral("\uFEFF"), QStringLiteral("漢字"), QStringLiteral("नमस्ते"), QStringLiteral("ไทย"),
        QStringLiteral("😀"), QStringLiteral("👍🏽"), QStringLiteral("👨‍👩‍👧"), QStringLiteral("🇩🇪"),
        QStringLiteral("❤️"), QStringLiteral("𝔸"), QStringLiteral("\U000F0000"), QStringLiteral("\uE000"),
        QStringLiteral("\u0378"), QStringLiteral("\uFFFC"), QStringLiteral("\uFDD0"), QStringLiteral("\uFFFF"),
        QStringLiteral("\u00A0"), QStringLiteral("\u2028"), QStringLiteral("\u2029"), QStringLiteral("\u0085"),
        QStringLiteral("\t"), QStringLiteral("\n"), QStringLiteral("\r"), QStringLiteral("\r\n"),
        QStringLiteral("\x01"), QStringLiteral("\x07"), QStringLiteral("\x1B"), QStringLiteral("\x7F"),
        QString(QChar(0)),
    };
    return list;
}

// Splits text into what one key press delivers: one code point.
QStringList codePoints(const QString &s)
{
    QStringList out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
            out << s.mid(i, 2);
            ++i;
        } else {
            out << s.mid(i, 1);
        }
    }
    return out;
}

enum class Action {
    SelectByMouse, // a click on selector a
    ArrowKey,      // key a at the focus owner
    MapPress,      // button, modifiers at map point (a, b); just outside is the box's border
    MapDoubleClick,// a double-click at (a, b); its second press at (a + c, b + d)
    Type,          // click target a, then End (or select all when b), then type text
    Paste,         // the same, then paste text from the clipboard
    ClickLabel,    // a click on a heading or legend square, which take no focus
    Clear,
    Tab,           // a presses of Tab, or of Shift+Tab when b
};

struct Event {
    Action action = Action::Clear;
    int a = 0, b = 0, c = 0, d = 0;
    Qt::MouseButton button = Qt::LeftButton;
    Qt::KeyboardModifiers modifiers;
    QString text;
};

QString escaped(const QString &s)
{
    QString out;
    for (const char32_t u : s.toUcs4()) {
        if (u >= 0x20 && u < 0x7F && u != '\\')
            out += QChar(char16_t(u));
        else
            out += QStringLiteral("\\u{%1}").arg(uint(u), 0, 16);
    }
    return out;
}

QString describe(const Event &e)
{
    const QString mods = QStringLiteral("button %1, modifiers %2").arg(int(e.button)).arg(e.modifiers.toInt(), 0, 16);
    switch (e.action) {
    case Action::SelectByMouse: return QStringLiteral("click selector of slot %1").arg(e.a);
    case Action::ArrowKey: return QStringLiteral("arrow key %1").arg(QKeySequence(e.a).toString());
    case Action::MapPress: return QStringLiteral("press map at (%1, %2), %3").arg(e.a).arg(e.b).arg(mods);
    case Action::MapDoubleClick:
        return QStringLiteral("double-click map at (%1, %2) then (%3, %4), %5")
            .arg(e.a).arg(e.b).arg(e.a + e.c).arg(e.b + e.d).arg(mods);
    case Action::Type:
        return QStringLiteral("type into %1%2: \"%3\"").arg(e.a).arg(e.b ? " over all" : "").arg(escaped(e.text));
    case Action::Paste:
        return QStringLiteral("paste into %1%2: \"%3\"").arg(e.a).arg(e.b ? " over all" : "").arg(escaped(e.text));
    case Action::ClickLabel: return QStringLiteral("click label %1").arg(e.a);
    case Action::Clear: return QStringLiteral("click Clear");
    case Action::Tab: return QStringLiteral("%1 x %2").arg(e.b ? "Shift+Tab" : "Tab").arg(e.a);
    }
    return {};
}

constexpr std::array kButtons{Qt::LeftButton, Qt::RightButton, Qt::MiddleButton, Qt::BackButton, Qt::ForwardButton};
constexpr std::array kModifiers{Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier, Qt::MetaModifier};
constexpr std::array kArrows{Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right};

// What the user expects the window to show.
struct Model {
    std::array<QPoint, kSlots> markers;
    int selected = 0;
    std::array<QString, kCells> cells;
    std::array<QString, kNotes> notes;
    QString focus = QStringLiteral("Picture1");

    // Where the markers start is read from a fresh window, so the model follows
    // the window's own layout.
    static Model initial(const TestWindow &window)
    {
        Model m;
        for (int s = 0; s < kSlots; ++s)
            m.markers[std::size_t(s)] = window.marker(s)->pos();
        return m;
    }

    static QString selectorName(int slot) { return QStringLiteral("Option%1").arg(slot + 1); }

    // The focus stops in Tab order: the selectors share one, the selected one's.
    QStringList stops() const
    {
        QStringList order{QStringLiteral("Picture1"), selectorName(selected)};
        for (int i = 0; i < 64; ++i)
            order << QStringLiteral("Text1(%1)").arg(i);
        order << QStringLiteral("RichTextBox1(0)") << QStringLiteral("RichTextBox1(1)");
        for (int i = 64; i < kCells; ++i)
            order << QStringLiteral("Text1(%1)").arg(i);
        order << QStringLiteral("cmdClose") << QStringLiteral("cmdClear");
        return order;
    }

    void step(bool forward)
    {
        const QStringList order = stops();
        const auto n = order.size();
        const auto at = order.indexOf(focus);
        focus = order[((at < 0 ? (forward ? -1 : n) : at) + (forward ? 1 : -1) + n) % n];
    }

    static QString targetName(int target)
    {
        return target < kCells ? QStringLiteral("Text1(%1)").arg(target)
                               : QStringLiteral("RichTextBox1(%1)").arg(target - kCells);
    }

    // A key press enters anything visible, formatting marks and private-use
    // characters; control characters are dropped, except a tab in the notes.
    static bool typeable(const QString &cp, bool notes)
    {
        const QChar c = cp.front();
        return c.isPrint() || c.category() == QChar::Other_Format || c.category() == QChar::Other_PrivateUse ||
               (c.isHighSurrogate() && cp.size() == 2) || (notes && c == u'\t');
    }

    // The notes hold paragraphs: any line or paragraph break reads back as a new
    // line, and a no-break space as a space.
    static QString asNotes(const QString &s)
    {
        QString out;
        out.reserve(s.size());
        for (qsizetype i = 0; i < s.size(); ++i) {
            const QChar c = s[i];
            if (c == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n')
                continue;
            if (c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator ||
                c == QChar(0xFDD0) || c == QChar(0xFDD1))
                out += u'\n';
            else if (c == QChar::Nbsp)
                out += u' ';
            else
                out += c;
        }
        return out;
    }

    void insert(int target, const QString &text, bool &replace)
    {
        if (target < kCells) {
            QString &cell = cells[std::size_t(target)];
            if (replace)
                cell.clear();
            cell += text.left(kCellLimit - cell.size());
            // A cut at the limit never leaves half a character behind.
            if (cell.size() == kCellLimit && cell.back().isHighSurrogate())
                cell.chop(1);
        } else {
            QString &note = notes[std::size_t(target - kCells)];
            if (replace)
                note.clear();
            note += asNotes(text);
        }
        replace = false;
    }

    bool onMarker(QPoint p) const
    {
        for (const QPoint &m : markers)
            if (QRect(m, QSize(kMarkerSize, kMarkerSize)).contains(p))
                return true;
        return false;
    }

    void press(QPoint p)
    {
        focus = QStringLiteral("Picture1");
        const bool inClient = p.x() >= 0 && p.y() >= 0 && p.x() < kMapWidth && p.y() < kMapHeight;
        if (inClient && !onMarker(p))
            markers[std::size_t(selected)] = p;
    }

    void apply(const Event &e)
    {
        switch (e.action) {
        case Action::SelectByMouse:
            selected = e.a;
            focus = selectorName(selected);
            break;
        case Action::ArrowKey: {
            const bool forward = e.a == Qt::Key_Down || e.a == Qt::Key_Right;
            if (focus.startsWith(QLatin1String("Option"))) {
                // The selectors are one group: arrows walk it in order and wrap.
                selected = (selected + (forward ? 1 : kSlots - 1)) % kSlots;
                focus = selectorName(selected);
            } else if (focus.startsWith(QLatin1String("cmd"))) {
                step(forward);
            }
            break;
        }
        case Action::MapPress: press({e.a, e.b}); break;
        case Action::MapDoubleClick:
            press({e.a, e.b});
            // The second press of a double-click places nothing.
            break;
        case Action::Type: {
            focus = targetName(e.a);
            bool replace = e.b;
            for (const QString &cp : codePoints(e.text))
                if (typeable(cp, e.a >= kCells))
                    insert(e.a, cp, replace);
            break;
        }
        case Action::Paste: {
            focus = targetName(e.a);
            bool replace = e.b;
            insert(e.a, e.text, replace);
            break;
        }
        case Action::ClickLabel: break;
        case Action::Clear:
            cells.fill({});
            notes.fill({});
            for (QPoint &m : markers)
                m.setY(kParkedTop);
            focus = QStringLiteral("cmdClear");
            break;
        case Action::Tab:
            for (int i = 0; i < e.a; ++i)
                step(!e.b);
            break;
        }
    }
};

// Drives one real window the way a user's hardware does: every press and key
// goes through the platform window, so Qt's own focus, double-click and shortcut
// handling runs.
class Driver : public QObject {
public:
    Driver() : m_handle(m_window.window()->windowHandle()) { m_window.map()->installEventFilter(this); }

    // Double-clicks the map saw, so a run can show that it made some.
    int doubleClicks() const { return m_doubleClicks; }

    bool ready() const { return m_window.exposed() && m_handle; }
    TestWindow &window() { return m_window; }

    void run(const Event &e)
    {
        switch (e.action) {
        case Action::SelectByMouse: click(m_window.selector(e.a), QPoint(6, 8)); break;
        case Action::ArrowKey: QTest::keyClick(m_handle, Qt::Key(e.a)); break;
        case Action::MapPress: {
            const QPoint at = onMap({e.a, e.b});
            QTest::mousePress(m_handle, e.button, e.modifiers, at);
            QTest::mouseRelease(m_handle, e.button, e.modifiers, at);
            break;
        }
        case Action::MapDoubleClick: {
            const QPoint first = onMap({e.a, e.b});
            if (e.c == 0 && e.d == 0) {
                QTest::mouseDClick(m_handle, e.button, e.modifiers, first);
                break;
            }
            QTest::mousePress(m_handle, e.button, e.modifiers, first);
            QTest::mouseRelease(m_handle, e.button, e.modifiers, first);
            // A quick second click close by: take back the pause the test library
            // puts between clicks so that they do not pair up.
            QTest::lastMouseTimestamp -= QTest::mouseDoubleClickInterval;
            const QPoint second = first + QPoint(e.c, e.d);
            QTest::mousePress(m_handle, e.button, e.modifiers, second);
            QTest::mouseRelease(m_handle, e.button, e.modifiers, second);
            break;
        }
        case Action::Type:
            focusTarget(e.a, e.b);
            for (const QString &cp : codePoints(e.text))
                QTest::sendKeyEvent(QTest::Click, m_handle, Qt::Key(0), cp, Qt::NoModifier);
            break;
        case Action::Paste:
            QGuiApplication::clipboard()->setText(e.text);
            focusTarget(e.a, e.b);
            QTest::keyClick(m_handle, Qt::Key_V, Qt::ControlModifier);
            break;
        case Action::ClickLabel:
            click(e.a < 11 ? m_window.widget("Label1", std::int16_t(e.a))
                           : m_window.widget("Label2", std::int16_t(e.a - 11)),
                  QPoint(3, 3));
            break;
        case Action::Clear: click(m_window.widget("cmdClear"), QPoint(52, 12)); break;
        case Action::Tab:
            for (int i = 0; i < e.a; ++i) {
                if (e.b)
                    QTest::keyClick(m_handle, Qt::Key_Backtab, Qt::ShiftModifier);
                else
                    QTest::keyClick(m_handle, Qt::Key_Tab);
            }
            break;
        }
    }

    // Where the window and the model part, or an empty string.
    QString difference(const Model &m) const
    {
        for (int s = 0; s < kSlots; ++s) {
            if (m_window.marker(s)->pos() != m.markers[std::size_t(s)])
                return QStringLiteral("marker %1 at (%2, %3), expected (%4, %5)")
                    .arg(s).arg(m_window.marker(s)->x()).arg(m_window.marker(s)->y())
                    .arg(m.markers[std::size_t(s)].x()).arg(m.markers[std::size_t(s)].y());
            if (m_window.selector(s)->isChecked() != (s == m.selected))
                return QStringLiteral("selector of slot %1 is %2, expected slot %3 selected")
                    .arg(s).arg(m_window.selector(s)->isChecked() ? "selected" : "not selected").arg(m.selected);
        }
        for (int i = 0; i < kCells; ++i)
            if (m_window.cell(i)->text() != m.cells[std::size_t(i)])
                return QStringLiteral("cell %1 holds \"%2\", expected \"%3\"")
                    .arg(i).arg(escaped(m_window.cell(i)->text().left(200)), escaped(m.cells[std::size_t(i)].left(200)));
        for (int n = 0; n < kNotes; ++n)
            if (m_window.notes(n)->toPlainText() != m.notes[std::size_t(n)])
                return QStringLiteral("notes %1 hold \"%2\", expected \"%3\"")
                    .arg(n).arg(escaped(m_window.notes(n)->toPlainText().left(200)),
                                escaped(m.notes[std::size_t(n)].left(200)));
        const QWidget *f = QApplication::focusWidget();
        const QString focus = f ? f->objectName() : QStringLiteral("(nothing)");
        if (focus != m.focus)
            return QStringLiteral("focus on %1, expected on %2").arg(focus, m.focus);
        if (!m_window.failures().empty())
            return QStringLiteral("a handler failed: %1").arg(QString::fromStdString(m_window.failures().front()));
        return {};
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonDblClick)
            ++m_doubleClicks;
        return false;
    }

private:
    QPoint inWindow(const QWidget *w, QPoint p) const { return w->mapTo(m_window.window(), p); }
    QPoint onMap(QPoint p) const { return inWindow(m_window.map(), p); }

    void click(const QWidget *w, QPoint p)
    {
        QTest::mouseClick(m_handle, Qt::LeftButton, {}, inWindow(w, p));
    }

    void focusTarget(int target, bool selectAll)
    {
        const bool notes = target >= kCells;
        const QWidget *w = notes ? static_cast<QWidget *>(m_window.notes(target - kCells)) : m_window.cell(target);
        click(w, QPoint(4, 6));
        if (selectAll)
            QTest::keyClick(m_handle, Qt::Key_A, Qt::ControlModifier);
        else
            QTest::keyClick(m_handle, Qt::Key_End, notes ? Qt::ControlModifier : Qt::NoModifier);
    }

    TestWindow m_window;
    QWindow *m_handle;
    int m_doubleClicks = 0;
};

// RapidCheck's generators draw the events without looking at the window or the
// model, so any part of a sequence is itself a valid sequence: RapidCheck may drop
// events, and shrink numbers and texts, while it looks for the smallest failure.
// The helpers below draw inside rc::gen::exec.
rc::Gen<int> below(int n) { return rc::gen::inRange(0, n); }
rc::Gen<int> between(int lo, int hi) { return rc::gen::inRange(lo, hi + 1); }
rc::Gen<bool> chance(int percent)
{
    return rc::gen::weightedElement<bool>({{std::size_t(100 - percent), false}, {std::size_t(percent), true}});
}

QString text(int maxAtoms)
{
    QString s;
    for (int n = *between(1, maxAtoms); n > 0; --n)
        s += atoms()[*below(int(atoms().size()))];
    return s;
}

// -1 and extent are the box's border, 0 and extent - 1 the client area's edges.
int nearEdge(int extent)
{
    return *chance(50) ? *between(-1, 1) : *between(extent - 2, extent);
}

QPoint mapPoint()
{
    switch (*below(4)) {
    case 0: // anywhere, including where markers stand
        return {*below(kMapWidth), *below(kMapHeight)};
    case 1: // on or next to an edge of the client area, or on the box's border
        if (*chance(50))
            return {nearEdge(kMapWidth), *below(kMapHeight)};
        return {*below(kMapWidth), nearEdge(kMapHeight)};
    default: // a few fixed spots, so that markers pile up and presses land on them
        return {*between(40, 60) + *below(3) * 150, *between(40, 60) + *below(3) * 150};
    }
}

Event onMap(Action action, QPoint at)
{
    Event e{.action = action, .a = at.x(), .b = at.y(), .button = *rc::gen::elementOf(kButtons)};
    for (const auto m : kModifiers)
        if (*chance(15))
            e.modifiers |= m;
    return e;
}

Event intoText(Action action, int maxAtoms)
{
    return {.action = action, .a = *below(kCells + kNotes), .b = *chance(15), .text = text(maxAtoms)};
}

// The mix of a session: mostly presses on the map, typing and pasting. Sized at
// RapidCheck's nominal size, so that short sequences hold the same events as long ones.
rc::Gen<Event> anyEvent()
{
    using rc::gen::exec;
    return rc::gen::resize(rc::kNominalSize, rc::gen::weightedOneOf<Event>({
        {10, exec([] { return Event{.action = Action::SelectByMouse, .a = *below(kSlots)}; })},
        {10, exec([] { return Event{.action = Action::ArrowKey, .a = *rc::gen::elementOf(kArrows)}; })},
        {25, exec([] { return onMap(Action::MapPress, mapPoint()); })},
        {7, exec([] {
             Event e = onMap(Action::MapDoubleClick, {*between(3, kMapWidth - 1), *between(3, kMapHeight - 1)});
             if (*chance(50)) { // the second press a little up or left of the first
                 e.c = -*between(1, 3);
                 e.d = -*between(0, 3);
             }
             return e;
         })},
        {20, exec([] { return intoText(Action::Type, 4); })},
        {12, exec([] { return intoText(Action::Paste, 12); })},
        {3, exec([] { return Event{.action = Action::ClickLabel, .a = *below(11 + kSlots)}; })},
        {2, rc::gen::just(Event{.action = Action::Clear})},
        {11, exec([] { return Event{.action = Action::Tab, .a = *between(1, 6), .b = *chance(40)}; })},
    }));
}

using Command = rc::state::Command<Model, Driver>;

// One event as a RapidCheck command: the model learns what the user expects, the
// window gets the event, and the two must agree afterwards.
class Step final : public Command {
public:
    explicit Step(Event event) : m_event(std::move(event)) {}

    void apply(Model &model) const override { model.apply(m_event); }
    void run(const Model &before, Driver &driver) const override
    {
        driver.run(m_event);
        if (const QString diff = driver.difference(nextState(before)); !diff.isEmpty())
            RC_FAIL(diff.toStdString());
    }
    void show(std::ostream &os) const override { os << describe(m_event).toStdString(); }

private:
    Event m_event;
};

rc::Gen<std::shared_ptr<const Command>> anyStep()
{
    return rc::gen::map(anyEvent(), [](Event e) -> std::shared_ptr<const Command> {
        return std::make_shared<const Step>(std::move(e));
    });
}

} // namespace

class tst_Property : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void windowAgreesWithModel();
    void longSessionKeepsHeap();
};

void tst_Property::initTestCase()
{
    // RapidCheck reads RC_PARAMS when it first checks a property.
    if (!qEnvironmentVariableIsSet("RC_PARAMS"))
        qputenv("RC_PARAMS", kDefaultParams);
}

void tst_Property::windowAgreesWithModel()
{
    const bool held = rc::check("the window agrees with the model after every event", [] {
        Driver driver; // a fresh window for each sequence and for each replay while shrinking
        RC_ASSERT(driver.ready());
        rc::state::check(Model::initial(driver.window()), driver, [](const Model &) { return anyStep(); });
    });
    QVERIFY2(held, "the window and the model disagree; RapidCheck printed the shrunk sequence and how to replay it");
}

// The heap is measured after a Clear once the caches have warmed up, and again
// after a Clear at the end.
void tst_Property::longSessionKeepsHeap()
{
    Driver driver;
    QVERIFY(driver.ready());
    Model model = Model::initial(driver.window());
    const auto step = [&](const Event &e) {
        driver.run(e);
        model.apply(e);
        return driver.difference(model);
    };
    const rc::Gen<Event> events = anyEvent();
    rc::Random random(kLongRunSeed);
    const int warmUp = kLongRun / 10;
    std::size_t heapAtStart = 0;
    for (int i = 0; i < kLongRun; ++i) {
        const Event e = events(random.split()).value();
        const QString diff = step(e);
        QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("after event %1 (%2): %3").arg(i).arg(describe(e), diff)));
        if (i + 1 == warmUp) {
            QCOMPARE(step({.action = Action::Clear}), QString());
            heapAtStart = liveHeapBytes();
        }
    }
    QCOMPARE(step({.action = Action::Clear}), QString());
    const std::size_t heapAtEnd = liveHeapBytes();
    const qint64 growth = qint64(heapAtEnd) - qint64(heapAtStart);
    qInfo("%d events (%d double-clicks on the map); live heap %zu bytes after event %d, %zu at the end (%+lld)",
          kLongRun, driver.doubleClicks(), heapAtStart, warmUp, heapAtEnd, growth);
    QVERIFY(driver.doubleClicks() > 0);
    // Caches settle during the warm-up; what is typed is all gone after Clear.
    QVERIFY2(growth < kHeapGrowthBound, qPrintable(QStringLiteral("live heap grew by %1 bytes").arg(growth)));
}

QTEST_MAIN(tst_Property)
#include "tst_property.moc"
