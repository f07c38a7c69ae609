#include "form_window.h"

#include <commctrl.h>

#include <cmath>

#include "win32_runtime.h"

namespace win32rt {

namespace {

constexpr wchar_t kClass[] = L"Orbek.Form";
// Control identifiers start above IDOK and IDCANCEL.
constexpr int kFirstId = 100;

struct ChildWindow {
    const wchar_t* windowClass;
    DWORD style;
    DWORD exStyle;
};

ChildWindow ChildWindowOf(const vb::Control& control) {
    switch (control.Kind()) {
        case vb::ControlKind::kButton:
            return {L"BUTTON",
                    static_cast<DWORD>(WS_TABSTOP |
                                       (static_cast<const vb::CommandButton&>(control).Default
                                            ? BS_DEFPUSHBUTTON
                                            : BS_PUSHBUTTON)),
                    0};
        case vb::ControlKind::kLabel:
            break;  // no window: drawn on the form
        case vb::ControlKind::kListBox:
            return {L"LISTBOX",
                    WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS,
                    WS_EX_CLIENTEDGE};
        case vb::ControlKind::kTextBox: {
            const auto& box = static_cast<const vb::TextBox&>(control);
            DWORD style = WS_TABSTOP | ES_AUTOVSCROLL;
            if (box.MultiLine) style |= ES_MULTILINE | ES_WANTRETURN;
            if (box.Locked) style |= ES_READONLY;
            if (box.ScrollBars) style |= WS_VSCROLL | WS_HSCROLL | ES_AUTOHSCROLL;
            if (!box.MultiLine) style |= ES_AUTOHSCROLL;
            return {L"EDIT", style, WS_EX_CLIENTEDGE};
        }
    }
    return {L"STATIC", 0, 0};
}

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
    // Created in tab order, which is also the order access keys follow.
    try {
        int id = kFirstId;
        for (vb::Control* control : form.Controls()) Build(*control, id++);
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

void FormWindow::Build(vb::Control& control, int id) {
    // A label is drawn on the form itself, beneath the controls it overlaps.
    if (control.Kind() == vb::ControlKind::kLabel) {
        children_.push_back(nullptr);
        return;
    }
    const ChildWindow window = ChildWindowOf(control);
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | window.style;
    if (control.Visible) style |= WS_VISIBLE;
    if (!control.Enabled()) style |= WS_DISABLED;
    const std::u16string& text = control.Kind() == vb::ControlKind::kTextBox
                                     ? static_cast<const vb::TextBox&>(control).Text()
                                     : control.Caption;
    HWND child =
        CreateWindowExW(window.exStyle, window.windowClass, Wide(text), style, 0, 0, 0, 0, hwnd_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), rt_.Instance(), nullptr);
    if (child == nullptr) vb::Raise(vb::kOutOfMemory);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    children_.push_back(child);
    if (control.Kind() == vb::ControlKind::kListBox) {
        const auto& list = static_cast<const vb::ListBox&>(control);
        SendMessageW(child, LB_INITSTORAGE, list.ListCount(), 0);
        for (std::int16_t i = 0; i < list.ListCount(); ++i) {
            SendMessageW(child, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(list.List(i))));
        }
        SendMessageW(child, LB_SETCURSEL, static_cast<WPARAM>(list.ListIndex()), 0);
    }
    if (!control.ToolTipText.empty() && tips_) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = hwnd_;
        tool.uId = reinterpret_cast<UINT_PTR>(child);
        tool.lpszText = const_cast<wchar_t*>(Wide(control.ToolTipText));
        SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    Place(control);
}

HWND FormWindow::ChildOf(const vb::Control& control) const {
    const auto& controls = form_.Controls();
    for (std::size_t i = 0; i < children_.size(); ++i) {
        if (controls[i] == &control) return children_[i];
    }
    return nullptr;
}

const vb::Control* FormWindow::ControlOf(HWND child) const {
    for (std::size_t i = 0; i < children_.size(); ++i) {
        if (children_[i] == child) return form_.Controls()[i];
    }
    return nullptr;
}

void FormWindow::Place(const vb::Control& control) {
    if (control.Kind() == vb::ControlKind::kLabel) {
        InvalidateRect(hwnd_, nullptr, TRUE);
        return;
    }
    MoveWindow(ChildOf(control), Pixels(control.Left()), Pixels(control.Top()),
               Pixels(control.Width()), Pixels(control.Height()), TRUE);
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

void FormWindow::Render(vb::Control& control, vb::ControlProperty property, std::int32_t index) {
    HWND child = ChildOf(control);
    if (child == nullptr) {
        if (control.Kind() == vb::ControlKind::kLabel) Place(control);
        return;
    }
    const auto& list = static_cast<const vb::ListBox&>(control);
    switch (property) {
        case vb::ControlProperty::Left:
        case vb::ControlProperty::Top:
        case vb::ControlProperty::Width:
        case vb::ControlProperty::Height:
            Place(control);
            break;
        case vb::ControlProperty::Enabled:
            EnableWindow(child, control.Enabled());
            break;
        case vb::ControlProperty::Text:
            SetWindowTextW(child, Wide(static_cast<const vb::TextBox&>(control).Text()));
            break;
        case vb::ControlProperty::ItemAdded:
            SendMessageW(
                child, LB_INSERTSTRING, static_cast<WPARAM>(index),
                reinterpret_cast<LPARAM>(Wide(list.List(static_cast<std::int16_t>(index)))));
            break;
        case vb::ControlProperty::ItemRemoved:
            SendMessageW(child, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
            SendMessageW(child, LB_SETCURSEL, static_cast<WPARAM>(list.ListIndex()), 0);
            break;
        case vb::ControlProperty::ListIndex:
            SendMessageW(child, LB_SETCURSEL, static_cast<WPARAM>(list.ListIndex()), 0);
            break;
    }
}

bool FormWindow::TranslateKeys(MSG& msg) {
    if (!Visible()) return false;
    // Esc presses the cancel button and Tab moves on wherever the focus is:
    // a multi-line text box would take both for itself.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
        if (vb::Control* button = form_.CancelButton()) {
            rt_.Dispatch(button->Click);
            return true;
        }
    }
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB) {
        SendMessageW(hwnd_, WM_NEXTDLGCTL, GetKeyState(VK_SHIFT) < 0, 0);
        return true;
    }
    if (msg.message == WM_SYSCHAR ||
        (msg.message == WM_CHAR &&
         !(SendMessageW(msg.hwnd, WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS))) {
        if (HWND next = LabelTarget(static_cast<wchar_t>(msg.wParam))) {
            SetFocus(next);
            return true;
        }
    }
    // Nothing of this object is touched once the message is handled: the
    // handler may have unloaded the form.
    return IsDialogMessageW(hwnd_, &msg) != FALSE;
}

HWND FormWindow::LabelTarget(wchar_t key) const {
    // A label has no window of its own, so the system knows nothing of it.
    const auto upper = [](wchar_t c) {
        return static_cast<wchar_t>(reinterpret_cast<UINT_PTR>(
            CharUpperW(reinterpret_cast<LPWSTR>(static_cast<UINT_PTR>(c)))));
    };
    for (const vb::Control* control : form_.Controls()) {
        if (control->Kind() != vb::ControlKind::kLabel) continue;
        const char16_t access = vb::Form::AccessKey(control->Caption);
        if (access == 0 || upper(static_cast<wchar_t>(access)) != upper(key)) continue;
        const vb::Control* target = form_.LabelTarget(*control);
        return target ? ChildOf(*target) : nullptr;
    }
    return nullptr;
}

void FormWindow::Command(int id, int code) {
    // Enter and Esc come as IDOK and IDCANCEL.
    if (id == IDOK || id == IDCANCEL) {
        if (vb::Control* button = (id == IDOK ? form_.DefaultButton() : form_.CancelButton()))
            rt_.Dispatch(button->Click);
        return;
    }
    const auto index = static_cast<std::size_t>(id - kFirstId);
    if (id < kFirstId || index >= children_.size()) return;
    vb::Control& control = *form_.Controls()[index];
    switch (control.Kind()) {
        case vb::ControlKind::kButton:
            if (code == BN_CLICKED) rt_.Dispatch(control.Click);
            break;
        case vb::ControlKind::kListBox:
            if (code == LBN_SELCHANGE) {
                const auto selected = SendMessageW(children_[index], LB_GETCURSEL, 0, 0);
                static_cast<vb::ListBox&>(control).Selected(
                    static_cast<std::int16_t>(selected == LB_ERR ? -1 : selected));
            } else if (code == LBN_DBLCLK && control.DblClick) {
                rt_.Dispatch(control.DblClick);
            }
            break;
        default:
            break;
    }
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
        case WM_CTLCOLORSTATIC: {
            // Read-only text boxes on the button face, unless they are to
            // look like any other.
            const vb::Control* control = ControlOf(reinterpret_cast<HWND>(lParam));
            const bool face = control == nullptr || control->Kind() != vb::ControlKind::kTextBox ||
                              static_cast<const vb::TextBox&>(*control).ButtonFace;
            const int colour = face ? COLOR_BTNFACE : COLOR_WINDOW;
            SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(colour));
            SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOWTEXT));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(colour));
        }
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
