// The windows of the forms that are seen: each form's own, made when it is
// first shown and destroyed once it is unloaded.

#include "form_window.h"
#include "win32_runtime.h"

namespace win32rt {

FormWindow* Win32Runtime::WindowOf(const vb::Form& form) const {
    const auto it = windows_.find(&form);
    return it == windows_.end() ? nullptr : it->second.get();
}

void Win32Runtime::Measured(vb::Form& form, const FormWindow& window) {
    const FormWindow::Geometry g = window.Measure();
    SetGeometry(form, g.left, g.top, g.width, g.height, g.scaleWidth, g.scaleHeight);
}

bool Win32Runtime::SetWindow(vb::Form& form, vb::FormProperty property, float value) {
    FormWindow* window = WindowOf(form);
    if (window == nullptr) return false;
    window->Set(property, value);
    Measured(form, *window);
    return true;
}

void Win32Runtime::SetForegroundWindow(vb::Handle window) {
    // The tray form's window is the runtime's: a popup menu it owns then
    // closes when the user clicks elsewhere.
    FormWindow* seen = nullptr;
    if (const vb::Form* form = FindForm(window)) seen = WindowOf(*form);
    ::SetForegroundWindow(seen ? seen->hwnd() : tray_.hwnd());
}

void Win32Runtime::FormShow(vb::Form& form, std::int16_t modal) {
    if (form.NeverSeen) return;
    FormWindow* window = WindowOf(form);
    if (window == nullptr) {
        auto made = std::make_unique<FormWindow>(*this, form, instance_, gdi_);
        window = made.get();
        windows_[&form] = std::move(made);
        Measured(form, *window);
    }
    window->Show();
    if (modal) {
        // Until the form is hidden or unloaded.
        Loop([this, &form] {
            const FormWindow* shown = WindowOf(form);
            return shown == nullptr || !shown->Visible();
        });
    }
}

void Win32Runtime::FormHide(vb::Form& form) {
    if (FormWindow* window = WindowOf(form)) window->Hide();
}

void Win32Runtime::FormUnloaded(vb::Form& form) {
    const auto it = windows_.find(&form);
    if (it == windows_.end()) return;
    // The window may be handling the message that unloads its form: it is
    // hidden now and destroyed once that message is done.
    std::unique_ptr<FormWindow> window = std::move(it->second);
    windows_.erase(it);
    window->Detach();
    window->Hide();
    tray_.DestroyLater(std::move(window));
}

void Win32Runtime::FormPrinted(vb::Form& form) {
    // Painted at once: what a load handler prints is seen before it goes on.
    if (FormWindow* window = WindowOf(form)) window->Repaint();
}

float Win32Runtime::TextHeight(const vb::Form& form) {
    HFONT font = gdi_.Font(form.font);
    const ScreenDc screen(GetDC(nullptr));
    HGDIOBJ old = SelectObject(screen.get(), font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(screen.get(), &metrics);
    SelectObject(screen.get(), old);
    return static_cast<float>(metrics.tmHeight) * ScreenTwipsPerPixelX();
}

void Win32Runtime::ControlSet(vb::Control& control, vb::ControlProperty property,
                              std::int32_t index) {
    if (FormWindow* window = WindowOf(control.Parent())) window->Render(control, property, index);
}

}  // namespace win32rt
