// Numbering, lookup, move checks, focus order and the failure report, once for every binding.

#include "control_index.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace forms {

namespace {

std::tuple<std::string_view, std::int16_t> keyOf(const ControlDesc &d)
{
    return {d.name, d.index};
}

} // namespace

ControlIndex::ControlIndex(const WindowDesc &desc)
{
    for (const auto &table : desc.tables)
        for (const ControlDesc &row : table)
            m_rows.push_back(&row);

    m_byName.resize(m_rows.size());
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        m_byName[i] = std::uint16_t(i);
    std::sort(m_byName.begin(), m_byName.end(),
              [this](std::uint16_t a, std::uint16_t b) { return keyOf(*m_rows[a]) < keyOf(*m_rows[b]); });
    for (std::size_t i = 0; i < m_byName.size(); ++i) {
        auto &run = m_names[m_rows[m_byName[i]]->name];
        if (run.count++ == 0)
            run.first = std::uint16_t(i);
    }

    for (std::size_t i = 0; i < m_rows.size(); ++i)
        if (takesFocus(m_rows[i]->kind) && m_rows[i]->focus != kNoFocus)
            m_focusOrder.push_back(std::uint16_t(i));
    std::stable_sort(m_focusOrder.begin(), m_focusOrder.end(),
                     [this](std::uint16_t a, std::uint16_t b) { return m_rows[a]->focus < m_rows[b]->focus; });
}

int ControlIndex::idOf(std::string_view name, std::int16_t index) const
{
    Control c;
    return lookupKey(name, index, false, c).ok() ? int(c.id) : -1;
}

Status ControlIndex::lookupName(std::string_view name, bool unloaded, Control &out) const
{
    return lookupKey(name, kSingle, unloaded, out);
}

Status ControlIndex::lookupMember(std::string_view name, std::int16_t index, bool unloaded, Control &out) const
{
    if (index < 0)
        return Status::memberFailure(Operation::Lookup, unloaded ? Fault::Unloaded : Fault::NoSuchMember, name, index);
    return lookupKey(name, index, unloaded, out);
}

Status ControlIndex::lookupKey(std::string_view name, std::int16_t index, bool unloaded, Control &out) const
{
    if (unloaded)
        return Status::failure(Operation::Lookup, Fault::Unloaded, name, index);
    const auto named = m_names.find(name);
    if (named == m_names.end())
        return Status::failure(Operation::Lookup, Fault::NoSuchControl, name, index);
    const auto first = m_byName.begin() + named->second.first;
    const auto last = first + named->second.count;
    // Members are numbered from 0 without gaps as a rule, so the index is the offset.
    if (index >= 0 && index < named->second.count && m_rows[first[index]]->index == index) {
        out.id = first[index];
        return {};
    }
    const auto it = std::lower_bound(first, last, index,
                                     [this](std::uint16_t id, std::int16_t i) { return m_rows[id]->index < i; });
    if (it != last && m_rows[*it]->index == index) {
        out.id = *it;
        return {};
    }
    return Status::failure(Operation::Lookup, Fault::NoSuchMember, name, index);
}

Status ControlIndex::find(Operation op, Control c, Kind kind, bool unloaded) const
{
    if (c.id >= m_rows.size())
        return Status::failure(op, Fault::NoSuchControl, {}, kSingle);
    const ControlDesc &row = *m_rows[c.id];
    if (unloaded)
        return Status::failure(op, Fault::Unloaded, row.name, row.index);
    if (row.kind != kind)
        return Status::failure(op, Fault::WrongKind, row.name, row.index);
    return {};
}

Kind ControlIndex::textKind(Control c) const
{
    return c.id < m_rows.size() && m_rows[c.id]->kind == Kind::RichTextBox ? Kind::RichTextBox : Kind::TextBox;
}

Status checkMove(Operation op, float value, const ControlDesc &row, int &pixels)
{
    // Widget coordinates are limited to 16 bits on some platforms; farther is nonsense.
    if (!std::isfinite(value) || std::fabs(value) > 32767.0f)
        return Status::failure(op, Fault::BadValue, row.name, row.index);
    pixels = int(std::lround(value));
    return {};
}

std::string failureReport(const Status &status)
{
    return status.describe() + "\n\nThe program cannot go on and will close.";
}

} // namespace forms
