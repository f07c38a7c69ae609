// The floor of start-up and memory: a Qt tray icon with a picture and a
// menu, nothing else.

#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("BareTray"));
    QApplication::setQuitOnLastWindowClosed(false);
    QMenu menu;
    menu.addAction(QStringLiteral("Exit"), &app, &QApplication::quit);
    QSystemTrayIcon icon(QIcon(QStringLiteral(":/assets/orbek.png")));
    icon.setContextMenu(&menu);
    icon.show();
    return QApplication::exec();
}
