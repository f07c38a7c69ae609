// Nulvex: deletes every sentence Orbek stored, after asking.

#include "platform/win32/win32_runtime.h"
#include "removal/frmMain.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    win32rt::Win32Runtime rt(instance, u"Nulvex");
    rt.AppTitle = u"Nulvex";
    frmMain form(rt);
    form.Start();
    rt.Run();
}
