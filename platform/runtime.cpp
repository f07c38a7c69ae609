#include "runtime.h"

#include <cstdlib>
#include <utility>

#include "conv.h"
#include "platform/version.h"

namespace vb {

std::u16string NotifyIconData::Tip() const {
    std::u16string tip(szTip.begin(), szTip.end());
    return tip.substr(0, tip.find(u'\0'));
}

Runtime::Runtime(Settings::Factory settings) : settings_(std::move(settings)) {}

Runtime::~Runtime() = default;

std::int16_t Runtime::AppMajor() { return kVersionMajor; }
std::int16_t Runtime::AppMinor() { return kVersionMinor; }

std::u16string Runtime::GetSetting(std::u16string_view app, std::u16string_view section,
                                   std::u16string_view key, std::u16string_view defaultValue) {
    return settings_.GetSetting(app, section, key, defaultValue);
}

void Runtime::SaveSetting(std::u16string_view app, std::u16string_view section,
                          std::u16string_view key, std::u16string_view value) {
    settings_.SaveSetting(app, section, key, value);
}

void Runtime::DeleteSetting(std::u16string_view app, std::u16string_view section) {
    settings_.DeleteSetting(app, section);
}

std::intptr_t Runtime::SendMessageA(Handle window, std::uint32_t message, std::intptr_t,
                                    std::intptr_t) {
    const Control* control = FindControl(window);
    if (message != WM_COPY || control == nullptr || control->Kind() != ControlKind::kTextBox) {
        return 0;
    }
    CopySelection(static_cast<const TextBox&>(*control));
    return 0;
}

void Runtime::CopySelection(const TextBox& box) {
    if (box.SelLength() > 0) ClipboardSetText(box.SelText());
}

void Runtime::Access(const Form&, std::string_view) {}
void Runtime::Access(const Control&, std::string_view) {}

bool Runtime::Shell_NotifyIconA(std::uint32_t message, const NotifyIconData& data) {
    const auto held = icons_.find(data.uID);
    switch (message) {
        case NIM_ADD: {
            if (held != icons_.end() || FindForm(data.hWnd) == nullptr) return false;
            // Kept also when the shell refuses it: one that was not ready yet
            // is asked again when a tray comes.
            const NotifyIconData& icon = icons_[data.uID] = data;
            return ShellIcon(NIM_ADD, icon);
        }
        case NIM_MODIFY: {
            if (held == icons_.end()) return false;
            NotifyIconData& icon = held->second;
            if (data.uFlags & NIF_MESSAGE) icon.uCallbackMessage = data.uCallbackMessage;
            if (data.uFlags & NIF_ICON) icon.hIcon = data.hIcon;
            if (data.uFlags & NIF_TIP) icon.szTip = data.szTip;
            icon.uFlags |= data.uFlags;
            return ShellIcon(NIM_MODIFY, icon);
        }
        case NIM_DELETE: {
            if (held == icons_.end()) return false;
            const NotifyIconData icon = held->second;
            icons_.erase(held);
            return ShellIcon(NIM_DELETE, icon);
        }
        default:
            return false;
    }
}

void Runtime::End() {
    try {
        settings_.CommitAll();
    } catch (const Error&) {
        // Ending cannot wait for a report.
    }
    Exit();
    std::abort();  // not reached: the compiler does not take a virtual's word for it
}

void Runtime::FormSet(Form& form, FormProperty property, float value) {
    // No window yet, or none ever: the form keeps the values.
    if (!SetWindow(form, property, value)) StoreGeometry(form, property, value);
}

void Runtime::Load(Form& form) {
    if (form.loaded_) return;
    form.loaded_ = true;
    form.Form_Load();
}

void Runtime::Unload(Form& form) {
    std::int16_t cancel = 0;
    form.Form_Unload(cancel);
    if (cancel != 0) return;
    form.loaded_ = false;
    form.visible_ = false;
    FormUnloaded(form);
}

void Runtime::StoreGeometry(Form& form, FormProperty property, float value) {
    float left = form.left_, top = form.top_, width = form.width_, height = form.height_;
    switch (property) {
        case FormProperty::Left:
            left = value;
            break;
        case FormProperty::Top:
            top = value;
            break;
        case FormProperty::Width:
            width = value;
            break;
        case FormProperty::Height:
            height = value;
            break;
        case FormProperty::WindowState:
            return;
    }
    SetGeometry(form, left, top, width, height, width - (form.width_ - form.scaleWidth_),
                height - (form.height_ - form.scaleHeight_));
}

void Runtime::SetGeometry(Form& form, float left, float top, float width, float height,
                          float scaleWidth, float scaleHeight) {
    form.left_ = left;
    form.top_ = top;
    form.width_ = width;
    form.height_ = height;
    form.scaleWidth_ = scaleWidth;
    form.scaleHeight_ = scaleHeight;
}

void Runtime::Resized(Form& form, float width, float height, float scaleWidth, float scaleHeight,
                      std::int16_t windowState) {
    if (!form.loaded_ ||
        (width == form.width_ && height == form.height_ && scaleWidth == form.scaleWidth_ &&
         scaleHeight == form.scaleHeight_ && windowState == form.windowState_)) {
        return;
    }
    SetGeometry(form, form.left_, form.top_, width, height, scaleWidth, scaleHeight);
    form.windowState_ = windowState;
    Dispatch([&] { form.Form_Resize(); });
}

void Runtime::Closed(Form& form) {
    Dispatch([&] { Unload(form); });
}

void Runtime::NotifyIcon(const NotifyIconData& data, std::uint32_t mouseMessage,
                         std::optional<ScreenPoint> at) {
    Deliver(data, mouseMessage, at, std::nullopt);
}

void Runtime::ChosenInTray(const NotifyIconData& data, const MenuItem& item) {
    const Form* form = FindForm(data.hWnd);
    if (form == nullptr) return;
    const MenuItem* top = &item;
    while (top->Parent() != nullptr) top = top->Parent();
    const std::uint32_t press = top == form->NotifyLeftMenu    ? WM_LBUTTONDOWN
                                : top == form->NotifyRightMenu ? WM_RBUTTONDOWN
                                                               : 0;
    if (press == 0) return;
    Deliver(data, press, std::nullopt, TrayChoice{top, std::pair(item.Name(), item.Index())});
}

void Runtime::OpenedInTray(const NotifyIconData& data) {
    const Form* form = FindForm(data.hWnd);
    if (form == nullptr || form->NotifyLeftMenu == nullptr) return;
    Deliver(data, WM_LBUTTONDOWN, std::nullopt, TrayChoice{form->NotifyLeftMenu, std::nullopt});
}

void Runtime::Deliver(const NotifyIconData& data, std::uint32_t mouseMessage,
                      std::optional<ScreenPoint> at, std::optional<TrayChoice> choice) {
    Form* form = FindForm(data.hWnd);
    if (form == nullptr || data.uCallbackMessage != WM_MOUSEMOVE) return;
    // The message number arrives as the pointer's X in pixels, converted to
    // twips; wParam, the icon's ID, reads as the mouse key flags. The handler
    // divides by the twips per pixel rounded to a whole number, so X is made
    // with that number too: the code then comes back whole at any resolution.
    const float x = static_cast<float>(mouseMessage & 0xFFFF) *
                    static_cast<float>(CLng(ScreenTwipsPerPixelX()));
    const std::uint32_t keys = data.uID;
    const auto button = static_cast<std::int16_t>((keys & 1) | (keys & 2) | (keys & 0x10 ? 4 : 0));
    const auto shift = static_cast<std::int16_t>((keys & 4 ? 1 : 0) | (keys & 8 ? 2 : 0));
    // This press's place and choice, for the popups it opens; a press handled
    // inside it (DoEvents) has its own.
    struct Restore {
        Runtime& rt;
        std::optional<ScreenPoint> at;
        std::optional<TrayChoice> choice;
        ~Restore() {
            rt.pressAt_ = at;
            rt.trayChoice_ = std::move(choice);
        }
    } restore{*this, std::exchange(pressAt_, at), std::exchange(trayChoice_, std::move(choice))};
    Dispatch([&] { form->Form_MouseMove(button, shift, x, 0); });
}

std::vector<MenuItem*> Runtime::TrayMenuEntries(const Form& form, bool combined) {
    std::vector<MenuItem*> entries;
    const auto add = [&](const MenuItem* menu) {
        if (menu == nullptr) return;
        for (const auto& child : menu->Children()) entries.push_back(child.get());
    };
    if (combined && form.NotifyLeftMenu != nullptr && form.NotifyRightMenu != nullptr) {
        add(form.NotifyLeftMenu);
        entries.push_back(nullptr);
    }
    add(form.NotifyRightMenu);
    return entries;
}

namespace {

MenuItem* FindItem(const MenuItem& menu, const std::u16string& name, std::int16_t index) {
    for (const auto& child : menu.Children()) {
        if (child->Name() == name && child->Index() == index) return child.get();
        if (MenuItem* found = FindItem(*child, name, index)) return found;
    }
    return nullptr;
}

}  // namespace

void Runtime::PopupMenu(MenuItem& menu) {
    // Open until the chosen item's handler has run: a tray drawing the menu
    // offers nothing meanwhile.
    struct Open {
        Runtime& rt;
        explicit Open(Runtime& runtime) : rt(runtime) {
            if (rt.popups_++ == 0) rt.PopupsOpen(true);
        }
        ~Open() {
            if (--rt.popups_ == 0) rt.PopupsOpen(false);
        }
    } open(*this);
    MenuItem* chosen = nullptr;
    if (trayChoice_ && trayChoice_->menu == &menu) {
        // Chosen already; gone if the press rebuilt the menu without it.
        if (const auto& item = trayChoice_->item)
            chosen = FindItem(menu, item->first, item->second);
        trayChoice_.reset();
    } else {
        chosen = ShowPopup(menu, pressAt_);
    }
    if (chosen != nullptr) Click(*chosen);
}

void Runtime::Click(MenuItem& item) {
    if (item.Click) Dispatch(item.Click);
}

void Runtime::Dispatch(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const Error& error) {
        Untrapped(error);
    }
}

void Runtime::Untrapped(const Error& error) {
    try {
        MsgBox(u"実行時エラー '" + Str(error.number) + u"':\r\n\r\n" + error.description,
               kInformation | kSystemModal, AppTitle);
    } catch (const Error&) {
        // Nothing more can be shown.
    }
}

Handle Runtime::Register(Form& form) {
    forms_[++nextHandle_] = &form;
    return nextHandle_;
}

Handle Runtime::Register(Control& control) {
    controls_[++nextHandle_] = &control;
    return nextHandle_;
}

void Runtime::Unregister(Handle handle) {
    forms_.erase(handle);
    controls_.erase(handle);
}

Form* Runtime::FindForm(Handle handle) const {
    auto it = forms_.find(handle);
    return it == forms_.end() ? nullptr : it->second;
}

Control* Runtime::FindControl(Handle handle) const {
    auto it = controls_.find(handle);
    return it == controls_.end() ? nullptr : it->second;
}

}  // namespace vb
