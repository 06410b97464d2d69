// Starts exactly as the program does (same libraries, same window-building
// code) and exits right after the window's first frame has been painted.

#include "app/identity.h"
#include "app/window.h"
#include "first_frame.h"
#include "platform/qt/qt_forms.h"
#include "platform/qt/qt_look.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    app::applyIdentity();
    QApplication application(argc, argv);
    forms::installLook(app::kWindow);

    forms::QtForms window(app::kWindow);
    bench::ExitAfterFirstFrame exitAfterFirstFrame(window.window());
    window.show();
    return QApplication::exec();
}
