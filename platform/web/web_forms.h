#pragma once

// The forms services in a browser: the window's controls are DOM elements that
// the page carries, written out at build time from the description this binding
// gives; the page's script takes them up by that description at start and sends
// their events back to run the program's handlers.

#include "platform/control_index.h"
#include "platform/forms.h"
#include "platform/window_desc.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace forms {

class WebForms final : public Forms {
public:
    explicit WebForms(const WindowDesc &desc);
    ~WebForms() override;
    WebForms(const WebForms &) = delete;
    WebForms &operator=(const WebForms &) = delete;

    // Has the page take up the window's controls by the description it carries,
    // draw their pictures, show them and put the focus on the first stop.
    void show();

    Status value(Control c, std::int16_t &out) override;
    Status setTop(Control c, float top) override;
    Status setLeft(Control c, float left) override;
    Status setText(Control c, std::string_view utf8) override;
    Status unload() override;

    // Runs the handler of a control's row as the page reports its event.
    void click(std::uint16_t id);
    void mouseDown(std::uint16_t id, const MouseDown &event);

    // The row's picture, when it is pixel art, drawn at a ratio.
    Pixels pixels(std::uint16_t id, double ratio) const;
    // Lays the shapes of the row's face that go on whole pixels over what the page drew.
    void finishFace(std::uint16_t id, Pixels &face) const;

    // The window's description for the page's script and the page's build, as JSON.
    std::string describe() const;

    // The one window of the page, for the script's calls.
    static WebForms *current();

protected:
    Status lookupName(std::string_view name, Control &out) override;
    Status lookupMember(std::string_view name, std::int16_t index, Control &out) override;

private:
    Status move(Operation op, Control c, float value);
    void finish(const Status &status);

    const WindowDesc &m_desc;
    ControlIndex m_index;
    bool m_unloaded = false;
};

} // namespace forms
