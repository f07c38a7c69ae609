#pragma once
// The window of a form that is seen, with a widget per control. It renders
// the form's state and reports what the user does to the runtime.

#include <QDialog>
#include <QEventLoop>
#include <QPointer>
#include <map>

#include "platform/form.h"
#include "platform/runtime.h"

namespace qtrt {

class FormWindow : public QDialog {
    Q_OBJECT

  public:
    FormWindow(vb::Runtime& rt, vb::Form& form);
    ~FormWindow() override;

    vb::Form& form() const { return form_; }
    // Pixels from twips, at the screen's resolution.
    int Pixels(float twips) const { return scale_.Pixels(twips); }
    int PixelsAtLeast(float twips) const { return scale_.PixelsAtLeast(twips); }
    float Twips(int pixels) const { return scale_.Twips(pixels); }
    // The frame around the client area, in pixels, as the window manager draws it.
    QSize Frame() const;
    // Moves, sizes or minimizes the window as the form's property says.
    void Apply(vb::FormProperty property, float value);

    void Render(vb::Control& control, vb::ControlProperty property, std::int32_t index);
    // Runs a modal loop until the form is hidden or unloaded.
    void RunModal();
    void EndModal();
    // The model's geometry, from the window's.
    void Report();
    // The form is going: nothing more is reported to it.
    void Detach();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Enter and Esc press the buttons the form's rules name.
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;

  private:
    void Build(vb::Control& control);
    void Place(vb::Control& control);

    vb::Runtime& rt_;
    vb::Form& form_;
    std::map<const vb::Control*, QWidget*> widgets_;
    QPointer<QEventLoop> modal_;
    vb::Scale scale_;
    bool detached_ = false;
};

// The font of the dialogs, or the closest Japanese face present.
QFont DialogFont(const vb::Font& font);

}  // namespace qtrt
