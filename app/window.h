#pragma once

// The whole window: the frame, then the map, the record sheet and the command
// buttons, built in this order. Every control a handler uses is proved here to
// be in it, of the kind and with the members the handler expects.

#include "app/shell.h"
#include "art/button_faces.h"
#include "map/map_window.h"
#include "sheet/sheet_window.h"

#include <array>
#include <span>

namespace app {

inline constexpr std::array kButtons{
    commandButton("cmdClear", {760, 664, 105, 25}, 144, "Clear", &clearWindow, &art::kClearFace),
    commandButton("cmdClose", {880, 664, 105, 25}, 127, "Close", &closeWindow, &art::kCloseFace),
};

inline constexpr std::array<std::span<const forms::ControlDesc>, 3> kTables{map::kControls, sheet::kControls,
                                                                             kButtons};

inline constexpr forms::WindowDesc kWindow{kForm, kTables};

static_assert(forms::holds(kWindow, map::kSelectors), "placement reads a selector the window lacks");
static_assert(forms::holds(kWindow, map::kMarkers), "placement and Clear move markers the window lacks");
static_assert(forms::holds(kWindow, sheet::kCells), "Clear empties cells the window lacks");
static_assert(forms::holds(kWindow, sheet::kNotes), "Clear empties notes the window lacks");

} // namespace app
