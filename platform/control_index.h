#pragma once

// What every binding of the forms services does the same way, whatever toolkit
// shows the controls: numbering the window's controls, finding them by name and
// member, checking a move's value, the focus order, and the words of the report
// that ends the program when a handler fails.

#include "platform/forms.h"
#include "platform/window_desc.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace forms {

// The window's controls in description order; a Control's id is its row's place
// in that order, in every binding.
class ControlIndex {
public:
    explicit ControlIndex(const WindowDesc &desc);

    std::size_t size() const { return m_rows.size(); }
    const ControlDesc &row(std::uint16_t id) const { return *m_rows[id]; }
    // The id of a row, or -1 when the window has none of that name and index.
    int idOf(std::string_view name, std::int16_t index) const;

    // The lookups the handlers make, with the failures they report.
    Status lookupName(std::string_view name, bool unloaded, Control &out) const;
    Status lookupMember(std::string_view name, std::int16_t index, bool unloaded, Control &out) const;
    // The control an operation works on, if it is of the kind the operation needs.
    Status find(Operation op, Control c, Kind kind, bool unloaded) const;
    // Text boxes and notes editors both have Text: the kind a Set Text expects of c.
    Kind textKind(Control c) const;

    // The ids of the controls that take the focus, in the order Tab walks them.
    const std::vector<std::uint16_t> &focusOrder() const { return m_focusOrder; }

private:
    Status lookupKey(std::string_view name, std::int16_t index, bool unloaded, Control &out) const;

    std::vector<const ControlDesc *> m_rows;
    std::vector<std::uint16_t> m_byName; // ids sorted by (name, index)
    // Where each name's run starts in m_byName and how long it is: the handlers
    // look controls up by name on every event.
    struct NameRun {
        std::uint16_t first = 0;
        std::uint16_t count = 0;
    };
    std::unordered_map<std::string_view, NameRun> m_names;
    std::vector<std::uint16_t> m_focusOrder;
};

// The whole pixel a Top or Left of value puts a control at, or the failure for a
// value that is no position.
Status checkMove(Operation op, float value, const ControlDesc &row, int &pixels);

// What the user is told before a handler's failure ends the program.
std::string failureReport(const Status &status);

} // namespace forms
