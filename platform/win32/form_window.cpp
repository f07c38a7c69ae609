#include "form_window.h"

#include <commctrl.h>

#include <algorithm>

#include "wide.h"

namespace win32rt {

namespace {

constexpr wchar_t kClass[] = L"Orbek.Form";

}  // namespace

void FormWindow::Register(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Route<FormWindow>;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClass;
    RegisterClassExW(&windowClass);
}

FormWindow::FormWindow(vb::Runtime& rt, vb::Form& form, HINSTANCE instance, GdiObjects& gdi)
    : rt_(rt),
      instance_(instance),
      form_(form),
      font_(gdi.Font(form.font)),
      scale_{rt.ScreenTwipsPerPixelX()} {
    // A dialog: no minimize or maximize buttons.
    const DWORD style =
        WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | (form.Sizable ? WS_THICKFRAME : 0);
    const DWORD exStyle = WS_EX_CONTROLPARENT;
    RECT frame{0, 0, Pixels(form.ScaleWidth()), Pixels(form.ScaleHeight())};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    // The window is this object's from its first message on.
    if (CreateWindowExW(exStyle, kClass, Wide(form.Caption), style,
                        area.left + (area.right - area.left - width) / 2,
                        area.top + (area.bottom - area.top - height) / 2, width, height, nullptr,
                        nullptr, instance, this) == nullptr) {
        vb::Raise(vb::kOutOfMemory);
    }
    SendMessageW(hwnd(), WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(gdi.Icon(form.Icon, GetSystemMetrics(SM_CXICON))));
    SendMessageW(hwnd(), WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(gdi.Icon(form.Icon, GetSystemMetrics(SM_CXSMICON))));
    tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                            WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr, instance, nullptr);
    BuildControls();
}

FormWindow::Geometry FormWindow::Measure() const {
    RECT outer{}, client{};
    GetWindowRect(hwnd(), &outer);
    GetClientRect(hwnd(), &client);
    if (IsIconic(hwnd())) {
        // Minimized, the window keeps the place and size it will come back to.
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        GetWindowPlacement(hwnd(), &placement);
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
    GetWindowRect(hwnd(), &outer);
    const UINT keep = SWP_NOZORDER | SWP_NOACTIVATE;
    const int atLeast = scale_.PixelsAtLeast(twips);
    switch (property) {
        case vb::FormProperty::Left:
            SetWindowPos(hwnd(), nullptr, Pixels(twips), outer.top, 0, 0, keep | SWP_NOSIZE);
            break;
        case vb::FormProperty::Top:
            SetWindowPos(hwnd(), nullptr, outer.left, Pixels(twips), 0, 0, keep | SWP_NOSIZE);
            break;
        case vb::FormProperty::Width:
            SetWindowPos(hwnd(), nullptr, 0, 0, std::max(1, atLeast), outer.bottom - outer.top,
                         keep | SWP_NOMOVE);
            break;
        case vb::FormProperty::Height:
            SetWindowPos(hwnd(), nullptr, 0, 0, outer.right - outer.left, std::max(1, atLeast),
                         keep | SWP_NOMOVE);
            break;
        case vb::FormProperty::WindowState:
            if (static_cast<std::int16_t>(twips) == vb::kMinimized) {
                ShowWindow(hwnd(), SW_MINIMIZE);
            } else if (Visible()) {
                ShowWindow(hwnd(), SW_RESTORE);
            }
            break;
    }
}

void FormWindow::Show() {
    const bool first = !reporting_;
    reporting_ = true;
    ShowWindow(hwnd(), SW_SHOW);
    SetForegroundWindow(hwnd());
    if (first) {
        RestoreFocus();
        Report();
    }
}

void FormWindow::RestoreFocus() {
    if (!focus_ || !IsChild(hwnd(), focus_) || !IsWindowEnabled(focus_) ||
        !IsWindowVisible(focus_)) {
        focus_ = GetNextDlgTabItem(hwnd(), nullptr, FALSE);
    }
    if (focus_ && focus_ != hwnd()) SetFocus(focus_);
}

void FormWindow::Hide() { ShowWindow(hwnd(), SW_HIDE); }

void FormWindow::Repaint() {
    // The controls too: one enabled meanwhile is drawn before the handler ends.
    RedrawWindow(hwnd(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void FormWindow::Report() {
    if (detached_ || !reporting_) return;
    const Geometry g = Measure();
    rt_.Resized(form_, g.width, g.height, g.scaleWidth, g.scaleHeight,
                IsIconic(hwnd()) ? vb::kMinimized : vb::kNormal);
}

LRESULT FormWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    // A window whose form has gone waits to be destroyed: the form is not
    // to be looked at any more.
    if (detached_) return DefWindowProcW(hwnd(), message, wParam, lParam);
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
                if (HWND focus = GetFocus(); focus && IsChild(hwnd(), focus)) focus_ = focus;
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
                                       : GetNextDlgTabItem(hwnd(), GetFocus(), wParam != 0);
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
            HDC dc = BeginPaint(hwnd(), &paint);
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
            EndPaint(hwnd(), &paint);
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
            return DefWindowProcW(hwnd(), message, wParam, lParam);
    }
}

}  // namespace win32rt
