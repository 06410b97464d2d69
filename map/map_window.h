#pragma once

// The battle map and its sixteen combatant slots: the map box, one selector,
// legend square and marker a slot. Slots 0-9 are enemies, 10-15 player characters;
// slot s is served by selector Option(s+1) and marker Label3(s).

#include "art/hex_grid.h"
#include "map/placement.h"
#include "platform/window_desc.h"

#include <array>

namespace map {

using forms::Colour;
using forms::ControlDesc;
using forms::Kind;
using forms::LabelLook;
using forms::Rect;
using forms::SysColour;

inline constexpr int kSlots = 16;
inline constexpr int kMarkerSize = 17;

constexpr ControlDesc selector(std::string_view name, std::string_view caption, Rect rect, int focus, bool selected = false)
{
    return {.kind = Kind::OptionButton,
            .name = name,
            .rect = rect,
            .caption = caption,
            .fore = Colour::sys(SysColour::ButtonText),
            .back = Colour::sys(SysColour::InfoBackground),
            .focus = focus,
            .value = std::int16_t(selected ? -1 : 0),
            .accessibleName = caption};
}

// A legend square (Label2, on the window) or a marker (Label3, in the map box):
// a filled square of the given colour.
constexpr ControlDesc fill(std::string_view name, std::int16_t index, std::string_view parent, int left, int top,
                           std::uint32_t rgb, int focus, std::string_view accessibleName)
{
    return {.kind = Kind::Label,
            .name = name,
            .index = index,
            .parent = parent,
            .rect = {left, top, kMarkerSize, kMarkerSize},
            .back = Colour::fixed(rgb),
            .focus = focus,
            .accessibleName = accessibleName,
            .look = LabelLook::Fill};
}

// ... or a numbered box that lets what is below show through.
constexpr ControlDesc box(std::string_view name, std::int16_t index, std::string_view parent, int left, int top,
                          std::string_view digit, int focus, std::string_view accessibleName)
{
    return {.kind = Kind::Label,
            .name = name,
            .index = index,
            .parent = parent,
            .rect = {left, top, kMarkerSize, kMarkerSize},
            .caption = digit,
            .fore = Colour::sys(SysColour::WindowText),
            .font = forms::Font::HeadingBold,
            .focus = focus,
            .accessibleName = accessibleName,
            .look = LabelLook::Box};
}

// Rows in drawing order: the map box, its markers, then the legend and the
// selectors, each enemy selector drawn over the first column of its legend square.
// Every marker starts outside the visible map.
inline constexpr std::array kControls{
    ControlDesc{.kind = Kind::PictureBox,
                .name = "Picture1",
                .rect = {8, 8, 465, 401},
                .back = Colour::sys(SysColour::ButtonFace),
                .focus = 0,
                .picture = &art::kHexGrid,
                .accessibleName = "Battle map",
                .border = 1,
                .onMouseDown = &placeMarker},

    fill("Label3", 0, "Picture1", 464, 392, 0xFFC0C0, 128, "Enemy 1 marker"),
    fill("Label3", 1, "Picture1", 464, 392, 0xC0FFC0, 129, "Enemy 2 marker"),
    fill("Label3", 2, "Picture1", 464, 392, 0xC0C0FF, 130, "Enemy 3 marker"),
    fill("Label3", 3, "Picture1", 456, 400, 0xFF80FF, 131, "Enemy 4 marker"),
    fill("Label3", 4, "Picture1", 456, 400, 0x80FFFF, 132, "Enemy 5 marker"),
    fill("Label3", 5, "Picture1", 464, 392, 0xFFC080, 133, "Enemy 6 marker"),
    fill("Label3", 6, "Picture1", 464, 392, 0x80FF80, 134, "Enemy 7 marker"),
    fill("Label3", 7, "Picture1", 456, 400, 0xFF0000, 135, "Enemy 8 marker"),
    fill("Label3", 8, "Picture1", 464, 392, 0x0000FF, 136, "Enemy 9 marker"),
    fill("Label3", 9, "Picture1", 464, 392, 0xC0C000, 137, "Enemy 10 marker"),
    box("Label3", 10, "Picture1", 464, 400, "1", 138, "Player Character 1 marker"),
    box("Label3", 11, "Picture1", 464, 392, "2", 139, "Player Character 2 marker"),
    box("Label3", 12, "Picture1", 464, 400, "3", 140, "Player Character 3 marker"),
    box("Label3", 13, "Picture1", 456, 400, "4", 141, "Player Character 4 marker"),
    box("Label3", 14, "Picture1", 464, 392, "5", 142, "Player Character 5 marker"),
    box("Label3", 15, "Picture1", 456, 400, "6", 143, "Player Character 6 marker"),

    // The legend shows each marker's look; its members run 0, 2, 3, ..., 9, 1
    // down the enemy rows.
    fill("Label2", 0, {}, 560, 32, 0xFFC0C0, 61, "Enemy 1 legend"),
    fill("Label2", 2, {}, 560, 56, 0xC0FFC0, 63, "Enemy 2 legend"),
    fill("Label2", 3, {}, 560, 80, 0xC0C0FF, 64, "Enemy 3 legend"),
    fill("Label2", 4, {}, 560, 104, 0xFF80FF, 65, "Enemy 4 legend"),
    fill("Label2", 5, {}, 560, 128, 0x80FFFF, 66, "Enemy 5 legend"),
    fill("Label2", 6, {}, 560, 152, 0xFFC080, 67, "Enemy 6 legend"),
    fill("Label2", 7, {}, 560, 176, 0x80FF80, 68, "Enemy 7 legend"),
    fill("Label2", 8, {}, 560, 200, 0xFF0000, 69, "Enemy 8 legend"),
    fill("Label2", 9, {}, 560, 224, 0x0000FF, 70, "Enemy 9 legend"),
    fill("Label2", 1, {}, 560, 248, 0xC0C000, 62, "Enemy 10 legend"),
    box("Label2", 10, {}, 128, 432, "1", 71, "Player Character 1 legend"),
    box("Label2", 11, {}, 128, 456, "2", 72, "Player Character 2 legend"),
    box("Label2", 12, {}, 128, 480, "3", 73, "Player Character 3 legend"),
    box("Label2", 13, {}, 128, 504, "4", 74, "Player Character 4 legend"),
    box("Label2", 14, {}, 128, 528, "5", 75, "Player Character 5 legend"),
    box("Label2", 15, {}, 128, 552, "6", 76, "Player Character 6 legend"),

    selector("Option1", "Enemy 1", {480, 32, 81, 17}, 1, true),
    selector("Option2", "Enemy 2", {480, 56, 81, 17}, 2),
    selector("Option3", "Enemy 3", {480, 80, 81, 17}, 3),
    selector("Option4", "Enemy 4", {480, 104, 81, 17}, 4),
    selector("Option5", "Enemy 5", {480, 128, 81, 17}, 5),
    selector("Option6", "Enemy 6", {480, 152, 81, 17}, 6),
    selector("Option7", "Enemy 7", {480, 176, 81, 17}, 7),
    selector("Option8", "Enemy 8", {480, 200, 81, 17}, 8),
    selector("Option9", "Enemy 9", {480, 224, 81, 17}, 9),
    selector("Option10", "Enemy 10", {480, 248, 81, 17}, 10),
    selector("Option11", "Player Character 1", {8, 432, 113, 17}, 11),
    selector("Option12", "Player Character 2", {8, 456, 113, 17}, 12),
    selector("Option13", "Player Character 3", {8, 480, 113, 17}, 13),
    selector("Option14", "Player Character 4", {8, 504, 113, 17}, 14),
    selector("Option15", "Player Character 5", {8, 528, 113, 17}, 15),
    selector("Option16", "Player Character 6", {8, 552, 113, 17}, 16),
};

static_assert(kControls.size() == 1 + 3 * kSlots);

} // namespace map
