#include "fake_runtime.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "platform/utf8.h"

namespace fake {

namespace {

// The store's file for application Orbek, as the fake disk.
class Backend : public vb::SettingsBackend {
  public:
    Backend(FakeRuntime& rt) : rt_(rt) {}

    void Refresh() override {
        rt_.Op("Refresh");
        if (rt_.disk != known_) ++outsideChanges_;
        view_ = known_ = rt_.disk;
    }
    std::optional<std::u16string> Value(std::u16string_view section,
                                        std::u16string_view key) override {
        auto s = view_.find(std::u16string(section));
        if (s == view_.end()) return std::nullopt;
        auto k = s->second.find(std::u16string(key));
        if (k == s->second.end()) return std::nullopt;
        return k->second;
    }
    bool HasSection(std::u16string_view section) override {
        return view_.count(std::u16string(section)) > 0;
    }
    void SetValue(std::u16string_view section, std::u16string_view key,
                  std::u16string_view value) override {
        view_[std::u16string(section)][std::u16string(key)] = value;
        changes_.push_back([s = std::u16string(section), k = std::u16string(key),
                            v = std::u16string(value)](Sections& disk) { disk[s][k] = v; });
    }
    void RemoveSection(std::u16string_view section) override {
        view_.erase(std::u16string(section));
        changes_.push_back([s = std::u16string(section)](Sections& disk) { disk.erase(s); });
    }
    void Commit() override {
        auto changes = std::move(changes_);
        changes_.clear();
        try {
            rt_.Op("Commit");
        } catch (const vb::Error&) {
            ++outsideChanges_;  // the view holds writes the disk never got
            throw;
        }
        // Merged into the disk as it is now, as another program may have changed it.
        if (rt_.disk != known_) ++outsideChanges_;
        for (auto& change : changes) change(rt_.disk);
        known_ = rt_.disk;
    }
    std::uint64_t OutsideChanges() const override { return outsideChanges_; }

  private:
    FakeRuntime& rt_;
    Sections view_;
    Sections known_;  // the disk as this program last saw or wrote it
    std::uint64_t outsideChanges_ = 0;
    std::vector<std::function<void(Sections&)>> changes_;
};

std::string Hex(std::int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
    return text;
}

const char* NotifyMessage(std::uint32_t message) {
    switch (message) {
        case NIM_ADD:
            return "NIM_ADD";
        case NIM_MODIFY:
            return "NIM_MODIFY";
        case NIM_DELETE:
            return "NIM_DELETE";
        default:
            return "?";
    }
}

}  // namespace

std::string Show(std::u16string_view text) {
    std::string out;
    for (char c : vb::EncodeUtf8(text)) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

std::vector<std::string> Visible(const vb::MenuItem& menu) {
    std::vector<std::string> items;
    for (const auto& item : menu.Children()) {
        if (item->Visible()) items.push_back(item->IsSeparator() ? "-" : Show(item->Caption()));
    }
    return items;
}

FakeRuntime::FakeRuntime()
    : FakeRuntime([this](std::u16string_view) { return std::make_unique<Backend>(*this); }) {}

FakeRuntime::FakeRuntime(vb::Settings::Factory settings) : vb::Runtime(std::move(settings)) {
    AppTitle = u"Orbek";
}

std::vector<std::string> FakeRuntime::Log(const std::string& prefix) const {
    std::vector<std::string> lines;
    for (const auto& line : log) {
        if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    }
    return lines;
}

void FakeRuntime::Fail(const std::string& prefix, std::int32_t number, int times) {
    failures_.push_back({prefix, number, times});
}

std::optional<std::int32_t> FakeRuntime::Planned(const std::string& line, std::size_t index) {
    if (failAt_ && failAt_->first == index) return failAt_->second;
    for (auto& f : failures_) {
        if (f.times == 0 || line.rfind(f.prefix, 0) != 0) continue;
        if (f.times > 0) --f.times;
        return f.number;
    }
    return std::nullopt;
}

void FakeRuntime::Op(const std::string& line) {
    log.push_back(line);
    if (const auto number = Planned(line, log.size() - 1)) {
        log.back() += " !" + std::to_string(*number);
        vb::Raise(*number);
    }
}

void FakeRuntime::Read(const std::string& line) {
    if (quiet_ > 0) return;
    if (logReads) return Op(line);
    // Not logged: a line index cannot name it, a prefix can.
    if (const auto number = Planned(line, std::string::npos)) {
        log.push_back(line + " !" + std::to_string(*number));
        vb::Raise(*number);
    }
}

bool FakeRuntime::Call(const std::string& line) {
    log.push_back(line);
    if (!Planned(line, log.size() - 1)) return true;
    log.back() += " !refused";
    return false;
}

void FakeRuntime::Seed(std::map<std::u16string, std::u16string> keys) {
    disk[u"Sentences"] = std::move(keys);
}

std::vector<std::string> FakeRuntime::Reports() const {
    std::vector<std::string> locations;
    for (const auto& prompt : prompts) {
        const auto at = prompt.find(u"\r\n場所:");
        if (at == std::u16string::npos) continue;
        const auto from = at + 5, to = prompt.find(u"-Orbek", from);
        locations.push_back(vb::EncodeUtf8(prompt.substr(from, to - from)));
    }
    return locations;
}

bool FakeRuntime::AppPrevInstance() {
    Op("App.PrevInstance");
    return prevInstance;
}

std::int16_t FakeRuntime::AppMinor() {
    Read("App.Minor");
    return appMinor;
}

float FakeRuntime::ScreenTwipsPerPixelX() {
    Op("Screen.TwipsPerPixelX");
    return twipsPerPixel;
}

std::u16string FakeRuntime::GetSetting(std::u16string_view app, std::u16string_view section,
                                       std::u16string_view key, std::u16string_view defaultValue) {
    Op("GetSetting " + Show(section) + " " + Show(key));
    return vb::Runtime::GetSetting(app, section, key, defaultValue);
}

void FakeRuntime::SaveSetting(std::u16string_view app, std::u16string_view section,
                              std::u16string_view key, std::u16string_view value) {
    Op("SaveSetting " + Show(section) + " " + Show(key) + " " + Show(value));
    vb::Runtime::SaveSetting(app, section, key, value);
}

void FakeRuntime::DeleteSetting(std::u16string_view app, std::u16string_view section) {
    Op("DeleteSetting " + Show(section));
    vb::Runtime::DeleteSetting(app, section);
}

std::int32_t FakeRuntime::MsgBox(std::u16string_view prompt, std::int32_t flags,
                                 std::u16string_view title) {
    Op("MsgBox " + Hex(flags) + " " + Show(title));
    prompts.emplace_back(prompt);
    return answer;
}

std::u16string FakeRuntime::InputBox(std::u16string_view prompt, std::u16string_view title) {
    Op("InputBox " + Show(prompt) + " " + Show(title));
    return typed.value_or(u"");
}

bool FakeRuntime::ClipboardGetFormat(std::int16_t format) {
    Op("Clipboard.GetFormat " + std::to_string(format));
    return format == vb::kClipboardText && clipboard.has_value();
}

std::u16string FakeRuntime::ClipboardGetText() {
    Op("Clipboard.GetText");
    return clipboard.value_or(u"");
}

void FakeRuntime::ClipboardSetText(std::u16string_view text) {
    Op("Clipboard.SetText " + Show(text));
    clipboard = std::u16string(text);
}

bool FakeRuntime::ShellIcon(std::uint32_t message, const vb::NotifyIconData& icon) {
    lastIcon = icon;
    if (!Call(std::string("Shell_NotifyIcon ") + NotifyMessage(message))) return false;
    if (message == NIM_DELETE) return icons.erase(icon.uID) > 0;
    if (message == NIM_MODIFY && !icons.count(icon.uID)) return false;
    icons[icon.uID] = icon.Tip();
    return true;
}

void FakeRuntime::SetForegroundWindow(vb::Handle window) {
    const vb::Form* form = FindForm(window);
    Op("SetForegroundWindow " + (form ? Show(form->Name()) : std::to_string(window)));
}

std::intptr_t FakeRuntime::SendMessageA(vb::Handle window, std::uint32_t message,
                                        std::intptr_t wParam, std::intptr_t lParam) {
    Op("SendMessage " + Hex(static_cast<std::int32_t>(message)));
    const Quiet quiet(*this);  // the box copies its own selection
    return vb::Runtime::SendMessageA(window, message, wParam, lParam);
}

vb::Handle FakeRuntime::PictureHandle(const vb::Image& image) {
    Op("PictureHandle " + Show(image.name));
    return 0x1C0;
}

void FakeRuntime::DoEvents() {
    Op("DoEvents");
    if (onDoEvents) onDoEvents();
}

vb::MenuItem* FakeRuntime::ShowPopup(vb::MenuItem& menu, std::optional<vb::ScreenPoint> at) {
    std::string line = "PopupMenu " + Show(menu.Label());
    if (at) line += " at " + std::to_string(at->x) + "," + std::to_string(at->y);
    Op(line);
    if (onPopup) onPopup(menu);
    return nullptr;
}

void FakeRuntime::Exit() {
    Op("End");
    throw Ended{};
}

bool FakeRuntime::SetWindow(vb::Form& form, vb::FormProperty property, float value) {
    static const char* const names[] = {"Left", "Top", "Width", "Height", "WindowState"};
    char number[32];
    std::snprintf(number, sizeof number, "%g", value);
    Op(Show(form.Name()) + "." + names[static_cast<int>(property)] + " = " + number);
    return false;  // no windows here: the form keeps the values
}

void FakeRuntime::FormShow(vb::Form& form, std::int16_t modal) {
    Op(Show(form.Name()) + ".Show" + (modal ? " 1" : ""));
    if (modal && onModal) onModal(form);
}

void FakeRuntime::FormUnloaded(vb::Form& form) { Op("Unload " + Show(form.Name())); }

void FakeRuntime::FormPrinted(vb::Form& form) { Op(Show(form.Name()) + ".Printed"); }

float FakeRuntime::TextHeight(const vb::Form&) { return 240; }

void FakeRuntime::ControlSet(vb::Control& control, vb::ControlProperty property,
                             std::int32_t index) {
    const Quiet quiet(*this);  // the values are read back only to be logged
    const std::string name = Show(control.Label());
    char number[32];
    const auto twips = [&](float v) {
        std::snprintf(number, sizeof number, "%g", v);
        return std::string(number);
    };
    switch (property) {
        case vb::ControlProperty::Left:
            Op(name + ".Left = " + twips(control.Left()));
            break;
        case vb::ControlProperty::Top:
            Op(name + ".Top = " + twips(control.Top()));
            break;
        case vb::ControlProperty::Width:
            Op(name + ".Width = " + twips(control.Width()));
            break;
        case vb::ControlProperty::Height:
            Op(name + ".Height = " + twips(control.Height()));
            break;
        case vb::ControlProperty::Enabled:
            Op(name + ".Enabled = " + (control.Enabled() ? "True" : "False"));
            break;
        case vb::ControlProperty::Text:
            Op(name + ".Text = " + Show(static_cast<vb::TextBox&>(control).Text()));
            break;
        case vb::ControlProperty::ItemAdded:
            Op(name + ".AddItem " + std::to_string(index) + " " +
               Show(static_cast<vb::ListBox&>(control).List(static_cast<std::int16_t>(index))));
            break;
        case vb::ControlProperty::ItemRemoved:
            Op(name + ".RemoveItem " + std::to_string(index));
            break;
        case vb::ControlProperty::ListIndex:
            Op(name +
               ".ListIndex = " + std::to_string(static_cast<vb::ListBox&>(control).ListIndex()));
            break;
    }
}

void FakeRuntime::Access(const vb::Form& form, std::string_view what) {
    Read(Show(form.Name()) + "." + std::string(what));
}

void FakeRuntime::Access(const vb::Control& control, std::string_view what) {
    Read(Show(control.Label()) + "." + std::string(what));
}

void FakeRuntime::FormHide(vb::Form& form) { Op(Show(form.Name()) + ".Hide"); }

void FakeRuntime::MenuLoaded(vb::MenuItem& item) { Op("Load " + Show(item.Label())); }

void FakeRuntime::MenuUnloading(vb::MenuItem& item) { Op("Unload " + Show(item.Label())); }

void FakeRuntime::MenuCaption(vb::MenuItem& item, const std::u16string& caption) {
    Op(Show(item.Label()) + ".Caption = " + Show(caption));
}

void FakeRuntime::MenuVisible(vb::MenuItem& item, bool visible) {
    Op(Show(item.Label()) + ".Visible = " + (visible ? "True" : "False"));
}

}  // namespace fake
