#pragma once

// The whole window: the frame, then the map, the record sheet and the command
// buttons, built in this order.

#include "app/shell.h"
#include "art/button_faces.h"
#include "map/map_window.h"
#include "sheet/clear.h"
#include "sheet/sheet_window.h"

#include <array>
#include <span>

namespace app {

inline constexpr std::array kButtons{
    commandButton("cmdClear", {760, 664, 105, 25}, 144, "Clear", &sheet::clearSheet, &art::kClearFace),
    commandButton("cmdClose", {880, 664, 105, 25}, 127, "Close", &closeWindow, &art::kCloseFace),
};

inline constexpr std::array<std::span<const forms::ControlDesc>, 3> kTables{map::kControls, sheet::kControls,
                                                                             kButtons};

inline constexpr forms::WindowDesc kWindow{kForm, kTables};

} // namespace app
