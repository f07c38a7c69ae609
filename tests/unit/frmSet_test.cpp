#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "editor/frmSet.h"
#include "fake/fake_runtime.h"
#include "test_util.h"
#include "tray/frmMenu.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Keys = std::map<std::u16string, std::u16string>;
using Lines = std::vector<std::string>;

Lines Items(const vb::ListBox& list) {
    Lines items;
    for (std::int16_t i = 0; i < list.ListCount(); ++i) items.push_back(fake::Show(list.List(i)));
    return items;
}

// Three sentences whose full texts differ from their display texts.
const Keys kThree = {
    {u"SCMax", u"2"}, {u"S0", u"s0\r\nx"}, {u"S1", u"s1\r\nx"}, {u"S2", u"s2\r\nx"}};

class frmSetTest : public ::testing::Test {
  protected:
    // The tray form is loaded first, as in the program: OK tears its menu down.
    void Open(const Keys& keys) {
        rt.Seed(keys);
        rt.Load(menu);
        rt.NextEvent();
        rt.Load(set);
        rt.log.clear();
        rt.NextEvent();
    }
    void Select(std::int16_t i) {
        set.lstSList.Selected(i);
        rt.log.clear();
    }
    void ExpectLists(const Lines& full, const Lines& shown) {
        EXPECT_EQ(Items(set.lstFullS), full);
        EXPECT_EQ(Items(set.lstSList), shown);
    }
    std::string Preview() const { return fake::Show(set.txtPreview.Text()); }

    fake::FakeRuntime rt;
    frmMenu menu{rt};
    frmSet set{rt, menu.mdl, menu.txtMenu};
};

TEST_F(frmSetTest, LoadFillsBothListsAlignedAndSelectsNothing) {
    rt.Seed({{u"SCMax", u"2"}, {u"S0", u"a\r\nb"}, {u"S2", u"\r\nc"}});
    rt.Load(set);
    EXPECT_EQ(rt.log, (Lines{"GetSetting Sentences SCMax", "Refresh", "GetSetting Sentences S0",
                             "lstFullS.AddItem 0 a\\r\\nb", "lstSList.AddItem 0 a",
                             "GetSetting Sentences S1", "lstFullS.AddItem 1 ",
                             "lstSList.AddItem 1 ", "GetSetting Sentences S2",
                             "lstFullS.AddItem 2 \\r\\nc", "lstSList.AddItem 2 "}));
    EXPECT_EQ(set.lstSList.ListIndex(), -1);
    EXPECT_EQ(Preview(), "");
    EXPECT_THAT(rt.prompts, IsEmpty());
}

TEST(frmSetLoad, CountDecidesWhatIsRead) {
    struct Row {
        std::optional<std::u16string> count;
        Lines full;
        std::vector<int> reports;
    };
    const Row rows[] = {
        {std::nullopt, {}, {}}, {u"-1", {}, {}},          {u"-5", {}, {}},
        {u"0", {"zero"}, {}},   {u"abc", {"zero"}, {13}},  // the count stays 0: S0 alone
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.count ? fake::Show(*row.count) : "missing");
        fake::FakeRuntime rt;
        frmMenu menu(rt);
        frmSet set(rt, menu.mdl, menu.txtMenu);
        Keys keys = {{u"S0", u"zero"}, {u"S1", u"one"}};
        if (row.count) keys[u"SCMax"] = *row.count;
        rt.Seed(keys);
        rt.Load(set);
        EXPECT_EQ(Items(set.lstFullS), row.full);
        EXPECT_EQ(Items(set.lstSList), row.full);
        EXPECT_EQ(ReportedNumbers(rt), row.reports);
        if (!row.reports.empty()) {
            EXPECT_THAT(rt.Reports(), ElementsAre("frmSet_Load"));
        }
    }
}

TEST_F(frmSetTest, CountBeyondTheListsReportsOnceAndKeepsWhatFits) {
    rt.Seed({{u"SCMax", u"40000"}});
    rt.Load(set);
    EXPECT_EQ(ReportedNumbers(rt), std::vector<int>{7});
    EXPECT_THAT(rt.Reports(), ElementsAre("frmSet_Load"));
    EXPECT_EQ(set.lstFullS.ListCount(), 32767);
    EXPECT_EQ(set.lstSList.ListCount(), 32767);
}

TEST_F(frmSetTest, ClipboardTextShowsItsFirstLine) {
    struct Row {
        std::u16string text;
        std::string shown;
    };
    const Row rows[] = {
        {u"abc\r\ndef", "abc"},     {u"\r\ndef", ""},
        {u"abc\ndef", "abc\\ndef"}, {u"abc\rdef", "abc\\rdef"},
        {u"a\n\r\nb", "a\\n"},      {u"a\r\nb\r\nc", "a"},
        {u"abc\r", "abc\\r"},       {u"", ""},
    };
    Open({{u"SCMax", u"0"}, {u"S0", u"first"}});
    Select(0);
    Lines full = {"first"}, shown = {"first"};
    for (const auto& row : rows) {
        SCOPED_TRACE(fake::Show(row.text));
        EXPECT_EQ(fake::Show(frmSet::DisplayText(row.text)), row.shown);
        rt.clipboard = row.text;
        set.cmdSList_Click(3);
        full.push_back(fake::Show(row.text));
        shown.push_back(row.shown);
        ExpectLists(full, shown);
        EXPECT_EQ(set.lstSList.ListIndex(), 0);
        EXPECT_EQ(Preview(), "first");
    }
    EXPECT_THAT(rt.prompts, IsEmpty());
}

TEST_F(frmSetTest, NoClipboardTextAddsNothing) {
    Open(kThree);
    rt.clipboard = std::nullopt;
    set.cmdSList_Click(3);
    EXPECT_THAT(rt.log, ElementsAre("Clipboard.GetFormat 1"));
    EXPECT_EQ(set.lstFullS.ListCount(), 3);
}

TEST_F(frmSetTest, UpAndDownMoveBothTextsAndTheSelection) {
    struct Row {
        std::int16_t selected, button;
        Lines shown;  // the order after the click
        std::int16_t after;
    };
    const Lines same = {"s0", "s1", "s2"};
    const Row rows[] = {
        {-1, 0, same, -1},
        {0, 0, same, 0},
        {1, 0, {"s1", "s0", "s2"}, 0},
        {2, 0, {"s0", "s2", "s1"}, 1},
        {-1, 1, same, -1},
        {0, 1, {"s1", "s0", "s2"}, 1},
        {1, 1, {"s0", "s2", "s1"}, 2},
        {2, 1, same, 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.selected) + (row.button == 0 ? " up" : " down"));
        fake::FakeRuntime rt;
        frmMenu menu(rt);
        frmSet set(rt, menu.mdl, menu.txtMenu);
        rt.Seed(kThree);
        rt.Load(set);
        if (row.selected >= 0) set.lstSList.Selected(row.selected);
        const std::string preview = fake::Show(set.txtPreview.Text());
        rt.log.clear();
        set.cmdSList_Click(row.button);
        Lines full;
        for (const auto& s : row.shown) full.push_back(s + "\\r\\nx");
        EXPECT_EQ(Items(set.lstFullS), full);
        EXPECT_EQ(Items(set.lstSList), row.shown);
        EXPECT_EQ(set.lstSList.ListIndex(), row.after);
        if (row.shown == same) {
            EXPECT_THAT(rt.log, IsEmpty());
            EXPECT_EQ(fake::Show(set.txtPreview.Text()), preview);
        } else {
            // The selection's click previews the moved sentence in full.
            EXPECT_EQ(fake::Show(set.txtPreview.Text()), row.shown[row.after] + "\\r\\nx");
        }
        EXPECT_THAT(rt.prompts, IsEmpty());
    }
}

TEST_F(frmSetTest, UpMovesTheFullTextThenTheShownTextThenSelects) {
    Open(kThree);
    Select(2);
    set.cmdSList_Click(0);
    EXPECT_EQ(rt.log, (Lines{"lstFullS.RemoveItem 2", "lstFullS.AddItem 1 s2\\r\\nx",
                             "lstSList.RemoveItem 2", "lstSList.AddItem 1 s2",
                             "lstSList.ListIndex = 1", "txtPreview.Text = s2\\r\\nx"}));
}

TEST_F(frmSetTest, OneEntryDoesNotMove) {
    Open({{u"SCMax", u"0"}, {u"S0", u"only"}});
    Select(0);
    set.cmdSList_Click(0);
    set.cmdSList_Click(1);
    EXPECT_THAT(rt.log, IsEmpty());
    ExpectLists({"only"}, {"only"});
    EXPECT_EQ(set.lstSList.ListIndex(), 0);
}

TEST_F(frmSetTest, NewAppendsTheTypedTextUnchangedToBothLists) {
    Open(kThree);
    Select(1);
    // Typed, an empty field confirmed, and Cancel.
    for (const auto& typed :
         {std::optional<std::u16string>(u"two\r\nlines"), std::optional<std::u16string>(u""),
          std::optional<std::u16string>()}) {
        rt.typed = typed;
        set.cmdSList_Click(2);
    }
    EXPECT_EQ(rt.Log("InputBox"), Lines(3, "InputBox 登録する文章を教えてっ 登録 - Orbek"));
    ExpectLists({"s0\\r\\nx", "s1\\r\\nx", "s2\\r\\nx", "two\\r\\nlines", "", ""},
                {"s0", "s1", "s2", "two\\r\\nlines", "", ""});
    EXPECT_EQ(set.lstSList.ListIndex(), 1);
    EXPECT_EQ(Preview(), "s1\\r\\nx");
}

TEST_F(frmSetTest, FailedStepIsReportedAndTheCommandGoesOn) {
    Open(kThree);
    rt.typed = u"new";
    rt.Fail("lstFullS.AddItem", vb::kInvalidCall);
    set.cmdSList_Click(2);
    EXPECT_THAT(rt.Reports(), ElementsAre("frmSet!cmdSList_Click"));
    EXPECT_EQ(Items(set.lstSList), (Lines{"s0", "s1", "s2", "new"}));
    // The refused entry is not left behind in the full-text list.
    EXPECT_EQ(set.lstFullS.ListCount(), 3);
}

TEST_F(frmSetTest, DeleteRemovesTheEntryAndSelectsTheNextOrThePrevious) {
    struct Row {
        Keys keys;
        std::int16_t selected;
        Lines shown;
        std::int16_t after;
        std::string preview;
    };
    const Row rows[] = {
        {kThree, -1, {"s0", "s1", "s2"}, -1, ""},
        {kThree, 0, {"s1", "s2"}, 0, "s1\\r\\nx"},
        {kThree, 1, {"s0", "s2"}, 1, "s2\\r\\nx"},
        {kThree, 2, {"s0", "s1"}, 1, "s1\\r\\nx"},
        {{{u"SCMax", u"0"}, {u"S0", u"s0\r\nx"}}, 0, {}, -1, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.selected) + " of " + std::to_string(row.keys.size() - 1));
        fake::FakeRuntime rt;
        frmMenu menu(rt);
        frmSet set(rt, menu.mdl, menu.txtMenu);
        rt.Seed(row.keys);
        rt.Load(set);
        if (row.selected >= 0) set.lstSList.Selected(row.selected);
        set.cmdSList_Click(4);
        Lines full;
        for (const auto& s : row.shown) full.push_back(s + "\\r\\nx");
        EXPECT_EQ(Items(set.lstFullS), full);
        EXPECT_EQ(Items(set.lstSList), row.shown);
        EXPECT_EQ(set.lstSList.ListIndex(), row.after);
        EXPECT_EQ(fake::Show(set.txtPreview.Text()), row.preview);
        EXPECT_THAT(rt.prompts, IsEmpty());  // no confirmation
    }
}

TEST_F(frmSetTest, DoubleClickCopiesTheFullTextAndChangesNoList) {
    Open(kThree);
    Select(1);
    EXPECT_EQ(Preview(), "s1\\r\\nx");
    set.lstSList_DblClick();
    EXPECT_EQ(rt.clipboard, u"s1\r\nx");
    EXPECT_EQ(fake::Show(menu.txtMenu.Text()), "s1\\r\\nx");
    ExpectLists({"s0\\r\\nx", "s1\\r\\nx", "s2\\r\\nx"}, {"s0", "s1", "s2"});
}

TEST_F(frmSetTest, DoubleClickOnThreeLinesCopiesThemAllAndTheEditorStays) {
    Open({{u"SCMax", u"1"}, {u"S0", u"one\r\ntwo\r\nthree"}, {u"S1", u"other"}});
    Select(0);
    set.lstSList_DblClick();
    EXPECT_EQ(rt.clipboard, u"one\r\ntwo\r\nthree");
    // Nothing but the copy: the dialog is neither minimized nor unloaded.
    EXPECT_THAT(rt.log, ElementsAre("txtMenu.Text = one\\r\\ntwo\\r\\nthree", "SendMessage 0x301",
                                    "Clipboard.SetText one\\r\\ntwo\\r\\nthree"));
    EXPECT_TRUE(set.Loaded());
    EXPECT_EQ(set.lstSList.ListIndex(), 0);
    EXPECT_EQ(Preview(), "one\\r\\ntwo\\r\\nthree");
}

TEST_F(frmSetTest, SentenceStartingWithALineBreakIsPreviewedWhole) {
    Open({{u"SCMax", u"0"}, {u"S0", u"\r\nsecond line"}});
    ExpectLists({"\\r\\nsecond line"}, {""});
    Select(0);
    EXPECT_EQ(Preview(), "\\r\\nsecond line");
}

// The list's click has no trap: a failing preview ends it with the
// runtime's notice, and the selection stays.
TEST_F(frmSetTest, FailedPreviewShowsTheRuntimesNotice) {
    Open(kThree);
    rt.Fail("txtPreview.Text", vb::kOutOfMemory);
    set.lstSList.Selected(1);
    EXPECT_THAT(rt.log, ElementsAre("txtPreview.Text = s1\\r\\nx !7", "MsgBox 0x1040 Orbek"));
    EXPECT_EQ(rt.prompts.at(0), u"実行時エラー '7':\r\n\r\n" + vb::Describe(vb::kOutOfMemory));
    EXPECT_EQ(set.lstSList.ListIndex(), 1);
}

// A failure in a test that stops a command ends it; a failure in Delete's
// last-entry test goes on as for the last entry.
TEST_F(frmSetTest, FailedTestsStopACommandOrTakeTheEntryAsTheLast) {
    struct Row {
        std::int16_t button;
        const char* test;
        Lines shown;
        std::int16_t after;
    };
    const Row rows[] = {
        {0, "lstSList.ListIndex", {"s0", "s1", "s2"}, 1},  // anything selected?
        {1, "lstSList.ListIndex", {"s0", "s1", "s2"}, 1},
        {1, "lstSList.ListCount", {"s0", "s1", "s2"}, 1},  // the last entry?
        {4, "lstSList.ListIndex", {"s0", "s1", "s2"}, 1},
        {4, "lstSList.ListCount", {"s0", "s2"}, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.button) + " " + row.test);
        fake::FakeRuntime rt;
        frmMenu menu(rt);
        frmSet set(rt, menu.mdl, menu.txtMenu);
        rt.Seed(kThree);
        rt.Load(set);
        set.lstSList.Selected(1);
        rt.Fail(row.test, vb::kOutOfMemory);
        set.cmdSList_Click(row.button);
        EXPECT_THAT(rt.Reports(), ElementsAre("frmSet!cmdSList_Click"));
        EXPECT_EQ(Items(set.lstSList), row.shown);
        Lines full;
        for (const auto& shown : row.shown) full.push_back(shown + "\\r\\nx");
        EXPECT_EQ(Items(set.lstFullS), full);
        EXPECT_EQ(set.lstSList.ListIndex(), row.after);
    }
}

TEST_F(frmSetTest, DoubleClickWithoutSelectionCopiesNothing) {
    Open(kThree);
    rt.clipboard = u"keep";
    set.lstSList_DblClick();
    EXPECT_EQ(rt.clipboard, u"keep");
    EXPECT_THAT(rt.Log("Clipboard"), IsEmpty());
}

TEST_F(frmSetTest, OkRewritesTheListAndKeepsKeysAboveIt) {
    Open({{u"SCMax", u"4"},
          {u"S0", u"a"},
          {u"S1", u"b"},
          {u"S2", u"c\r\nd"},
          {u"S3", u"e"},
          {u"S4", u"f"}});
    Select(0);
    set.cmdSList_Click(4);
    set.cmdSList_Click(4);
    rt.log.clear();
    set.cmdSet_Click(0);
    EXPECT_EQ(rt.disk[u"Sentences"], (Keys{{u"SCMax", u"2"},
                                           {u"S0", u"c\r\nd"},
                                           {u"S1", u"e"},
                                           {u"S2", u"f"},
                                           {u"S3", u"e"},
                                           {u"S4", u"f"}}));
    const Lines clear = {"GetSetting Sentences SCMax", "Refresh",
                         "Unload mnuSentence(5)",      "Unload mnuSentence(4)",
                         "Unload mnuSentence(3)",      "Unload mnuSentence(2)",
                         "Unload mnuSentence(1)",      "mnuSentence(0).Visible = False"};
    Lines expected = clear;
    for (const char* line : {"SaveSetting Sentences SCMax 2",
                             "SaveSetting Sentences S0 c\\r\\nd",
                             "SaveSetting Sentences S1 e",
                             "SaveSetting Sentences S2 f",
                             "GetSetting Sentences SCMax",
                             "mnuSentence(0).Visible = True",
                             "GetSetting Sentences S0",
                             "Load mnuSentence(1)",
                             "mnuSentence(1).Caption = c\\n...",
                             "mnuSentence(1).Visible = True",
                             "GetSetting Sentences S1",
                             "Load mnuSentence(2)",
                             "mnuSentence(2).Caption = e",
                             "mnuSentence(2).Visible = True",
                             "GetSetting Sentences S2",
                             "Load mnuSentence(3)",
                             "mnuSentence(3).Caption = f",
                             "mnuSentence(3).Visible = True",
                             "frmSet.WindowState = 1",
                             "Unload frmSet",
                             "Commit"}) {
        expected.push_back(line);
    }
    EXPECT_EQ(rt.log, expected);
    EXPECT_THAT(fake::Visible(menu.mnuLeft), ElementsAre("設定(&S)...", "-", "c\\n...", "e", "f"));
    EXPECT_FALSE(set.Loaded());
    EXPECT_EQ(set.WindowState(), vb::kMinimized);
}

TEST_F(frmSetTest, OkWritesAMissingSentenceAsTheEmptyText) {
    Open({{u"SCMax", u"2"}, {u"S0", u"a"}, {u"S2", u"c"}});
    ExpectLists({"a", "", "c"}, {"a", "", "c"});
    set.cmdSet_Click(0);
    EXPECT_THAT(rt.Log("SaveSetting"),
                ElementsAre("SaveSetting Sentences SCMax 2", "SaveSetting Sentences S0 a",
                            "SaveSetting Sentences S1 ", "SaveSetting Sentences S2 c"));
    EXPECT_EQ(rt.disk[u"Sentences"],
              (Keys{{u"SCMax", u"2"}, {u"S0", u"a"}, {u"S1", u""}, {u"S2", u"c"}}));
}

TEST_F(frmSetTest, OkOnAnEmptyListStoresMinusOne) {
    Open({{u"SCMax", u"0"}, {u"S0", u"a"}});
    Select(0);
    set.cmdSList_Click(4);
    set.cmdSet_Click(0);
    EXPECT_EQ(rt.disk[u"Sentences"], (Keys{{u"SCMax", u"-1"}, {u"S0", u"a"}}));
    EXPECT_THAT(rt.Log("SaveSetting"), ElementsAre("SaveSetting Sentences SCMax -1"));
    EXPECT_THAT(fake::Visible(menu.mnuLeft), ElementsAre("設定(&S)..."));
}

TEST_F(frmSetTest, OkWithoutChangesRewritesTheSameValues) {
    Open(kThree);
    set.cmdSet_Click(0);
    EXPECT_EQ(rt.disk[u"Sentences"], kThree);
    EXPECT_THAT(
        rt.Log("SaveSetting"),
        ElementsAre("SaveSetting Sentences SCMax 2", "SaveSetting Sentences S0 s0\\r\\nx",
                    "SaveSetting Sentences S1 s1\\r\\nx", "SaveSetting Sentences S2 s2\\r\\nx"));
    EXPECT_THAT(rt.Log("Commit"), ElementsAre("Commit"));
}

TEST_F(frmSetTest, FailedWriteIsReportedAndTheRestIsWrittenAndClosed) {
    Open(kThree);
    rt.Fail("SaveSetting Sentences S1", 75);
    set.cmdSet_Click(0);
    EXPECT_THAT(rt.Reports(), ElementsAre("frmSet!cmdSet_Click"));
    EXPECT_EQ(ReportedNumbers(rt), std::vector<int>{75});
    EXPECT_EQ(rt.log.back(), "Commit");
    EXPECT_THAT(rt.Log("SaveSetting Sentences S2"),
                ElementsAre("SaveSetting Sentences S2 s2\\r\\nx"));
    EXPECT_FALSE(set.Loaded());
}

TEST_F(frmSetTest, CancelAfterEditsWritesNothingAndLeavesTheMenu) {
    Open(kThree);
    const auto before = fake::Visible(menu.mnuLeft);
    Select(0);
    set.cmdSList_Click(4);
    rt.typed = u"new";
    set.cmdSList_Click(2);
    rt.log.clear();
    set.cmdSet_Click(1);
    EXPECT_THAT(rt.log, ElementsAre("frmSet.WindowState = 1", "Unload frmSet"));
    EXPECT_EQ(rt.disk[u"Sentences"], kThree);
    EXPECT_EQ(fake::Visible(menu.mnuLeft), before);
    EXPECT_FALSE(set.Loaded());
}

// Layout lines for a client width; heights follow separately.
Lines Layout(float w) {
    const auto n = [](float v) { return std::to_string(static_cast<int>(v)); };
    const float list = w - 2520, col1 = list + 228, col2 = col1 + 480, col3 = col2 + 600;
    return {"lstSList.Width = " + n(list),     "cmdSList(0).Left = " + n(col1),
            "cmdSList(1).Left = " + n(col1),   "cmdSList(2).Left = " + n(col2),
            "cmdSList(3).Left = " + n(col2),   "cmdSList(4).Left = " + n(col2),
            "cmdSet(0).Left = " + n(col3),     "cmdSet(1).Left = " + n(col3),
            "txtPreview.Width = " + n(w - 240)};
}

TEST(frmSetResize, DraggedSizeLaysOutOrIsRestored) {
    struct Row {
        const char* name;
        float width, height;  // outer, as dragged
        std::int16_t state;
        Lines log;
    };
    const auto concat = [](std::initializer_list<Lines> parts) {
        Lines all;
        for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
        return all;
    };
    const Lines designedHeight = {"txtPreview.Height = 1932"};
    const Row rows[] = {
        {"designed", 6708, 5400, 0, concat({Layout(6612), designedHeight})},
        {"wider", 7708, 5400, 0, concat({Layout(7612), designedHeight})},
        {"higher", 6708, 6000, 0, concat({Layout(6612), {"txtPreview.Height = 2532"}})},
        {"too narrow", 5000, 5400, 0,
         concat({{"frmSet.Width = 6708"}, Layout(6612), designedHeight, designedHeight})},
        {"too low", 7708, 4000, 0,
         concat({Layout(7612), {"frmSet.Height = 5400"}, Layout(7612), designedHeight})},
        {"too small", 5000, 4000, 0,
         concat({{"frmSet.Width = 6708"},
                 Layout(6612),
                 {"frmSet.Height = 5400"},
                 Layout(6612),
                 designedHeight,
                 designedHeight})},
        {"minimized", 5000, 4000, vb::kMinimized, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fake::FakeRuntime rt;
        frmMenu menu(rt);
        frmSet set(rt, menu.mdl, menu.txtMenu);
        rt.Load(set);
        // From another size, so that the dragged one is a change.
        rt.Resized(set, 9000, 9000, 8904, 8652, vb::kMinimized);
        rt.log.clear();
        rt.Resized(set, row.width, row.height, row.width - 96, row.height - 348, row.state);
        EXPECT_EQ(rt.log, row.log);
        EXPECT_THAT(rt.prompts, IsEmpty());
        if (row.state == vb::kMinimized) continue;
        EXPECT_GE(set.Width(), 6708);
        EXPECT_GE(set.Height(), 5400);
        EXPECT_EQ(set.txtPreview.Height(), set.ScaleHeight() - 3120);
    }
}

TEST(frmSetResize, WidthAssignmentLaysOutThroughTheNestedResize) {
    fake::FakeRuntime rt;
    frmMenu menu(rt);
    frmSet set(rt, menu.mdl, menu.txtMenu);
    rt.Load(set);
    set.SetWidth(7708);
    EXPECT_EQ(set.lstSList.Width(), 5092);
    EXPECT_EQ(set.cmdSList[1].Left(), 5320);
    EXPECT_EQ(set.cmdSList[4].Left(), 5800);
    EXPECT_EQ(set.cmdSet[1].Left(), 6400);
    EXPECT_EQ(set.txtPreview.Width(), 7372);
    set.SetWidth(6000);
    EXPECT_EQ(set.Width(), 6708);
    EXPECT_EQ(set.lstSList.Width(), 4092);
    EXPECT_EQ(set.cmdSList[0].Left(), 4320);
    EXPECT_EQ(set.cmdSList[2].Left(), 4800);
    EXPECT_EQ(set.cmdSet[0].Left(), 5400);
    EXPECT_EQ(set.txtPreview.Width(), 6372);
    EXPECT_EQ(set.txtPreview.Height(), 1932);
}

}  // namespace
