#pragma once

// The sixteen combatant slots and the names of the map's controls. Slots 0-9
// are enemies, drawn as filled squares; 10-15 player characters, drawn as
// numbered boxes. A slot owns a selector, a legend square beside it and a
// marker in the map box; every row of those is made from this table.

#include "platform/forms.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace map {

inline constexpr int kSlots = 16;
inline constexpr int kEnemies = 10;
inline constexpr int kMarkerSize = 17;

// A marker top below the visible map: parked there, a marker is out of sight
// whatever its left.
inline constexpr float kParkedTop = 400;

inline constexpr forms::Single kMapBox{"Picture1", forms::Kind::PictureBox};
inline constexpr forms::Group kMarkers{"Label3", forms::Kind::Label, kSlots};
inline constexpr forms::Group kLegend{"Label2", forms::Kind::Label, kSlots};

struct Slot {
    std::string_view selector; // the option button that chooses the slot
    std::string_view caption;
    std::uint32_t fill;        // an enemy's colour, 0xRRGGBB
    std::string_view digit;    // a player character's number; empty for an enemy
    std::int16_t legendMember; // the legend square beside the selector
    int startLeft;             // where the marker starts, out of sight
    int startTop;
};

// Legend members run 0, 2, 3, ..., 9, 1 down the enemy rows.
inline constexpr std::array<Slot, kSlots> kSlotTable{{
    {"Option1", "Enemy 1", 0xFFC0C0, {}, 0, 464, 392},
    {"Option2", "Enemy 2", 0xC0FFC0, {}, 2, 464, 392},
    {"Option3", "Enemy 3", 0xC0C0FF, {}, 3, 464, 392},
    {"Option4", "Enemy 4", 0xFF80FF, {}, 4, 456, 400},
    {"Option5", "Enemy 5", 0x80FFFF, {}, 5, 456, 400},
    {"Option6", "Enemy 6", 0xFFC080, {}, 6, 464, 392},
    {"Option7", "Enemy 7", 0x80FF80, {}, 7, 464, 392},
    {"Option8", "Enemy 8", 0xFF0000, {}, 8, 456, 400},
    {"Option9", "Enemy 9", 0x0000FF, {}, 9, 464, 392},
    {"Option10", "Enemy 10", 0xC0C000, {}, 1, 464, 392},
    {"Option11", "Player Character 1", 0, "1", 10, 464, 400},
    {"Option12", "Player Character 2", 0, "2", 11, 464, 392},
    {"Option13", "Player Character 3", 0, "3", 12, 464, 400},
    {"Option14", "Player Character 4", 0, "4", 13, 456, 400},
    {"Option15", "Player Character 5", 0, "5", 14, 464, 392},
    {"Option16", "Player Character 6", 0, "6", 15, 456, 400},
}};

// The selector of each slot, by slot index.
inline constexpr std::array<forms::Single, kSlots> kSelectors = [] {
    std::array<forms::Single, kSlots> selectors{};
    for (std::size_t s = 0; s < selectors.size(); ++s)
        selectors[s] = {kSlotTable[s].selector, forms::Kind::OptionButton};
    return selectors;
}();

static_assert([] {
    for (int s = 0; s < kSlots; ++s)
        if (kSlotTable[std::size_t(s)].digit.empty() != (s < kEnemies))
            return false;
    return true;
}(), "enemies are filled squares, player characters numbered boxes");

} // namespace map
