#include "shell.h"

namespace app {

forms::Status closeWindow(forms::Forms &forms)
{
    // Nothing is kept between runs, so there is nothing to ask before closing.
    FORMS_CHECK(forms.unload());
    return {};
}

} // namespace app
