// A form window's controls: a child window each, made from the model, kept
// as the model changes, and what the user does to them reported to the form.

#include "form_window.h"
#include "wide.h"

// After windows.h, which it needs.
#include <commctrl.h>

namespace win32rt {

namespace {

// Control identifiers start above IDOK and IDCANCEL.
constexpr int kFirstId = 100;

// A control as the class its kind names. Checked: a cast to the class of
// another kind throws rather than reading a control as what it is not.
template <class T>
const T& As(const vb::Control& control) {
    return dynamic_cast<const T&>(control);
}
template <class T>
T& As(vb::Control& control) {
    return dynamic_cast<T&>(control);
}

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
                                       (As<vb::CommandButton>(control).Default ? BS_DEFPUSHBUTTON
                                                                               : BS_PUSHBUTTON)),
                    0};
        case vb::ControlKind::kLabel:
            break;  // no window: drawn on the form
        case vb::ControlKind::kListBox:
            return {L"LISTBOX",
                    WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS,
                    WS_EX_CLIENTEDGE};
        case vb::ControlKind::kTextBox: {
            const auto& box = As<vb::TextBox>(control);
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

// A list box's entries and selection.
void RenderList(HWND child, const vb::ListBox& list, vb::ControlProperty property,
                std::int32_t index) {
    switch (property) {
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
        default:
            break;
    }
}

}  // namespace

void FormWindow::BuildControls() {
    // Created in tab order, which is also the order access keys follow.
    int id = kFirstId;
    for (vb::Control* control : form_.Controls()) Build(*control, id++);
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
                                     ? As<vb::TextBox>(control).Text()
                                     : control.Caption;
    HWND child =
        CreateWindowExW(window.exStyle, window.windowClass, Wide(text), style, 0, 0, 0, 0, hwnd(),
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    if (child == nullptr) vb::Raise(vb::kOutOfMemory);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    children_.push_back(child);
    if (control.Kind() == vb::ControlKind::kListBox) {
        const auto& list = As<vb::ListBox>(control);
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
        tool.hwnd = hwnd();
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
        InvalidateRect(hwnd(), nullptr, TRUE);
        return;
    }
    MoveWindow(ChildOf(control), Pixels(control.Left()), Pixels(control.Top()),
               Pixels(control.Width()), Pixels(control.Height()), TRUE);
}

void FormWindow::Render(vb::Control& control, vb::ControlProperty property, std::int32_t index) {
    HWND child = ChildOf(control);
    if (child == nullptr) {
        if (control.Kind() == vb::ControlKind::kLabel) Place(control);
        return;
    }
    switch (property) {
        case vb::ControlProperty::Left:
        case vb::ControlProperty::Top:
        case vb::ControlProperty::Width:
        case vb::ControlProperty::Height:
            Place(control);
            return;
        case vb::ControlProperty::Enabled:
            EnableWindow(child, control.Enabled());
            return;
        default:
            break;
    }
    // The rest belong to one kind each.
    switch (control.Kind()) {
        case vb::ControlKind::kTextBox:
            if (property == vb::ControlProperty::Text)
                SetWindowTextW(child, Wide(As<vb::TextBox>(control).Text()));
            break;
        case vb::ControlKind::kListBox:
            RenderList(child, As<vb::ListBox>(control), property, index);
            break;
        default:
            break;
    }
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
                As<vb::ListBox>(control).Selected(
                    static_cast<std::int16_t>(selected == LB_ERR ? -1 : selected));
            } else if (code == LBN_DBLCLK && control.DblClick) {
                rt_.Dispatch(control.DblClick);
            }
            break;
        default:
            break;
    }
}

HBRUSH FormWindow::StaticColours(HDC dc, HWND child) const {
    // Read-only text boxes on the button face, unless they are to look like
    // any other.
    const vb::Control* control = ControlOf(child);
    const bool face = control == nullptr || control->Kind() != vb::ControlKind::kTextBox ||
                      As<vb::TextBox>(*control).ButtonFace;
    const int colour = face ? COLOR_BTNFACE : COLOR_WINDOW;
    SetBkColor(dc, GetSysColor(colour));
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    return GetSysColorBrush(colour);
}

}  // namespace win32rt
