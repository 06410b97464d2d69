#pragma once

// Shared by the start-up probes: ends the process as soon as a window's first
// frame has been painted and handed to the platform, and reports the process's
// peak resident memory on the way out.

#include <QEvent>
#include <QMetaObject>
#include <QObject>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace bench {

// Peak resident set size of this process so far, in KiB, or -1.
inline long peakRssKiB()
{
    std::FILE *status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    long kib = -1;
    while (std::fgets(line, sizeof line, status))
        if (std::strncmp(line, "VmHWM:", 6) == 0) {
            kib = std::strtol(line + 6, nullptr, 10);
            break;
        }
    std::fclose(status);
    return kib;
}

class ExitAfterFirstFrame final : public QObject {
public:
    explicit ExitAfterFirstFrame(QObject *window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // The top-level paints first; its children and the flush to the screen
        // follow in the same pass, so the queued exit runs once all are done.
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            QMetaObject::invokeMethod(this, &ExitAfterFirstFrame::exitNow, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void exitNow()
    {
        std::printf("peak_rss_kib %ld\n", peakRssKiB());
        std::fflush(stdout);
        // Skips teardown: the measurement ends at the first frame.
        std::_Exit(0);
    }

    bool m_seen = false;
};

} // namespace bench
