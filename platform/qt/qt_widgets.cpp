// The widget subclasses the binding builds: focus walking, the picture box, markers,
// cell validation, the notes editor and the picture buttons.

#include "qt_widgets.h"

#include "qt_faces.h"
#include "qt_text.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStylePainter>

#include <algorithm>
#include <cmath>
#include <utility>

namespace forms {

namespace {

constexpr char kRoleProperty[] = "kzdAccessibleRole";

QAccessibleInterface *accessibleWithRole(const QString &, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    const QVariant role = object->property(kRoleProperty);
    if (!role.isValid())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Role(role.toInt()));
}

} // namespace

void setAccessibleRole(QWidget *widget, QAccessible::Role role)
{
    static const bool installed = [] {
        QAccessible::installFactory(&accessibleWithRole);
        return true;
    }();
    Q_UNUSED(installed);
    widget->setProperty(kRoleProperty, int(role));
    // Qt makes and keeps an interface as soon as any accessibility event names
    // the widget (setting its name does); drop one made with the generic role.
    if (QAccessibleInterface *made = QAccessible::queryAccessibleInterface(widget); made && made->role() != role)
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

const QPixmap &PictureCache::at(qreal devicePixelRatio)
{
    if (m_desc && (m_pixmap.isNull() || m_pixmap.devicePixelRatio() != devicePixelRatio)) {
        m_pixmap = QPixmap::fromImage(m_desc->face ? renderFace(*m_desc, devicePixelRatio)
                                                   : imageOf(m_desc->render(devicePixelRatio)));
        m_pixmap.setDevicePixelRatio(devicePixelRatio);
    }
    return m_pixmap;
}

FormWindow::FormWindow(const FormDesc &desc)
{
    setWindowTitle(qs(desc.caption));
    setObjectName(qs(desc.name));
    setFixedSize(desc.clientWidth, desc.clientHeight);
    // A window of one fixed size has nothing to maximise to: its frame is asked
    // for a title, minimise and close only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setAutoFillBackground(true);
}

void FormWindow::setFocusStops(std::vector<QWidget *> stops)
{
    m_stops = std::move(stops);
    for (QWidget *w : m_stops)
        if (qobject_cast<QRadioButton *>(w))
            w->installEventFilter(this);
}

bool FormWindow::isStop(const QWidget *w) const
{
    if (!w->isEnabled() || !w->isVisibleTo(this))
        return false;
    // Of an exclusive group only the selected button is a stop.
    if (const auto *radio = qobject_cast<const QRadioButton *>(w))
        return radio->isChecked();
    return true;
}

bool FormWindow::focusNextPrevChild(bool next)
{
    if (m_stops.empty())
        return false;
    const QWidget *current = QApplication::focusWidget();
    auto it = std::find_if(m_stops.begin(), m_stops.end(),
                           [current](const QWidget *w) { return w == current || w->isAncestorOf(current); });
    const auto count = std::ptrdiff_t(m_stops.size());
    std::ptrdiff_t pos = it == m_stops.end() ? (next ? -1 : count) : it - m_stops.begin();
    for (std::ptrdiff_t step = 0; step < count; ++step) {
        pos = ((next ? pos + 1 : pos - 1) % count + count) % count;
        QWidget *candidate = m_stops[std::size_t(pos)];
        if (isStop(candidate)) {
            candidate->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return false;
}

// Qt moves between option buttons by their places on the screen, which would
// send Left from an enemy to a player character and Right nowhere. A group is
// walked in focus order instead, and moving selects, as in a classic dialog.
bool FormWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    switch (key->key()) {
    case Qt::Key_Up:
    case Qt::Key_Left: return selectInGroup(static_cast<QWidget *>(watched), false);
    case Qt::Key_Down:
    case Qt::Key_Right: return selectInGroup(static_cast<QWidget *>(watched), true);
    default: return false;
    }
}

bool FormWindow::selectInGroup(QWidget *from, bool next)
{
    std::vector<QRadioButton *> group;
    for (QWidget *w : m_stops)
        if (auto *radio = qobject_cast<QRadioButton *>(w);
            radio && radio->parentWidget() == from->parentWidget() && radio->autoExclusive())
            group.push_back(radio);
    const auto at = std::find(group.begin(), group.end(), from);
    if (at == group.end())
        return false;
    const auto count = std::ptrdiff_t(group.size());
    std::ptrdiff_t pos = at - group.begin();
    for (std::ptrdiff_t step = 1; step < count; ++step) {
        pos = ((next ? pos + 1 : pos - 1) % count + count) % count;
        QRadioButton *candidate = group[std::size_t(pos)];
        if (candidate->isEnabled() && candidate->isVisibleTo(this)) {
            candidate->setChecked(true);
            candidate->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return true;
}

void FormWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // Qt's own title bar on Wayland draws a maximise button whatever the window
    // asks for; a press on it would leave the frame showing a maximised window
    // of the same fixed size. The window takes the state back once a frame of
    // the maximised window has gone out. Taken back earlier, the compositor may
    // never hear of it (Qt sends nothing before it has applied the state), or
    // weston may drop it (between the client's acknowledgement and its next
    // frame it compares the request with the state before), and Qt 6.8 keeps
    // the screen-filling size it was given; Qt 6.4 draws the fixed size into
    // the maximised surface, which the compositor rejects as a protocol error.
    if (event->type() == QEvent::WindowStateChange && isMaximized()) {
        m_refuseAfterPaint = isVisible();
        if (m_refuseAfterPaint)
            update();
        else
            refuseMaximised();
    }
}

void FormWindow::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    // The frame this paint belongs to goes out before queued calls run.
    if (std::exchange(m_refuseAfterPaint, false))
        refuseMaximised();
}

void FormWindow::refuseMaximised()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (isMaximized())
                setWindowState(windowState() & ~Qt::WindowMaximized);
        },
        Qt::QueuedConnection);
}

void FormWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (m_onClose)
        m_onClose();
}

PictureCanvas::PictureCanvas(const PictureDesc *picture, QWidget *parent)
    : QWidget(parent), m_picture(picture)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureCanvas::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect dirty = event->rect();
    QRect covered;
    if (!m_picture.isNull()) {
        const QPixmap &pixmap = m_picture.at(devicePixelRatioF());
        covered = QRect(QPoint(0, 0), pixmap.deviceIndependentSize().toSize());
        const QRect part = dirty & covered;
        if (!part.isEmpty()) {
            // Whole device pixels of the picture onto the same device pixels: at a
            // fractional ratio a logical rectangle ends inside a device pixel, and
            // Qt 6.11 resamples such a source instead of copying it.
            const qreal dpr = pixmap.devicePixelRatio();
            const QRect source =
                QRectF(part.x() * dpr, part.y() * dpr, part.width() * dpr, part.height() * dpr).toAlignedRect()
                & pixmap.rect();
            painter.drawPixmap(QRectF(source.x() / dpr, source.y() / dpr, source.width() / dpr, source.height() / dpr),
                               pixmap, QRectF(source));
        }
    }
    // What the picture does not cover shows the box's own background.
    const QRegion rest = QRegion(dirty) - QRegion(covered);
    for (const QRect &r : rest)
        painter.fillRect(r, palette().color(backgroundRole()));
}

void PictureCanvas::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    // Qt gives a press to the widget under the nearest whole pixel, and rounds
    // its position to it, which above a pixel ratio of 1 can be the next pixel
    // over: a marker passes its presses on, and here a press lies on the pixel
    // its position in the window falls in.
    const QPointF at = mapFrom(window(), event->scenePosition());
    const QPoint p(int(std::floor(at.x())), int(std::floor(at.y())));
    if (!m_onMouseDown || !rect().contains(p) || childAt(p))
        return;
    MouseDown down;
    down.button = std::uint16_t(event->button());
    down.shift = std::uint16_t(event->modifiers().toInt() >> 25);
    down.x = float(p.x());
    down.y = float(p.y());
    m_onMouseDown(down);
}

void PictureCanvas::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double-click arrives as this event alone, and Qt's
    // default would run the press handler for it; a double-click places nothing.
    event->accept();
}

SwatchLabel::SwatchLabel(const ControlDesc &desc, QWidget *parent) : QWidget(parent), m_desc(desc)
{
    if (desc.look == LabelLook::Fill)
        setAttribute(Qt::WA_OpaquePaintEvent);
}

void SwatchLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect r = rect();
    if (m_desc.look == LabelLook::Fill) {
        painter.fillRect(r, palette().color(QPalette::Window));
        return;
    }
    // A flat black 1-pixel border; the inside stays unfilled so the map shows through.
    const QColor black(Qt::black);
    painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), black);
    painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), black);
    painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), black);
    painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), black);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setFont(font());
    painter.drawText(r.adjusted(1, 1, -1, -1), Qt::AlignHCenter | Qt::AlignTop,
                     qs(m_desc.caption));
}

QValidator::State WholeCharacterValidator::validate(QString &input, int &pos) const
{
    for (qsizetype i = 0; i < input.size();) {
        if (input[i].isHighSurrogate() && i + 1 < input.size() && input[i + 1].isLowSurrogate()) {
            i += 2;
        } else if (input[i].isSurrogate()) {
            input.remove(i, 1);
            if (i < pos)
                --pos;
        } else {
            ++i;
        }
    }
    return Acceptable;
}

TextCell::TextCell(const QString &text, QWidget *parent) : QLineEdit(text, parent)
{
    setCursorPosition(cursorPosition());
}

NotesEditor::NotesEditor(QWidget *parent) : QPlainTextEdit(parent)
{
    setTabChangesFocus(true);
}

PictureButton::PictureButton(const PictureDesc *face, QWidget *parent) : QPushButton(parent), m_face(face)
{
    setAutoDefault(false);
    setDefault(false);
}

void PictureButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    painter.drawControl(QStyle::CE_PushButtonBevel, option);
    if (!m_face.isNull()) {
        const QPixmap &face = m_face.at(devicePixelRatioF());
        const QSize size = face.deviceIndependentSize().toSize();
        QPoint at((width() - size.width()) / 2, (height() - size.height()) / 2);
        if (isDown() || isChecked()) {
            // The face hides nearly all of the bevel, so where the style does not
            // shift a pressed button's contents the face sinks by a pixel itself.
            const QPoint shift(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                               style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
            at += shift.isNull() ? QPoint(1, 1) : shift;
        }
        painter.drawPixmap(at, face);
    }
    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.rect = style()->subElementRect(QStyle::SE_PushButtonFocusRect, &option, this);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

} // namespace forms
