// Nulvex: deletes every sentence Orbek stored, after asking.

#include "platform/qt/application.h"
#include "platform/qt/qt_runtime.h"
#include "removal/frmMain.h"

int main(int argc, char* argv[]) {
    // Ends through End only: the question box closing before the form's
    // window appears must not end it.
    qtrt::Application app(argc, argv, "Nulvex");

    qtrt::QtRuntime rt;
    rt.AppTitle = u"Nulvex";
    frmMain form(rt);
    form.Start();
    return QApplication::exec();
}
