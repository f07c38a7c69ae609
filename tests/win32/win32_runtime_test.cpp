// The Win32 runtime's own parts, under Wine on the private desktop of the run:
// the icon record and menus it hands the system, the single-copy mutex, the
// clipboard, the dialogs with the flags passed through, and form windows.

#include "platform/win32/win32_runtime.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "platform/conv.h"
#include "platform/win32/gdi_objects.h"
#include "unit/error_of.h"

namespace {

using win32rt::Wide;
using win32rt::Win32Runtime;

std::u16string U(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// A name of this test process's own, so that no other program's mutex or
// window class is met.
std::u16string ProgramName() { return U("OrbekTest" + std::to_string(GetCurrentProcessId())); }

std::u16string MenuText(HMENU menu, UINT position) {
    wchar_t text[256] = {};
    GetMenuStringW(menu, position, text, 256, MF_BYPOSITION);
    return win32rt::FromWide(text, wcslen(text));
}

// Runs `action` on another thread once a top-level window with the title
// `title` (or of the class `windowClass`) is shown, while the calling thread
// runs a dialog or menu.
class WhenShown {
  public:
    WhenShown(std::u16string title, std::function<void(HWND)> action,
              const wchar_t* windowClass = nullptr)
        : thread_([this, title = std::move(title), action = std::move(action), windowClass] {
              for (int i = 0; i < 500 && !stop_; ++i) {
                  if (HWND window = FindWindowW(windowClass, title.empty() ? nullptr : Wide(title));
                      window && IsWindowVisible(window)) {
                      action(window);
                      return;
                  }
                  Sleep(10);
              }
          }) {}
    ~WhenShown() {
        stop_ = true;
        thread_.join();
    }

  private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

class Win32RuntimeTest : public ::testing::Test {
  protected:
    Win32Runtime rt{GetModuleHandleW(nullptr), ProgramName()};
};

// A form that records its events.
class TestForm : public vb::Form {
  public:
    explicit TestForm(vb::Runtime& rt)
        : vb::Form(rt, u"frmTest"),
          cmdOk(*this, u"cmdOk"),
          lblList(*this, u"lblList"),
          lstList(*this, u"lstList"),
          txtPreview(*this, u"txtPreview"),
          cmdCancel(*this, u"cmdCancel") {
        Caption = u"テスト フォーム " + ProgramName();
        DesignClientSize(4800, 3600);
        cmdOk.Caption = u"OK";
        cmdOk.Default = true;
        cmdOk.Design(3600, 120, 1000, 400);
        cmdOk.Click = [this] { events.push_back(u"ok"); };
        lblList.Caption = u"一覧(&L):";
        lblList.Design(120, 120, 2000, 300);
        lstList.Design(120, 480, 3000, 1500);
        lstList.Click = [this] { events.push_back(u"list " + vb::Str(lstList.ListIndex())); };
        txtPreview.MultiLine = true;
        txtPreview.Locked = true;
        txtPreview.ButtonFace = true;
        txtPreview.Design(120, 2100, 4500, 1300);
        cmdCancel.Caption = u"Cancel";
        cmdCancel.Cancel = true;
        cmdCancel.Design(3600, 600, 1000, 400);
        cmdCancel.Click = [this] {
            events.push_back(u"cancel");
            Hide();
        };
    }
    void Form_MouseMove(std::int16_t, std::int16_t, float x, float) override {
        events.push_back(u"mouse " + vb::Str(static_cast<std::int32_t>(x)));
    }
    void Form_Unload(std::int16_t&) override { events.push_back(u"unload"); }

    vb::CommandButton cmdOk;
    vb::Label lblList;
    vb::ListBox lstList;
    vb::TextBox txtPreview;
    vb::CommandButton cmdCancel;
    std::vector<std::u16string> events;
};

// Shows `form` with two entries in its list; its window.
HWND ShowWithTwoEntries(TestForm& form) {
    form.lstList.AddItem(u"first");
    form.lstList.AddItem(u"second");
    form.Show();
    return FindWindowW(nullptr, Wide(form.Caption));
}

TEST(ShellRecord, CarriesTheCoreRecordInItsUnicodeForm) {
    vb::NotifyIconData data;
    data.uID = 1;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | 0x80;
    data.uCallbackMessage = WM_MOUSEMOVE;
    data.hIcon = 0x1234;
    const std::u16string tip = u"Orbek 登録文";
    std::copy(tip.begin(), tip.end(), data.szTip.begin());
    HWND window = reinterpret_cast<HWND>(0x42);

    const NOTIFYICONDATAW record = win32rt::ShellRecord(data, window);
    EXPECT_EQ(record.cbSize, sizeof(NOTIFYICONDATAW));
    EXPECT_EQ(record.hWnd, window);
    EXPECT_EQ(record.uID, 1u);
    EXPECT_EQ(record.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(record.uCallbackMessage, 0x200u);
    EXPECT_EQ(record.hIcon, reinterpret_cast<HICON>(0x1234));
    EXPECT_EQ(win32rt::FromWide(record.szTip, wcslen(record.szTip)), tip);
}

TEST(ShellRecord, AFullTipStaysTerminated) {
    vb::NotifyIconData data;
    data.szTip.fill(u'x');
    const NOTIFYICONDATAW record = win32rt::ShellRecord(data, nullptr);
    EXPECT_EQ(wcslen(record.szTip), data.szTip.size());
}

TEST(BuildMenu, ShowsVisibleItemsInOrderAndMapsCommandsToThem) {
    struct NoHost : vb::MenuHost {
        void MenuLoaded(vb::MenuItem&) override {}
        void MenuUnloading(vb::MenuItem&) override {}
        void MenuCaption(vb::MenuItem&, const std::u16string&) override {}
        void MenuVisible(vb::MenuItem&, bool) override {}
    } host;
    vb::MenuItem root(host, u"mnuLeft", u"Left");
    auto add = [&](vb::MenuItem & parent, std::u16string caption, bool visible = true) -> auto& {
        return parent.Add(std::make_unique<vb::MenuItem>(host, u"mnu", caption, -1, visible));
    };
    auto& first = add(root, u"設定(&S)...");
    add(root, u"-");
    add(root, u"hidden", false);
    auto& empty = add(root, u"");
    auto& sub = add(root, u"More");
    auto& inner = add(sub, u"a & b");

    std::vector<vb::MenuItem*> items;
    const win32rt::OwnedMenu built = win32rt::BuildMenu(root, items);
    HMENU menu = built.get();
    ASSERT_EQ(GetMenuItemCount(menu), 4);
    EXPECT_EQ(MenuText(menu, 0), u"設定(&S)...");
    EXPECT_TRUE(GetMenuState(menu, 1, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(MenuText(menu, 2), u"");
    EXPECT_EQ(MenuText(menu, 3), u"More");
    HMENU subMenu = GetSubMenu(menu, 3);
    ASSERT_NE(subMenu, nullptr);
    EXPECT_EQ(MenuText(subMenu, 0), u"a & b");
    // Each command's identifier leads to its item.
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[GetMenuItemID(menu, 0) - 1], &first);
    EXPECT_EQ(items[GetMenuItemID(menu, 2) - 1], &empty);
    EXPECT_EQ(items[GetMenuItemID(subMenu, 0) - 1], &inner);
}

TEST(Win32Runtime, OneCopyHoldsTheMutexUntilItEnds) {
    auto first = std::make_unique<Win32Runtime>(GetModuleHandleW(nullptr), ProgramName());
    EXPECT_FALSE(first->AppPrevInstance());
    EXPECT_FALSE(first->AppPrevInstance());  // asking again is no second copy
    {
        Win32Runtime second(GetModuleHandleW(nullptr), ProgramName());
        EXPECT_TRUE(second.AppPrevInstance());
    }
    first.reset();
    Win32Runtime third(GetModuleHandleW(nullptr), ProgramName());
    EXPECT_FALSE(third.AppPrevInstance());
}

TEST_F(Win32RuntimeTest, TwipsPerPixelFollowTheScreen) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    EXPECT_FLOAT_EQ(rt.ScreenTwipsPerPixelX(), 1440.0f / static_cast<float>(dpi));
}

TEST_F(Win32RuntimeTest, ClipboardKeepsTextExactly) {
    for (const std::u16string& text : {std::u16string(u"一行目\r\n二行目\r\n"),
                                       std::u16string(u" a=b;c & \t"), std::u16string()}) {
        rt.ClipboardSetText(text);
        EXPECT_TRUE(rt.ClipboardGetFormat(vb::kClipboardText));
        EXPECT_EQ(rt.ClipboardGetText(), text);
    }
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    EXPECT_FALSE(rt.ClipboardGetFormat(vb::kClipboardText));
    EXPECT_EQ(rt.ClipboardGetText(), u"");
}

TEST_F(Win32RuntimeTest, AClipboardHeldElsewhereRaises521) {
    rt.ClipboardSetText(u"before");
    std::atomic<bool> held{false}, done{false};
    std::thread holder([&] {
        OpenClipboard(nullptr);
        held = true;
        while (!done) Sleep(5);
        CloseClipboard();
    });
    while (!held) Sleep(5);
    EXPECT_EQ(ErrorOf([&] { rt.ClipboardGetText(); }), vb::kClipboardBusy);
    EXPECT_EQ(ErrorOf([&] { rt.ClipboardSetText(u"after"); }), vb::kClipboardBusy);
    done = true;
    holder.join();
    EXPECT_EQ(rt.ClipboardGetText(), u"before");
}

// Whether another thread may open the clipboard now: nobody holds it open.
bool ClipboardFree() {
    bool opened = false;
    std::thread([&] {
        opened = OpenClipboard(nullptr) != FALSE;
        if (opened) CloseClipboard();
    }).join();
    return opened;
}

TEST_F(Win32RuntimeTest, TheClipboardIsClosedOnEveryWayOut) {
    // Opened for a window, as the runtime opens it.
    HWND owner = FindWindowW(Wide(ProgramName() + u".Runtime"), nullptr);
    ASSERT_NE(owner, nullptr);
    for (const std::int32_t raised : {std::int32_t{0}, std::int32_t{vb::kOutOfMemory}}) {
        SCOPED_TRACE(raised);
        EXPECT_EQ(ErrorOf([&] {
                      const win32rt::ClipboardOpen open(owner);
                      EXPECT_FALSE(ClipboardFree());
                      if (raised) vb::Raise(raised);
                  }),
                  raised);
        EXPECT_TRUE(ClipboardFree());
    }
}

TEST_F(Win32RuntimeTest, CopyMessageCopiesTheTextBoxSelection) {
    TestForm form(rt);
    form.txtPreview.SetText(u"abc\r\ndef");
    form.txtPreview.SetSelStart(1);
    form.txtPreview.SetSelLength(5);
    rt.SendMessageA(form.txtPreview.hWnd(), WM_COPY, 0, 0);
    EXPECT_EQ(rt.ClipboardGetText(), u"bc\r\nd");

    // Nothing selected: nothing copied, the clipboard keeps what it had.
    form.txtPreview.SetText(u"unseen");
    rt.SendMessageA(form.txtPreview.hWnd(), WM_COPY, 0, 0);
    EXPECT_EQ(rt.ClipboardGetText(), u"bc\r\nd");
}

TEST_F(Win32RuntimeTest, IconCallbacksReachTheFormAsMouseMoves) {
    TestForm form(rt);
    vb::NotifyIconData data;
    data.hWnd = form.hWnd();
    data.uID = 1;
    data.uFlags = NIF_MESSAGE | NIF_TIP;
    data.uCallbackMessage = WM_MOUSEMOVE;
    ASSERT_TRUE(rt.Shell_NotifyIconA(NIM_ADD, data));
    EXPECT_FALSE(rt.Shell_NotifyIconA(NIM_ADD, data));  // once only

    HWND window = FindWindowW(Wide(ProgramName() + u".Runtime"), nullptr);
    ASSERT_NE(window, nullptr);
    SendMessageW(window, WM_MOUSEMOVE, 1, WM_LBUTTONDOWN);
    SendMessageW(window, WM_MOUSEMOVE, 1, WM_RBUTTONDOWN);
    SendMessageW(window, WM_MOUSEMOVE, 2, WM_LBUTTONDOWN);  // no such icon
    const auto tpp = vb::CLng(rt.ScreenTwipsPerPixelX());
    EXPECT_EQ(form.events, (std::vector<std::u16string>{u"mouse " + vb::Str(0x201 * tpp),
                                                        u"mouse " + vb::Str(0x204 * tpp)}));

    // A change of the tip alone keeps the callback.
    vb::NotifyIconData tip = data;
    tip.uFlags = NIF_TIP;
    tip.uCallbackMessage = 0;
    EXPECT_TRUE(rt.Shell_NotifyIconA(NIM_MODIFY, tip));
    SendMessageW(window, WM_MOUSEMOVE, 1, WM_MOUSEMOVE);
    EXPECT_EQ(form.events.back(), u"mouse " + vb::Str(0x200 * tpp));

    vb::NotifyIconData other = data;
    other.uID = 7;
    EXPECT_FALSE(rt.Shell_NotifyIconA(NIM_MODIFY, other));
    EXPECT_TRUE(rt.Shell_NotifyIconA(NIM_DELETE, data));
    SendMessageW(window, WM_MOUSEMOVE, 1, WM_LBUTTONDOWN);
    EXPECT_EQ(form.events.size(), 3u);
}

// Pops `menu` up and chooses in it by the keys: Down `downs` times from no
// selection, then Enter.
void Choose(Win32Runtime& rt, vb::MenuItem& menu, int downs) {
    WhenShown keys(
        u"",
        [downs](HWND shown) {
            for (int i = 0; i < downs; ++i) PostMessageW(shown, WM_KEYDOWN, VK_DOWN, 0);
            PostMessageW(shown, WM_KEYDOWN, VK_RETURN, 0);
        },
        L"#32768");
    rt.PopupMenu(menu);
}

TEST_F(Win32RuntimeTest, APopupRunsTheChosenItemOfTheMenuAsItIsNow) {
    vb::MenuItem root(rt, u"mnuLeft", u"Left");
    vb::MenuArray items({&root.Add(std::make_unique<vb::MenuItem>(rt, u"mnuItem", u"A", 0))});
    std::vector<std::int16_t> clicked;
    items.Click = [&](std::int16_t k) { clicked.push_back(k); };
    Choose(rt, root, 1);
    items.Load(1).SetCaption(u"B");
    Choose(rt, root, 2);
    Choose(rt, root, 2);  // the same menu again
    items.Unload(1);
    Choose(rt, root, 2);  // one item left: the second Down comes round to it
    EXPECT_EQ(clicked, (std::vector<std::int16_t>{0, 1, 1, 0}));
}

TEST_F(Win32RuntimeTest, APopupOfASubmenuShowsItAsItIsNow) {
    vb::MenuItem root(rt, u"mnuLeft", u"Left");
    vb::MenuItem& more = root.Add(std::make_unique<vb::MenuItem>(rt, u"mnuMore", u"More"));
    vb::MenuArray items({&more.Add(std::make_unique<vb::MenuItem>(rt, u"mnuItem", u"A", 0))});
    std::vector<std::int16_t> clicked;
    items.Click = [&](std::int16_t k) { clicked.push_back(k); };
    Choose(rt, more, 1);
    items.Load(1);
    Choose(rt, more, 2);
    items.Unload(1);
    Choose(rt, more, 2);
    EXPECT_EQ(clicked, (std::vector<std::int16_t>{0, 1, 0}));
}

TEST(GdiObjects, EachFontIsMadeAsAskedWhateverWasMadeBefore) {
    win32rt::GdiObjects gdi(GetModuleHandleW(nullptr));
    const vb::Font japanese;
    vb::Font western = japanese;
    western.charset = ANSI_CHARSET;
    vb::Font bold = japanese;
    bold.weight = FW_BOLD;
    vb::Font other = japanese;
    other.name = u"Arial";
    const struct {
        const char* name;
        const vb::Font& font;
    } cases[] = {{"japanese", japanese},
                 {"western", western},
                 {"bold", bold},
                 {"other face", other},
                 {"japanese again", japanese}};
    for (const auto& [name, font] : cases) {
        SCOPED_TRACE(name);
        LOGFONTW made{};
        ASSERT_NE(GetObjectW(gdi.Font(font), sizeof made, &made), 0);
        EXPECT_EQ(win32rt::FromWide(made.lfFaceName, wcslen(made.lfFaceName)), font.name);
        EXPECT_EQ(made.lfWeight, font.weight);
        EXPECT_EQ(made.lfCharSet, font.charset);
    }
}

TEST_F(Win32RuntimeTest, AMissingPictureRaises5) {
    EXPECT_EQ(ErrorOf([&] {
                  rt.PictureHandle(vb::Image{u"img", u"nosuchpicture"});
              }),
              vb::kInvalidCall);
}

TEST_F(Win32RuntimeTest, MessageBoxTakesTheFlagsAsTheyAre) {
    // 292: Yes and No, a question, No the default.
    LONG noStyle = 0, yesStyle = 0;
    std::int32_t answer = 0;
    {
        WhenShown press(u"確認 - Test", [&](HWND box) {
            noStyle = GetWindowLongW(GetDlgItem(box, IDNO), GWL_STYLE);
            yesStyle = GetWindowLongW(GetDlgItem(box, IDYES), GWL_STYLE);
            PostMessageW(box, WM_COMMAND, IDYES, 0);
        });
        answer = rt.MsgBox(u"削除してよろしいですか?", 292, u"確認 - Test");
    }
    EXPECT_EQ(noStyle & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_EQ(yesStyle & BS_TYPEMASK, BS_PUSHBUTTON);
    EXPECT_EQ(answer, vb::kYes);
}

TEST_F(Win32RuntimeTest, TheStoreIsReadAfreshOnceADialogWaitedForTheUser) {
    const std::u16string app = ProgramName();
    rt.SaveSetting(app, u"Sentences", u"S0", u"before");
    EXPECT_EQ(rt.GetSetting(app, u"Sentences", u"S0"), u"before");
    {
        // Another program writes while the box is up.
        WhenShown other(u"待機 - Test", [&](HWND box) {
            const std::u16string key =
                u"Software\\VB and VBA Program Settings\\" + app + u"\\Sentences";
            RegSetKeyValueW(HKEY_CURRENT_USER, Wide(key), L"S0", REG_SZ, L"after", sizeof L"after");
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        });
        rt.MsgBox(u"待機", vb::kOkOnly, u"待機 - Test");
    }
    EXPECT_EQ(rt.GetSetting(app, u"Sentences", u"S0"), u"after");
    rt.DeleteSetting(app, u"Sentences");
}

TEST_F(Win32RuntimeTest, InputBoxGivesTheTypedTextOrNothing) {
    for (const bool ok : {true, false}) {
        std::u16string typed;
        {
            WhenShown type(u"登録 - Test", [&](HWND box) {
                SetDlgItemTextW(box, 100, L"入力 & text");
                PostMessageW(box, WM_COMMAND, ok ? IDOK : IDCANCEL, 0);
            });
            typed = rt.InputBox(u"登録する文章", u"登録 - Test");
        }
        EXPECT_EQ(typed, ok ? u"入力 & text" : u"");
    }
}

TEST_F(Win32RuntimeTest, AFormWindowShowsTheControlsInTheDialogFont) {
    TestForm form(rt);
    HWND window = ShowWithTwoEntries(form);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsWindowVisible(window));

    // The client area as designed, within a pixel.
    const float tpp = rt.ScreenTwipsPerPixelX();
    EXPECT_NEAR(form.ScaleWidth(), 4800, tpp);
    EXPECT_NEAR(form.ScaleHeight(), 3600, tpp);

    HWND list = GetDlgItem(window, 102);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 2);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_EQ(win32rt::FromWide(font.lfFaceName, wcslen(font.lfFaceName)), u"ＭＳ Ｐゴシック");
    EXPECT_EQ(font.lfCharSet, SHIFTJIS_CHARSET);

    // Changes of the model reach the window; the user's selection reaches the model.
    form.lstList.AddItem(u"zero", 0);
    form.lstList.SetListIndex(2);
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 2);
    SendMessageW(list, LB_SETCURSEL, 0, 0);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(102, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    EXPECT_EQ(form.lstList.ListIndex(), 0);
    form.txtPreview.SetText(u"一行目\r\n二行目");
    wchar_t text[64] = {};
    GetWindowTextW(GetDlgItem(window, 103), text, 64);
    EXPECT_EQ(win32rt::FromWide(text, wcslen(text)), u"一行目\r\n二行目");

    // Enter presses the default button, Esc the cancel button, and closing
    // the window unloads the form.
    SendMessageW(window, WM_COMMAND, IDOK, 0);
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(form.events, (std::vector<std::u16string>{u"list 2", u"list 0", u"ok", u"unload"}));
    EXPECT_FALSE(form.Loaded());
}

// The window of a form unloaded while it handles a message goes once that is
// done, and with the runtime at the latest: once, whether the message to
// destroy it comes or another's loop takes it and runs nothing.
TEST(Win32Runtime, AnUnloadedFormsWindowIsDestroyedOnceWhateverBecomesOfItsMessage) {
    for (const bool delivered : {true, false}) {
        SCOPED_TRACE(delivered ? "delivered" : "lost");
        HWND window = nullptr;
        {
            Win32Runtime rt(GetModuleHandleW(nullptr), ProgramName());
            TestForm form(rt);
            form.Show();
            window = FindWindowW(nullptr, Wide(form.Caption));
            ASSERT_NE(window, nullptr);
            SendMessageW(window, WM_CLOSE, 0, 0);
            ASSERT_FALSE(form.Loaded());
            EXPECT_FALSE(IsWindowVisible(window));
            if (delivered) {
                rt.DoEvents();
                EXPECT_FALSE(IsWindow(window));
            } else {
                MSG lost;
                while (PeekMessageW(&lost, nullptr, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE)) {
                }
                EXPECT_TRUE(IsWindow(window));
            }
        }
        EXPECT_FALSE(IsWindow(window));
    }
}

TEST_F(Win32RuntimeTest, EveryKindOfControlRendersEachOfItsProperties) {
    TestForm form(rt);
    HWND window = ShowWithTwoEntries(form);
    ASSERT_NE(window, nullptr);
    const vb::Scale scale{rt.ScreenTwipsPerPixelX()};
    // The child window of each control, by its place in tab order.
    auto childOf = [&](const vb::Control& control) {
        const auto& controls = form.Controls();
        const auto at = std::find(controls.begin(), controls.end(), &control) - controls.begin();
        return GetDlgItem(window, 100 + static_cast<int>(at));
    };

    // What every control has, on a control of each kind with a window.
    for (vb::Control* control :
         std::initializer_list<vb::Control*>{&form.cmdOk, &form.lstList, &form.txtPreview}) {
        SCOPED_TRACE(std::string(control->Name().begin(), control->Name().end()));
        HWND child = childOf(*control);
        ASSERT_NE(child, nullptr);
        control->SetLeft(240);
        control->SetTop(360);
        control->SetWidth(1500);
        control->SetHeight(900);
        RECT placed{};
        GetWindowRect(child, &placed);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&placed), 2);
        EXPECT_EQ(placed.left, scale.Pixels(240));
        EXPECT_EQ(placed.top, scale.Pixels(360));
        EXPECT_EQ(placed.right - placed.left, scale.Pixels(1500));
        EXPECT_EQ(placed.bottom - placed.top, scale.Pixels(900));
        control->SetEnabled(false);
        EXPECT_FALSE(IsWindowEnabled(child));
        control->SetEnabled(true);
        EXPECT_TRUE(IsWindowEnabled(child));
    }

    // A text box's text.
    form.txtPreview.SetText(u"一行目\r\n二行目");
    wchar_t text[64] = {};
    GetWindowTextW(childOf(form.txtPreview), text, 64);
    EXPECT_EQ(win32rt::FromWide(text, wcslen(text)), u"一行目\r\n二行目");

    // A list box's entries and selection.
    HWND list = childOf(form.lstList);
    auto entries = [&] {
        std::vector<std::u16string> seen;
        for (LRESULT i = 0; i < SendMessageW(list, LB_GETCOUNT, 0, 0); ++i) {
            wchar_t entry[64] = {};
            SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(entry));
            seen.push_back(win32rt::FromWide(entry, wcslen(entry)));
        }
        return seen;
    };
    form.lstList.AddItem(u"zero", 0);
    form.lstList.SetListIndex(2);
    EXPECT_EQ(entries(), (std::vector<std::u16string>{u"zero", u"first", u"second"}));
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 2);
    form.lstList.RemoveItem(0);  // the selection follows its entry
    EXPECT_EQ(entries(), (std::vector<std::u16string>{u"first", u"second"}));
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 1);
    form.lstList.RemoveItem(1);
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), LB_ERR);

    // A label has no window: the form, which draws it, is drawn again.
    for (const std::function<void()>& change : std::initializer_list<std::function<void()>>{
             [&] { form.lblList.SetLeft(240); }, [&] { form.lblList.SetTop(60); },
             [&] { form.lblList.SetWidth(1800); }, [&] { form.lblList.SetHeight(240); },
             [&] { form.lblList.SetEnabled(false); }}) {
        ValidateRect(window, nullptr);
        change();
        EXPECT_TRUE(GetUpdateRect(window, nullptr, FALSE));
    }
}

TEST_F(Win32RuntimeTest, EscPressesTheCancelButtonWhereverTheFocusIs) {
    TestForm form(rt);
    form.Show();
    HWND preview = GetDlgItem(FindWindowW(nullptr, Wide(form.Caption)), 103);
    ASSERT_NE(preview, nullptr);
    SetFocus(preview);  // a multi-line text box would take Esc for itself
    PostMessageW(preview, WM_KEYDOWN, VK_ESCAPE, 0);
    rt.DoEvents();
    EXPECT_EQ(form.events, std::vector<std::u16string>{u"cancel"});
    EXPECT_TRUE(form.Loaded());
}

TEST_F(Win32RuntimeTest, TheLabelsAccessKeyAndTabMoveTheFocus) {
    TestForm form(rt);
    form.Show();
    HWND window = FindWindowW(nullptr, Wide(form.Caption));
    HWND ok = GetDlgItem(window, 100);
    SetFocus(ok);
    PostMessageW(ok, WM_SYSCHAR, L'l', 1 << 29);  // Alt+L
    rt.DoEvents();
    EXPECT_EQ(GetFocus(), GetDlgItem(window, 102));
    // Tab goes on in tab order: the text box after the list.
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
    rt.DoEvents();
    EXPECT_EQ(GetFocus(), GetDlgItem(window, 103));
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 0);  // out of the text box too
    rt.DoEvents();
    EXPECT_EQ(GetFocus(), GetDlgItem(window, 104));
}

TEST_F(Win32RuntimeTest, AModalShowReturnsOnceTheFormIsHidden) {
    TestForm form(rt);
    WhenShown cancel(form.Caption,
                     [](HWND window) { PostMessageW(window, WM_COMMAND, IDCANCEL, 0); });
    form.Show(1);
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(form.events, std::vector<std::u16string>{u"cancel"});
}

}  // namespace
