#pragma once

// The forms services at run time, served by a window built with Qt Widgets:
// finds controls by name and index, gets and sets their properties, runs the
// handlers the description names when their events arrive, and reports a
// handler's failure.

#include "platform/control_index.h"
#include "platform/forms.h"
#include "platform/qt/qt_build.h"
#include "platform/window_desc.h"

#include <functional>
#include <string_view>
#include <vector>

class QWidget;

namespace forms {

class QtForms final : public Forms, private EventSink {
public:
    explicit QtForms(const WindowDesc &desc);
    ~QtForms() override;
    QtForms(const QtForms &) = delete;
    QtForms &operator=(const QtForms &) = delete;

    QWidget *window() const;
    // The widget built for a row, or nullptr; the control a user sees and focuses.
    QWidget *widget(std::string_view name, std::int16_t index = kSingle) const;
    QWidget *widget(const Single &control) const { return widget(control.name); }
    QWidget *widget(const Group &group, std::int16_t index) const { return widget(group.name, index); }
    // Opens the window with the focus on the first stop of the focus order.
    void show();

    // What happens to a failing status that leaves a handler. By default a modal
    // report naming the operation and control, then the program ends with status 1.
    using FailureReporter = std::function<void(const Status &)>;
    void setFailureReporter(FailureReporter reporter);

    Status value(Control c, std::int16_t &out) override;
    Status setTop(Control c, float top) override;
    Status setLeft(Control c, float left) override;
    Status setText(Control c, std::string_view utf8) override;
    Status unload() override;

    // Runs a handler as the window does when its event arrives.
    void runClick(ClickHandler handler);
    void runMouseDown(MouseDownHandler handler, const MouseDown &event);

protected:
    Status lookupName(std::string_view name, Control &out) override;
    Status lookupMember(std::string_view name, std::int16_t index, Control &out) override;

private:
    struct Entry {
        QWidget *widget = nullptr;
        int left = 0; // position in the parent, for labels that move
        int top = 0;
        bool movePending = false;
    };

    void click(ClickHandler handler) override { runClick(handler); }
    void mouseDown(MouseDownHandler handler, const MouseDown &event) override { runMouseDown(handler, event); }
    void closed() override { m_unloaded = true; }

    Status find(Operation op, Control c, Kind kind, Entry *&out);
    Status move(Operation op, Control c, float value);
    void finish(const Status &status);
    void flushMoves();

    ControlIndex m_index;
    BuiltWindow m_built;
    std::vector<Entry> m_entries; // in description order; Control::id indexes it
    std::vector<std::uint16_t> m_pendingMoves;
    FailureReporter m_reportFailure;
    bool m_inHandler = false;
    bool m_unloaded = false;
};

} // namespace forms
