#pragma once

// Where markers go: to the point pressed on the map, or parked out of sight.

#include "platform/forms.h"

namespace map {

// A press on the map moves the selected slot's marker so that its top-left
// corner is at the point pressed.
forms::Status placeMarker(forms::Forms &forms, const forms::MouseDown &press);

// Takes every marker off the map, keeping its left.
forms::Status parkMarkers(forms::Forms &forms);

} // namespace map
