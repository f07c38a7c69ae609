#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "editor/frmSet.h"
#include "fake/fake_runtime.h"
#include "test_util.h"
#include "tray/frmMenu.h"

namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Keys = std::map<std::u16string, std::u16string>;
using Lines = std::vector<std::string>;

const Keys kTwo = {{u"SCMax", u"1"}, {u"S0", u"a"}, {u"S1", u"b"}};

class CommandTest : public ::testing::Test {
  protected:
    void Start(const Keys& keys) {
        rt.Seed(keys);
        rt.Load(menu);
        rt.log.clear();
        rt.NextEvent();
    }
    Lines Menu() const { return fake::Visible(menu.mnuLeft); }

    fake::FakeRuntime rt;
    frmMenu menu{rt};
};

TEST_F(CommandTest, SetNowAppendsInOrderAndCommitsOnce) {
    Start(kTwo);
    rt.clipboard = u"new";
    menu.mnuPopR_Click(0);
    EXPECT_EQ(rt.log, (Lines{"Clipboard.GetFormat 1",
                             "GetSetting Sentences SCMax",
                             "Refresh",
                             "GetSetting Sentences SCMax",
                             "Unload mnuSentence(2)",
                             "Unload mnuSentence(1)",
                             "mnuSentence(0).Visible = False",
                             "Clipboard.GetText",
                             "SaveSetting Sentences S2 new",
                             "SaveSetting Sentences SCMax 2",
                             "GetSetting Sentences SCMax",
                             "mnuSentence(0).Visible = True",
                             "GetSetting Sentences S0",
                             "Load mnuSentence(1)",
                             "mnuSentence(1).Caption = a",
                             "mnuSentence(1).Visible = True",
                             "GetSetting Sentences S1",
                             "Load mnuSentence(2)",
                             "mnuSentence(2).Caption = b",
                             "mnuSentence(2).Visible = True",
                             "GetSetting Sentences S2",
                             "Load mnuSentence(3)",
                             "mnuSentence(3).Caption = new",
                             "mnuSentence(3).Visible = True",
                             "Commit"}));
    EXPECT_THAT(rt.prompts, IsEmpty());
}

TEST(SetNowCommand, ClipboardTextBecomesTheNextSentence) {
    struct Row {
        const char* name;
        std::optional<Keys> store;
        std::u16string text;
        Keys after;
    };
    const Row rows[] = {
        {"empty store", std::nullopt, u"hello", {{u"SCMax", u"0"}, {u"S0", u"hello"}}},
        {"count -1", Keys{{u"SCMax", u"-1"}}, u"hi", {{u"SCMax", u"0"}, {u"S0", u"hi"}}},
        {"key above the count",
         Keys{{u"SCMax", u"1"}, {u"S0", u"a"}, {u"S1", u"b"}, {u"S2", u"old"}},
         u"new",
         {{u"SCMax", u"2"}, {u"S0", u"a"}, {u"S1", u"b"}, {u"S2", u"new"}}},
        {"several lines",
         kTwo,
         u"x\r\ny\r\n",
         {{u"SCMax", u"2"}, {u"S0", u"a"}, {u"S1", u"b"}, {u"S2", u"x\r\ny\r\n"}}},
        {"empty text", kTwo, u"", {{u"SCMax", u"2"}, {u"S0", u"a"}, {u"S1", u"b"}, {u"S2", u""}}},
        {"count with blanks around it",
         Keys{{u"SCMax", u" 1 "}, {u"S0", u"a"}, {u"S1", u"b"}},
         u"c",
         {{u"SCMax", u"2"}, {u"S0", u"a"}, {u"S1", u"b"}, {u"S2", u"c"}}},
        // Every reader shows a count below -1 as no sentences: the new one is the first.
        {"count below -1",
         Keys{{u"SCMax", u"-5"}},
         u"first",
         {{u"SCMax", u"0"}, {u"S0", u"first"}}},
        {"text with every control character",
         std::nullopt,
         std::u16string(u"\0\x01\x02\x1b\x7f\tx\r\ny\n", 11),
         {{u"SCMax", u"0"}, {u"S0", std::u16string(u"\0\x01\x02\x1b\x7f\tx\r\ny\n", 11)}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fake::FakeRuntime rt;
        frmMenu menu(rt);
        if (row.store) rt.Seed(*row.store);
        rt.Load(menu);
        rt.NextEvent();
        rt.clipboard = row.text;
        menu.SetNowCB();
        EXPECT_EQ(rt.disk[u"Sentences"], row.after);
        EXPECT_THAT(rt.Log("Commit"), ElementsAre("Commit"));
        EXPECT_EQ(fake::Visible(menu.mnuLeft).size(), row.after.size() + 1);  // + the editor item
        EXPECT_THAT(rt.prompts, IsEmpty());
    }
}

TEST_F(CommandTest, EmptyTextBecomesAnItemWithAnEmptyCaption) {
    Start(kTwo);
    rt.clipboard = u"";
    menu.SetNowCB();
    EXPECT_EQ(rt.disk[u"Sentences"][u"S2"], u"");
    EXPECT_THAT(rt.Log("mnuSentence(3)"),
                ElementsAre("mnuSentence(3).Caption = ", "mnuSentence(3).Visible = True"));
    EXPECT_THAT(Menu(), ElementsAre("設定(&S)...", "-", "a", "b", ""));
}

TEST_F(CommandTest, SameTextTwiceMakesTwoSentences) {
    Start(kTwo);
    rt.clipboard = u"same";
    menu.SetNowCB();
    rt.NextEvent();
    menu.SetNowCB();
    EXPECT_EQ(
        rt.disk[u"Sentences"],
        (Keys{{u"SCMax", u"3"}, {u"S0", u"a"}, {u"S1", u"b"}, {u"S2", u"same"}, {u"S3", u"same"}}));
    EXPECT_THAT(Menu(), ElementsAre("設定(&S)...", "-", "a", "b", "same", "same"));
}

TEST_F(CommandTest, NoTextOnTheClipboardDoesNothing) {
    Start(kTwo);
    rt.clipboard = std::nullopt;
    menu.SetNowCB();
    EXPECT_THAT(rt.log, ElementsAre("Clipboard.GetFormat 1"));
    EXPECT_THAT(rt.prompts, IsEmpty());
}

TEST_F(CommandTest, FailedFormatTestIsReportedAndNothingElseHappens) {
    Start(kTwo);
    rt.clipboard = u"new";
    rt.Fail("Clipboard.GetFormat", 521);
    menu.SetNowCB();
    EXPECT_THAT(rt.log, ElementsAre("Clipboard.GetFormat 1 !521", kReportLine));
    EXPECT_THAT(rt.Reports(), ElementsAre("frmMenu!SetNowCB"));
}

TEST_F(CommandTest, FailedReadWritesNothingAndRebuildsTheMenu) {
    Start(kTwo);
    const auto before = Menu();
    rt.clipboard = u"new";
    rt.Fail("Clipboard.GetText", 521);
    menu.SetNowCB();
    EXPECT_THAT(rt.Reports(), ElementsAre("frmMenu!SetNowCB"));
    EXPECT_THAT(rt.Log("SaveSetting"), IsEmpty());
    EXPECT_EQ(rt.disk[u"Sentences"], kTwo);
    EXPECT_EQ(Menu(), before);
}

TEST_F(CommandTest, DamagedCountWritesNothingAndLeavesTheMenu) {
    Start({{u"SCMax", u"1"}, {u"S0", u"a"}, {u"S1", u"b"}});
    rt.disk[u"Sentences"][u"SCMax"] = u"abc";
    rt.NextEvent();
    const auto before = Menu();
    rt.clipboard = u"new";
    menu.SetNowCB();
    EXPECT_EQ(ReportedNumbers(rt), std::vector<int>{13});
    EXPECT_THAT(rt.Reports(), ElementsAre("frmMenu!SetNowCB"));
    EXPECT_THAT(rt.Log("SaveSetting"), IsEmpty());
    EXPECT_EQ(rt.disk[u"Sentences"][u"S1"], u"b");
    EXPECT_THAT(rt.Log("Unload"), IsEmpty());
    EXPECT_EQ(Menu(), before);
}

TEST_F(CommandTest, HighestCountOverflowsAndWritesNothing) {
    const Keys store = {{u"SCMax", u"2147483647"}, {u"S0", u"a"}};
    Start(store);
    rt.prompts.clear();  // the menu build's own report of its limit
    rt.clipboard = u"new";
    menu.SetNowCB();
    EXPECT_THAT(ReportedNumbers(rt), Contains(vb::kOverflow));
    EXPECT_THAT(rt.Reports(), Contains("frmMenu!SetNowCB"));
    EXPECT_THAT(rt.Log("SaveSetting"), IsEmpty());
    EXPECT_EQ(rt.disk[u"Sentences"], store);
}

TEST_F(CommandTest, VersionBoxShowsThreeLines) {
    Start(kTwo);
    // The numbers as they are: no zero is filled in.
    for (const auto& [minor, version] :
         {std::pair<std::int16_t, std::u16string>{20, u"1.20"}, {5, u"1.5"}, {0, u"1.0"}}) {
        SCOPED_TRACE(minor);
        rt.appMinor = minor;
        rt.log.clear();
        rt.prompts.clear();
        menu.mnuPopR_Click(3);
        EXPECT_THAT(rt.log, ElementsAre("MsgBox 0x1040 Orbek のバージョン情報"));
        ASSERT_EQ(rt.prompts.size(), 1u);
        const std::u16string& text = rt.prompts[0];
        const std::u16string head = u"Orbek  Version " + version + u"\r\n\r\n";
        ASSERT_EQ(text.substr(0, head.size()), head);
        const std::u16string rights = text.substr(head.size());
        EXPECT_FALSE(rights.empty());
        EXPECT_EQ(rights.find_first_of(u"\r\n"), std::u16string::npos);
    }
}

TEST_F(CommandTest, SeparatorsDoNothing) {
    Start(kTwo);
    menu.mnuPopR_Click(2);
    menu.mnuPopR_Click(4);
    EXPECT_THAT(rt.log, IsEmpty());
}

TEST_F(CommandTest, ExitRemovesTheIconAndEnds) {
    Start(kTwo);
    EXPECT_THROW(menu.mnuPopR_Click(5), fake::Ended);
    EXPECT_THAT(rt.log, ElementsAre("Shell_NotifyIcon NIM_DELETE", "End"));
    EXPECT_THAT(rt.icons, IsEmpty());
}

TEST(EditorCommand, OpensModallyBetweenShowingAndHidingTheTrayForm) {
    for (int left = 0; left < 2; ++left) {
        SCOPED_TRACE(left ? "left menu" : "right menu");
        fake::FakeRuntime rt;
        frmMenu menu(rt);
        rt.Seed({{u"SCMax", u"0"}, {u"S0", u"a"}});
        rt.Load(menu);
        rt.log.clear();
        rt.NextEvent();
        rt.onModal = [&](vb::Form& form) {
            rt.log.push_back("-- modal");
            static_cast<frmSet&>(form).cmdSet_Click(1);
        };
        if (left)
            menu.mnuPopL_Click();
        else
            menu.mnuPopR_Click(1);
        Lines shown = {"frmMenu.Show",
                       "frmMenu.WindowState = 0",
                       "GetSetting Sentences SCMax",
                       "Refresh",
                       "GetSetting Sentences S0",
                       "lstFullS.AddItem 0 a",
                       "lstSList.AddItem 0 a"};
        const Lines layout = {"lstSList.Width = 4092",   "cmdSList(0).Left = 4320",
                              "cmdSList(1).Left = 4320", "cmdSList(2).Left = 4800",
                              "cmdSList(3).Left = 4800", "cmdSList(4).Left = 4800",
                              "cmdSet(0).Left = 5400",   "cmdSet(1).Left = 5400",
                              "txtPreview.Width = 6372", "txtPreview.Height = 1932"};
        shown.insert(shown.end(), layout.begin(), layout.end());
        for (const char* line : {"frmSet.Show 1", "-- modal", "frmSet.WindowState = 1",
                                 "Unload frmSet", "frmMenu.WindowState = 1", "frmMenu.Hide"}) {
            shown.push_back(line);
        }
        EXPECT_EQ(rt.log, shown);
        EXPECT_FALSE(menu.Visible());
    }
}

TEST_F(CommandTest, EveryOpeningStartsFromTheStore) {
    Start(kTwo);
    std::vector<Lines> seen;
    std::function<void(frmSet&)> act = [](frmSet& set) {
        set.lstSList.Selected(0);
        set.cmdSList_Click(4);
        set.cmdSet_Click(1);
    };
    rt.onModal = [&](vb::Form& form) {
        auto& set = static_cast<frmSet&>(form);
        Lines items;
        for (std::int16_t i = 0; i < set.lstFullS.ListCount(); ++i) {
            items.push_back(fake::Show(set.lstFullS.List(i)));
        }
        seen.push_back(items);
        act(set);
    };
    menu.mnuPopL_Click();  // deletes, then cancels
    rt.NextEvent();
    act = [](frmSet& set) { set.cmdSet_Click(1); };
    menu.mnuPopL_Click();
    rt.disk[u"Sentences"] = {{u"SCMax", u"0"}, {u"S0", u"other"}};
    rt.NextEvent();
    menu.mnuPopR_Click(1);
    EXPECT_THAT(seen, ElementsAre(Lines{"a", "b"}, Lines{"a", "b"}, Lines{"other"}));
    EXPECT_EQ(rt.disk[u"Sentences"], (Keys{{u"SCMax", u"0"}, {u"S0", u"other"}}));
}

TEST_F(CommandTest, OkInTheEditorUpdatesStoreAndMenu) {
    Start(kTwo);
    rt.onModal = [&](vb::Form& form) {
        auto& set = static_cast<frmSet&>(form);
        set.lstSList.Selected(0);
        set.cmdSList_Click(1);
        set.cmdSet_Click(0);
    };
    menu.mnuPopL_Click();
    EXPECT_EQ(rt.disk[u"Sentences"], (Keys{{u"SCMax", u"1"}, {u"S0", u"b"}, {u"S1", u"a"}}));
    EXPECT_THAT(Menu(), ElementsAre("設定(&S)...", "-", "b", "a"));
    EXPECT_THAT(rt.prompts, IsEmpty());
}

TEST_F(CommandTest, EditorFromTheTrayKeepsThePopupOpenAndIgnoresPresses) {
    Start(kTwo);
    std::vector<int> flags;
    Lines during;
    rt.onPopup = [&](vb::MenuItem&) { rt.Choose(menu.mnuPopR(1)); };
    rt.onModal = [&](vb::Form& form) {
        flags.push_back(menu.PopupOpen());
        const auto from = rt.log.size();
        menu.Form_MouseMove(0, 0, 0x201 * 15, 0);
        menu.Form_MouseMove(0, 0, 0x204 * 15, 0);
        during.assign(rt.log.begin() + static_cast<std::ptrdiff_t>(from), rt.log.end());
        static_cast<frmSet&>(form).cmdSet_Click(1);
    };
    menu.Form_MouseMove(0, 0, 0x204 * 15, 0);
    EXPECT_THAT(flags, ElementsAre(1));
    EXPECT_THAT(during, ElementsAre("Screen.TwipsPerPixelX", "Screen.TwipsPerPixelX"));
    EXPECT_THAT(rt.Log("PopupMenu"), ElementsAre("PopupMenu mnuRight"));
    EXPECT_EQ(menu.PopupOpen(), 0);
}

}  // namespace
