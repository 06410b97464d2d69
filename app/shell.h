#pragma once

// The window frame, the two command buttons and Close.

#include "platform/forms.h"
#include "platform/window_desc.h"

#include <array>

namespace app {

forms::Status closeWindow(forms::Forms &forms);

inline constexpr forms::FormDesc kForm{
    .name = "frmVorazIdezerIvuduru",
    .caption = "Kelm DAVE Voraz Idezer Ivuduru",
    .clientWidth = 992,
    .clientHeight = 696,
    .back = forms::Colour::sys(forms::SysColour::InfoBackground),
};

// Graphical buttons: the face picture replaces the caption, so the accessible
// name carries what the face says.
constexpr forms::ControlDesc commandButton(std::string_view name, forms::Rect rect, int focus,
                                           std::string_view accessibleName, forms::ClickHandler onClick,
                                           const forms::PictureDesc *face)
{
    return {.kind = forms::Kind::CommandButton,
            .name = name,
            .rect = rect,
            .fore = forms::Colour::sys(forms::SysColour::ButtonText),
            .back = forms::Colour::sys(forms::SysColour::ButtonFace),
            .focus = focus,
            .picture = face,
            .accessibleName = accessibleName,
            .onClick = onClick};
}

} // namespace app
