#pragma once

#include "platform/forms.h"

#include <cstdint>
#include <string_view>

namespace sheet {

inline constexpr std::string_view kCellGroup = "Text1";
inline constexpr std::string_view kNotesGroup = "RichTextBox1";
inline constexpr std::string_view kMarkerGroup = "Label3";
inline constexpr std::int16_t kCellCount = 80;
inline constexpr std::int16_t kNotesCount = 2;
inline constexpr std::int16_t kMarkerCount = 16;

// A marker top below the visible map: Clear parks every marker there.
inline constexpr float kParkedTop = 400;

// Readies the window for the next battle: empties every cell and both notes
// and takes every marker off the map, keeping its left.
forms::Status clearSheet(forms::Forms &forms);

} // namespace sheet
