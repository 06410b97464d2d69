#pragma once

// Builds Qt widgets from a window description, row by row in table order, and
// wires the events the rows name to whoever serves the handlers.

#include "platform/control_index.h"
#include "platform/window_desc.h"

#include <memory>
#include <vector>

class QWidget;

namespace forms {

class FormWindow;

// Where the built widgets send the events that run the program's handlers.
class EventSink {
public:
    virtual void click(ClickHandler handler) = 0;
    virtual void mouseDown(MouseDownHandler handler, const MouseDown &event) = 0;
    // The window was closed through its frame.
    virtual void closed() = 0;

protected:
    ~EventSink() = default;
};

// The widgets made for one row.
struct BuiltControl {
    const ControlDesc *desc = nullptr;
    QWidget *widget = nullptr;    // what the user sees and focuses
    QWidget *container = nullptr; // where the control's children live
};

struct BuiltWindow {
    std::unique_ptr<FormWindow> window;
    std::vector<BuiltControl> controls; // in description order, as the index numbers them
};

BuiltWindow buildWindow(const WindowDesc &desc, const ControlIndex &index, EventSink &events);

} // namespace forms
