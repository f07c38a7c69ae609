// Orbek: the resident tray program.

#include "backend.h"
#include "tray/frmMenu.h"

int main(int argc, char* argv[]) {
    backend::Program program(argc, argv, "Orbek");
    vb::Runtime& rt = program.rt;
    rt.AppTitle = u"Orbek";
    frmMenu form(rt);
    rt.Dispatch([&] { rt.Load(form); });
    return program.Run();
}
