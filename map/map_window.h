#pragma once

// The battle map's rows: the map box, then per slot its marker, its legend
// square and its selector, all made from the slot table. An enemy's row of the
// window stands at 32 + 24 x slot on the right of the map, a player
// character's at 432 + 24 x (slot - 10) below it.

#include "art/hex_grid.h"
#include "map/placement.h"
#include "map/slots.h"
#include "platform/window_desc.h"

#include <array>

namespace map {

using forms::Colour;
using forms::ControlDesc;
using forms::Kind;
using forms::Rect;
using forms::SysColour;

constexpr bool isEnemy(int slot)
{
    return slot < kEnemies;
}

constexpr int rowTop(int slot)
{
    return isEnemy(slot) ? 32 + 24 * slot : 432 + 24 * (slot - kEnemies);
}

// What a screen reader says for a marker and a legend square: "Enemy 3 marker".
inline constexpr auto kLookNames = [] {
    std::array<std::array<forms::StaticText<32>, 2>, kSlots> names{};
    for (std::size_t s = 0; s < names.size(); ++s) {
        names[s][0] << kSlotTable[s].caption << " marker";
        names[s][1] << kSlotTable[s].caption << " legend";
    }
    return names;
}();

// A marker or a legend square: a filled square of the slot's colour, or a
// numbered box that lets what is below show through.
constexpr ControlDesc look(const forms::Group &group, std::int16_t index, int slot, std::string_view parent,
                           int left, int top, int focus)
{
    const Slot &s = kSlotTable[std::size_t(slot)];
    ControlDesc row{.kind = group.kind,
                    .name = group.name,
                    .index = index,
                    .parent = parent,
                    .rect = {left, top, kMarkerSize, kMarkerSize},
                    .focus = focus,
                    .accessibleName = kLookNames[std::size_t(slot)][parent.empty() ? 1 : 0].view()};
    if (s.digit.empty()) {
        row.back = Colour::fixed(s.fill);
        row.look = forms::LabelLook::Fill;
    } else {
        row.caption = s.digit;
        row.fore = Colour::sys(SysColour::WindowText);
        row.font = forms::Font::HeadingBold;
        row.look = forms::LabelLook::Box;
    }
    return row;
}

constexpr ControlDesc marker(int slot)
{
    const Slot &s = kSlotTable[std::size_t(slot)];
    return look(kMarkers, std::int16_t(slot), slot, kMapBox.name, s.startLeft, s.startTop, 128 + slot);
}

constexpr ControlDesc legend(int slot)
{
    const std::int16_t member = kSlotTable[std::size_t(slot)].legendMember;
    return look(kLegend, member, slot, {}, isEnemy(slot) ? 560 : 128, rowTop(slot), 61 + member);
}

constexpr ControlDesc selector(int slot)
{
    const Slot &s = kSlotTable[std::size_t(slot)];
    return {.kind = Kind::OptionButton,
            .name = s.selector,
            .rect = isEnemy(slot) ? Rect{480, rowTop(slot), 81, 17} : Rect{8, rowTop(slot), 113, 17},
            .caption = s.caption,
            .fore = Colour::sys(SysColour::ButtonText),
            .back = Colour::sys(SysColour::InfoBackground),
            .focus = 1 + slot,
            .value = std::int16_t(slot == 0 ? -1 : 0),
            .accessibleName = s.caption};
}

// Rows in drawing order: the map box, its markers, then the legend and the
// selectors, each enemy selector drawn over the first column of its legend square.
inline constexpr std::array kControls = forms::joinRows(
    std::array{ControlDesc{.kind = kMapBox.kind,
                           .name = kMapBox.name,
                           .rect = {8, 8, 465, 401},
                           .back = Colour::sys(SysColour::ButtonFace),
                           .focus = 0,
                           .picture = &art::kHexGrid,
                           .accessibleName = "Battle map",
                           .border = 1,
                           .onMouseDown = &placeMarker}},
    forms::generateRows<kSlots>(marker), forms::generateRows<kSlots>(legend), forms::generateRows<kSlots>(selector));

} // namespace map
