// Start-up of the web edition: the one window, built in the page by the browser binding.

#include "app/window.h"
#include "platform/web/web_forms.h"

int main()
{
    // Lives as long as the page: the runtime stays up after main returns.
    static forms::WebForms window(app::kWindow);
    window.show();
    return 0;
}
