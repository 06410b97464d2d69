#pragma once

// The record sheet's rows: the monster and character tables, the objects in
// battle range inside their frame, the headings and the two notes editors. A
// cell's index decides its column and row; the cell rows are made from the
// column table below.

#include "platform/window_desc.h"
#include "sheet/clear.h"

#include <array>

namespace sheet {

using forms::Colour;
using forms::ControlDesc;
using forms::Kind;
using forms::Rect;
using forms::SysColour;

inline constexpr forms::Group kHeadings{"Label1", Kind::Label, 11};
inline constexpr forms::Single kObjectsFrame{"Frame1", Kind::Frame};

// A column of cells, top to bottom, 24 pixels apart; the objects list lies in
// its frame and is placed from the frame's corner.
struct Column {
    int cells;
    std::string_view block;  // what a cell is named after: "Monster 3 HP"
    std::string_view field;  // empty in the objects list, numbered on across its columns
    int firstNumber;
    Rect first;              // the top cell
    int focus;               // the top cell's place in the focus order
    bool inFrame = false;
};

inline constexpr std::array<Column, 10> kColumns{{
    {10, "Monster", "name", 1, {592, 32, 177, 19}, 17},
    {10, "Monster", "AC", 1, {776, 32, 57, 19}, 27},
    {10, "Monster", "DMG", 1, {840, 32, 65, 19}, 37},
    {10, "Monster", "HP", 1, {912, 32, 73, 19}, 47},
    {6, "Character", "name", 1, {160, 432, 177, 19}, 81},
    {6, "Character", "AC", 1, {344, 432, 57, 19}, 87},
    {6, "Character", "DMG", 1, {408, 432, 65, 19}, 93},
    {6, "Character", "HP", 1, {480, 432, 73, 19}, 99},
    {8, "Object", {}, 1, {16, 24, 177, 19}, 111, true},
    {8, "Object", {}, 9, {200, 24, 201, 19}, 119, true},
}};

static_assert([] {
    int cells = 0;
    for (const Column &c : kColumns)
        cells += c.cells;
    return cells == kCells.members;
}(), "every cell has a column");

struct CellPlace {
    const Column *column;
    int row;
};

constexpr CellPlace placeOf(int cell)
{
    for (const Column &c : kColumns) {
        if (cell < c.cells)
            return {&c, cell};
        cell -= c.cells;
    }
    return {nullptr, 0};
}

inline constexpr auto kCellNames = [] {
    std::array<forms::StaticText<24>, kCells.members> names{};
    for (int i = 0; i < kCells.members; ++i) {
        const auto [column, row] = placeOf(i);
        auto &name = names[std::size_t(i)];
        name << column->block << " " << column->firstNumber + row;
        if (!column->field.empty())
            name << " " << column->field;
    }
    return names;
}();

constexpr ControlDesc cell(int index)
{
    const auto [column, row] = placeOf(index);
    const Rect &top = column->first;
    return {.kind = kCells.kind,
            .name = kCells.name,
            .index = std::int16_t(index),
            .parent = column->inFrame ? kObjectsFrame.name : std::string_view(),
            .rect = {top.left, top.top + 24 * row, top.width, top.height},
            .fore = Colour::sys(SysColour::WindowText),
            .back = Colour::sys(SysColour::WindowBackground),
            .focus = column->focus + row,
            .accessibleName = kCellNames[std::size_t(index)].view()};
}

constexpr ControlDesc heading(std::int16_t index, std::string_view caption, Rect rect, int focus)
{
    return {.kind = kHeadings.kind,
            .name = kHeadings.name,
            .index = index,
            .rect = rect,
            .caption = caption,
            .fore = Colour::sys(SysColour::ButtonText),
            .font = forms::Font::HeadingBold,
            .focus = focus,
            .accessibleName = caption,
            .align = forms::Align::Centre};
}

// A column's heading stands right above it, exactly as wide.
constexpr ControlDesc columnHeading(std::int16_t index, std::string_view caption, int column, int focus)
{
    const Rect &top = kColumns[std::size_t(column)].first;
    return heading(index, caption, {top.left, top.top - 16, top.width, 17}, focus);
}

constexpr ControlDesc notes(std::int16_t index, Rect rect, int focus, std::string_view accessibleName)
{
    return {.kind = kNotes.kind,
            .name = kNotes.name,
            .index = index,
            .rect = rect,
            .fore = Colour::sys(SysColour::WindowText),
            .back = Colour::sys(SysColour::WindowBackground),
            .focus = focus,
            .accessibleName = accessibleName};
}

// Rows in drawing order: the frame comes after the objects heading, whose lower
// part it covers.
inline constexpr std::array kControls = forms::joinRows(
    std::array{
        columnHeading(0, "Monster Name", 0, 57),
        columnHeading(1, "AC", 1, 58),
        columnHeading(2, "DMG", 2, 59),
        columnHeading(3, "HP", 3, 60),
        columnHeading(4, "Character Name", 4, 77),
        columnHeading(5, "AC", 5, 78),
        columnHeading(6, "DMG", 6, 79),
        columnHeading(7, "HP", 7, 80),
        heading(8, "Monster Notes", {480, 280, 505, 17}, 106),
        heading(9, "Character Notes", {8, 584, 545, 17}, 108),
        heading(10, "Objects In Battle Range", {560, 416, 425, 25}, 110),
        ControlDesc{.kind = kObjectsFrame.kind,
                    .name = kObjectsFrame.name,
                    .rect = {568, 432, 417, 225},
                    .fore = Colour::sys(SysColour::ButtonText),
                    .back = Colour::sys(SysColour::InfoBackground),
                    .focus = 109,
                    .accessibleName = "Objects In Battle Range"},
    },
    forms::generateRows<kCells.members>(cell),
    std::array{
        notes(0, {480, 296, 505, 113}, 105, "Monster notes"),
        notes(1, {8, 600, 545, 89}, 107, "Character notes"),
    });

} // namespace sheet
