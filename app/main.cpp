// Start-up: the program's identity and look, then its one window until it closes.

#include "app/identity.h"
#include "app/platform_start.h"
#include "app/window.h"
#include "platform/qt_forms.h"
#include "platform/qt_look.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace {

// Without a display Qt aborts with a backtrace; say it in one line instead.
bool displayReachable()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    const auto set = [](const char *name) {
        const char *v = std::getenv(name);
        return v && *v;
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY") || set("WAYLAND_SOCKET");
#else
    return true;
#endif
}

} // namespace

int main(int argc, char *argv[])
{
    if (!displayReachable()) {
        std::fprintf(stderr, "%s: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are not set)\n",
                     app::kDesktopFileName.data());
        return 2;
    }
    app::applyIdentity();
    app::PlatformStartGuard platformStart;
    QApplication application(argc, argv);
    platformStart.release();
    forms::installLook(app::kWindow);

    forms::QtForms window(app::kWindow);
    window.show();
    return QApplication::exec();
}
