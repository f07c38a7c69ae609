// Orbek: the resident tray program.

#include "platform/qt/application.h"
#include "platform/qt/qt_runtime.h"
#include "tray/frmMenu.h"

int main(int argc, char* argv[]) {
    qtrt::Application app(argc, argv, "Orbek");

    qtrt::QtRuntime rt;
    rt.AppTitle = u"Orbek";
    frmMenu form(rt);
    rt.Dispatch([&] { rt.Load(form); });
    return QApplication::exec();
}
