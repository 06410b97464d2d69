// Times the placement and Clear handlers on the real window, run exactly as the
// window runs them, and measures the area that the repaint after each covers.
// A Google Benchmark program: the bench driver reads its --benchmark_format=json.

#include "app/window.h"
#include "map/placement.h"
#include "platform/qt/qt_forms.h"
#include "platform/qt/qt_look.h"
#include "sheet/clear.h"
#include "stats.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QPaintEvent>
#include <QRadioButton>
#include <QRegion>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include <sys/resource.h>

namespace {

bool check(const forms::Status &status)
{
    if (!status.ok()) {
        std::fprintf(stderr, "handler_bench: %s\n", status.describe().c_str());
        std::exit(1);
    }
    return true;
}

void setText(forms::QtForms &forms, const forms::Group &group, std::int16_t index, std::string_view text)
{
    forms::Control c;
    check(forms.lookup(group, index, c));
    check(forms.setText(c, text));
}

void moveControl(forms::QtForms &forms, const forms::Group &group, std::int16_t index, float left, float top)
{
    forms::Control c;
    check(forms.lookup(group, index, c));
    check(forms.setLeft(c, left));
    check(forms.setTop(c, top));
}

// The program's own names and handlers, kept together here so that a rename in
// the program is one edit in the bench.
constexpr forms::MouseDownHandler kPlace = &map::placeMarker;
constexpr forms::ClickHandler kClear = &app::clearWindow;
// An enemy's selector (an opaque square, which Qt moves by copying its pixels)
// and a player character's (a see-through box, repainted where it was and where it is).
constexpr std::string_view kSquareSelector = map::kSelectors[0].name;
constexpr std::string_view kBoxSelector = map::kSelectors[11].name;

// What Clear changes on screen: every cell, both notes and the markers.
constexpr const forms::Group &kCells = sheet::kCells;
constexpr const forms::Group &kNotes = sheet::kNotes;
constexpr const forms::Group &kMarkers = map::kMarkers;

// What a game master leaves in the sheet during a battle.
void fillSheet(forms::QtForms &forms)
{
    for (std::int16_t i = 0; i < kCells.members; ++i)
        setText(forms, kCells, i, "Goblin 12");
    for (std::int16_t n = 0; n < kNotes.members; ++n)
        setText(forms, kNotes, n, "Round 3: the goblins flee.\nThe ogre guards the bridge.");
    for (std::int16_t s = 0; s < kMarkers.members; ++s)
        moveControl(forms, kMarkers, s, float(20 + 25 * s), float(30 + 20 * (s % 8)));
}

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point start, Clock::time_point end)
{
    return std::chrono::duration<double>(end - start).count();
}

long areaOf(const QRegion &region)
{
    long pixels = 0;
    for (const QRect &r : region)
        pixels += long(r.width()) * r.height();
    return pixels;
}

// What a control covers on screen, in window coordinates, clipped by its parents.
QRegion visibleRect(QWidget *window, QWidget *w)
{
    QRegion region(QRect(w->mapTo(window, QPoint(0, 0)), w->size()));
    for (QWidget *p = w->parentWidget(); p && p != window; p = p->parentWidget())
        region &= QRect(p->mapTo(window, QPoint(0, 0)), p->size());
    return region;
}

QRegion visibleRect(const forms::QtForms &forms, const forms::Group &group)
{
    QRegion region;
    for (std::int16_t i = 0; i < group.members; ++i)
        region += visibleRect(forms.window(), forms.widget(group, i));
    return region;
}

// Collects what every paint event in the window covers, in window coordinates.
class PaintRecorder final : public QObject {
public:
    explicit PaintRecorder(QWidget *window) : m_window(window) { qApp->installEventFilter(this); }

    void reset()
    {
        m_painted = QRegion();
        m_paints = 0;
    }
    int paints() const { return m_paints; }
    long area() const { return areaOf(m_painted); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType()) {
            auto *w = static_cast<QWidget *>(watched);
            if (w == m_window || m_window->isAncestorOf(w)) {
                const QRegion region = static_cast<QPaintEvent *>(event)->region();
                m_painted += region.translated(w->mapTo(m_window, QPoint(0, 0)));
                ++m_paints;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget *m_window;
    QRegion m_painted;
    int m_paints = 0;
};

// Counts the timer events anything in the process receives, except those of the
// bench's own timer.
class TimerCounter final : public QObject {
public:
    explicit TimerCounter(const QObject *own) : m_own(own) { qApp->installEventFilter(this); }
    int count() const { return m_count; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Timer && watched != m_own)
            ++m_count;
        return QObject::eventFilter(watched, event);
    }

private:
    const QObject *m_own;
    int m_count = 0;
};

double cpuMilliseconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3) +
           (double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3);
}

// Touches several times as much memory as a core's own caches hold (L1 and L2 here:
// about 1 MiB a core).
void evictCaches()
{
    static std::vector<unsigned char> junk(8u << 20);
    for (std::size_t i = 0; i < junk.size(); i += 64)
        junk[i] = static_cast<unsigned char>(junk[i] + 1);
}

// Delivers the pending update requests, which paint and flush synchronously.
void repaintNow()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// The window as the program shows it, shared by every benchmark in turn.
class Board {
public:
    Board() : m_forms(app::kWindow)
    {
        m_forms.setFailureReporter([](const forms::Status &s) { check(s); });
        m_forms.show();
        QElapsedTimer waited;
        waited.start();
        QWindow *handle = nullptr;
        while (!((handle = m_forms.window()->windowHandle()) && handle->isExposed()) && waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        repaintNow();
    }

    forms::QtForms &forms() { return m_forms; }
    PaintRecorder &recorder() { return m_recorder; }

    // Chooses a marker and brings it onto the map, where it stays for the presses
    // that follow: the first press brings it in from out of sight, which is not
    // what the benchmarks measure.
    void select(std::string_view selector)
    {
        static_cast<QRadioButton *>(m_forms.widget(selector))->setChecked(true);
        m_selected = selector == kBoxSelector;
        if (!m_onMap[m_selected]) {
            m_forms.runMouseDown(kPlace, nextPress());
            m_onMap[m_selected] = true;
        }
        repaintNow();
    }

    // The next of a few points far enough apart that a marker's old and new
    // places never overlap, so the honest repaint is at most 2 x 17 x 17. Each
    // marker has its own round, so every press moves it.
    forms::MouseDown nextPress()
    {
        static constexpr QPoint kPoints[] = {{40, 40}, {300, 60}, {120, 250}, {400, 340}, {200, 150}, {60, 360}};
        const QPoint p = kPoints[m_presses[m_selected]++ % std::size(kPoints)];
        return forms::MouseDown{1, 0, float(p.x()), float(p.y())};
    }

private:
    forms::QtForms m_forms;
    PaintRecorder m_recorder{m_forms.window()};
    std::size_t m_selected = 0;
    std::size_t m_presses[2] = {};
    bool m_onMap[2] = {};
};

// The window as it starts, left alone for a second.
void idle(benchmark::State &state, Board &board)
{
    for (auto _ : state) {
        QTimer stop;
        stop.setSingleShot(true);
        QEventLoop loop;
        QObject::connect(&stop, &QTimer::timeout, &loop, &QEventLoop::quit);
        TimerCounter timers(&stop);
        board.recorder().reset();
        const double cpuBefore = cpuMilliseconds();
        stop.start(1000);
        loop.exec();
        state.counters["cpu_ms"] = cpuMilliseconds() - cpuBefore;
        state.counters["timer_events"] = timers.count();
        state.counters["paint_events"] = board.recorder().paints();
    }
}

// The press handler alone; the repaint it asks for follows, untimed. Cold: the
// same presses as they come from a user, seconds apart, when other work has
// pushed the handler's code and data out of the core's caches.
void placeHandler(benchmark::State &state, Board &board, std::string_view selector, bool cold)
{
    board.select(selector);
    for (auto _ : state) {
        const forms::MouseDown press = board.nextPress();
        if (cold)
            evictCaches();
        const auto start = Clock::now();
        board.forms().runMouseDown(kPlace, press);
        state.SetIterationTime(seconds(start, Clock::now()));
        repaintNow();
    }
}

// The press until its pixels are on screen, and the area repainted.
void placeAndRepaint(benchmark::State &state, Board &board, std::string_view selector)
{
    board.select(selector);
    long largestArea = 0;
    for (auto _ : state) {
        const forms::MouseDown press = board.nextPress();
        board.recorder().reset();
        const auto start = Clock::now();
        board.forms().runMouseDown(kPlace, press);
        repaintNow();
        state.SetIterationTime(seconds(start, Clock::now()));
        largestArea = std::max(largestArea, board.recorder().area());
    }
    state.counters["area_px"] = double(largestArea);
}

// Clear on a filled sheet with every marker on the map; the filling and the
// repaint are untimed.
void clearFilled(benchmark::State &state, Board &board)
{
    for (auto _ : state) {
        fillSheet(board.forms());
        repaintNow();
        const auto start = Clock::now();
        board.forms().runClick(kClear);
        state.SetIterationTime(seconds(start, Clock::now()));
        repaintNow();
    }
}

// The same until the pixels are on screen, with the area repainted beside what
// Clear changes: every cell, both notes and the markers where they stand.
void clearFilledAndRepaint(benchmark::State &state, Board &board)
{
    double area = 0;
    double changed = 0;
    for (auto _ : state) {
        fillSheet(board.forms());
        repaintNow();
        const forms::QtForms &forms = board.forms();
        changed = double(areaOf(visibleRect(forms, kCells) + visibleRect(forms, kNotes) + visibleRect(forms, kMarkers)));
        board.recorder().reset();
        const auto start = Clock::now();
        board.forms().runClick(kClear);
        repaintNow();
        state.SetIterationTime(seconds(start, Clock::now()));
        area += double(board.recorder().area());
    }
    state.counters["area_px"] = benchmark::Counter(area, benchmark::Counter::kAvgIterations);
    state.counters["changed_px"] = changed;
}

// Clear on the sheet it has just emptied: nothing should change on screen.
void clearEmpty(benchmark::State &state, Board &board)
{
    board.forms().runClick(kClear);
    repaintNow();
    double area = 0;
    for (auto _ : state) {
        board.recorder().reset();
        const auto start = Clock::now();
        board.forms().runClick(kClear);
        state.SetIterationTime(seconds(start, Clock::now()));
        repaintNow();
        area += double(board.recorder().area());
    }
    state.counters["area_px"] = benchmark::Counter(area, benchmark::Counter::kAvgIterations);
}

// Each repetition is one press or one Clear, so the median is that of single
// events, as a user meets them; the largest is kept for the repainted area.
benchmark::internal::Benchmark *singleEvents(benchmark::internal::Benchmark *b, int events,
                                             benchmark::TimeUnit unit)
{
    return b->Iterations(1)
        ->Repetitions(events)
        ->ReportAggregatesOnly()
        ->ComputeStatistics("max", bench::largest)
        ->UseManualTime()
        ->Unit(unit);
}

} // namespace

int main(int argc, char *argv[])
{
    benchmark::Initialize(&argc, argv);
    QApplication application(argc, argv);
    forms::installLook(app::kWindow);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    Board board;
    // First, while the window is as it starts.
    benchmark::RegisterBenchmark("Idle", idle, std::ref(board))
        ->Iterations(1)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    const std::pair<const char *, std::string_view> markers[] = {{"square", kSquareSelector}, {"box", kBoxSelector}};
    for (const auto &[marker, selector] : markers) {
        const std::string name = std::string("Place/") + marker;
        singleEvents(
            benchmark::RegisterBenchmark((name + "/handler").c_str(), placeHandler, std::ref(board), selector, false),
            3000, benchmark::kMicrosecond);
        singleEvents(
            benchmark::RegisterBenchmark((name + "/handler_cold").c_str(), placeHandler, std::ref(board), selector, true),
            300, benchmark::kMicrosecond);
        singleEvents(
            benchmark::RegisterBenchmark((name + "/handler_repaint").c_str(), placeAndRepaint, std::ref(board), selector),
            3000, benchmark::kMicrosecond);
    }
    singleEvents(benchmark::RegisterBenchmark("Clear/filled/handler", clearFilled, std::ref(board)), 200,
                 benchmark::kMillisecond);
    singleEvents(benchmark::RegisterBenchmark("Clear/filled/handler_repaint", clearFilledAndRepaint, std::ref(board)),
                 200, benchmark::kMillisecond);
    singleEvents(benchmark::RegisterBenchmark("Clear/empty/handler", clearEmpty, std::ref(board)), 200,
                 benchmark::kMillisecond);

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
