#pragma once

// The widgets the forms binding builds. Each adds to a stock Qt widget only the
// behaviour a forms control has and the stock widget lacks.

#include "platform/forms.h"
#include "platform/window_desc.h"

#include <QAccessible>
#include <QFrame>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QValidator>
#include <QWidget>

#include <functional>
#include <vector>

namespace forms {

// Gives a widget the role a screen reader announces, where Qt would report a
// generic one (a plain frame or widget that stands for a picture or a map).
void setAccessibleRole(QWidget *widget, QAccessible::Role role);

// A picture rendered on demand at the device pixel ratio it is shown at.
class PictureCache {
public:
    explicit PictureCache(const PictureDesc *desc = nullptr) : m_desc(desc) {}
    bool isNull() const { return m_desc == nullptr; }
    const QPixmap &at(qreal devicePixelRatio);

private:
    const PictureDesc *m_desc;
    QPixmap m_pixmap;
};

// The top-level window. It walks the focus order of the description itself:
// the selectors share one stop, and non-focusable rows are skipped. The arrow
// keys walk a group of option buttons in that order too, wrapping at its ends.
class FormWindow final : public QWidget {
public:
    explicit FormWindow(const FormDesc &desc);

    void setFocusStops(std::vector<QWidget *> stops);
    const std::vector<QWidget *> &focusStops() const { return m_stops; }
    void setOnClose(std::function<void()> onClose) { m_onClose = std::move(onClose); }

protected:
    bool focusNextPrevChild(bool next) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool isStop(const QWidget *w) const;
    bool selectInGroup(QWidget *from, bool next);
    void refuseMaximised();

    std::vector<QWidget *> m_stops;
    std::function<void()> m_onClose;
    bool m_refuseAfterPaint = false;
};

// The client area of a picture box: shows its picture from the top-left corner,
// the box's own background elsewhere, and reports presses to its handler. A
// press belongs to the pixel it lies in; one on a marker's square is the marker's.
class PictureCanvas final : public QWidget {
public:
    PictureCanvas(const PictureDesc *picture, QWidget *parent);

    void setOnMouseDown(std::function<void(const MouseDown &)> handler) { m_onMouseDown = std::move(handler); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    PictureCache m_picture;
    std::function<void(const MouseDown &)> m_onMouseDown;
};

// A label drawn as a filled square or a numbered box. Presses on a marker go on
// to the map, which finds them on the marker's square.
class SwatchLabel final : public QWidget {
public:
    SwatchLabel(const ControlDesc &desc, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const ControlDesc &m_desc;
};

// Keeps a single-line box from holding half a character: where the platform's
// length limit cuts a paste inside a surrogate pair, the orphaned half goes.
class WholeCharacterValidator final : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override;
};

// A single-line cell. A Qt line edit has no caret position on record until its
// caret first moves, and the selection a Tab into an empty cell makes counts as
// that first move: the caret report reaches a screen reader before the focus
// does, and the screen reader then takes the focus as already presented and
// says nothing. The cell records its caret once while it is still unseen, so
// that being focused reports nothing before the focus.
class TextCell final : public QLineEdit {
public:
    TextCell(const QString &text, QWidget *parent);
};

// The notes take text only: a paste keeps its words but not its formatting, so
// pasted HTML can name no file or URL to load, and even megabytes of text are
// laid out in a moment, where a rich-text layout takes seconds.
class NotesEditor final : public QPlainTextEdit {
public:
    explicit NotesEditor(QWidget *parent);
};

// A push button whose face is a picture centred on it, with the platform's
// bevel, pressed and focus looks around it.
class PictureButton final : public QPushButton {
public:
    PictureButton(const PictureDesc *face, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    PictureCache m_face;
};

} // namespace forms
