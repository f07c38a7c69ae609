#pragma once
// A runtime for unit tests: it records every operation as a readable line,
// can make any operation fail with a chosen error, and keeps the store, the
// clipboard and the screen in memory.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/runtime.h"
#include "platform/version.h"

namespace fake {

// Thrown by End(): the program stops here.
struct Ended {};

// The store as it is on disk: section -> key -> value, for application Orbek.
using Sections = std::map<std::u16string, std::map<std::u16string, std::u16string>>;

class FakeRuntime : public vb::Runtime {
  public:
    // The store is the fake disk below, or what `settings` makes.
    FakeRuntime();
    explicit FakeRuntime(vb::Settings::Factory settings);

    // Everything the program did, one line an operation, in order. A failed
    // operation's line ends in " !" and the error number; a refused call that
    // reports failure by its result, in " !refused".
    std::vector<std::string> log;
    // Reads of properties, and changes nothing draws ("lstSList.ListIndex",
    // "txtMenu.SelStart = 0", "App.Minor"), are logged only while this is
    // set, or when they fail.
    bool logReads = false;
    // Lines of `log` starting with `prefix`.
    std::vector<std::string> Log(const std::string& prefix) const;
    // Operations whose line starts with `prefix` fail with `number`, the next
    // `times` times (-1: every time).
    void Fail(const std::string& prefix, std::int32_t number, int times = 1);
    // The operation that becomes line `index` of `log` fails with `number`.
    void FailAt(std::size_t index, std::int32_t number) { failAt_ = {index, number}; }

    // The disk. Tests change it to play another program.
    Sections disk;
    // A Sentences section with these keys and values.
    void Seed(std::map<std::u16string, std::u16string> keys);
    // The program goes back to waiting for events.
    void NextEvent() { WaitingForInput(); }

    // Message boxes: every prompt shown, and the answer given to the next one.
    std::vector<std::u16string> prompts;
    std::int32_t answer = vb::kOk;
    // What the user types into the next input box and confirms; none: Cancel.
    std::optional<std::u16string> typed = u"";
    // Location names of the error reports shown, in order.
    std::vector<std::string> Reports() const;

    // The clipboard: text, or none (empty, or a picture only).
    std::optional<std::u16string> clipboard;

    bool prevInstance = false;
    float twipsPerPixel = 15;
    // App.Minor as the program reads it.
    std::int16_t appMinor = vb::kVersionMinor;
    // Called inside DoEvents: the events that were pending.
    std::function<void()> onDoEvents;
    // Called while a popup is open; choose an item with Choose().
    std::function<void(vb::MenuItem& menu)> onPopup;

    // Whether a tray drawing the icon's menus would offer them now.
    bool trayMenusEnabled = true;
    void Choose(vb::MenuItem& item) { Click(item); }
    // The icons the shell holds, by record: tip shown.
    std::map<std::uint32_t, std::u16string> icons;
    // The icon's record as the shell was last told of it.

    vb::NotifyIconData lastIcon;

    bool AppPrevInstance() override;
    std::int16_t AppMinor() override;
    float ScreenTwipsPerPixelX() override;
    std::u16string GetSetting(std::u16string_view app, std::u16string_view section,
                              std::u16string_view key,
                              std::u16string_view defaultValue = {}) override;
    void SaveSetting(std::u16string_view app, std::u16string_view section, std::u16string_view key,
                     std::u16string_view value) override;
    void DeleteSetting(std::u16string_view app, std::u16string_view section) override;
    std::int32_t MsgBox(std::u16string_view prompt, std::int32_t flags,
                        std::u16string_view title) override;
    std::u16string InputBox(std::u16string_view prompt, std::u16string_view title) override;
    bool ClipboardGetFormat(std::int16_t format) override;
    std::u16string ClipboardGetText() override;
    void ClipboardSetText(std::u16string_view text) override;
    void SetForegroundWindow(vb::Handle window) override;
    std::intptr_t SendMessageA(vb::Handle window, std::uint32_t message, std::intptr_t wParam,
                               std::intptr_t lParam) override;
    vb::Handle PictureHandle(const vb::Image& image) override;
    void DoEvents() override;
    vb::MenuItem* ShowPopup(vb::MenuItem& menu, std::optional<vb::ScreenPoint> at) override;
    void PopupsOpen(bool open) override { trayMenusEnabled = !open; }
    bool ShellIcon(std::uint32_t message, const vb::NotifyIconData& icon) override;
    [[noreturn]] void Exit() override;
    bool SetWindow(vb::Form& form, vb::FormProperty property, float value) override;
    void FormShow(vb::Form& form, std::int16_t modal) override;
    void FormHide(vb::Form& form) override;
    void FormUnloaded(vb::Form& form) override;
    void FormPrinted(vb::Form& form) override;
    float TextHeight(const vb::Form& form) override;
    void ControlSet(vb::Control& control, vb::ControlProperty property,
                    std::int32_t index = 0) override;
    void Access(const vb::Form& form, std::string_view what) override;
    void Access(const vb::Control& control, std::string_view what) override;
    // Called while a form is shown modally: the user's turn.
    std::function<void(vb::Form& form)> onModal;
    void MenuLoaded(vb::MenuItem& item) override;
    void MenuUnloading(vb::MenuItem& item) override;
    void MenuCaption(vb::MenuItem& item, const std::u16string& caption) override;
    void MenuVisible(vb::MenuItem& item, bool visible) override;

    // Records an operation and raises the error planned for it, if any.
    void Op(const std::string& line);

  private:
    // A read: recorded while reads are logged; raises the error planned for it.
    void Read(const std::string& line);
    // A call that reports failure by its result: recorded; false when it is to fail.
    bool Call(const std::string& line);
    // The error planned for the operation `line`, that would be line `index` of the log.
    std::optional<std::int32_t> Planned(const std::string& line, std::size_t index);
    // While the fake itself reads what the program set, to log or to copy it.
    struct Quiet {
        explicit Quiet(FakeRuntime& rt) : rt_(rt) { ++rt_.quiet_; }
        ~Quiet() { --rt_.quiet_; }
        FakeRuntime& rt_;
    };
    int quiet_ = 0;

    struct Failure {
        std::string prefix;
        std::int32_t number;
        int times;
    };
    std::vector<Failure> failures_;
    std::optional<std::pair<std::size_t, std::int32_t>> failAt_;
};

// Text of the core as a log shows it: UTF-8, CR as \r and LF as \n.
std::string Show(std::u16string_view text);

// The visible items of a menu, as a user sees them: captions, "-" for separators.
std::vector<std::string> Visible(const vb::MenuItem& menu);

}  // namespace fake
