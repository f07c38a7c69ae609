#include "form_window.h"

#include <commctrl.h>

#include <algorithm>

#include "win32_runtime.h"

namespace win32rt {

namespace {

constexpr wchar_t kClass[] = L"Orbek.Form";

}  // namespace

void FormWindow::Register(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Proc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClass;
    RegisterClassExW(&windowClass);
}

FormWindow::FormWindow(Win32Runtime& rt, vb::Form& form)
    : rt_(rt), form_(form), font_(rt.FontFor(form.font)), scale_{rt.ScreenTwipsPerPixelX()} {
    // A dialog: no minimize or maximize buttons.
    const DWORD style =
        WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | (form.Sizable ? WS_THICKFRAME : 0);
    const DWORD exStyle = WS_EX_CONTROLPARENT;
    RECT frame{0, 0, Pixels(form.ScaleWidth()), Pixels(form.ScaleHeight())};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    hwnd_ = CreateWindowExW(exStyle, kClass, Wide(form.Caption), style,
                            area.left + (area.right - area.left - width) / 2,
                            area.top + (area.bottom - area.top - height) / 2, width, height,
                            nullptr, nullptr, rt.Instance(), this);
    if (hwnd_ == nullptr) vb::Raise(vb::kOutOfMemory);
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(rt.Icon(form.Icon, GetSystemMetrics(SM_CXICON))));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(rt.Icon(form.Icon, GetSystemMetrics(SM_CXSMICON))));
    tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                            WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, rt.Instance(), nullptr);
    try {
        BuildControls();
    } catch (...) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
        throw;
    }
}

FormWindow::~FormWindow() {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
}

FormWindow::Geometry FormWindow::Measure() const {
    RECT outer{}, client{};
    GetWindowRect(hwnd_, &outer);
    GetClientRect(hwnd_, &client);
    if (IsIconic(hwnd_)) {
        // Minimized, the window keeps the place and size it will come back to.
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        GetWindowPlacement(hwnd_, &placement);
        outer = placement.rcNormalPosition;
    }
    return {Twips(outer.left),
            Twips(outer.top),
            Twips(outer.right - outer.left),
            Twips(outer.bottom - outer.top),
            Twips(client.right),
            Twips(client.bottom)};
}

void FormWindow::Set(vb::FormProperty property, float twips) {
    RECT outer{};
    GetWindowRect(hwnd_, &outer);
    const UINT keep = SWP_NOZORDER | SWP_NOACTIVATE;
    const int atLeast = scale_.PixelsAtLeast(twips);
    switch (property) {
        case vb::FormProperty::Left:
            SetWindowPos(hwnd_, nullptr, Pixels(twips), outer.top, 0, 0, keep | SWP_NOSIZE);
            break;
        case vb::FormProperty::Top:
            SetWindowPos(hwnd_, nullptr, outer.left, Pixels(twips), 0, 0, keep | SWP_NOSIZE);
            break;
        case vb::FormProperty::Width:
            SetWindowPos(hwnd_, nullptr, 0, 0, std::max(1, atLeast), outer.bottom - outer.top,
                         keep | SWP_NOMOVE);
            break;
        case vb::FormProperty::Height:
            SetWindowPos(hwnd_, nullptr, 0, 0, outer.right - outer.left, std::max(1, atLeast),
                         keep | SWP_NOMOVE);
            break;
        case vb::FormProperty::WindowState:
            if (static_cast<std::int16_t>(twips) == vb::kMinimized) {
                ShowWindow(hwnd_, SW_MINIMIZE);
            } else if (Visible()) {
                ShowWindow(hwnd_, SW_RESTORE);
            }
            break;
    }
}

void FormWindow::Show() {
    const bool first = !reporting_;
    reporting_ = true;
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    if (first) {
        RestoreFocus();
        Report();
    }
}

void FormWindow::RestoreFocus() {
    if (!focus_ || !IsChild(hwnd_, focus_) || !IsWindowEnabled(focus_) ||
        !IsWindowVisible(focus_)) {
        focus_ = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
    }
    if (focus_ && focus_ != hwnd_) SetFocus(focus_);
}

void FormWindow::Hide() { ShowWindow(hwnd_, SW_HIDE); }

void FormWindow::Repaint() {
    // The controls too: one enabled meanwhile is drawn before the handler ends.
    RedrawWindow(hwnd_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void FormWindow::Report() {
    if (detached_ || !reporting_) return;
    const Geometry g = Measure();
    rt_.Resized(form_, g.width, g.height, g.scaleWidth, g.scaleHeight,
                IsIconic(hwnd_) ? vb::kMinimized : vb::kNormal);
}

LRESULT CALLBACK FormWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<FormWindow*>(
            reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self ? self->Handle(message, wParam, lParam)
                : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT FormWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    // A window whose form has gone waits to be destroyed: the form is not
    // to be looked at any more.
    if (detached_) return DefWindowProcW(hwnd_, message, wParam, lParam);
    switch (message) {
        case WM_COMMAND:
            // Nothing of this object is touched after the handler: it may
            // have unloaded the form.
            Command(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_ACTIVATE:
            // A window that is no dialog keeps its focused control itself,
            // across message boxes and switching programs.
            if (LOWORD(wParam) == WA_INACTIVE) {
                if (HWND focus = GetFocus(); focus && IsChild(hwnd_, focus)) focus_ = focus;
            } else {
                RestoreFocus();
            }
            return 0;
        case WM_SETFOCUS:
            RestoreFocus();
            return 0;
        case WM_NEXTDLGCTL: {
            // Tab and the labels' access keys move the focus by this message,
            // which only dialogs answer by themselves.
            HWND next = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                       : GetNextDlgTabItem(hwnd_, GetFocus(), wParam != 0);
            if (next) SetFocus(next);
            return 0;
        }
        case DM_GETDEFID:
            if (const vb::Control* button = form_.DefaultButton()) {
                return MAKELRESULT(GetDlgCtrlID(ChildOf(*button)), DC_HASDEFID);
            }
            return 0;
        case WM_CTLCOLORSTATIC:
            return reinterpret_cast<LRESULT>(
                StaticColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
        case WM_PAINT: {
            // The labels, and what the form printed, kept by the form: both
            // survive being covered.
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(hwnd_, &paint);
            HGDIOBJ old = SelectObject(dc, font_);
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            for (const vb::Control* control : form_.Controls()) {
                if (control->Kind() != vb::ControlKind::kLabel || !control->Visible) continue;
                RECT box{Pixels(control->Left()), Pixels(control->Top()),
                         Pixels(control->Left() + control->Width()),
                         Pixels(control->Top() + control->Height())};
                DrawTextW(dc, Wide(control->Caption), -1, &box, DT_LEFT | DT_WORDBREAK);
            }
            for (const auto& printed : form_.Printed()) {
                TextOutW(dc, Pixels(printed.x), Pixels(printed.y), Wide(printed.text),
                         static_cast<int>(printed.text.size()));
            }
            SelectObject(dc, old);
            EndPaint(hwnd_, &paint);
            return 0;
        }
        case WM_SIZE:
            Report();
            return 0;
        case WM_CLOSE:
            // Closing from the title bar unloads the form; the runtime removes the window.
            rt_.Closed(form_);
            return 0;
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

}  // namespace win32rt
