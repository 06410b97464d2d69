// The forms services at run time: lookup by name, properties, handlers and their failures.

#include "qt_forms.h"

#include "qt_text.h"
#include "qt_widgets.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>

#include <cmath>

namespace forms {

QtForms::QtForms(const WindowDesc &desc)
    : m_index(desc),
      m_reportFailure([this](const Status &status) {
          QMessageBox::critical(m_unloaded ? nullptr : window(), QApplication::applicationName(),
                                qs(failureReport(status)));
          QApplication::exit(1);
      })
{
    m_built = buildWindow(desc, m_index, *this);
    m_entries.reserve(m_built.controls.size());
    for (const BuiltControl &c : m_built.controls)
        m_entries.push_back({c.widget, c.desc->rect.left, c.desc->rect.top, false});
}

QtForms::~QtForms() = default;

QWidget *QtForms::window() const
{
    return m_built.window.get();
}

QWidget *QtForms::widget(std::string_view name, std::int16_t index) const
{
    const int id = m_index.idOf(name, index);
    return id < 0 ? nullptr : m_entries[std::size_t(id)].widget;
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
    return m_index.lookupName(name, m_unloaded, out);
}

Status QtForms::lookupMember(std::string_view name, std::int16_t index, Control &out)
{
    return m_index.lookupMember(name, index, m_unloaded, out);
}

Status QtForms::find(Operation op, Control c, Kind kind, Entry *&out)
{
    FORMS_CHECK(m_index.find(op, c, kind, m_unloaded));
    out = &m_entries[c.id];
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
    int pixels = 0;
    FORMS_CHECK(checkMove(op, value, m_index.row(c.id), pixels));
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
    const bool editor = m_index.textKind(c) == Kind::RichTextBox;
    Entry *e = nullptr;
    FORMS_CHECK(find(Operation::SetText, c, m_index.textKind(c), e));
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
