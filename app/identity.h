#pragma once

// Who the program is, as the desktop and the platform's metadata show it.

#include <string_view>

namespace app {

inline constexpr std::string_view kApplicationName = "Kelm Zizovu Dizuzed";
inline constexpr std::string_view kOrganisation = "kelm";
inline constexpr std::string_view kVersion = "1.00";           // numeric 1.0.0.0
inline constexpr std::string_view kDesktopFileName = "kelm-zizovu-dizuzed";

// Gives the application its identity; call before the QApplication is made.
void applyIdentity();

} // namespace app
