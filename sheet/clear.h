#pragma once

// The sheet's part of Clear: its cells and notes emptied for the next battle.

#include "platform/forms.h"

namespace sheet {

inline constexpr forms::Group kCells{"Text1", forms::Kind::TextBox, 80};
inline constexpr forms::Group kNotes{"RichTextBox1", forms::Kind::RichTextBox, 2};

// Empties every cell, from the first to the last.
forms::Status clearCells(forms::Forms &forms);
// Empties the monster notes, then the character notes.
forms::Status clearNotes(forms::Forms &forms);

} // namespace sheet
