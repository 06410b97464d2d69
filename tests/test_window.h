#pragma once

// The real window, built from its description, for tests that drive it as a user would.

#include "app/window.h"
#include "platform/qt/qt_forms.h"
#include "platform/qt/qt_look.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QPlainTextEdit>
#include <QWidget>
#include <QWindow>

#include <memory>

// Types text as a keyboard would, one key event a character (a surrogate pair
// travels together), for any script; QTest::keyClicks takes Latin-1 only.
inline void typeText(QWidget *widget, const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        QString unit(text[i]);
        if (text[i].isHighSurrogate() && i + 1 < text.size())
            unit += text[++i];
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, unit);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, unit);
        QApplication::sendEvent(widget, &press);
        QApplication::sendEvent(widget, &release);
    }
}

class TestWindow {
public:
    // On the given screen, or the primary one.
    explicit TestWindow(QScreen *screen = nullptr)
        : m_forms((forms::installLook(app::kWindow), std::make_unique<forms::QtForms>(app::kWindow)))
    {
        m_forms->setFailureReporter([this](const forms::Status &s) { m_failures.push_back(s.describe()); });
        if (screen) {
            m_forms->window()->setScreen(screen);
            m_forms->window()->move(screen->geometry().topLeft());
        }
        m_forms->show();
        m_exposed = QTest::qWaitForWindowExposed(m_forms->window());
        m_forms->window()->activateWindow();
    }

    bool exposed() const { return m_exposed; }
    forms::QtForms &forms() { return *m_forms; }
    QWidget *window() const { return m_forms->window(); }
    QWidget *widget(std::string_view name, std::int16_t index = forms::kSingle) const
    {
        return m_forms->widget(name, index);
    }

    // The client area of the map box: presses land here, markers live here.
    QWidget *map() const { return m_forms->widget(map::kMapBox)->findChild<QWidget *>(QString(), Qt::FindDirectChildrenOnly); }
    QWidget *marker(int slot) const { return m_forms->widget(map::kMarkers, std::int16_t(slot)); }
    QRadioButton *selector(int slot) const
    {
        return static_cast<QRadioButton *>(m_forms->widget(map::kSelectors[std::size_t(slot)]));
    }
    QLineEdit *cell(int index) const { return static_cast<QLineEdit *>(m_forms->widget(sheet::kCells, std::int16_t(index))); }
    QPlainTextEdit *notes(int index) const
    {
        return static_cast<QPlainTextEdit *>(m_forms->widget(sheet::kNotes, std::int16_t(index)));
    }

    // Where a point of the map's client area lies in the window.
    QPoint onMap(QPoint p) const { return map()->mapTo(window(), p); }
    // A press on the map (or a click on Clear) through the window, as a user makes it,
    // so Qt decides which widget receives it.
    void pressMap(QPoint p, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers mods = {}) const
    {
        QTest::mouseClick(window()->windowHandle(), button, mods, onMap(p));
    }
    void clickClear() const
    {
        QWidget *clear = widget("cmdClear");
        QTest::mouseClick(window()->windowHandle(), Qt::LeftButton, {}, clear->mapTo(window(), clear->rect().center()));
    }

    const std::vector<std::string> &failures() const { return m_failures; }

private:
    std::unique_ptr<forms::QtForms> m_forms;
    std::vector<std::string> m_failures;
    bool m_exposed = false;
};
