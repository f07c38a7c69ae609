#pragma once
// A popup menu that stays one column however many items it holds: taller than
// the screen, it scrolls (mouse wheel, arrow keys, and the arrows at its ends)
// where Qt would lay it out in columns across the screen and beyond it.

#include <QMenu>

namespace qtrt {

class ScrollingMenu : public QMenu {
    Q_OBJECT

  public:
    ScrollingMenu();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    int wheel_ = 0;  // the wheel's turn not yet scrolled: 120 make one item
};

}  // namespace qtrt
