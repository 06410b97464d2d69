// Times the placement and Clear handlers on the real window, run exactly as the
// window runs them, and measures the area that the repaint after each covers.
// Prints one "key value" line per figure for the bench driver.

#include "app/window.h"
#include "map/placement.h"
#include "platform/qt_forms.h"
#include "sheet/clear.h"
#include "map/slots.h"
#include "platform/qt_look.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QPaintEvent>
#include <QRadioButton>
#include <QRegion>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <sys/resource.h>

namespace {

using Clock = std::chrono::steady_clock;

double microseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
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
    QRect bounds() const { return m_painted.boundingRect(); }

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

// Touches twice as much memory as a core's own caches hold (L1 and L2 here: 4 MiB).
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

void moveMarker(forms::QtForms &forms, std::int16_t slot, float left, float top)
{
    forms::Control c;
    check(forms.lookup(map::kMarkers, slot, c));
    check(forms.setLeft(c, left));
    check(forms.setTop(c, top));
}

// What a game master leaves in the sheet during a battle.
void fillSheet(forms::QtForms &forms)
{
    for (std::int16_t i = 0; i < sheet::kCells.members; ++i)
        setText(forms, sheet::kCells, i, "Goblin 12");
    for (std::int16_t n = 0; n < sheet::kNotes.members; ++n)
        setText(forms, sheet::kNotes, n, "Round 3: the goblins flee.\nThe ogre guards the bridge.");
    for (std::int16_t s = 0; s < map::kMarkers.members; ++s)
        moveMarker(forms, s, float(20 + 25 * s), float(30 + 20 * (s % 8)));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    forms::installLook(app::kWindow);
    const int presses = argc > 1 ? std::max(10, std::atoi(argv[1])) : 3000;
    const int clears = argc > 2 ? std::max(3, std::atoi(argv[2])) : 200;

    forms::QtForms forms(app::kWindow);
    forms.setFailureReporter([](const forms::Status &s) { check(s); });
    QWidget *window = forms.window();
    forms.show();
    QElapsedTimer waited;
    waited.start();
    while (!(window->windowHandle() && window->windowHandle()->isExposed()) && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    repaintNow();
    PaintRecorder recorder(window);

    // Idle: the window as it starts, left alone for a second.
    {
        QTimer stop;
        stop.setSingleShot(true);
        QEventLoop loop;
        QObject::connect(&stop, &QTimer::timeout, &loop, &QEventLoop::quit);
        TimerCounter timers(&stop);
        recorder.reset();
        const double cpuBefore = cpuMilliseconds();
        stop.start(1000);
        loop.exec();
        std::printf("idle_cpu_ms %.1f\n", cpuMilliseconds() - cpuBefore);
        std::printf("idle_timer_events %d\n", timers.count());
        std::printf("idle_paint_events %d\n", recorder.paints());
    }

    // Placement, for an enemy (an opaque square, which Qt moves by copying its
    // pixels) and for a player character (a see-through box, repainted where it
    // was and where it is), pressed at points far enough apart that the old and
    // new squares never overlap, so the honest repaint is at most 2 x 17 x 17.
    const QPoint points[] = {{40, 40}, {300, 60}, {120, 250}, {400, 340}, {200, 150}, {60, 360}};
    const char *const selectors[] = {"Option1", "Option12"};
    long placeAreaMax = 0;
    int placePaints = 0;
    double placeWorst = 0;
    for (const char *selector : selectors) {
        static_cast<QRadioButton *>(forms.widget(selector))->setChecked(true);
        long areaMax = 0;
        std::vector<double> placeTimes;
        std::vector<double> placePaintTimes;
        placeTimes.reserve(std::size_t(presses));
        for (int i = 0; i < presses; ++i) {
            const QPoint p = points[std::size_t(i) % std::size(points)];
            const forms::MouseDown press{1, 0, float(p.x()), float(p.y())};
            recorder.reset();
            const auto start = Clock::now();
            forms.runMouseDown(&map::placeMarker, press);
            const auto end = Clock::now();
            repaintNow();
            const auto painted = Clock::now();
            if (i == 0)
                continue; // the first press brings the marker in from out of sight
            placeTimes.push_back(microseconds(end - start));
            placePaintTimes.push_back(microseconds(painted - start));
            areaMax = std::max(areaMax, recorder.area());
            placePaints = std::max(placePaints, recorder.paints());
        }
        // The same presses as they come from a user, seconds apart: by then other
        // work has pushed the handler's code and data out of the core's caches.
        std::vector<double> coldTimes;
        for (int i = 0; i < presses / 10; ++i) {
            evictCaches();
            const QPoint p = points[std::size_t(i) % std::size(points)];
            const auto start = Clock::now();
            forms.runMouseDown(&map::placeMarker, forms::MouseDown{1, 0, float(p.x()), float(p.y())});
            const auto end = Clock::now();
            repaintNow();
            coldTimes.push_back(microseconds(end - start));
        }
        std::printf("place_cold_us_%s %.2f\n", selector, median(coldTimes));
        const double us = median(placeTimes);
        std::printf("place_us_%s %.2f\n", selector, us);
        std::printf("place_paint_us_%s %.1f\n", selector, median(placePaintTimes));
        std::printf("place_area_max_px_%s %ld\n", selector, areaMax);
        placeAreaMax = std::max(placeAreaMax, areaMax);
        placeWorst = std::max(placeWorst, us);
    }
    std::printf("place_us %.2f\n", placeWorst);
    std::printf("place_area_max_px %ld\n", placeAreaMax);
    std::printf("place_paint_events %d\n", placePaints);
    static_cast<QRadioButton *>(forms.widget("Option1"))->setChecked(true);

    // Clear on a filled sheet with every marker on the map.
    std::vector<double> clearTimes;
    std::vector<double> clearPaintTimes;
    std::vector<double> clearAreas;
    for (int i = 0; i < clears; ++i) {
        fillSheet(forms);
        repaintNow();
        if (i == 0) {
            // What Clear changes on screen: every cell, both notes and the markers where they stand.
            QRegion changed;
            for (std::int16_t c = 0; c < sheet::kCells.members; ++c)
                changed += visibleRect(window, forms.widget(sheet::kCells, c));
            for (std::int16_t n = 0; n < sheet::kNotes.members; ++n)
                changed += visibleRect(window, forms.widget(sheet::kNotes, n));
            for (std::int16_t m = 0; m < map::kMarkers.members; ++m)
                changed += visibleRect(window, forms.widget(map::kMarkers, m));
            std::printf("clear_changed_px %ld\n", areaOf(changed));
        }
        recorder.reset();
        const auto start = Clock::now();
        forms.runClick(&app::clearWindow);
        const auto handled = Clock::now();
        repaintNow();
        const auto painted = Clock::now();
        clearTimes.push_back(microseconds(handled - start));
        clearPaintTimes.push_back(microseconds(painted - start));
        clearAreas.push_back(double(recorder.area()));
    }
    std::printf("clear_us %.1f\n", median(clearTimes));
    std::printf("clear_paint_us %.1f\n", median(clearPaintTimes));
    std::printf("clear_area_px %.0f\n", median(clearAreas));

    // Clear once more on the sheet it has just emptied: nothing should change on screen.
    std::vector<double> emptyTimes;
    std::vector<double> emptyAreas;
    for (int i = 0; i < clears; ++i) {
        recorder.reset();
        const auto start = Clock::now();
        forms.runClick(&app::clearWindow);
        const auto handled = Clock::now();
        repaintNow();
        emptyTimes.push_back(microseconds(handled - start));
        emptyAreas.push_back(double(recorder.area()));
    }
    std::printf("clear_empty_us %.1f\n", median(emptyTimes));
    std::printf("clear_empty_area_px %.0f\n", median(emptyAreas));
    std::printf("platform %s\n", qPrintable(QGuiApplication::platformName()));
    return 0;
}
