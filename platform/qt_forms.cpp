// The forms services at run time: lookup by name, properties, handlers and their failures.

#include "qt_forms.h"

#include "qt_text.h"
#include "qt_widgets.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>

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

QtForms::QtForms(const WindowDesc &desc)
    : m_reportFailure([this](const Status &status) {
          QMessageBox::critical(m_unloaded ? nullptr : window(), QApplication::applicationName(),
                                QString::fromStdString(status.describe()) +
                                    QStringLiteral("\n\nThe program cannot go on and will close."));
          QApplication::exit(1);
      })
{
    m_built = buildWindow(desc, *this);
    m_entries.reserve(m_built.controls.size());
    for (const BuiltControl &c : m_built.controls)
        m_entries.push_back({c.desc, c.widget, c.desc->rect.left, c.desc->rect.top, false});

    m_byName.resize(m_entries.size());
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        m_byName[i] = std::uint16_t(i);
    std::sort(m_byName.begin(), m_byName.end(), [this](std::uint16_t a, std::uint16_t b) {
        return keyOf(*m_entries[a].desc) < keyOf(*m_entries[b].desc);
    });
    for (std::size_t i = 0; i < m_byName.size(); ++i) {
        auto &run = m_names[m_entries[m_byName[i]].desc->name];
        if (run.count++ == 0)
            run.first = std::uint16_t(i);
    }
}

QtForms::~QtForms() = default;

QWidget *QtForms::window() const
{
    return m_built.window.get();
}

QWidget *QtForms::widget(std::string_view name, std::int16_t index) const
{
    for (const Entry &e : m_entries)
        if (e.desc->name == name && e.desc->index == index)
            return e.widget;
    return nullptr;
}

void QtForms::show()
{
    FormWindow *form = m_built.window.get();
    if (!form->focusStops().empty())
        form->focusStops().front()->setFocus(Qt::OtherFocusReason);
    form->show();
}

void QtForms::setFailureReporter(FailureReporter reporter)
{
    m_reportFailure = std::move(reporter);
}

Status QtForms::lookupName(std::string_view name, Control &out)
{
    return lookupKey(name, kSingle, out);
}

Status QtForms::lookupMember(std::string_view name, std::int16_t index, Control &out)
{
    if (index < 0)
        return Status::memberFailure(Operation::Lookup, m_unloaded ? Fault::Unloaded : Fault::NoSuchMember, name, index);
    return lookupKey(name, index, out);
}

Status QtForms::lookupKey(std::string_view name, std::int16_t index, Control &out)
{
    if (m_unloaded)
        return Status::failure(Operation::Lookup, Fault::Unloaded, name, index);
    const auto named = m_names.find(name);
    if (named == m_names.end())
        return Status::failure(Operation::Lookup, Fault::NoSuchControl, name, index);
    const auto first = m_byName.begin() + named->second.first;
    const auto last = first + named->second.count;
    // Members are numbered from 0 without gaps as a rule, so the index is the offset.
    if (index >= 0 && index < named->second.count && m_entries[first[index]].desc->index == index) {
        out.id = first[index];
        return {};
    }
    const auto it = std::lower_bound(first, last, index,
                                     [this](std::uint16_t id, std::int16_t i) { return m_entries[id].desc->index < i; });
    if (it != last && m_entries[*it].desc->index == index) {
        out.id = *it;
        return {};
    }
    return Status::failure(Operation::Lookup, Fault::NoSuchMember, name, index);
}

Status QtForms::find(Operation op, Control c, Kind kind, Entry *&out)
{
    if (c.id >= m_entries.size())
        return Status::failure(op, Fault::NoSuchControl, {}, kSingle);
    Entry &e = m_entries[c.id];
    if (m_unloaded)
        return Status::failure(op, Fault::Unloaded, e.desc->name, e.desc->index);
    if (e.desc->kind != kind)
        return Status::failure(op, Fault::WrongKind, e.desc->name, e.desc->index);
    out = &e;
    return {};
}

Status QtForms::value(Control c, std::int16_t &out)
{
    Entry *e = nullptr;
    FORMS_CHECK(find(Operation::GetValue, c, Kind::OptionButton, e));
    out = static_cast<QRadioButton *>(e->widget)->isChecked() ? -1 : 0;
    return {};
}

Status QtForms::move(Operation op, Control c, float value)
{
    Entry *e = nullptr;
    FORMS_CHECK(find(op, c, Kind::Label, e));
    // Widget coordinates are limited to 16 bits on some platforms; farther is nonsense.
    if (!std::isfinite(value) || std::fabs(value) > 32767.0f)
        return Status::failure(op, Fault::BadValue, e->desc->name, e->desc->index);
    const int pixels = int(std::lround(value));
    (op == Operation::SetTop ? e->top : e->left) = pixels;
    if (!e->movePending) {
        e->movePending = true;
        m_pendingMoves.push_back(c.id);
    }
    // Inside a handler the moves are applied together when it returns, so that a
    // marker moved by Top then Left repaints only where it was and where it is.
    if (!m_inHandler)
        flushMoves();
    return {};
}

void QtForms::flushMoves()
{
    for (std::uint16_t id : m_pendingMoves) {
        Entry &e = m_entries[id];
        e.movePending = false;
        const QRect was = e.widget->geometry();
        e.widget->move(e.left, e.top);
        // At a fractional pixel ratio Qt repaints the place a control left in the
        // device pixels wholly inside it, but the control also drew those its edges
        // cut; a logical pixel round that place is repainted too, so no sliver stays.
        const qreal ratio = e.widget->devicePixelRatioF();
        if (ratio != std::floor(ratio) && e.widget->geometry() != was)
            e.widget->parentWidget()->update(was.adjusted(-1, -1, 1, 1));
    }
    m_pendingMoves.clear();
}

Status QtForms::setTop(Control c, float top)
{
    return move(Operation::SetTop, c, top);
}

Status QtForms::setLeft(Control c, float left)
{
    return move(Operation::SetLeft, c, left);
}

Status QtForms::setText(Control c, std::string_view utf8)
{
    // Text boxes and notes editors both have Text; it replaces the whole content.
    const bool editor = c.id < m_entries.size() && m_entries[c.id].desc->kind == Kind::RichTextBox;
    Entry *e = nullptr;
    FORMS_CHECK(find(Operation::SetText, c, editor ? Kind::RichTextBox : Kind::TextBox, e));
    // Setting what a control already holds, with nothing to undo, changes nothing
    // but repaints it in full; Clear on an emptied sheet would repaint 100 000 pixels.
    const QString text = qs(utf8);
    if (editor) {
        auto *notes = static_cast<NotesEditor *>(e->widget);
        const QTextDocument *doc = notes->document();
        if (!text.isEmpty() || !doc->isEmpty() || doc->isModified() || doc->isUndoAvailable() ||
            doc->isRedoAvailable())
            notes->setPlainText(text);
    } else {
        auto *edit = static_cast<QLineEdit *>(e->widget);
        if (edit->text() != text || edit->isModified() || edit->isUndoAvailable() || edit->isRedoAvailable() ||
            edit->hasSelectedText() || edit->cursorPosition() != text.size())
            edit->setText(text);
    }
    return {};
}

Status QtForms::unload()
{
    if (m_unloaded)
        return Status::failure(Operation::Unload, Fault::Unloaded, {}, kSingle);
    m_built.window->close();
    m_unloaded = true;
    return {};
}

void QtForms::runClick(ClickHandler handler)
{
    m_inHandler = true;
    const Status status = handler(*this);
    m_inHandler = false;
    flushMoves();
    finish(status);
}

void QtForms::runMouseDown(MouseDownHandler handler, const MouseDown &event)
{
    m_inHandler = true;
    const Status status = handler(*this, event);
    m_inHandler = false;
    flushMoves();
    finish(status);
}

void QtForms::finish(const Status &status)
{
    if (!status.ok() && m_reportFailure)
        m_reportFailure(status);
}

} // namespace forms
