#pragma once

// Starting the windowing platform, with a one-line answer when none can start.

#include <string_view>

namespace forms {

// While it stands, Qt's messages are held back. When no windowing platform can
// start, Qt ends the process with a paragraph of messages and an abort; with the
// guard in place the program instead says in one line why, and what to install
// where that is the cause, and exits with status 2. Make one just before the
// QApplication and release it once the QApplication stands: the held messages
// then go out as they would have. The line starts with the program's name.
class PlatformStartGuard {
public:
    explicit PlatformStartGuard(std::string_view program);
    ~PlatformStartGuard();
    PlatformStartGuard(const PlatformStartGuard &) = delete;
    PlatformStartGuard &operator=(const PlatformStartGuard &) = delete;

    void release();
};

} // namespace forms
