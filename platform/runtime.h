#pragma once
// The application runtime the programs run on: one object per program, with
// the services of the platform. Every operation may fail by throwing Error.
// Backends implement the pure operations; the rest is common to all of them.

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "error.h"
#include "form.h"
#include "menu.h"
#include "settings.h"
#include "window_messages.h"

namespace vb {

// Message box flags and results.
enum MsgBoxStyle : std::int32_t {
    kOkOnly = 0,
    kYesNo = 4,
    kQuestion = 32,
    kInformation = 64,
    kDefaultButton2 = 256,
    kSystemModal = 4096,
};
enum MsgBoxResult : std::int32_t { kOk = 1, kYes = 6, kNo = 7 };

// Clipboard format 1: plain text.
constexpr std::int16_t kClipboardText = 1;

}  // namespace vb

namespace vb {

struct NotifyIconData {
    std::uint32_t cbSize = 0;
    Handle hWnd = 0;
    std::uint32_t uID = 0;
    std::uint32_t uFlags = 0;
    std::uint32_t uCallbackMessage = 0;
    Handle hIcon = 0;
    std::array<char16_t, 64> szTip{};

    // The tip as the shell shows it: up to the first NUL.
    std::u16string Tip() const;
};

// A point on the screen, in pixels.
struct ScreenPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

class Runtime : public MenuHost, public FormHost {
  public:
    explicit Runtime(Settings::Factory settings);
    ~Runtime() override;

    ErrObject Err;
    // The program's title, shown on the notice of an error no trap caught.
    std::u16string AppTitle;

    // App and Screen.
    virtual bool AppPrevInstance() = 0;
    static std::int16_t AppMajor();
    virtual std::int16_t AppMinor();
    virtual float ScreenTwipsPerPixelX() = 0;

    // Settings store.
    virtual std::u16string GetSetting(std::u16string_view app, std::u16string_view section,
                                      std::u16string_view key,
                                      std::u16string_view defaultValue = {});
    virtual void SaveSetting(std::u16string_view app, std::u16string_view section,
                             std::u16string_view key, std::u16string_view value);
    virtual void DeleteSetting(std::u16string_view app, std::u16string_view section);
    // Changes whenever another program is seen to have changed `app`'s store.
    std::uint64_t OutsideChanges(std::u16string_view app) { return settings_.OutsideChanges(app); }
    Settings& Store() { return settings_; }

    // Dialogs.
    virtual std::int32_t MsgBox(std::u16string_view prompt, std::int32_t flags,
                                std::u16string_view title) = 0;
    // Asks for a text; the empty text when the user cancels.
    virtual std::u16string InputBox(std::u16string_view prompt, std::u16string_view title) = 0;

    // Clipboard: text with CR LF line breaks.
    virtual bool ClipboardGetFormat(std::int16_t format) = 0;
    virtual std::u16string ClipboardGetText() = 0;
    virtual void ClipboardSetText(std::u16string_view text) = 0;

    // Shell and window manager.
    // Adds (NIM_ADD), changes (NIM_MODIFY) or removes (NIM_DELETE) the icon
    // of the record's window and ID. The runtime keeps each icon's record: an
    // add of an ID it keeps, or of a window that is no form's, fails; a change
    // takes the fields the record's flags name; a change or a removal of an
    // ID it does not keep fails. Returns the shell's success flag; never throws.
    bool Shell_NotifyIconA(std::uint32_t message, const NotifyIconData& data);
    virtual void SetForegroundWindow(Handle window) = 0;
    // Only WM_COPY to a text box: copies its selection to the clipboard.
    virtual std::intptr_t SendMessageA(Handle window, std::uint32_t message, std::intptr_t wParam,
                                       std::intptr_t lParam);
    virtual Handle PictureHandle(const Image& image) = 0;

    // Event loop.
    virtual void DoEvents() = 0;
    // Shows the menu's children where the press was, else at the pointer;
    // returns after the chosen item's click handler has run. A choice the
    // user made in the tray's own drawing of the menu is run without showing it.
    void PopupMenu(MenuItem& menu);
    // Ends the program at once: no further handler runs. What the program
    // wrote is on the disk first.
    [[noreturn]] void End();

    // Forms: the backend shows, hides, renders and measures them (FormHost).
    void FormSet(Form& form, FormProperty property, float value) final;
    // After the unload handler: the window and its controls go; a modal show
    // of the form returns.
    virtual void FormUnloaded(Form& form) = 0;
    // The code's reads and undrawn changes: the backends accept them all; a
    // runtime may refuse one by throwing, the property then unchanged.
    void Access(const Form& form, std::string_view what) override;
    void Access(const Control& control, std::string_view what) override;
    void Load(Form& form) final;
    // Runs the form's unload handler; unless it cancels, the form goes.
    void Unload(Form& form);

    // What the backend calls.
    // A notification of the icon `data` was added with: `mouseMessage`
    // happened over it, at `at` when the tray says where (a popup the press
    // opens then opens there). Delivered as the form runtime does for its callback.
    void NotifyIcon(const NotifyIconData& data, std::uint32_t mouseMessage,
                    std::optional<ScreenPoint> at = {});
    // The user chose `item` in the tray's own drawing of the icon's menus:
    // the press that opens the item's menu is delivered, and the popup it
    // opens runs the choice.
    void ChosenInTray(const NotifyIconData& data, const MenuItem& item);
    // The tray opened its own drawing of the icon's menus, which holds the
    // left press's menu: the left press is delivered, and its popup shows
    // nothing, as the tray shows the menu.
    void OpenedInTray(const NotifyIconData& data);
    // The entries of the menu a tray draws for the icon of `form`: the right
    // press's menu. A tray that shows that menu for a left click too gets the
    // left press's menu first, then a separator (nullptr), then the right's.
    static std::vector<MenuItem*> TrayMenuEntries(const Form& form, bool combined);
    // The user resized the window or changed its state.
    void Resized(Form& form, float width, float height, float scaleWidth, float scaleHeight,
                 std::int16_t windowState);
    // The user closed the window from its title bar.
    void Closed(Form& form);
    void Dispatch(const std::function<void()>& handler) final;
    // Runs a chosen menu item's click handler, as an event.
    void Click(MenuItem& item);

    Handle Register(Form& form) final;
    Handle Register(Control& control) final;
    void Unregister(Handle handle) final;
    Form* FindForm(Handle handle) const;
    Control* FindControl(Handle handle) const;

  protected:
    // The icons as the runtime keeps their records, by ID.
    const std::map<std::uint32_t, NotifyIconData>& Icons() const { return icons_; }
    // Tells the shell of `message` for the icon kept as `icon` (for NIM_DELETE,
    // as it was); returns its success flag.
    virtual bool ShellIcon(std::uint32_t message, const NotifyIconData& icon) = 0;
    // Ends the process, the icons gone from the shell.
    [[noreturn]] virtual void Exit() = 0;
    // Applies a change to the form's window and stores, with SetGeometry, the
    // geometry it really has then; false when the form has no window.
    virtual bool SetWindow(Form& form, FormProperty property, float value) = 0;
    // The backend waits for the user's next input: what the program saw of
    // the store ends, as another program may change it meanwhile. Every
    // backend calls it before each wait, its own loop's and the system's.
    void WaitingForInput() { settings_.EventBoundary(); }
    // Shows the menu's children at `at`, or at the pointer; returns the item
    // chosen, if any, once the menu has closed.
    virtual MenuItem* ShowPopup(MenuItem& menu, std::optional<ScreenPoint> at) = 0;
    // A popup opened (true) and no popup is open any longer (false): a tray
    // that draws the icon's menu shows it greyed out meanwhile.
    virtual void PopupsOpen(bool /*open*/) {}
    // Stores the geometry a form's window has.
    static void SetGeometry(Form& form, float left, float top, float width, float height,
                            float scaleWidth, float scaleHeight);
    // The notice for an error that no trap caught.
    virtual void Untrapped(const Error& error);
    // WM_COPY to a text box: its selection to the clipboard, nothing when
    // the selection is empty.
    virtual void CopySelection(const TextBox& box);

  private:
    // What the tray's drawing of the menus did for a popup of `menu`: the
    // item chosen, found again by name and index when the popup runs, as the
    // press may rebuild the menu first; or none, the tray showing the menu.
    struct TrayChoice {
        const MenuItem* menu;
        std::optional<std::pair<std::u16string, std::int16_t>> item;
    };
    void Deliver(const NotifyIconData& data, std::uint32_t mouseMessage,
                 std::optional<ScreenPoint> at, std::optional<TrayChoice> choice);
    // Stores a change of a form without a window: the frame around the client
    // area keeps its size.
    static void StoreGeometry(Form& form, FormProperty property, float value);

    std::optional<TrayChoice> trayChoice_;
    std::map<std::uint32_t, NotifyIconData> icons_;

    std::optional<ScreenPoint> pressAt_;
    int popups_ = 0;

    Settings settings_;
    Handle nextHandle_ = 0x100;
    std::map<Handle, Form*> forms_;
    std::map<Handle, Control*> controls_;
};

}  // namespace vb
