// A tray that draws the icon's menus itself, and one that says where a
// click was: the presses and choices it reports go the form's own way.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "fake/fake_runtime.h"
#include "test_util.h"
#include "tray/frmMenu.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class TrayDrawnMenuTest : public ::testing::Test {
  protected:
    void SetUp() override {
        rt.Seed({{u"SCMax", u"1"}, {u"S0", u"first\r\nline"}, {u"S1", u"second"}});
        rt.Load(form);
        icon = rt.lastIcon;
        Next();
    }
    void Next() {
        rt.NextEvent();
        rt.log.clear();
    }
    // The entries as the tray lists them: captions, "-" for a separator,
    // hidden ones left out.
    std::vector<std::string> Entries(bool combined) const {
        std::vector<std::string> shown;
        for (const vb::MenuItem* item : vb::Runtime::TrayMenuEntries(form, combined)) {
            if (item == nullptr || item->IsSeparator()) {
                if (item == nullptr || item->Visible()) shown.push_back("-");
            } else if (item->Visible()) {
                shown.push_back(fake::Show(item->Caption()));
            }
        }
        return shown;
    }

    fake::FakeRuntime rt;
    frmMenu form{rt};
    vb::NotifyIconData icon;
};

TEST_F(TrayDrawnMenuTest, CombinedMenuHoldsTheSentencesThenTheCommands) {
    EXPECT_THAT(Entries(false), ElementsAre("現在の内容を登録(&R)", "設定(&S)...", "-",
                                            "About(&A)...", "-", "Exit(&X)"));
    EXPECT_THAT(Entries(true), ElementsAre("設定(&S)...", "-", "first\\n...", "second", "-",
                                           "現在の内容を登録(&R)", "設定(&S)...", "-",
                                           "About(&A)...", "-", "Exit(&X)"));
}

TEST_F(TrayDrawnMenuTest, CombinedMenuFollowsEveryRebuild) {
    rt.clipboard = u"third";
    rt.ChosenInTray(icon, form.mnuPopR(0));  // register
    EXPECT_THAT(Entries(true), ElementsAre("設定(&S)...", "-", "first\\n...", "second", "third",
                                           "-", "現在の内容を登録(&R)", "設定(&S)...", "-",
                                           "About(&A)...", "-", "Exit(&X)"));
    rt.disk.clear();  // another program deleted the sentences
    Next();
    rt.OpenedInTray(icon);
    EXPECT_THAT(Entries(true), ElementsAre("設定(&S)...", "-", "現在の内容を登録(&R)",
                                           "設定(&S)...", "-", "About(&A)...", "-", "Exit(&X)"));
    EXPECT_THAT(rt.prompts, IsEmpty());
}

TEST_F(TrayDrawnMenuTest, OpeningTheCombinedMenuIsTheLeftPressWithoutAPopupOfOurs) {
    rt.OpenedInTray(icon);
    EXPECT_THAT(rt.log, ElementsAre("Screen.TwipsPerPixelX", "Screen.TwipsPerPixelX", "Refresh",
                                    "SetForegroundWindow frmMenu", "DoEvents"));
    EXPECT_EQ(form.PopupOpen(), 0);
}

TEST_F(TrayDrawnMenuTest, ChoiceGoesThroughThePressOfItsMenu) {
    struct Row {
        std::function<vb::MenuItem&()> item;
        std::vector<std::string> log;
        std::u16string clipboard;
    };
    const Row rows[] = {
        {[&]() -> vb::MenuItem& { return form.mnuSentence(1); },
         {"Refresh", "SetForegroundWindow frmMenu", "DoEvents", "GetSetting Sentences S0",
          "txtMenu.Text = first\\r\\nline", "SendMessage 0x301",
          "Clipboard.SetText first\\r\\nline"},
         u"first\r\nline"},
        {[&]() -> vb::MenuItem& { return form.mnuPopR(3); },
         {"SetForegroundWindow frmMenu", "DoEvents", "MsgBox 0x1040 Orbek のバージョン情報"},
         u""},
    };
    for (const auto& row : rows) {
        Next();
        rt.clipboard.reset();
        rt.ChosenInTray(icon, row.item());
        auto expected = row.log;
        expected.insert(expected.begin(), {"Screen.TwipsPerPixelX", "Screen.TwipsPerPixelX"});
        EXPECT_EQ(rt.log, expected);
        EXPECT_EQ(rt.clipboard.value_or(u""), row.clipboard);
    }
}

TEST_F(TrayDrawnMenuTest, SentenceChosenAfterAnotherProgramChangedTheStoreIsReadAfresh) {
    // The item the tray showed is rebuilt by the press before its choice runs.
    vb::MenuItem& shown = form.mnuSentence(2);
    rt.disk[u"Sentences"] = {{u"SCMax", u"2"}, {u"S0", u"a"}, {u"S1", u"b"}, {u"S2", u"c"}};
    Next();
    rt.ChosenInTray(icon, shown);
    EXPECT_EQ(rt.clipboard, u"b");
    EXPECT_EQ(fake::Visible(form.mnuLeft).size(), 5u);
    // A choice whose item the rebuild took away runs nothing.
    vb::MenuItem& gone = form.mnuSentence(3);
    rt.disk[u"Sentences"] = {{u"SCMax", u"0"}, {u"S0", u"only"}};
    rt.clipboard = u"keep";
    Next();
    rt.ChosenInTray(icon, gone);
    EXPECT_EQ(rt.clipboard, u"keep");
    EXPECT_THAT(rt.Log("PopupMenu"), IsEmpty());
    EXPECT_THAT(rt.prompts, IsEmpty());
}

TEST_F(TrayDrawnMenuTest, WhileACommandRunsTheTrayOffersNothingAndAChoiceRunsNothing) {
    std::vector<bool> offered;
    int versionBoxes = 0;
    form.mnuPopR.Click = [&](std::int16_t index) {
        offered.push_back(rt.trayMenusEnabled);
        if (index != 3) return;
        ++versionBoxes;
        // The user chooses Exit in the tray while the version box is open.
        rt.ChosenInTray(icon, form.mnuPopR(5));
        rt.OpenedInTray(icon);
    };
    rt.ChosenInTray(icon, form.mnuPopR(3));
    EXPECT_THAT(offered, ElementsAre(false));
    EXPECT_EQ(versionBoxes, 1);
    EXPECT_TRUE(rt.trayMenusEnabled);
    // The choice made meanwhile is not kept for a later popup.
    rt.onPopup = [&](vb::MenuItem&) {};
    rt.NotifyIcon(icon, WM_RBUTTONDOWN);
    EXPECT_THAT(offered, ElementsAre(false));
    EXPECT_THAT(rt.Log("PopupMenu"), ElementsAre("PopupMenu mnuRight"));
}

TEST_F(TrayDrawnMenuTest, PopupOpensWhereTheTraySaysTheClickWas) {
    rt.NotifyIcon(icon, WM_LBUTTONDOWN, vb::ScreenPoint{1182, 16});
    rt.NotifyIcon(icon, WM_RBUTTONDOWN, vb::ScreenPoint{-3, 799});
    rt.NotifyIcon(icon, WM_LBUTTONDOWN);
    EXPECT_THAT(rt.Log("PopupMenu"),
                ElementsAre("PopupMenu mnuLeft at 1182,16", "PopupMenu mnuRight at -3,799",
                            "PopupMenu mnuLeft"));
}

TEST_F(TrayDrawnMenuTest, PressHandledInsideAnotherKeepsItsOwnPlace) {
    // A press pending when the popup's DoEvents runs opens its popup at its
    // own place; the outer one still opens where its own press was.
    bool pending = true;
    rt.onDoEvents = [&] {
        if (std::exchange(pending, false))
            rt.NotifyIcon(icon, WM_RBUTTONDOWN, vb::ScreenPoint{5, 6});
    };
    rt.NotifyIcon(icon, WM_LBUTTONDOWN, vb::ScreenPoint{1, 2});
    EXPECT_THAT(rt.Log("PopupMenu"),
                ElementsAre("PopupMenu mnuRight at 5,6", "PopupMenu mnuLeft at 1,2"));
}

}  // namespace
