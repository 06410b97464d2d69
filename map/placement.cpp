// Placement of a marker on a press, and parking every marker for Clear.

#include "placement.h"

#include "map/slots.h"

namespace map {

forms::Status placeMarker(forms::Forms &forms, const forms::MouseDown &press)
{
    // Read from the last selector to the first; the last match wins, so the
    // lowest selected slot is taken, and slot 0 when none is selected.
    std::int16_t slot = 0;
    for (std::int16_t s = kSlots - 1; s >= 0; --s) {
        forms::Control selector;
        FORMS_CHECK(forms.lookup(kSelectors[std::size_t(s)], selector));
        std::int16_t value = 0;
        FORMS_CHECK(forms.value(selector, value));
        if (value != 0)
            slot = s;
    }
    forms::Control marker;
    FORMS_CHECK(forms.lookup(kMarkers, slot, marker));
    FORMS_CHECK(forms.setTop(marker, press.y));
    FORMS_CHECK(forms.setLeft(marker, press.x));
    return {};
}

forms::Status parkMarkers(forms::Forms &forms)
{
    for (std::int16_t s = 0; s < kMarkers.members; ++s) {
        forms::Control marker;
        FORMS_CHECK(forms.lookup(kMarkers, s, marker));
        FORMS_CHECK(forms.setTop(marker, kParkedTop));
    }
    return {};
}

} // namespace map
