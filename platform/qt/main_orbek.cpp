// Orbek: the resident tray program.

#include <QApplication>

#include "platform/qt/qt_runtime.h"
#include "platform/version.h"
#include "tray/frmMenu.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orbek"));
    QApplication::setApplicationVersion(QString::fromLatin1(vb::kVersionText));
    // Closing a dialog must not end a resident program.
    QApplication::setQuitOnLastWindowClosed(false);

    qtrt::QtRuntime rt;
    rt.AppTitle = u"Orbek";
    frmMenu form(rt);
    rt.Dispatch([&] { rt.Load(form); });
    return QApplication::exec();
}
