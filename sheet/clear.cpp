#include "clear.h"

namespace sheet {

forms::Status clearSheet(forms::Forms &forms)
{
    for (std::int16_t i = 0; i < kCellCount; ++i) {
        forms::Control cell;
        FORMS_CHECK(forms.lookup(kCellGroup, i, cell));
        FORMS_CHECK(forms.setText(cell, {}));
    }
    for (std::int16_t s = 0; s < kMarkerCount; ++s) {
        forms::Control marker;
        FORMS_CHECK(forms.lookup(kMarkerGroup, s, marker));
        FORMS_CHECK(forms.setTop(marker, kParkedTop));
    }
    for (std::int16_t n = 0; n < kNotesCount; ++n) {
        forms::Control editor;
        FORMS_CHECK(forms.lookup(kNotesGroup, n, editor));
        FORMS_CHECK(forms.setText(editor, {}));
    }
    return {};
}

} // namespace sheet
