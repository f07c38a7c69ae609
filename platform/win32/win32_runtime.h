#pragma once
// The runtime on the Win32 API.

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "clipboard.h"
#include "gdi_objects.h"
#include "owned.h"
#include "platform/runtime.h"
#include "popup_menus.h"
#include "tray_window.h"
#include "wide.h"

namespace win32rt {

class FormWindow;

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
    void MenuLoaded(vb::MenuItem& item) override { menus_.Drop(item); }
    void MenuUnloading(vb::MenuItem& item) override { menus_.Drop(item); }
    void MenuCaption(vb::MenuItem& item, const std::u16string&) override { menus_.Drop(item); }
    void MenuVisible(vb::MenuItem& item, bool) override { menus_.Drop(item); }

    // Runs the message loop until the program ends.
    [[noreturn]] void Run();

  protected:
    void CopySelection(const vb::TextBox& box) override { clipboard_.CopySelection(box); }

  private:
    // Waits for and handles messages until `done` holds.
    void Loop(const std::function<bool()>& done);
    void Deliver(MSG& msg);
    FormWindow* WindowOf(const vb::Form& form) const;
    // Tells the form the geometry its window has now.
    void Measured(vb::Form& form, const FormWindow& window);

    HINSTANCE instance_;
    std::u16string name_;
    GdiObjects gdi_;
    TrayWindow tray_;  // hidden: owns the icons and the popup menus
    Clipboard clipboard_;
    PopupMenus menus_;
    OwnedHandle instanceMutex_;
    std::map<const vb::Form*, std::unique_ptr<FormWindow>> windows_;
};

}  // namespace win32rt
