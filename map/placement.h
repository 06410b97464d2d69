#pragma once

#include "platform/forms.h"

#include <array>
#include <string_view>

namespace map {

// The selector of each slot, by slot index.
inline constexpr std::array<std::string_view, 16> kSelectorNames{
    "Option1", "Option2", "Option3",  "Option4",  "Option5",  "Option6",  "Option7",  "Option8",
    "Option9", "Option10", "Option11", "Option12", "Option13", "Option14", "Option15", "Option16"};

inline constexpr std::string_view kMarkerGroup = "Label3";

// A press on the map moves the selected slot's marker so that its top-left
// corner is at the point pressed.
forms::Status placeMarker(forms::Forms &forms, const forms::MouseDown &press);

} // namespace map
