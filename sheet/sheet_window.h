#pragma once

// The record sheet: the monster and character tables, the objects in battle
// range and the two notes editors. A cell's index decides its block, column and
// row; the objects cells are placed inside their frame.

#include "platform/window_desc.h"
#include "sheet/clear.h"

#include <array>

namespace sheet {

using forms::Colour;
using forms::ControlDesc;
using forms::Kind;
using forms::Rect;
using forms::SysColour;

constexpr ControlDesc heading(std::int16_t index, std::string_view caption, Rect rect, int focus)
{
    return {.kind = Kind::Label,
            .name = "Label1",
            .index = index,
            .rect = rect,
            .caption = caption,
            .fore = Colour::sys(SysColour::ButtonText),
            .font = forms::Font::HeadingBold,
            .focus = focus,
            .accessibleName = caption,
            .align = forms::Align::Centre};
}

constexpr ControlDesc cell(std::int16_t index, Rect rect, int focus, std::string_view accessibleName)
{
    return {.kind = Kind::TextBox,
            .name = kCellGroup,
            .index = index,
            .rect = rect,
            .fore = Colour::sys(SysColour::WindowText),
            .back = Colour::sys(SysColour::WindowBackground),
            .focus = focus,
            .accessibleName = accessibleName};
}

constexpr ControlDesc objectCell(std::int16_t index, Rect rect, int focus, std::string_view accessibleName)
{
    ControlDesc d = cell(index, rect, focus, accessibleName);
    d.parent = "Frame1";
    return d;
}

constexpr ControlDesc notes(std::int16_t index, Rect rect, int focus, std::string_view accessibleName)
{
    return {.kind = Kind::RichTextBox,
            .name = kNotesGroup,
            .index = index,
            .rect = rect,
            .fore = Colour::sys(SysColour::WindowText),
            .back = Colour::sys(SysColour::WindowBackground),
            .focus = focus,
            .accessibleName = accessibleName};
}

// Rows in drawing order: the frame comes after the objects heading, whose lower
// part it covers.
inline constexpr std::array kControls{
    heading(0, "Monster Name", {592, 16, 177, 17}, 57),
    heading(1, "AC", {776, 16, 57, 17}, 58),
    heading(2, "DMG", {840, 16, 65, 17}, 59),
    heading(3, "HP", {912, 16, 73, 17}, 60),
    heading(4, "Character Name", {160, 416, 177, 17}, 77),
    heading(5, "AC", {344, 416, 57, 17}, 78),
    heading(6, "DMG", {408, 416, 65, 17}, 79),
    heading(7, "HP", {480, 416, 73, 17}, 80),
    heading(8, "Monster Notes", {480, 280, 505, 17}, 106),
    heading(9, "Character Notes", {8, 584, 545, 17}, 108),
    heading(10, "Objects In Battle Range", {560, 416, 425, 25}, 110),

    ControlDesc{.kind = Kind::Frame,
                .name = "Frame1",
                .rect = {568, 432, 417, 225},
                .fore = Colour::sys(SysColour::ButtonText),
                .back = Colour::sys(SysColour::InfoBackground),
                .focus = 109,
                .accessibleName = "Objects In Battle Range"},

    cell(0, {592, 32, 177, 19}, 17, "Monster 1 name"),
    cell(1, {592, 56, 177, 19}, 18, "Monster 2 name"),
    cell(2, {592, 80, 177, 19}, 19, "Monster 3 name"),
    cell(3, {592, 104, 177, 19}, 20, "Monster 4 name"),
    cell(4, {592, 128, 177, 19}, 21, "Monster 5 name"),
    cell(5, {592, 152, 177, 19}, 22, "Monster 6 name"),
    cell(6, {592, 176, 177, 19}, 23, "Monster 7 name"),
    cell(7, {592, 200, 177, 19}, 24, "Monster 8 name"),
    cell(8, {592, 224, 177, 19}, 25, "Monster 9 name"),
    cell(9, {592, 248, 177, 19}, 26, "Monster 10 name"),
    cell(10, {776, 32, 57, 19}, 27, "Monster 1 AC"),
    cell(11, {776, 56, 57, 19}, 28, "Monster 2 AC"),
    cell(12, {776, 80, 57, 19}, 29, "Monster 3 AC"),
    cell(13, {776, 104, 57, 19}, 30, "Monster 4 AC"),
    cell(14, {776, 128, 57, 19}, 31, "Monster 5 AC"),
    cell(15, {776, 152, 57, 19}, 32, "Monster 6 AC"),
    cell(16, {776, 176, 57, 19}, 33, "Monster 7 AC"),
    cell(17, {776, 200, 57, 19}, 34, "Monster 8 AC"),
    cell(18, {776, 224, 57, 19}, 35, "Monster 9 AC"),
    cell(19, {776, 248, 57, 19}, 36, "Monster 10 AC"),
    cell(20, {840, 32, 65, 19}, 37, "Monster 1 DMG"),
    cell(21, {840, 56, 65, 19}, 38, "Monster 2 DMG"),
    cell(22, {840, 80, 65, 19}, 39, "Monster 3 DMG"),
    cell(23, {840, 104, 65, 19}, 40, "Monster 4 DMG"),
    cell(24, {840, 128, 65, 19}, 41, "Monster 5 DMG"),
    cell(25, {840, 152, 65, 19}, 42, "Monster 6 DMG"),
    cell(26, {840, 176, 65, 19}, 43, "Monster 7 DMG"),
    cell(27, {840, 200, 65, 19}, 44, "Monster 8 DMG"),
    cell(28, {840, 224, 65, 19}, 45, "Monster 9 DMG"),
    cell(29, {840, 248, 65, 19}, 46, "Monster 10 DMG"),
    cell(30, {912, 32, 73, 19}, 47, "Monster 1 HP"),
    cell(31, {912, 56, 73, 19}, 48, "Monster 2 HP"),
    cell(32, {912, 80, 73, 19}, 49, "Monster 3 HP"),
    cell(33, {912, 104, 73, 19}, 50, "Monster 4 HP"),
    cell(34, {912, 128, 73, 19}, 51, "Monster 5 HP"),
    cell(35, {912, 152, 73, 19}, 52, "Monster 6 HP"),
    cell(36, {912, 176, 73, 19}, 53, "Monster 7 HP"),
    cell(37, {912, 200, 73, 19}, 54, "Monster 8 HP"),
    cell(38, {912, 224, 73, 19}, 55, "Monster 9 HP"),
    cell(39, {912, 248, 73, 19}, 56, "Monster 10 HP"),
    cell(40, {160, 432, 177, 19}, 81, "Character 1 name"),
    cell(41, {160, 456, 177, 19}, 82, "Character 2 name"),
    cell(42, {160, 480, 177, 19}, 83, "Character 3 name"),
    cell(43, {160, 504, 177, 19}, 84, "Character 4 name"),
    cell(44, {160, 528, 177, 19}, 85, "Character 5 name"),
    cell(45, {160, 552, 177, 19}, 86, "Character 6 name"),
    cell(46, {344, 432, 57, 19}, 87, "Character 1 AC"),
    cell(47, {344, 456, 57, 19}, 88, "Character 2 AC"),
    cell(48, {344, 480, 57, 19}, 89, "Character 3 AC"),
    cell(49, {344, 504, 57, 19}, 90, "Character 4 AC"),
    cell(50, {344, 528, 57, 19}, 91, "Character 5 AC"),
    cell(51, {344, 552, 57, 19}, 92, "Character 6 AC"),
    cell(52, {408, 432, 65, 19}, 93, "Character 1 DMG"),
    cell(53, {408, 456, 65, 19}, 94, "Character 2 DMG"),
    cell(54, {408, 480, 65, 19}, 95, "Character 3 DMG"),
    cell(55, {408, 504, 65, 19}, 96, "Character 4 DMG"),
    cell(56, {408, 528, 65, 19}, 97, "Character 5 DMG"),
    cell(57, {408, 552, 65, 19}, 98, "Character 6 DMG"),
    cell(58, {480, 432, 73, 19}, 99, "Character 1 HP"),
    cell(59, {480, 456, 73, 19}, 100, "Character 2 HP"),
    cell(60, {480, 480, 73, 19}, 101, "Character 3 HP"),
    cell(61, {480, 504, 73, 19}, 102, "Character 4 HP"),
    cell(62, {480, 528, 73, 19}, 103, "Character 5 HP"),
    cell(63, {480, 552, 73, 19}, 104, "Character 6 HP"),
    objectCell(64, {16, 24, 177, 19}, 111, "Object 1"),
    objectCell(65, {16, 48, 177, 19}, 112, "Object 2"),
    objectCell(66, {16, 72, 177, 19}, 113, "Object 3"),
    objectCell(67, {16, 96, 177, 19}, 114, "Object 4"),
    objectCell(68, {16, 120, 177, 19}, 115, "Object 5"),
    objectCell(69, {16, 144, 177, 19}, 116, "Object 6"),
    objectCell(70, {16, 168, 177, 19}, 117, "Object 7"),
    objectCell(71, {16, 192, 177, 19}, 118, "Object 8"),
    objectCell(72, {200, 24, 201, 19}, 119, "Object 9"),
    objectCell(73, {200, 48, 201, 19}, 120, "Object 10"),
    objectCell(74, {200, 72, 201, 19}, 121, "Object 11"),
    objectCell(75, {200, 96, 201, 19}, 122, "Object 12"),
    objectCell(76, {200, 120, 201, 19}, 123, "Object 13"),
    objectCell(77, {200, 144, 201, 19}, 124, "Object 14"),
    objectCell(78, {200, 168, 201, 19}, 125, "Object 15"),
    objectCell(79, {200, 192, 201, 19}, 126, "Object 16"),

    notes(0, {480, 296, 505, 113}, 105, "Monster notes"),
    notes(1, {8, 600, 545, 89}, 107, "Character notes"),
};

static_assert(kControls.size() == 11 + 1 + kCellCount + kNotesCount);

} // namespace sheet
