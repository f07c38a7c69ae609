#include "frmMenu.h"

#include <algorithm>
#include <memory>

#include "platform/conv.h"
#include "platform/trap.h"
#include "platform/version.h"

namespace {

constexpr std::uint32_t kIconRecordSize = 88;
constexpr std::uint32_t kIconId = 1;

// A designed menu item; the menu keeps it.
vb::MenuItem& Item(vb::MenuItem& menu, const char16_t* name, const char16_t* caption,
                   std::int16_t index = -1, bool visible = true) {
    return menu.Add(std::make_unique<vb::MenuItem>(menu.host(), name, caption, index, visible));
}

}  // namespace

frmMenu::frmMenu(vb::Runtime& rt)
    : vb::Form(rt, u"frmMenu"),
      rt_(rt),
      txtMenu(*this, u"txtMenu"),
      imgMenu{u"imgMenu", u"orbek"},
      mnuLeft(rt, u"mnuLeft", u"Left"),
      mnuPopL(Item(mnuLeft, u"mnuPopL", u"設定(&S)...")),
      mnuSentence({&Item(mnuLeft, u"mnuSentence", u"-", 0, false)}),
      mnuRight(rt, u"mnuRight", u"Right"),
      mnuPopR({&Item(mnuRight, u"mnuPopR", u"現在の内容を登録(&R)", 0),
               &Item(mnuRight, u"mnuPopR", u"設定(&S)...", 1), &Item(mnuRight, u"mnuPopR", u"-", 2),
               &Item(mnuRight, u"mnuPopR", u"About(&A)...", 3),
               &Item(mnuRight, u"mnuPopR", u"-", 4), &Item(mnuRight, u"mnuPopR", u"Exit(&X)", 5)}),
      mdl(rt, mnuSentence) {
    Caption = u"Orbek";
    Icon = u"orbek";
    NeverSeen = true;
    NotifyLeftMenu = &mnuLeft;
    NotifyRightMenu = &mnuRight;
    txtMenu.Visible = false;
    mnuPopL.Click = [this] { mnuPopL_Click(); };
    mnuSentence.Click = [this](std::int16_t index) { mnuSentence_Click(index); };
    mnuPopR.Click = [this](std::int16_t index) { mnuPopR_Click(index); };
}

void frmMenu::Form_Load() {
    vb::Trap trap(rt_, mdl, u"frmMenu_Load");
    if (trap.If([&] { return rt_.AppPrevInstance(); })) rt_.End();
    FillIconRecord(nid_, trap);
    trap.Do([&] { rt_.Shell_NotifyIconA(NIM_ADD, nid_); });
    mdl.ShowSMenu();
    trap.Do([&] { SetWidth(1); });
    trap.Do([&] { SetHeight(1); });
    trap.Do([&] { SetLeft(-Width()); });
    trap.Do([&] { Show(); });
    trap.Do([&] { SetWindowState(vb::kMinimized); });
    trap.Do([&] { Hide(); });
}

void frmMenu::Form_Unload(std::int16_t& /*cancel*/) {
    nid_.cbSize = kIconRecordSize;
    nid_.hWnd = hWnd();
    nid_.uID = kIconId;
    rt_.Shell_NotifyIconA(NIM_DELETE, nid_);
    rt_.End();
}

void frmMenu::Form_MouseMove(std::int16_t /*button*/, std::int16_t /*shift*/, float x,
                             float /*y*/) {
    vb::Trap trap(rt_, mdl, u"frmMenu_MouseMove");
    std::int32_t code = 0;
    trap.Do([&] { code = vb::IntDiv(x, rt_.ScreenTwipsPerPixelX()); });
    switch (code) {
        case WM_MOUSEMOVE: {
            vb::NotifyIconData record;
            FillIconRecord(record, trap);
            trap.Do([&] { rt_.Shell_NotifyIconA(NIM_MODIFY, record); });
            break;
        }
        case WM_LBUTTONDOWN:
            // Another program may have changed the store since the menu was built.
            if (popupOpen_ == 0 && trap.If([&] { return mdl.SMenuOutOfStep(); })) {
                mdl.ClearSMenu();
                mdl.ShowSMenu();
            }
            Popup(mnuLeft, trap);
            break;
        case WM_RBUTTONDOWN:
            Popup(mnuRight, trap);
            break;
        default:
            break;  // releases, double clicks, the middle button
    }
}

void frmMenu::FillIconRecord(vb::NotifyIconData& record, vb::Trap& trap) {
    record.cbSize = kIconRecordSize;
    record.hWnd = hWnd();
    record.uID = kIconId;
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = WM_MOUSEMOVE;
    trap.Do([&] { record.hIcon = rt_.PictureHandle(imgMenu); });
    // "Orbek" and a NUL, assigned into the fixed field, which pads with blanks.
    constexpr std::u16string_view tip(u"Orbek\0", 6);
    record.szTip.fill(u' ');
    std::copy(tip.begin(), tip.end(), record.szTip.begin());
}

void frmMenu::Popup(vb::MenuItem& menu, vb::Trap& trap) {
    if (popupOpen_ == 1) return;
    trap.Do([&] { rt_.SetForegroundWindow(hWnd()); });
    trap.Do([&] { rt_.DoEvents(); });
    popupOpen_ = 1;
    trap.Do([&] { rt_.PopupMenu(menu); });
    popupOpen_ = 0;
}

void frmMenu::mnuPopL_Click() { OpenEditor(); }

void frmMenu::OpenEditor() {
    Show();
    SetWindowState(vb::kNormal);
    if (!frmSet_) frmSet_.emplace(rt_, mdl, txtMenu);
    frmSet_->Show(1);
    if (!frmSet_->Loaded()) frmSet_.reset();
    SetWindowState(vb::kMinimized);
    Hide();
}

void frmMenu::mnuPopR_Click(std::int16_t index) {
    switch (index) {
        case 0:
            SetNowCB();
            break;
        case 1:
            OpenEditor();
            break;
        case 3: {
            const std::u16string text = u"Orbek" + std::u16string(u"  Version ") +
                                        vb::Str(rt_.AppMajor()) + u"." + vb::Str(rt_.AppMinor()) +
                                        u"\r\n\r\n" + u"Copyright (C) 2026 " + vb::kAuthor;
            rt_.MsgBox(text, vb::kInformation | vb::kSystemModal, u"Orbek のバージョン情報");
            break;
        }
        case 5:
            rt_.Unload(*this);
            break;
        default:
            break;  // the separators
    }
}

void frmMenu::SetNowCB() {
    vb::Trap trap(rt_, mdl, u"frmMenu!SetNowCB");
    if (trap.If([&] { return !rt_.ClipboardGetFormat(vb::kClipboardText); })) return;
    std::int32_t n = 0;
    // A count that is not a number would make the append overwrite S1.
    if (!trap.Do([&] {
            n = vb::CLng(
                rt_.GetSetting(mdlOrbek::kApp, mdlOrbek::kSection, mdlOrbek::kCountKey, u"-1"));
        })) {
        return;
    }
    // Every reader takes a count below -1 for no sentences: this one is the first.
    if (n < -1) n = -1;
    mdl.ClearSMenu();
    // The count goes up only when the sentence was read and written.
    std::u16string t;
    std::int32_t next = 0;
    if (trap.Do([&] { t = rt_.ClipboardGetText(); }) && trap.Do([&] { next = vb::Add(n, 1); }) &&
        trap.Do([&] {
            rt_.SaveSetting(mdlOrbek::kApp, mdlOrbek::kSection, mdlOrbek::SentenceKey(next), t);
        })) {
        trap.Do([&] {
            rt_.SaveSetting(mdlOrbek::kApp, mdlOrbek::kSection, mdlOrbek::kCountKey, vb::Str(next));
        });
    }
    mdl.ShowSMenu();
}

void frmMenu::mnuSentence_Click(std::int16_t index) {
    const std::int16_t sentence = vb::Add(index, std::int16_t{-1});
    mdl.CopyText(txtMenu, rt_.GetSetting(mdlOrbek::kApp, mdlOrbek::kSection,
                                         mdlOrbek::SentenceKey(sentence)));
}
