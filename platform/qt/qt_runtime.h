#pragma once
// The runtime on Qt 6 Widgets.

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <map>
#include <memory>

#include "platform/posix/instance_lock.h"
#include "platform/runtime.h"
#include "popup_menus.h"
#include "tray.h"
#include "wayland_clipboard.h"

namespace qtrt {

class FormWindow;

class QtRuntime : public QObject, public vb::Runtime {
    Q_OBJECT

  public:
    QtRuntime();
    ~QtRuntime() override;

    bool AppPrevInstance() override;
    float ScreenTwipsPerPixelX() override;
    std::int32_t MsgBox(std::u16string_view prompt, std::int32_t flags,
                        std::u16string_view title) override;
    std::u16string InputBox(std::u16string_view prompt, std::u16string_view title) override;
    bool ClipboardGetFormat(std::int16_t format) override;
    std::u16string ClipboardGetText() override;
    void ClipboardSetText(std::u16string_view text) override;
    void SetForegroundWindow(vb::Handle window) override;
    vb::Handle PictureHandle(const vb::Image& image) override;
    void DoEvents() override;
    vb::MenuItem* ShowPopup(vb::MenuItem& menu, std::optional<vb::ScreenPoint> at) override;
    void PopupsOpen(bool open) override;
    bool ShellIcon(std::uint32_t message, const vb::NotifyIconData& data) override;
    [[noreturn]] void Exit() override;
    bool SetWindow(vb::Form& form, vb::FormProperty property, float value) override;
    void FormShow(vb::Form& form, std::int16_t modal) override;
    void FormHide(vb::Form& form) override;
    void FormUnloaded(vb::Form& form) override;
    void FormPrinted(vb::Form& form) override;
    float TextHeight(const vb::Form& form) override;
    void ControlSet(vb::Control& control, vb::ControlProperty property,
                    std::int32_t index = 0) override;

    void MenuLoaded(vb::MenuItem& item) override;
    void MenuUnloading(vb::MenuItem& item) override;
    void MenuCaption(vb::MenuItem& item, const std::u16string& caption) override;
    void MenuVisible(vb::MenuItem& item, bool visible) override;

  private:
    // The window of a form that has one.
    FormWindow* Window(const vb::Form& form) const;

    posix::InstanceLock instanceLock_;  // one copy a session
    std::map<vb::Handle, QIcon> pictures_;
    PopupMenus menus_;
    std::map<const vb::Form*, QPointer<FormWindow>> windows_;
    vb::Handle nextPicture_ = 0x1000;
    Tray tray_;
    // A Wayland session's clipboard where XWayland's would not reach it.
    std::unique_ptr<WaylandClipboard> sessionClipboard_;
};

}  // namespace qtrt
