#include "scrolling_menu.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QProxyStyle>
#include <QWheelEvent>
#include <algorithm>
#include <cstdlib>

namespace qtrt {

namespace {

// The application's own style, but for menus that scroll. A menu asks its
// style whether it scrolls when it is made and when its style changes.
class ScrollingStyle : public QProxyStyle {
    Q_OBJECT

  public:
    // A copy of the application's style: a proxy owns the style it wraps.
    ScrollingStyle() : QProxyStyle(QApplication::style()->name()) {}

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == SH_Menu_Scrollable) return 1;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

QStyle* MenuStyle() {
    // One for all menus, gone with the application.
    static QPointer<QStyle> style;
    if (!style) {
        style = new ScrollingStyle;
        style->setParent(qApp);
    }
    return style;
}

}  // namespace

ScrollingMenu::ScrollingMenu() { setStyle(MenuStyle()); }

void ScrollingMenu::keyPressEvent(QKeyEvent* event) {
    // Up with no item active makes the last one active, but Qt leaves it out
    // of sight below the scrolled part; End shows it as well.
    if (event->key() == Qt::Key_Up && activeAction() == nullptr) {
        QKeyEvent end(event->type(), Qt::Key_End, event->modifiers());
        QMenu::keyPressEvent(&end);
        return;
    }
    QMenu::keyPressEvent(event);
}

void ScrollingMenu::wheelEvent(QWheelEvent* event) {
    // Qt moves a menu by one item a wheel event, whatever the turn: here a
    // notch moves as many items as the desktop scrolls lines, and a finer
    // wheel's steps add up to that.
    const int delta = event->angleDelta().y();
    if (delta == 0) return;  // sideways: Qt would take it for down
    if ((delta > 0) != (wheel_ > 0)) wheel_ = 0;
    wheel_ += delta * std::max(1, QApplication::wheelScrollLines());
    const int items = wheel_ / QWheelEvent::DefaultDeltasPerStep;
    wheel_ -= items * QWheelEvent::DefaultDeltasPerStep;
    for (int i = 0; i < std::abs(items); ++i) QMenu::wheelEvent(event);
}

}  // namespace qtrt

#include "scrolling_menu.moc"
