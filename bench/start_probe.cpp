// Starts exactly as the program does (same libraries, same window-building
// code) and exits right after the window's first frame has been painted.

#include "app/identity.h"
#include "app/window.h"
#include "first_frame.h"
#include "platform/qt_forms.h"

#include <QApplication>
#include <QWidget>

namespace {

QString qs(std::string_view s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication::setApplicationName(qs(app::kApplicationName));
    QApplication::setOrganizationName(qs(app::kOrganisation));
    QApplication::setApplicationVersion(qs(app::kVersion));
    QApplication::setDesktopFileName(qs(app::kDesktopFileName));
    QApplication application(argc, argv);

    forms::QtForms window(app::kWindow);
    bench::ExitAfterFirstFrame exitAfterFirstFrame(window.window());
    window.show();
    return QApplication::exec();
}
