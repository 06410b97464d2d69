// Starts the window as the program does, writes into every cell and both notes,
// places a marker, then closes it by the Close button ("button") or through the
// window frame ("frame"). Its exit status is the program's.
//
// With "fail" it instead opens a window whose one button runs a handler that
// fails, answers the error report that follows, and prints the report's text.
//
// With "shown" it first asks to be maximised, as the maximise button of a title
// bar does (where Qt can), then places Player Character 3's marker at (100, 50) on the map
// through the map's own press handler, prints "shown" and the window's size once
// the display shows that frame, and clicks Close when a line arrives on its
// input, so a test can take the screen's own picture of the window in between.
//
// A step that never comes to pass (a window that does not close, a marker that
// is never shown, a report nobody can answer) ends the probe with status 3 and
// a line saying which, within seconds, rather than leaving it to hang.

#include "app/identity.h"
#include "app/window.h"
#include "map/placement.h"
#include "platform/qt/qt_forms.h"
#include "platform/qt/qt_look.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include <unistd.h>

namespace {

// Ends the probe with status 3 if it is still running `seconds` from now, unless
// the returned timer is stopped first. It fires in a modal dialog's loop too.
QTimer *watchdog(int seconds, const char *what)
{
    auto *timer = new QTimer(qApp);
    timer->setSingleShot(true);
    QObject::connect(timer, &QTimer::timeout, [what, seconds] {
        std::fprintf(stderr, "close_probe: %s within %d s\n", what, seconds);
        std::_Exit(3);
    });
    timer->start(seconds * 1000);
    return timer;
}

// Generous for a loaded machine under sanitizers and strace; a step takes well
// under a second otherwise.
constexpr int kStepLimit = 20;

forms::Status lookUpMissingMarker(forms::Forms &forms)
{
    forms::Control marker;
    FORMS_CHECK(forms.lookup(map::kMarkers, 16, marker));
    return {};
}

constexpr std::array kFailingButton{app::commandButton("cmdBroken", {10, 10, 105, 25}, 0, "Broken",
                                                       &lookUpMissingMarker, nullptr)};
constexpr std::array<std::span<const forms::ControlDesc>, 1> kFailingTables{kFailingButton};
constexpr forms::WindowDesc kFailingWindow{app::kForm, kFailingTables};

int failAndReport()
{
    forms::QtForms window(kFailingWindow);
    window.show();
    QTimer::singleShot(0, [&] { QTest::mouseClick(window.widget("cmdBroken"), Qt::LeftButton); });
    // The report is modal: answer it as a user would, once it is up.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            std::printf("%s\n", qPrintable(box->text()));
            std::fflush(stdout);
            box->accept();
        }
    });
    answer.start(10);
    watchdog(kStepLimit, "the program did not end after its failure report");
    return QApplication::exec();
}

// Runs `then` from the event loop once `watched` has received an event that
// `arrived` accepts.
class After final : public QObject {
public:
    After(QObject *watched, std::function<bool(QEvent *)> arrived, std::function<void()> then)
        : m_watched(watched), m_arrived(std::move(arrived)), m_then(std::move(then))
    {
        watched->installEventFilter(this);
    }
    After(QObject *watched, QEvent::Type type, std::function<void()> then)
        : After(watched, [type](QEvent *event) { return event->type() == type; }, std::move(then))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_watched && m_arrived(event)) {
            m_watched->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] {
                m_then();
                deleteLater();
            });
        }
        return false;
    }

private:
    QObject *m_watched;
    std::function<bool(QEvent *)> m_arrived;
    std::function<void()> m_then;
};

// Qt's Wayland client hands a window its next update request only once the
// compositor has called back for the frame before: then that frame is on screen.
// A callback later than Qt waits for (a loaded machine) marks the window hidden
// meanwhile, and Qt 6.4 answers the late callback by exposing the window again,
// keeping the update request back: that expose says the frame is shown. (Qt
// 6.11 can expose it again before the frame is on screen: there the update
// request alone says so.) A request kept back that way waits for the next
// frame's callback, and Qt 6.8 asks for a callback only with a new picture:
// the window is drawn again, unchanged, so that one comes.
void afterFrameShown(QWidget *top, std::function<void()> then)
{
    QWindow *window = top->windowHandle();
    top->update();
    new After(
        window,
        [window, hidden = !window->isExposed()](QEvent *event) mutable {
            if (QT_VERSION < QT_VERSION_CHECK(6, 11, 0) && event->type() == QEvent::Expose) {
                if (window->isExposed())
                    return hidden;
                hidden = true;
            }
            return event->type() == QEvent::UpdateRequest;
        },
        std::move(then));
    window->requestUpdate();
}

int showMarkerThenClose()
{
    forms::QtForms window(app::kWindow);
    window.show();
    QWindow *handle = window.window()->windowHandle();
    QWidget *marker = window.widget("Label3", 12);
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    input.setEnabled(false);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        input.setEnabled(false);
        watchdog(kStepLimit, "the program did not end after Close");
        QTest::mouseClick(window.widget("cmdClose"), Qt::LeftButton);
    });
    QTimer *shown = watchdog(kStepLimit, "the placed marker was not shown");
    // The first frame goes out before the marker moves, so the frame that shows
    // the marker is the one the update request waits for.
    const auto placeMarker = [&] {
        new After(marker, QEvent::Paint, [&] {
            afterFrameShown(window.window(), [&] {
                shown->stop();
                std::printf("shown %dx%d\n", handle->width(), handle->height());
                std::fflush(stdout);
                input.setEnabled(true);
            });
        });
        static_cast<QAbstractButton *>(window.widget("Option13"))->click();
        window.runMouseDown(&map::placeMarker, forms::MouseDown{1, 0, 100, 50});
    };
    QTimer::singleShot(0, [&] {
        afterFrameShown(window.window(), [&] {
            // The maximised state and its refusal each take a round trip to the
            // compositor. Qt 6.4 at any scale, and Qt 6.11 at scale 2, draw the
            // fixed window into the maximised surface in a size the compositor
            // rejects, before any code of the program runs: there the press is
            // left out.
            const bool maximisable = QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
                                     && (QT_VERSION < QT_VERSION_CHECK(6, 11, 0) || handle->devicePixelRatio() == 1);
            if (!maximisable)
                return placeMarker();
            new After(window.window(), QEvent::WindowStateChange,
                      [&] { afterFrameShown(window.window(), [&] { afterFrameShown(window.window(), placeMarker); }); });
            handle->showMaximized();
        });
    });
    return QApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    app::applyIdentity();
    QApplication application(argc, argv);
    forms::installLook(app::kWindow);
    const QString how = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("button");
    if (how == QLatin1String("fail"))
        return failAndReport();
    if (how == QLatin1String("shown"))
        return showMarkerThenClose();

    forms::QtForms window(app::kWindow);
    window.show();
    QTimer::singleShot(0, [&] {
        for (int i = 0; i < 80; ++i)
            QTest::keyClicks(window.widget("Text1", std::int16_t(i)), QStringLiteral("entry %1").arg(i));
        for (int i = 0; i < 2; ++i)
            QTest::keyClicks(window.widget("RichTextBox1", std::int16_t(i)), QStringLiteral("notes"));
        window.runMouseDown(&map::placeMarker, forms::MouseDown{1, 0, 40, 40});
        watchdog(kStepLimit, "the program did not end after Close");
        if (how == QLatin1String("frame"))
            window.window()->close();
        else
            QTest::mouseClick(window.widget("cmdClose"), Qt::LeftButton);
    });
    return QApplication::exec();
}
