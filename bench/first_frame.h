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

// A field of /proc/self/status in KiB (VmHWM: peak resident set size so far;
// RssAnon, RssFile: what is resident now, heap and mapped files), or -1.
inline long statusKiB(const char *field)
{
    std::FILE *status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    long kib = -1;
    const std::size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, status))
        if (std::strncmp(line, field, length) == 0 && line[length] == ':') {
            kib = std::strtol(line + length + 1, nullptr, 10);
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
        // One JSON object, which the bench driver reads.
        std::printf("{\"peak_rss_kib\": %ld, \"rss_anon_kib\": %ld, \"rss_file_kib\": %ld}\n", statusKiB("VmHWM"),
                    statusKiB("RssAnon"), statusKiB("RssFile"));
        std::fflush(stdout);
        // Skips teardown: the measurement ends at the first frame.
        std::_Exit(0);
    }

    bool m_seen = false;
};

} // namespace bench
