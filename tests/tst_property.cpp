// A long seeded stream of mixed user events drives the real window; after every
// event the window must agree with a small model of what the user expects to see.
// KZD_PROPERTY_SEED and KZD_PROPERTY_EVENTS override the run; a failure prints the
// seed and the shortest failing stream, shrunk by replaying it in fresh windows.

#include "live_heap.h"
#include "test_window.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QStyleHints>
#include <QWindow>

#include <array>
#include <cstdint>
#include <optional>

namespace {

constexpr std::uint64_t kDefaultSeed = 0x4B5A44'2026'1207ull;
constexpr int kDefaultEvents = 20000;
constexpr int kCells = 80;
constexpr int kNotes = 2;
constexpr int kSlots = 16;
constexpr int kMarkerSize = 17;
constexpr int kCellLimit = 32767; // the platform's limit for a single-line box
constexpr int kMapWidth = 463;    // the map box's client area
constexpr int kMapHeight = 399;
constexpr int kParkedTop = 400;

// splitmix64: tiny, and gives the same stream on every platform and library.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return int(next() % std::uint64_t(n)); }
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }
    bool chance(int percent) { return below(100) < percent; }

private:
    std::uint64_t m_state;
};

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

QString randomText(Random &rnd, int maxAtoms)
{
    QString s;
    for (int n = rnd.between(1, maxAtoms); n > 0; --n)
        s += atoms()[rnd.below(int(atoms().size()))];
    return s;
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

// -1 and extent are the box's border, 0 and extent - 1 the client area's edges.
int nearEdge(Random &rnd, int extent)
{
    return rnd.chance(50) ? rnd.between(-1, 1) : rnd.between(extent - 2, extent);
}

// Events are drawn without looking at the window, so any sub-stream of a stream
// is itself a valid stream: that is what lets a failure be shrunk.
Event randomEvent(Random &rnd)
{
    Event e;
    e.button = kButtons[std::size_t(rnd.below(int(kButtons.size())))];
    for (const auto m : kModifiers)
        if (rnd.chance(15))
            e.modifiers |= m;
    const int roll = rnd.below(100);
    if (roll < 10) {
        e.action = Action::SelectByMouse;
        e.a = rnd.below(kSlots);
    } else if (roll < 20) {
        e.action = Action::ArrowKey;
        e.a = kArrows[std::size_t(rnd.below(int(kArrows.size())))];
    } else if (roll < 45) {
        e.action = Action::MapPress;
        switch (rnd.below(4)) {
        case 0: // anywhere, including where markers stand
            e.a = rnd.below(kMapWidth);
            e.b = rnd.below(kMapHeight);
            break;
        case 1: // on or next to an edge of the client area, or on the box's border
            if (rnd.chance(50)) {
                e.a = nearEdge(rnd, kMapWidth);
                e.b = rnd.below(kMapHeight);
            } else {
                e.a = rnd.below(kMapWidth);
                e.b = nearEdge(rnd, kMapHeight);
            }
            break;
        default: // a few fixed spots, so that markers pile up and presses land on them
            e.a = rnd.between(40, 60) + rnd.below(3) * 150;
            e.b = rnd.between(40, 60) + rnd.below(3) * 150;
            break;
        }
    } else if (roll < 52) {
        e.action = Action::MapDoubleClick;
        e.a = rnd.between(3, kMapWidth - 1);
        e.b = rnd.between(3, kMapHeight - 1);
        if (rnd.chance(50)) { // the second press a little up or left of the first
            e.c = -rnd.between(1, 3);
            e.d = -rnd.between(0, 3);
        }
    } else if (roll < 72) {
        e.action = Action::Type;
        e.a = rnd.below(kCells + kNotes);
        e.b = rnd.chance(15);
        e.text = randomText(rnd, 4);
    } else if (roll < 84) {
        e.action = Action::Paste;
        e.a = rnd.below(kCells + kNotes);
        e.b = rnd.chance(15);
        e.text = randomText(rnd, 12);
    } else if (roll < 87) {
        e.action = Action::ClickLabel;
        e.a = rnd.below(11 + kSlots);
    } else if (roll < 89) {
        e.action = Action::Clear;
    } else {
        e.action = Action::Tab;
        e.a = rnd.between(1, 6);
        e.b = rnd.chance(40);
    }
    return e;
}

// What the user expects the window to show.
struct Model {
    std::array<QPoint, kSlots> markers;
    int selected = 0;
    std::array<QString, kCells> cells;
    std::array<QString, kNotes> notes;
    QString focus = QStringLiteral("Picture1");

    static Model initial()
    {
        Model m;
        for (const auto &row : map::kControls)
            if (row.name == "Label3")
                m.markers[std::size_t(row.index)] = QPoint(row.rect.left, row.rect.top);
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

std::vector<Event> stream(std::uint64_t seed, int count)
{
    Random rnd(seed);
    std::vector<Event> events;
    events.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i)
        events.push_back(randomEvent(rnd));
    return events;
}

struct Outcome {
    qsizetype failedAt = -1; // index of the first event after which window and model part
    QString difference;
};

Outcome replay(const std::vector<Event> &events)
{
    Driver driver;
    if (!driver.ready())
        return {0, QStringLiteral("the window was not shown")};
    Model model = Model::initial();
    for (std::size_t i = 0; i < events.size(); ++i) {
        driver.run(events[i]);
        model.apply(events[i]);
        if (QString diff = driver.difference(model); !diff.isEmpty())
            return {qsizetype(i), diff};
    }
    return {};
}

// Cuts the failing stream down: first to the prefix that ends at the failure,
// then by dropping ever smaller chunks while it still fails in a fresh window,
// for as long as the time allows.
std::vector<Event> shrink(std::vector<Event> events, qint64 budgetMs)
{
    QElapsedTimer clock;
    clock.start();
    const auto inTime = [&] { return clock.elapsed() < budgetMs; };
    for (std::size_t chunk = events.size() / 2; chunk >= 1 && inTime(); chunk /= 2) {
        for (std::size_t start = 0; start + chunk <= events.size() && inTime();) {
            std::vector<Event> candidate = events;
            candidate.erase(candidate.begin() + qsizetype(start), candidate.begin() + qsizetype(start + chunk));
            const Outcome o = replay(candidate);
            if (o.failedAt >= 0) {
                candidate.resize(std::size_t(o.failedAt + 1));
                events = std::move(candidate);
            } else {
                start += chunk;
            }
        }
    }
    return events;
}

std::uint64_t seedFromEnvironment()
{
    bool ok = false;
    const std::uint64_t seed = qEnvironmentVariable("KZD_PROPERTY_SEED").toULongLong(&ok, 0);
    return ok ? seed : kDefaultSeed;
}

int eventsFromEnvironment()
{
    bool ok = false;
    const int count = qEnvironmentVariableIntValue("KZD_PROPERTY_EVENTS", &ok);
    return ok && count > 0 ? count : kDefaultEvents;
}

} // namespace

class tst_Property : public QObject {
    Q_OBJECT

private slots:
    void windowAgreesWithModel();
};

void tst_Property::windowAgreesWithModel()
{
    const std::uint64_t seed = seedFromEnvironment();
    const int count = eventsFromEnvironment();
    qInfo("seed 0x%llx (set KZD_PROPERTY_SEED to repeat), %d events", static_cast<unsigned long long>(seed), count);
    const std::vector<Event> events = stream(seed, count);

    QElapsedTimer clock;
    clock.start();
    Driver driver;
    QVERIFY(driver.ready());
    Model model = Model::initial();

    // The heap is measured after a Clear once the caches have warmed up, and
    // again after a Clear at the end.
    const std::size_t warmUp = events.size() / 10;
    std::size_t heapAtStart = 0;
    const Event clear{Action::Clear};
    for (std::size_t i = 0; i < events.size(); ++i) {
        driver.run(events[i]);
        model.apply(events[i]);
        if (const QString diff = driver.difference(model); !diff.isEmpty()) {
            std::vector<Event> failing(events.begin(), events.begin() + qsizetype(i + 1));
            qWarning("seed 0x%llx: after event %zu (%s): %s", static_cast<unsigned long long>(seed), i,
                     qPrintable(describe(events[i])), qPrintable(diff));
            failing = shrink(std::move(failing), 120000);
            const Outcome again = replay(failing);
            qWarning("shortest failing stream, %zu events, ends in: %s", failing.size(), qPrintable(again.difference));
            for (std::size_t k = 0; k < failing.size(); ++k)
                qWarning("  %4zu  %s", k, qPrintable(describe(failing[k])));
            QFAIL("the window and the model disagree; see the stream above");
        }
        if (i + 1 == warmUp) {
            driver.run(clear);
            model.apply(clear);
            heapAtStart = liveHeapBytes();
        }
    }
    driver.run(clear);
    model.apply(clear);
    QCOMPARE(driver.difference(model), QString());
    const std::size_t heapAtEnd = liveHeapBytes();
    const qint64 growth = qint64(heapAtEnd) - qint64(heapAtStart);
    qInfo("%d events (%d double-clicks on the map) in %lld ms; live heap %zu bytes after event %zu, %zu at the "
          "end (%+lld)",
          count, driver.doubleClicks(), clock.elapsed(), heapAtStart, warmUp, heapAtEnd, growth);
    QVERIFY(driver.doubleClicks() > 0);
    // Caches settle during the warm-up; what is typed is all gone after Clear.
    QVERIFY2(growth < kHeapGrowthBound, qPrintable(QStringLiteral("live heap grew by %1 bytes").arg(growth)));
}

QTEST_MAIN(tst_Property)
#include "tst_property.moc"
