#pragma once
// The window of a form that is seen, with a child window per control. It
// renders the form's state and reports what the user does to the runtime.

#include <windows.h>

#include <vector>

#include "gdi_objects.h"
#include "platform/form.h"
#include "platform/runtime.h"
#include "routed_window.h"

namespace win32rt {

class FormWindow {
  public:
    // The window class of form windows, registered once a program.
    static void Register(HINSTANCE instance);

    // Made hidden, centred on the screen; its pictures and font from `gdi`.
    FormWindow(vb::Runtime& rt, vb::Form& form, HINSTANCE instance, GdiObjects& gdi);
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    HWND hwnd() const { return window_.get(); }
    bool Visible() const { return IsWindowVisible(hwnd()) != FALSE; }

    // The window's geometry in twips: outer rectangle and client area.
    struct Geometry {
        float left, top, width, height, scaleWidth, scaleHeight;
    };
    Geometry Measure() const;

    void Set(vb::FormProperty property, float twips);
    void Show();
    void Hide();
    void Repaint();
    void Render(vb::Control& control, vb::ControlProperty property, std::int32_t index);
    // Whether `window` is this window or one of its controls.
    bool Holds(HWND window) const { return window == hwnd() || IsChild(hwnd(), window); }
    // Tab, access keys, Enter and Esc for this window; true when handled.
    bool TranslateKeys(MSG& msg);
    // The form is going: nothing more is reported to it.
    void Detach() { detached_ = true; }

  private:
    friend LRESULT CALLBACK Route<FormWindow>(HWND, UINT, WPARAM, LPARAM);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    // A child window for each control but the labels, which the form draws.
    void BuildControls();
    void Build(vb::Control& control, int id);
    HWND ChildOf(const vb::Control& control) const;
    const vb::Control* ControlOf(HWND child) const;
    void Place(const vb::Control& control);
    void Command(int id, int code);
    // The colours a static or read-only child is drawn in, into `dc`; its background brush.
    HBRUSH StaticColours(HDC dc, HWND child) const;
    // The control a label's access key `key` moves the focus to, if any.
    HWND LabelTarget(wchar_t key) const;
    void Report();
    // The focus to the control that had it, or the first one in tab order.
    void RestoreFocus();
    int Pixels(float twips) const { return scale_.Pixels(twips); }
    float Twips(LONG pixels) const { return scale_.Twips(static_cast<int>(pixels)); }

    vb::Runtime& rt_;
    HINSTANCE instance_;
    vb::Form& form_;
    RoutedWindow window_;  // its controls and tips window go with it
    HWND tips_ = nullptr;
    HWND focus_ = nullptr;  // the control to give the focus back to
    HFONT font_;
    vb::Scale scale_;
    std::vector<HWND> children_;  // in the order of the form's controls
    bool reporting_ = false;      // from the first show on
    bool detached_ = false;
};

}  // namespace win32rt
