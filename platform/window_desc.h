#pragma once

// The window as data. Every control is one row of a constexpr table; the forms
// binding builds real widgets from these rows at start and never patches them.

#include <cstdint>
#include <span>
#include <string_view>

class QImage;

namespace forms {

class Forms;
class Status;
struct MouseDown;

enum class Kind : std::uint8_t {
    PictureBox,
    OptionButton,
    Label,
    TextBox,
    RichTextBox,
    Frame,
    CommandButton,
};

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

// A picture drawn by code at the given device pixel ratio, so it is never scaled up.
struct PictureDesc {
    int width = 0;  // logical pixels
    int height = 0;
    QImage (*render)(double devicePixelRatio) = nullptr;
};

using ClickHandler = Status (*)(Forms &);
using MouseDownHandler = Status (*)(Forms &, const MouseDown &);

inline constexpr std::int16_t kSingle = -1; // a control outside any group
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

} // namespace forms
