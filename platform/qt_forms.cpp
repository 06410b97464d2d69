#include "qt_forms.h"

#include "qt_style.h"
#include "qt_widgets.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>

#include <algorithm>
#include <cmath>
#include <tuple>

namespace forms {

struct QtForms::Entry {
    const ControlDesc *desc = nullptr;
    QWidget *widget = nullptr;    // what the user sees and focuses
    QWidget *container = nullptr; // where the control's children live
    int left = 0;                 // position in the parent, for labels that move
    int top = 0;
    bool movePending = false;
};

namespace {

QString qs(std::string_view s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

QPalette::ColorRole roleOf(SysColour c)
{
    switch (c) {
    case SysColour::InfoBackground: return QPalette::ToolTipBase;
    case SysColour::WindowBackground: return QPalette::Base;
    case SysColour::WindowText: return QPalette::Text;
    case SysColour::ButtonFace: return QPalette::Button;
    case SysColour::ButtonText: return QPalette::ButtonText;
    }
    return QPalette::Window;
}

QColor colourOf(Colour c, const QPalette &scheme)
{
    if (c.isSystem)
        return scheme.color(roleOf(c.system));
    return QColor::fromRgb(QRgb(0xFF000000u | c.rgb));
}

// Widgets draw their text and background with fixed roles; give those roles the
// colours the row asks for.
void applyColours(QWidget *w, const ControlDesc &d, QPalette::ColorRole foreRole, QPalette::ColorRole backRole)
{
    const QPalette scheme = QApplication::palette();
    QPalette p = w->palette();
    p.setColor(foreRole, colourOf(d.fore, scheme));
    p.setColor(backRole, colourOf(d.back, scheme));
    w->setPalette(p);
    w->setForegroundRole(foreRole);
    w->setBackgroundRole(backRole);
}

// The window's fonts are those of its classic design. Where that family is
// missing, a metric-compatible sans-serif takes its place so captions still fit.
QFont classicFont(int pixelSize, QFont::Weight weight)
{
    static const bool substituted = [] {
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                                   {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"), QStringLiteral("Arial"),
                                    QStringLiteral("Helvetica"), QStringLiteral("DejaVu Sans")});
        return true;
    }();
    Q_UNUSED(substituted);
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelSize);
    f.setWeight(weight);
    return f;
}

const QFont &fontOf(Font font)
{
    static const QFont dialog = classicFont(11, QFont::Normal);
    static const QFont heading = classicFont(13, QFont::Bold);
    return font == Font::HeadingBold ? heading : dialog;
}

std::tuple<std::string_view, std::int16_t> keyOf(const ControlDesc &d)
{
    return {d.name, d.index};
}

} // namespace

class QtForms::Builder {
public:
    explicit Builder(QtForms &forms) : m_forms(forms) {}

    void build(const WindowDesc &desc)
    {
        // Before any widget exists, so none is polished twice.
        CachedFrameStyle::install();
        // A text box lays out its text once in the application font before it
        // takes its own; with the dialog font as the application's, no other
        // family is ever matched and loaded.
        QApplication::setFont(fontOf(Font::Dialog));
        auto *form = new FormWindow(desc.form);
        m_forms.m_window.reset(form);
        QPalette p = form->palette();
        p.setColor(QPalette::Window, colourOf(desc.form.back, QApplication::palette()));
        form->setPalette(p);
        form->setFont(fontOf(Font::Dialog));
        setAccessibleRole(form, QAccessible::Window);
        form->setOnClose([this_ = &m_forms] { this_->m_unloaded = true; });

        for (const auto &table : desc.tables)
            for (const ControlDesc &row : table)
                add(row);

        auto &entries = m_forms.m_entries;
        auto &byName = m_forms.m_byName;
        byName.resize(entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i)
            byName[i] = std::uint16_t(i);
        std::sort(byName.begin(), byName.end(), [&entries](std::uint16_t a, std::uint16_t b) {
            return keyOf(*entries[a].desc) < keyOf(*entries[b].desc);
        });
        for (std::size_t i = 0; i < byName.size(); ++i) {
            auto &run = m_forms.m_names[entries[byName[i]].desc->name];
            if (run.count++ == 0)
                run.first = std::uint16_t(i);
        }

        std::vector<const Entry *> stops;
        for (const Entry &e : entries)
            if (takesFocus(e.desc->kind) && e.desc->focus != kNoFocus)
                stops.push_back(&e);
        std::stable_sort(stops.begin(), stops.end(),
                         [](const Entry *a, const Entry *b) { return a->desc->focus < b->desc->focus; });
        std::vector<QWidget *> widgets;
        widgets.reserve(stops.size());
        for (const Entry *e : stops)
            widgets.push_back(e->widget);
        form->setFocusStops(std::move(widgets));
    }

private:
    QWidget *parentFor(const ControlDesc &row)
    {
        if (row.parent.empty())
            return m_forms.m_window.get();
        for (const Entry &e : m_forms.m_entries)
            if (e.desc->name == row.parent && e.desc->index == row.parentIndex)
                return e.container;
        qFatal("window description: parent %s of %s is not built before it",
               std::string(row.parent).c_str(), std::string(row.name).c_str());
    }

    void add(const ControlDesc &row)
    {
        QWidget *parent = parentFor(row);
        Entry entry;
        entry.desc = &row;
        entry.left = row.rect.left;
        entry.top = row.rect.top;
        QWidget *w = create(row, parent, entry);
        w->setObjectName(row.index == kSingle ? qs(row.name)
                                              : qs(row.name) + QLatin1Char('(') + QString::number(row.index) + QLatin1Char(')'));
        w->setGeometry(row.rect.left, row.rect.top, row.rect.width, row.rect.height);
        if (row.font != Font::Dialog)
            w->setFont(fontOf(row.font));
        if (!row.accessibleName.empty())
            w->setAccessibleName(qs(row.accessibleName));
        w->setFocusPolicy(takesFocus(row.kind) && row.focus != kNoFocus ? Qt::StrongFocus : Qt::NoFocus);
        entry.widget = w;
        if (!entry.container)
            entry.container = w;
        if (m_forms.m_entries.size() >= UINT16_MAX)
            qFatal("window description: too many controls");
        m_forms.m_entries.push_back(entry);
    }

    QWidget *create(const ControlDesc &row, QWidget *parent, Entry &entry)
    {
        switch (row.kind) {
        case Kind::PictureBox: {
            auto *box = new QFrame(parent);
            box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            box->setLineWidth(row.border);
            // The box takes the focus and the name; its client area is the picture
            // the markers stand on.
            setAccessibleRole(box, QAccessible::Canvas);
            auto *canvas = new PictureCanvas(row.picture, box);
            setAccessibleRole(canvas, QAccessible::Graphic);
            canvas->setAccessibleName(qs(row.accessibleName));
            canvas->setGeometry(row.border, row.border, row.rect.width - 2 * row.border,
                                row.rect.height - 2 * row.border);
            applyColours(canvas, row, QPalette::WindowText, QPalette::Window);
            if (row.onMouseDown)
                canvas->setOnMouseDown([forms = &m_forms, handler = row.onMouseDown](const MouseDown &e) {
                    forms->runMouseDown(handler, e);
                });
            entry.container = canvas;
            return box;
        }
        case Kind::OptionButton: {
            auto *radio = new QRadioButton(qs(row.caption), parent);
            radio->setAutoExclusive(true);
            radio->setChecked(row.value != 0);
            radio->setAutoFillBackground(true);
            applyColours(radio, row, QPalette::WindowText, QPalette::Window);
            return radio;
        }
        case Kind::Label: {
            if (row.look != LabelLook::Text) {
                auto *swatch = new SwatchLabel(row, parent);
                setAccessibleRole(swatch, QAccessible::Graphic);
                applyColours(swatch, row, QPalette::WindowText, QPalette::Window);
                return swatch;
            }
            auto *label = new QLabel(qs(row.caption), parent);
            label->setAlignment((row.align == Align::Centre ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
            applyColours(label, row, QPalette::WindowText, QPalette::Window);
            return label;
        }
        case Kind::TextBox: {
            auto *edit = new QLineEdit(qs(row.caption), parent);
            edit->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            edit->setValidator(new WholeCharacterValidator(edit));
            applyColours(edit, row, QPalette::Text, QPalette::Base);
            return edit;
        }
        case Kind::RichTextBox: {
            auto *editor = new NotesEditor(parent);
            applyColours(editor, row, QPalette::Text, QPalette::Base);
            return editor;
        }
        case Kind::Frame: {
            auto *frame = new QGroupBox(qs(row.caption), parent);
            frame->setAutoFillBackground(true);
            applyColours(frame, row, QPalette::WindowText, QPalette::Window);
            return frame;
        }
        case Kind::CommandButton: {
            auto *button = new PictureButton(row.picture, parent);
            if (row.onClick)
                QObject::connect(button, &QPushButton::clicked, button,
                                 [forms = &m_forms, handler = row.onClick] { forms->runClick(handler); });
            return button;
        }
        }
        qFatal("window description: unknown kind of control");
    }

    QtForms &m_forms;
};

QtForms::QtForms(const WindowDesc &desc)
    : m_reportFailure([this](const Status &status) {
          QMessageBox::critical(m_unloaded ? nullptr : m_window.get(), QApplication::applicationName(),
                                QString::fromStdString(status.describe()) +
                                    QStringLiteral("\n\nThe program cannot go on and will close."));
          QApplication::exit(1);
      })
{
    Builder(*this).build(desc);
}

QtForms::~QtForms() = default;

QWidget *QtForms::window() const
{
    return m_window.get();
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
    auto *form = static_cast<FormWindow *>(m_window.get());
    if (!form->focusStops().empty())
        form->focusStops().front()->setFocus(Qt::OtherFocusReason);
    form->show();
}

void QtForms::setFailureReporter(FailureReporter reporter)
{
    m_reportFailure = std::move(reporter);
}

Status QtForms::lookup(std::string_view name, Control &out)
{
    return lookupKey(name, kSingle, out);
}

Status QtForms::lookup(std::string_view name, std::int16_t index, Control &out)
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
        e.widget->move(e.left, e.top);
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
    m_window->close();
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
