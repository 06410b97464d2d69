// Building the window's widgets from its rows: kinds, colours, fonts, names, focus stops.

#include "qt_build.h"

#include "qt_look.h"
#include "qt_text.h"
#include "qt_widgets.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>


namespace forms {

namespace {

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

class Builder {
public:
    Builder(BuiltWindow &built, EventSink &events) : m_built(built), m_events(events) {}

    void build(const WindowDesc &desc, const ControlIndex &index)
    {
        auto *form = new FormWindow(desc.form);
        m_built.window.reset(form);
        QPalette p = form->palette();
        p.setColor(QPalette::Window, colourOf(desc.form.back, QApplication::palette()));
        form->setPalette(p);
        form->setFont(fontOf(Font::Dialog));
        setAccessibleRole(form, QAccessible::Window);
        form->setOnClose([events = &m_events] { events->closed(); });

        for (const auto &table : desc.tables)
            for (const ControlDesc &row : table)
                add(row);

        // The window walks its stops in the order of their focus numbers.
        std::vector<QWidget *> widgets;
        widgets.reserve(index.focusOrder().size());
        for (std::uint16_t id : index.focusOrder())
            widgets.push_back(m_built.controls[id].widget);
        form->setFocusStops(std::move(widgets));
    }

private:
    QWidget *parentFor(const ControlDesc &row)
    {
        if (row.parent.empty())
            return m_built.window.get();
        for (const BuiltControl &c : m_built.controls)
            if (c.desc->name == row.parent && c.desc->index == row.parentIndex)
                return c.container;
        qFatal("window description: parent %s of %s is not built before it",
               std::string(row.parent).c_str(), std::string(row.name).c_str());
    }

    void add(const ControlDesc &row)
    {
        BuiltControl built;
        built.desc = &row;
        QWidget *w = create(row, parentFor(row), built);
        w->setObjectName(row.index == kSingle ? qs(row.name)
                                              : qs(row.name) + QLatin1Char('(') + QString::number(row.index) + QLatin1Char(')'));
        w->setGeometry(row.rect.left, row.rect.top, row.rect.width, row.rect.height);
        if (row.font != Font::Dialog)
            w->setFont(fontOf(row.font));
        if (!row.accessibleName.empty())
            w->setAccessibleName(qs(row.accessibleName));
        w->setFocusPolicy(takesFocus(row.kind) && row.focus != kNoFocus ? Qt::StrongFocus : Qt::NoFocus);
        built.widget = w;
        if (!built.container)
            built.container = w;
        if (m_built.controls.size() >= UINT16_MAX)
            qFatal("window description: too many controls");
        m_built.controls.push_back(built);
    }

    QWidget *create(const ControlDesc &row, QWidget *parent, BuiltControl &built)
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
                canvas->setOnMouseDown([events = &m_events, handler = row.onMouseDown](const MouseDown &e) {
                    events->mouseDown(handler, e);
                });
            built.container = canvas;
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
            auto *edit = new TextCell(qs(row.caption), parent);
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
                                 [events = &m_events, handler = row.onClick] { events->click(handler); });
            return button;
        }
        }
        qFatal("window description: unknown kind of control");
    }

    BuiltWindow &m_built;
    EventSink &m_events;
};

} // namespace

BuiltWindow buildWindow(const WindowDesc &desc, const ControlIndex &index, EventSink &events)
{
    BuiltWindow built;
    Builder(built, events).build(desc, index);
    return built;
}

} // namespace forms
