// Gives the running program the identity the desktop and screen readers show.

#include "app/identity.h"
#include "platform/qt/qt_text.h"

#include <QApplication>

namespace app {

void applyIdentity()
{
    QApplication::setApplicationName(forms::qs(kApplicationName));
    QApplication::setOrganizationName(forms::qs(kOrganisation));
    QApplication::setApplicationVersion(forms::qs(kVersion));
    QApplication::setDesktopFileName(forms::qs(kDesktopFileName));
}

} // namespace app
