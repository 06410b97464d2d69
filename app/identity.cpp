// Gives the running program the identity the desktop and screen readers show.

#include "app/identity.h"

#include <QApplication>

namespace app {

namespace {

QString qs(std::string_view s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

} // namespace

void applyIdentity()
{
    QApplication::setApplicationName(qs(kApplicationName));
    QApplication::setOrganizationName(qs(kOrganisation));
    QApplication::setApplicationVersion(qs(kVersion));
    QApplication::setDesktopFileName(qs(kDesktopFileName));
}

} // namespace app
