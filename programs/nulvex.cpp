// Nulvex: deletes every sentence Orbek stored, after asking.

#include "backend.h"
#include "removal/frmMain.h"

int main(int argc, char* argv[]) {
    // Ends through End only: the question box closing before the form's
    // window appears must not end it.
    backend::Program program(argc, argv, "Nulvex");
    vb::Runtime& rt = program.rt;
    rt.AppTitle = u"Nulvex";
    frmMain form(rt);
    form.Start();
    return program.Run();
}
