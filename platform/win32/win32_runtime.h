#pragma once
// The runtime on the Win32 API.

#include <windows.h>

// After windows.h, which it needs.
#include <shellapi.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/runtime.h"

namespace win32rt {

class FormWindow;

// Texts of the core as the API's wide strings: both are UTF-16.
inline const wchar_t* Wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}
inline std::u16string FromWide(const wchar_t* text, std::size_t length) {
    return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

// The record the shell takes, from the core's icon record: its window is the
// runtime's, which turns the shell's callbacks into the form's events.
NOTIFYICONDATAW ShellRecord(const vb::NotifyIconData& data, HWND window);

// A popup menu of `menu`'s visible children; `items` receives the item of each
// command identifier, which is its position there plus one.
HMENU BuildMenu(const vb::MenuItem& menu, std::vector<vb::MenuItem*>& items);

class Win32Runtime : public vb::Runtime {
  public:
    // `name` names the program: its single-instance mutex and window class.
    Win32Runtime(HINSTANCE instance, std::u16string name);
    ~Win32Runtime() override;

    bool AppPrevInstance() override;
    float ScreenTwipsPerPixelX() override;
    std::int32_t MsgBox(std::u16string_view prompt, std::int32_t flags,
                        std::u16string_view title) override;
    std::u16string InputBox(std::u16string_view prompt, std::u16string_view title) override;
    bool ClipboardGetFormat(std::int16_t format) override;
    std::u16string ClipboardGetText() override;
    void ClipboardSetText(std::u16string_view text) override;
    bool ShellIcon(std::uint32_t message, const vb::NotifyIconData& icon) override;
    void SetForegroundWindow(vb::Handle window) override;
    vb::Handle PictureHandle(const vb::Image& image) override;
    void DoEvents() override;
    vb::MenuItem* ShowPopup(vb::MenuItem& menu, std::optional<vb::ScreenPoint> at) override;
    [[noreturn]] void Exit() override;
    bool SetWindow(vb::Form& form, vb::FormProperty property, float value) override;
    void FormShow(vb::Form& form, std::int16_t modal) override;
    void FormHide(vb::Form& form) override;
    void FormUnloaded(vb::Form& form) override;
    void FormPrinted(vb::Form& form) override;
    float TextHeight(const vb::Form& form) override;
    void ControlSet(vb::Control& control, vb::ControlProperty property,
                    std::int32_t index = 0) override;
    void MenuLoaded(vb::MenuItem& item) override { DropMenu(item); }
    void MenuUnloading(vb::MenuItem& item) override { DropMenu(item); }
    void MenuCaption(vb::MenuItem& item, const std::u16string&) override { DropMenu(item); }
    void MenuVisible(vb::MenuItem& item, bool) override { DropMenu(item); }

    // Runs the message loop until the program ends.
    [[noreturn]] void Run();

    // For the form windows.
    HINSTANCE Instance() const { return instance_; }
    HICON Icon(const std::u16string& picture, int size);
    HFONT FontFor(const vb::Font& font);
    // Tells the form the geometry its window has now.
    void Measured(vb::Form& form, const FormWindow& window);

  protected:
    void CopySelection(const vb::TextBox& box) override;

  private:
    static LRESULT CALLBACK TrayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Waits for and handles messages until `done` holds.
    void Loop(const std::function<bool()>& done);
    void Deliver(MSG& msg);
    // Takes the icons out of the notification area.
    void RemoveIcons();
    FormWindow* WindowOf(const vb::Form& form) const;
    // A system menu is slow to build item by item (quadratic under Wine): a
    // top-level menu's is kept until one of its items changes.
    struct BuiltMenu {
        HMENU handle = nullptr;
        std::vector<vb::MenuItem*> items;
        std::uint64_t generation = 0;  // of its menu's changes, when built
    };
    void DropMenu(const vb::MenuItem& item);
    void OpenClipboardOrRaise();

    HINSTANCE instance_;
    std::u16string name_;
    HWND tray_ = nullptr;  // hidden: owns the icons and the popup menus
    UINT taskbarCreated_ = 0;
    HANDLE instanceMutex_ = nullptr;
    HWND copier_ = nullptr;  // the edit control that copies a text box's selection
    std::map<const vb::MenuItem*, BuiltMenu> menus_;
    std::map<const vb::MenuItem*, std::uint64_t> menuChanges_;
    std::map<std::pair<std::u16string, int>, HICON> pictures_;
    std::map<std::u16string, HFONT> fonts_;
    std::map<const vb::Form*, std::unique_ptr<FormWindow>> windows_;
};

}  // namespace win32rt
