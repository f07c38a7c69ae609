#include "runtime.h"

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

std::intptr_t Runtime::SendMessage(Handle window, std::uint32_t message, std::intptr_t,
                                   std::intptr_t) {
    auto box = textBoxes_.find(window);
    if (message == WM_COPY && box != textBoxes_.end() && box->second->SelLength() > 0) {
        ClipboardSetText(box->second->SelText());
    }
    return 0;
}

void Runtime::Unload(Form& form) {
    std::int16_t cancel = 0;
    form.Form_Unload(cancel);
    if (cancel == 0 && form.Visible()) form.Hide();
}

void Runtime::NotifyIcon(const NotifyIconData& data, std::uint32_t mouseMessage) {
    Form* form = FindForm(data.hWnd);
    if (form == nullptr || data.uCallbackMessage != WM_MOUSEMOVE) return;
    // The message number arrives as the pointer's X in pixels, converted to
    // twips; wParam, the icon's ID, reads as the mouse key flags.
    const float x = static_cast<float>(mouseMessage & 0xFFFF) * ScreenTwipsPerPixelX();
    const std::uint32_t keys = data.uID;
    const auto button = static_cast<std::int16_t>((keys & 1) | (keys & 2) | (keys & 0x10 ? 4 : 0));
    const auto shift = static_cast<std::int16_t>((keys & 4 ? 1 : 0) | (keys & 8 ? 2 : 0));
    Dispatch([&] { form->Form_MouseMove(button, shift, x, 0); });
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

Handle Runtime::Register(TextBox& box) {
    textBoxes_[++nextHandle_] = &box;
    return nextHandle_;
}

void Runtime::Unregister(Handle handle) {
    forms_.erase(handle);
    textBoxes_.erase(handle);
}

Form* Runtime::FindForm(Handle handle) const {
    auto it = forms_.find(handle);
    return it == forms_.end() ? nullptr : it->second;
}

}  // namespace vb
