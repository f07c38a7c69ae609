// Orbek: the resident tray program.

#include "platform/win32/win32_runtime.h"
#include "tray/frmMenu.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    win32rt::Win32Runtime rt(instance, u"Orbek");
    rt.AppTitle = u"Orbek";
    frmMenu form(rt);
    rt.Dispatch([&] { rt.Load(form); });
    rt.Run();
}
