// Start-up: the program's identity and look, then its one window until it closes.

#include "app/identity.h"
#include "app/window.h"
#include "platform/qt/qt_forms.h"
#include "platform/qt/qt_look.h"
#include "platform/qt/qt_start.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    app::applyIdentity();
    forms::PlatformStartGuard platformStart(app::kDesktopFileName);
    QApplication application(argc, argv);
    platformStart.release();
    forms::installLook(app::kWindow);

    forms::QtForms window(app::kWindow);
    window.show();
    return QApplication::exec();
}
