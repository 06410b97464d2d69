#include "app/identity.h"
#include "app/window.h"
#include "platform/qt_forms.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace {

QString qs(std::string_view s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

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
    QApplication::setApplicationName(qs(app::kApplicationName));
    QApplication::setOrganizationName(qs(app::kOrganisation));
    QApplication::setApplicationVersion(qs(app::kVersion));
    QApplication::setDesktopFileName(qs(app::kDesktopFileName));
    QApplication application(argc, argv);

    forms::QtForms window(app::kWindow);
    window.show();
    return QApplication::exec();
}
