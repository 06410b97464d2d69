// Emptying the sheet's cells and notes.

#include "clear.h"

namespace sheet {

namespace {

forms::Status empty(forms::Forms &forms, const forms::Group &group)
{
    for (std::int16_t i = 0; i < group.members; ++i) {
        forms::Control control;
        FORMS_CHECK(forms.lookup(group, i, control));
        FORMS_CHECK(forms.setText(control, {}));
    }
    return {};
}

} // namespace

forms::Status clearCells(forms::Forms &forms)
{
    return empty(forms, kCells);
}

forms::Status clearNotes(forms::Forms &forms)
{
    return empty(forms, kNotes);
}

} // namespace sheet
