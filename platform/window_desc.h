#pragma once

// The window as data. Every control is one row of a constexpr table; the forms
// binding builds real widgets from these rows at start and never patches them.
// The rows are plain values, so the compiler can search them: a handler's
// controls are proved to exist before the program ever runs. Nothing here
// knows a toolkit.

#include "platform/forms.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace forms {

// The five colours taken from the user's colour scheme, so a dark theme is honoured.
enum class SysColour : std::uint8_t {
    InfoBackground,
    WindowBackground,
    WindowText,
    ButtonFace,
    ButtonText,
};

struct Colour {
    bool isSystem = true;
    SysColour system = SysColour::InfoBackground;
    std::uint32_t rgb = 0; // 0xRRGGBB when !isSystem

    static constexpr Colour sys(SysColour c) { return {true, c, 0}; }
    static constexpr Colour fixed(std::uint32_t rgb) { return {false, SysColour::InfoBackground, rgb}; }
    constexpr bool operator==(const Colour &) const = default;
};

enum class Font : std::uint8_t {
    Dialog,      // the platform's default dialog font
    HeadingBold, // bold sans-serif, 13 pixels
};

// The classic design's size and weight of each font, which every binding draws
// in a family of the classic metrics.
struct FontSize {
    int pixels = 0;
    bool bold = false;
};
constexpr FontSize classicSize(Font font)
{
    return font == Font::HeadingBold ? FontSize{13, true} : FontSize{11, false};
}

// How a label draws itself: its caption as text, an opaque square of its back
// colour, or a 1-pixel black box with its caption (a digit) at the top.
enum class LabelLook : std::uint8_t { Text, Fill, Box };

enum class Align : std::uint8_t { Left, Centre };

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    constexpr int right() const { return left + width; }   // one past the last column
    constexpr int bottom() const { return top + height; }  // one past the last row
    constexpr bool operator==(const Rect &) const = default;
};

// Pixels drawn by code at a device pixel ratio: rows top to bottom, each pixel
// 0xAARRGGBB. Every binding shows them as they are, so a picture has the same
// pixels whichever draws it.
struct Pixels {
    int width = 0; // physical pixels
    int height = 0;
    double ratio = 1.0;
    std::vector<std::uint32_t> argb;
};

// A filled shape of a face's symbol, in face pixels; an ellipse fills its bounding
// box. An outer shape is smoothed into the background; an inner one is laid on
// whole pixels over the outer ones, where a band of a mixed colour does the smoothing.
struct FaceShape {
    enum Kind : std::uint8_t { Ellipse, Box } kind = Ellipse;
    double left = 0, top = 0, width = 0, height = 0;
    std::uint32_t colour = 0; // 0xAARRGGBB
    bool smoothed = true;
};

// Where a face's word has its dark pixels: columns first..last and rows
// top..bottom, inclusive.
struct WordBox {
    int first = 0, last = 0, top = 0, bottom = 0;
};

// A button face: a symbol of shapes and a word in bold upright capitals
// stretched onto its box. Drawing a word needs a font rasteriser, so each
// binding draws a face with its toolkit's, from this one description.
struct FaceDesc {
    std::span<const FaceShape> symbol;
    std::string_view word;
    WordBox box;
    std::uint32_t background = 0; // 0xAARRGGBB
    std::uint32_t ink = 0;
};

// A picture drawn at the device pixel ratio it is shown at, so it is never scaled
// up: pixel art drawn by code that knows no toolkit, or a face.
struct PictureDesc {
    int width = 0;  // logical pixels
    int height = 0;
    Pixels (*render)(double devicePixelRatio) = nullptr;
    const FaceDesc *face = nullptr;
};

// Physical pixels that cover a length of logical pixels at a ratio, a part pixel included.
int physicalPixels(int logical, double ratio);

// Fills every physical pixel whose centre lies inside the shape, so a band one
// face pixel wide comes out whole and in its exact colour at any ratio. The
// pixels are 0xAARRGGBB, stride apart from row to row.
void fillOnWholePixels(std::uint32_t *pixels, int width, int height, std::ptrdiff_t stride, const FaceShape &shape,
                       double ratio);

using ClickHandler = Status (*)(Forms &);
using MouseDownHandler = Status (*)(Forms &, const MouseDown &);

inline constexpr int kNoFocus = -1;

struct ControlDesc {
    Kind kind = Kind::Label;
    std::string_view name;
    std::int16_t index = kSingle;
    std::string_view parent;          // empty: the window itself
    std::int16_t parentIndex = kSingle;
    Rect rect;                        // in the parent's coordinates (a picture box: its client area)
    std::string_view caption;
    Colour fore = Colour::sys(SysColour::WindowText);
    Colour back = Colour::sys(SysColour::InfoBackground);
    Font font = Font::Dialog;
    int focus = kNoFocus;             // position in the focus order; unique over the window
    const PictureDesc *picture = nullptr;
    std::int16_t value = 0;           // option button: -1 selected, 0 not
    std::string_view accessibleName;
    LabelLook look = LabelLook::Text;
    Align align = Align::Left;
    int border = 0;                   // picture box border width in pixels
    ClickHandler onClick = nullptr;
    MouseDownHandler onMouseDown = nullptr;
};

struct FormDesc {
    std::string_view name;
    std::string_view caption;
    int clientWidth = 0;
    int clientHeight = 0;
    Colour back = Colour::sys(SysColour::InfoBackground);
};

// Rows are built in order: a parent comes before its children, and a later row is
// drawn over an earlier sibling where they overlap.
struct WindowDesc {
    FormDesc form;
    std::span<const std::span<const ControlDesc>> tables;
};

// Which kinds of control can hold the keyboard focus.
constexpr bool takesFocus(Kind kind)
{
    return kind != Kind::Label && kind != Kind::Frame;
}

// Text composed at compile time, for names that follow from a rule ("Monster 3 HP").
// Writing past its room is not a constant expression, so it fails the build.
template<std::size_t N>
struct StaticText {
    std::array<char, N> chars{};
    std::size_t length = 0;

    constexpr StaticText &operator<<(std::string_view text)
    {
        for (char c : text)
            chars[length++] = c;
        return *this;
    }
    constexpr StaticText &operator<<(int number)
    {
        char digits[11]{};
        int count = 0;
        do {
            digits[count++] = char('0' + number % 10);
            number /= 10;
        } while (number > 0);
        while (count > 0)
            chars[length++] = digits[--count];
        return *this;
    }
    constexpr std::string_view view() const { return {chars.data(), length}; }
};

// N rows made by a rule from their position.
template<std::size_t N, typename Rule>
constexpr std::array<ControlDesc, N> generateRows(Rule rule)
{
    std::array<ControlDesc, N> rows{};
    for (std::size_t i = 0; i < N; ++i)
        rows[i] = rule(int(i));
    return rows;
}

// Tables laid end to end, in order.
template<std::size_t... N>
constexpr std::array<ControlDesc, (N + ...)> joinRows(const std::array<ControlDesc, N> &...tables)
{
    std::array<ControlDesc, (N + ...)> rows{};
    std::size_t at = 0;
    ((std::copy(tables.begin(), tables.end(), rows.begin() + std::ptrdiff_t(at)), at += N), ...);
    return rows;
}

// The kind of a control in the window, if the window has it.
constexpr std::optional<Kind> kindOf(const WindowDesc &window, std::string_view name, std::int16_t index)
{
    for (const auto &table : window.tables)
        for (const ControlDesc &row : table)
            if (row.name == name && row.index == index)
                return row.kind;
    return std::nullopt;
}

// Whether the window has the control a handler names, of the kind it expects.
constexpr bool holds(const WindowDesc &window, const Single &control)
{
    return kindOf(window, control.name, kSingle) == control.kind && !kindOf(window, control.name, 0);
}

// Whether the window has exactly the members of the group a handler names, of its kind.
constexpr bool holds(const WindowDesc &window, const Group &group)
{
    if (group.members <= 0 || kindOf(window, group.name, kSingle) || kindOf(window, group.name, group.members))
        return false;
    for (std::int16_t i = 0; i < group.members; ++i)
        if (kindOf(window, group.name, i) != group.kind)
            return false;
    return true;
}

template<std::size_t N>
constexpr bool holds(const WindowDesc &window, const std::array<Single, N> &controls)
{
    for (const Single &control : controls)
        if (!holds(window, control))
            return false;
    return true;
}

} // namespace forms
