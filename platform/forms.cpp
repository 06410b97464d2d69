// Status and its report: the words a failing handler's message is made of.

#include "forms.h"

namespace forms {

Status Status::failure(Operation op, Fault fault, std::string_view name, std::int16_t index)
{
    Status s;
    s.m_operation = op;
    s.m_fault = fault == Fault::None ? Fault::WrongKind : fault;
    s.m_index = index;
    s.m_member = index != kSingle;
    s.m_name = name;
    return s;
}

Status Status::memberFailure(Operation op, Fault fault, std::string_view name, std::int16_t index)
{
    Status s = failure(op, fault, name, index);
    s.m_member = true;
    return s;
}

std::string_view operationName(Operation op)
{
    switch (op) {
    case Operation::Lookup: return "Look up";
    case Operation::GetValue: return "Get Value of";
    case Operation::SetTop: return "Set Top of";
    case Operation::SetLeft: return "Set Left of";
    case Operation::SetText: return "Set Text of";
    case Operation::Unload: return "Unload";
    }
    return "Use";
}

static std::string_view faultText(Fault fault)
{
    switch (fault) {
    case Fault::None: return "succeeded";
    case Fault::NoSuchControl: return "there is no control of that name";
    case Fault::NoSuchMember: return "the control array has no such member";
    case Fault::WrongKind: return "the control has no such property";
    case Fault::BadValue: return "the value is not a valid position";
    case Fault::Unloaded: return "the window has been unloaded";
    }
    return "failed";
}

std::string Status::describe() const
{
    std::string text(operationName(m_operation));
    text += ' ';
    text += m_name.empty() ? std::string("the window") : m_name;
    if (m_member) {
        text += '(';
        text += std::to_string(m_index);
        text += ')';
    }
    text += " failed: ";
    text += faultText(m_fault);
    text += '.';
    return text;
}

} // namespace forms
