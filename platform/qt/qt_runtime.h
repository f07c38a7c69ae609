#pragma once
// The runtime on Qt 6 Widgets.

#include <QObject>
#include <QIcon>
#include <QLockFile>
#include <QPointer>
#include <map>
#include <memory>

#include "platform/runtime.h"

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace qtrt {

class QtRuntime : public QObject, public vb::Runtime {
public:
    QtRuntime();
    ~QtRuntime() override;

    bool AppPrevInstance() override;
    float ScreenTwipsPerPixelX() override;
    std::int32_t MsgBox(std::u16string_view prompt, std::int32_t flags,
                        std::u16string_view title) override;
    bool ClipboardGetFormat(std::int16_t format) override;
    std::u16string ClipboardGetText() override;
    void ClipboardSetText(std::u16string_view text) override;
    bool Shell_NotifyIcon(std::uint32_t message, const vb::NotifyIconData& data) override;
    void SetForegroundWindow(vb::Handle window) override;
    vb::Handle PictureHandle(const vb::Image& image) override;
    void DoEvents() override;
    void PopupMenu(vb::MenuItem& menu) override;
    [[noreturn]] void End() override;
    float FormSet(vb::Form& form, vb::FormProperty property, float value) override;
    void FormShow(vb::Form& form, std::int16_t modal) override;
    void FormHide(vb::Form& form) override;
    void MenuLoaded(vb::MenuItem& item) override;
    void MenuUnloading(vb::MenuItem& item) override;
    void MenuCaption(vb::MenuItem& item, const std::u16string& caption) override;
    void MenuVisible(vb::MenuItem& item, bool visible) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TrayIcon {
        vb::NotifyIconData data;
        std::unique_ptr<QSystemTrayIcon> icon;
    };
    // The Qt menu that shows a top-level menu, made on first use.
    QMenu* MenuFor(vb::MenuItem& menu);
    QAction* MakeAction(vb::MenuItem& item);
    void Apply(TrayIcon& tray, const vb::NotifyIconData& data);

    std::unique_ptr<QLockFile> instanceLock_;
    std::map<vb::Handle, QIcon> pictures_;
    std::map<std::uint32_t, TrayIcon> trayIcons_;
    std::map<const vb::MenuItem*, std::unique_ptr<QMenu>> menus_;
    std::map<const vb::MenuItem*, QAction*> actions_;
    vb::Handle nextPicture_ = 0x1000;
};

}  // namespace qtrt
