#pragma once

// The forms services: the only way the program's handlers reach the window.
// Handlers name the controls they use by the constants their rooms declare
// (Single, Group), which the window's description is proved to hold at build
// time. Every operation returns a Status that the caller checks at once; a
// failure is final and ends the program after the binding has reported it.
// Nothing here knows a toolkit.

#include <cstdint>
#include <string>
#include <string_view>

namespace forms {

enum class Kind : std::uint8_t {
    PictureBox,
    OptionButton,
    Label,
    TextBox,
    RichTextBox,
    Frame,
    CommandButton,
};

inline constexpr std::int16_t kSingle = -1; // the index of a control outside any group

// A control outside any group, as a handler or a row names it.
struct Single {
    std::string_view name;
    Kind kind = Kind::Label;
};

// A control group: its members are numbered 0 to members - 1.
struct Group {
    std::string_view name;
    Kind kind = Kind::Label;
    std::int16_t members = 0;
};

enum class Operation : std::uint8_t { Lookup, GetValue, SetTop, SetLeft, SetText, Unload };

enum class Fault : std::uint8_t {
    None,
    NoSuchControl, // no control of that name
    NoSuchMember,  // the group has no member of that index, or the control is no group
    WrongKind,     // the property does not exist on that kind of control
    BadValue,      // a position that is not a finite pixel value in range
    Unloaded,      // the window has already been unloaded
};

class [[nodiscard]] Status {
public:
    Status() = default;

    // A control outside any group is named with index kSingle.
    static Status failure(Operation op, Fault fault, std::string_view name, std::int16_t index);
    static Status memberFailure(Operation op, Fault fault, std::string_view name, std::int16_t index);

    bool ok() const { return m_fault == Fault::None; }
    Operation operation() const { return m_operation; }
    Fault fault() const { return m_fault; }
    const std::string &controlName() const { return m_name; }
    std::int16_t controlIndex() const { return m_index; }

    // One sentence naming the operation, the control and what went wrong.
    std::string describe() const;

private:
    Operation m_operation = Operation::Lookup;
    Fault m_fault = Fault::None;
    std::int16_t m_index = kSingle;
    bool m_member = false;
    std::string m_name;
};

std::string_view operationName(Operation op);

// A control found by lookup; valid for the life of the window.
struct Control {
    std::uint16_t id = UINT16_MAX;
};

enum class MouseButton : std::uint16_t { Left = 1, Right = 2, Middle = 4 };

// What a press on a picture box reports; positions are whole pixels of its client area.
struct MouseDown {
    std::uint16_t button = 0;
    std::uint16_t shift = 0;
    float x = 0;
    float y = 0;
};

class Forms {
public:
    virtual ~Forms() = default;

    // Looked up by name (and index) at run time, as the window knows its controls.
    Status lookup(const Single &control, Control &out) { return lookupName(control.name, out); }
    Status lookup(const Group &group, std::int16_t index, Control &out)
    {
        return lookupMember(group.name, index, out);
    }

    // Value of an option button: -1 when it is the selected one, 0 otherwise.
    virtual Status value(Control c, std::int16_t &out) = 0;
    virtual Status setTop(Control c, float top) = 0;
    virtual Status setLeft(Control c, float left) = 0;
    // Replaces the whole text of a text box or a notes editor.
    virtual Status setText(Control c, std::string_view utf8) = 0;
    virtual Status unload() = 0;

protected:
    Forms() = default;
    Forms(const Forms &) = default;
    Forms &operator=(const Forms &) = default;

    virtual Status lookupName(std::string_view name, Control &out) = 0;
    virtual Status lookupMember(std::string_view name, std::int16_t index, Control &out) = 0;
};

} // namespace forms

// Leaves the calling handler with the failing status; there is no recovery.
#define FORMS_CHECK(expr)                                                                          \
    do {                                                                                           \
        if (::forms::Status formsStatus_ = (expr); !formsStatus_.ok())                             \
            return formsStatus_;                                                                   \
    } while (false)
