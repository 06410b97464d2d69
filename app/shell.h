#pragma once

// The window frame, its two command buttons, and the commands that span the
// window: Clear, made of the sheet's part and the map's, and Close.

#include "platform/forms.h"
#include "platform/window_desc.h"

namespace app {

// Readies the window for the next battle: every cell emptied, every marker
// taken off the map keeping its left, then both notes emptied.
forms::Status clearWindow(forms::Forms &forms);
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
