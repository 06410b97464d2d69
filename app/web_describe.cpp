// Prints the window's description as the web binding writes it, for the build:
// the page carries it, and the controls written out from it, and its fonts are
// subset to the texts it shows.

#include "app/window.h"
#include "platform/web/web_forms.h"

#include <cstdio>

int main()
{
    const forms::WebForms window(app::kWindow);
    std::puts(window.describe().c_str()); // the line's end flushes it
    return 0;
}
