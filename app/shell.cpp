// The commands of the window's buttons: Clear and Close.

#include "shell.h"

#include "map/placement.h"
#include "sheet/clear.h"

namespace app {

forms::Status clearWindow(forms::Forms &forms)
{
    // Nothing is asked first: the sheet holds nothing that outlives the battle.
    FORMS_CHECK(sheet::clearCells(forms));
    FORMS_CHECK(map::parkMarkers(forms));
    FORMS_CHECK(sheet::clearNotes(forms));
    return {};
}

forms::Status closeWindow(forms::Forms &forms)
{
    // Nothing is kept between runs, so there is nothing to ask before closing.
    FORMS_CHECK(forms.unload());
    return {};
}

} // namespace app
