#include "frmSet.h"

#include "platform/conv.h"
#include "platform/trap.h"

namespace {

constexpr std::u16string_view kCrLf = u"\r\n";
// The smallest outer size: the designed client area and the frame around it.
constexpr float kMinWidth = 6708, kMinHeight = 5400;

}  // namespace

frmSet::frmSet(vb::Runtime& rt, mdlOrbek& module, vb::TextBox& txtMenu)
    : vb::Form(rt, u"frmSet"),
      rt_(rt),
      cmdSet{{{*this, u"cmdSet", 0}, {*this, u"cmdSet", 1}}},
      lblSList(*this, u"lblSList"),
      lstSList(*this, u"lstSList"),
      cmdSList{{{*this, u"cmdSList", 0},
                {*this, u"cmdSList", 1},
                {*this, u"cmdSList", 2},
                {*this, u"cmdSList", 3},
                {*this, u"cmdSList", 4}}},
      txtPreview(*this, u"txtPreview"),
      lstFullS(*this, u"lstFullS"),
      mdl_(module),
      txtMenu_(txtMenu) {
    Caption = u"Orbek";
    Icon = u"orbek";
    Sizable = true;
    DesignClientSize(6612, 5052);

    cmdSet[0].Caption = u"OK";
    cmdSet[0].Design(5400, 600, 1092, 492);
    cmdSet[0].Default = true;
    cmdSet[1].Caption = u"Cancel";
    cmdSet[1].Design(5400, 1200, 1092, 492);
    cmdSet[1].Cancel = true;
    lblSList.Caption = u"登録文一覧(&L):";
    lblSList.Design(120, 240, 2052, 372);
    lstSList.Design(120, 600, 4092, 2292);
    struct Button {
        const char16_t *caption, *tip;
        float left, top, height;
    };
    static constexpr Button buttons[] = {{u"&^", u"up", 4320, 600, 1092},
                                         {u"&V", u"down", 4320, 1800, 1092},
                                         {u"&N", u"New", 4800, 600, 732},
                                         {u"&C", u"from Clipboard", 4800, 1440, 732},
                                         {u"&D", u"Delete", 4800, 2280, 612}};
    for (std::size_t i = 0; i < cmdSList.size(); ++i) {
        cmdSList[i].Caption = buttons[i].caption;
        cmdSList[i].ToolTipText = buttons[i].tip;
        cmdSList[i].Design(buttons[i].left, buttons[i].top, 372, buttons[i].height);
        cmdSList[i].Click = [this, i] { cmdSList_Click(static_cast<std::int16_t>(i)); };
    }
    txtPreview.Design(120, 3000, 6372, 1932);
    txtPreview.MultiLine = true;
    txtPreview.Locked = true;
    txtPreview.ScrollBars = true;
    txtPreview.ButtonFace = true;
    lstFullS.Design(2280, 120, 2652, 252);
    lstFullS.Visible = false;

    cmdSet[0].Click = [this] { cmdSet_Click(0); };
    cmdSet[1].Click = [this] { cmdSet_Click(1); };
    lstSList.Click = [this] { lstSList_Click(); };
    lstSList.DblClick = [this] { lstSList_DblClick(); };
}

std::u16string frmSet::DisplayText(std::u16string_view sentence) {
    return std::u16string(sentence.substr(0, sentence.find(kCrLf)));
}

void frmSet::Form_Load() {
    vb::Trap trap(rt_, mdl_, u"frmSet_Load");
    std::int32_t n = 0;
    trap.Do([&] {
        n = vb::CLng(
            rt_.GetSetting(mdlOrbek::kApp, mdlOrbek::kSection, mdlOrbek::kCountKey, u"-1"));
    });
    if (n == -1) return;
    for (std::int32_t k = 0; k <= n; ++k) {
        std::u16string s;
        trap.Do([&] {
            s = rt_.GetSetting(mdlOrbek::kApp, mdlOrbek::kSection, mdlOrbek::SentenceKey(k));
        });
        // A count beyond what the lists hold would fail the same way for
        // every further key: report it once and keep what was loaded.
        if (!trap.Do([&] { lstFullS.AddItem(s); })) break;
        trap.Do([&] { lstSList.AddItem(DisplayText(s)); });
    }
}

void frmSet::cmdSet_Click(std::int16_t index) {
    vb::Trap trap(rt_, mdl_, u"frmSet!cmdSet_Click");
    if (index == 0) {
        mdl_.ClearSMenu();
        std::int32_t n = 0;
        trap.Do([&] { n = vb::Add(lstFullS.ListCount(), std::int16_t{-1}); });
        trap.Do([&] {
            rt_.SaveSetting(mdlOrbek::kApp, mdlOrbek::kSection, mdlOrbek::kCountKey, vb::Str(n));
        });
        for (std::int32_t k = 0; k <= n; ++k) {
            trap.Do([&] {
                rt_.SaveSetting(mdlOrbek::kApp, mdlOrbek::kSection, mdlOrbek::SentenceKey(k),
                                lstFullS.List(static_cast<std::int16_t>(k)));
            });
        }
        mdl_.ShowSMenu();
    }
    trap.Do([&] { SetWindowState(vb::kMinimized); });
    trap.Do([&] { rt_.Unload(*this); });
}

void frmSet::Move(std::int16_t from, std::int16_t to) {
    vb::Trap trap(rt_, mdl_, u"frmSet!cmdSList_Click");
    std::u16string f, d;
    trap.Do([&] { f = lstFullS.List(from); });
    trap.Do([&] { lstFullS.RemoveItem(from); });
    trap.Do([&] { lstFullS.AddItem(f, to); });
    trap.Do([&] { d = lstSList.List(from); });
    trap.Do([&] { lstSList.RemoveItem(from); });
    trap.Do([&] { lstSList.AddItem(d, to); });
    trap.Do([&] { lstSList.SetListIndex(to); });
}

void frmSet::cmdSList_Click(std::int16_t index) {
    vb::Trap trap(rt_, mdl_, u"frmSet!cmdSList_Click");
    switch (index) {
        case 0:
        case 1: {
            if (trap.If([&] { return lstSList.ListIndex() == -1; })) return;
            std::int16_t i = 0;
            trap.Do([&] { i = lstSList.ListIndex(); });
            const bool up = index == 0;
            if (trap.If([&] { return up ? i == 0 : i == lstSList.ListCount() - 1; })) return;
            Move(i, static_cast<std::int16_t>(up ? i - 1 : i + 1));
            break;
        }
        case 2: {
            std::u16string t;
            trap.Do([&] { t = rt_.InputBox(u"登録する文章を教えてっ", u"登録 - Orbek"); });
            trap.Do([&] { lstFullS.AddItem(t); });
            trap.Do([&] { lstSList.AddItem(t); });
            break;
        }
        case 3: {
            if (trap.If([&] { return !rt_.ClipboardGetFormat(vb::kClipboardText); })) return;
            std::u16string t;
            trap.Do([&] { t = rt_.ClipboardGetText(); });
            trap.Do([&] { lstFullS.AddItem(t, lstFullS.ListCount()); });
            trap.Do([&] { lstSList.AddItem(DisplayText(t)); });
            break;
        }
        case 4: {
            if (trap.If([&] { return lstSList.ListIndex() == -1; })) return;
            std::int16_t i = 0;
            trap.Do([&] { i = lstSList.ListIndex(); });
            trap.Do([&] { lstFullS.RemoveItem(i); });
            if (trap.If([&] { return i == lstSList.ListCount() - 1; })) {
                trap.Do([&] { lstSList.RemoveItem(i); });
                trap.Do([&] { lstSList.SetListIndex(static_cast<std::int16_t>(i - 1)); });
            } else {
                trap.Do([&] { lstSList.RemoveItem(i); });
                trap.Do([&] { lstSList.SetListIndex(i); });
            }
            break;
        }
        default:
            break;
    }
}

void frmSet::lstSList_Click() {
    // With nothing selected the preview is emptied.
    txtPreview.SetText(lstFullS.List(lstSList.ListIndex()));
}

void frmSet::lstSList_DblClick() {
    // A double click beside the entries selects nothing: there is nothing to copy.
    if (lstSList.ListIndex() == -1) return;
    mdl_.CopyText(txtMenu_, lstFullS.List(lstSList.ListIndex()));
}

void frmSet::Form_Resize() {
    vb::Trap trap(rt_, mdl_, u"frmSet_Resize");
    if (trap.If([&] { return WindowState() == vb::kMinimized; })) return;
    if (trap.If([&] { return Width() < kMinWidth; })) {
        trap.Do([&] { SetWidth(kMinWidth); });
    } else {
        trap.Do([&] { lstSList.SetWidth(ScaleWidth() - 2520); });
        trap.Do([&] { cmdSList[0].SetLeft(lstSList.Width() + 228); });
        trap.Do([&] { cmdSList[1].SetLeft(cmdSList[0].Left()); });
        trap.Do([&] { cmdSList[2].SetLeft(cmdSList[0].Left() + 480); });
        trap.Do([&] { cmdSList[3].SetLeft(cmdSList[2].Left()); });
        trap.Do([&] { cmdSList[4].SetLeft(cmdSList[2].Left()); });
        trap.Do([&] { cmdSet[0].SetLeft(cmdSList[2].Left() + 600); });
        trap.Do([&] { cmdSet[1].SetLeft(cmdSet[0].Left()); });
        trap.Do([&] { txtPreview.SetWidth(ScaleWidth() - 240); });
    }
    if (trap.If([&] { return Height() < kMinHeight; })) {
        trap.Do([&] { SetHeight(kMinHeight); });
    } else {
        trap.Do([&] { txtPreview.SetHeight(ScaleHeight() - 3120); });
    }
}
