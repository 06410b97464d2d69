#include "placement.h"

namespace map {

forms::Status placeMarker(forms::Forms &forms, const forms::MouseDown &press)
{
    // Read from the last selector to the first; the last match wins, so the
    // lowest selected slot is taken, and slot 0 when none is selected.
    std::int16_t slot = 0;
    for (std::int16_t s = std::int16_t(kSelectorNames.size() - 1); s >= 0; --s) {
        forms::Control selector;
        FORMS_CHECK(forms.lookup(kSelectorNames[std::size_t(s)], selector));
        std::int16_t value = 0;
        FORMS_CHECK(forms.value(selector, value));
        if (value != 0)
            slot = s;
    }
    forms::Control marker;
    FORMS_CHECK(forms.lookup(kMarkerGroup, slot, marker));
    FORMS_CHECK(forms.setTop(marker, press.y));
    FORMS_CHECK(forms.setLeft(marker, press.x));
    return {};
}

} // namespace map
