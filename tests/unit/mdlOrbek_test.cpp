#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/mdlOrbek.h"
#include "fake/fake_runtime.h"
#include "platform/trap.h"
#include "platform/version.h"
#include "test_util.h"
#include "tray/frmMenu.h"

namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::IsEmpty;
using ::testing::SizeIs;

// The tray form holds the sentence menu the module works on.
struct Program {
    fake::FakeRuntime rt;
    frmMenu form{rt};
    mdlOrbek& mdl = form.mdl;

    // What the user sees in the left menu.
    std::vector<std::string> LeftMenu() const { return fake::Visible(form.mnuLeft); }
    // The sentence array's elements, element 0 included.
    int Elements() const { return static_cast<int>(form.mnuLeft.Children().size()) - 1; }
};

class ModuleTest : public ::testing::Test, protected Program {};

using ShowErrMsgTest = ModuleTest;

TEST_F(ShowErrMsgTest, ReportsNumberLocationAndDescription) {
    rt.Err.Number = 13;
    rt.Err.Description = u"型が一致しません。";
    mdl.ShowErrMsg(u"frmMenu_Load");
    ASSERT_THAT(rt.log, ElementsAre(kReportLine));
    const std::u16string contact = u"上記の説明と、エラーの発生したときの簡単な状況を書いて、\r\n";
    const std::u16string head =
        u"エラー番号:13\r\n場所:frmMenu_Load-Orbek20\r\n型が一致しません。\r\n" + contact;
    const std::u16string& prompt = rt.prompts.at(0);
    ASSERT_EQ(prompt.substr(0, head.size()), head);
    const std::u16string last = prompt.substr(head.size());
    EXPECT_EQ(last.find(u"\r\n"), std::u16string::npos);
    EXPECT_NE(last.find(vb::kContactAddress), std::u16string::npos);
    EXPECT_THAT(fake::Show(last), EndsWith(" まで連絡してください。"));
}

TEST_F(ShowErrMsgTest, EmptyDescriptionKeepsItsLine) {
    rt.Err.Number = 75;
    mdl.ShowErrMsg(u"mdlOrbek!ShowSMenu");
    const std::u16string head = u"エラー番号:75\r\n場所:mdlOrbek!ShowSMenu-Orbek20\r\n\r\n上記";
    EXPECT_EQ(rt.prompts.at(0).substr(0, head.size()), head);
}

TEST_F(ShowErrMsgTest, TrapReportsEachFailureAndResumes) {
    int ran = 0;
    {
        vb::Trap trap(rt, mdl, u"frmMenu_MouseMove");
        EXPECT_FALSE(trap.Do([] { vb::Raise(vb::kOverflow); }));
        EXPECT_EQ(rt.Err.Number, 0);  // resuming clears the error
        EXPECT_FALSE(trap.Do([] { vb::Raise(vb::kNoSuchElement, u""); }));
        EXPECT_TRUE(trap.Do([&] { ++ran; }));
        EXPECT_TRUE(trap.If([]() -> bool { vb::Raise(vb::kInvalidCall); }));
    }
    EXPECT_EQ(ran, 1);
    EXPECT_THAT(rt.Reports(),
                ElementsAre("frmMenu_MouseMove", "frmMenu_MouseMove", "frmMenu_MouseMove"));
    EXPECT_THAT(ReportedNumbers(rt), ElementsAre(6, 340, 5));
    EXPECT_NE(rt.prompts.at(0).find(u"\r\nオーバーフローしました。\r\n"), std::u16string::npos);
}

TEST_F(ShowErrMsgTest, MinorVersionIsWrittenAsItIs) {
    for (const auto& [minor, line] : {std::pair<std::int16_t, std::u16string>{5, u"Orbek5"},
                                      {20, u"Orbek20"},
                                      {0, u"Orbek0"}}) {
        rt.appMinor = minor;
        rt.Err.Number = 13;
        mdl.ShowErrMsg(u"frmMenu_Load");
        const std::u16string head = u"エラー番号:13\r\n場所:frmMenu_Load-" + line + u"\r\n";
        EXPECT_EQ(rt.prompts.back().substr(0, head.size()), head);
    }
}

// The report has no trap: a failure while it reads the version or shows its
// box is reported by nobody, and the failing procedure goes on.
TEST_F(ShowErrMsgTest, FailingReportIsNotReportedAgainAndTheProcedureGoesOn) {
    for (const char* part : {"App.Minor", "MsgBox 0x1040 エラー - Orbek"}) {
        SCOPED_TRACE(part);
        Program p;
        p.rt.Seed({{u"SCMax", u"1"}, {u"S0", u"a"}, {u"S1", u"b"}});
        p.rt.Fail("GetSetting Sentences S0", vb::kInvalidCall);
        p.rt.Fail(part, vb::kOutOfMemory);
        p.mdl.ShowSMenu();
        EXPECT_EQ(p.rt.log, (std::vector<std::string>{
                                "GetSetting Sentences SCMax", "Refresh",
                                "mnuSentence(0).Visible = True", "GetSetting Sentences S0 !5",
                                std::string(part) + " !7", "Load mnuSentence(1)",
                                "mnuSentence(1).Caption = ", "mnuSentence(1).Visible = True",
                                "GetSetting Sentences S1", "Load mnuSentence(2)",
                                "mnuSentence(2).Caption = b", "mnuSentence(2).Visible = True"}));
        EXPECT_THAT(p.rt.prompts, IsEmpty());
        EXPECT_EQ(p.rt.Err.Number, 0);  // resumed all the same
    }
}

TEST(SentenceCaption, FirstLineMarkedThenCutAt30Units) {
    const std::u16string line25(25, u'a'), line26(26, u'b'), line28(28, u'c'), line29(29, u'd'),
        line30(30, u'e'), line31(31, u'f');
    const std::u16string emoji = u"\U0001F600";  // two UTF-16 units
    std::u16string emoji15, emoji16;
    for (int i = 0; i < 15; ++i) emoji15 += emoji;
    emoji16 = emoji15 + emoji;
    struct Row {
        std::u16string sentence, caption;
    };
    const Row rows[] = {
        {u"", u""},
        {u"abc", u"abc"},
        {line30, line30},
        {line31, line31.substr(0, 30) + u"..."},
        {u"abc\r\ndef", u"abc\\n..."},
        {u"\r\ndef", u"\\n..."},
        {u"abc\r\n", u"abc\\n..."},
        {u"a\r\nb\r\nc", u"a\\n..."},
        {line25 + u"\r\nmore", line25 + u"\\n..."},
        {line26 + u"\r\nmore", line26 + u"\\n....."},
        {line28 + u"\r\nmore", line28 + u"\\n..."},
        {line29 + u"\r\nmore", line29 + u"\\..."},
        {line30 + u"\r\nmore", line30 + u"..."},
        {line31 + u"\r\nmore", line31.substr(0, 30) + u"..."},
        {u"abc\ndef", u"abc\ndef"},  // a lone LF is not a line break here
        {u"abc\rdef", u"abc\rdef"},
        {u"&Save && go", u"&Save && go"},
        {std::u16string(31, u'あ'), std::u16string(30, u'あ') + u"..."},
        {emoji15, emoji15},
        {emoji16, emoji15 + u"..."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE("\"" + fake::Show(row.sentence) + "\"");
        EXPECT_EQ(mdlOrbek::SentenceCaption(row.sentence), row.caption);
    }
}

using ShowSMenuTest = ModuleTest;

TEST_F(ShowSMenuTest, BuildsOneItemPerSentenceInStoreOrder) {
    rt.Seed({{u"SCMax", u"2"}, {u"S0", u"abc\r\ndef"}, {u"S2", u"x"}, {u"S3", u"beyond"}});
    mdl.ShowSMenu();
    EXPECT_THAT(rt.log, ElementsAre("GetSetting Sentences SCMax", "Refresh",
                                    "mnuSentence(0).Visible = True", "GetSetting Sentences S0",
                                    "Load mnuSentence(1)", "mnuSentence(1).Caption = abc\\n...",
                                    "mnuSentence(1).Visible = True", "GetSetting Sentences S1",
                                    "Load mnuSentence(2)",
                                    "mnuSentence(2).Caption = ", "mnuSentence(2).Visible = True",
                                    "GetSetting Sentences S2", "Load mnuSentence(3)",
                                    "mnuSentence(3).Caption = x", "mnuSentence(3).Visible = True"));
    EXPECT_THAT(LeftMenu(), ElementsAre("設定(&S)...", "-", "abc\\n...", "", "x"));
}

TEST_F(ShowSMenuTest, NoCountLeavesTheMenuUntouched) {
    for (const auto* count : {u"", u"-1", u" -1 "}) {
        SCOPED_TRACE(fake::Show(count));
        rt.log.clear();
        if (*count) rt.Seed({{u"SCMax", count}, {u"S0", u"a"}});
        rt.NextEvent();
        mdl.ShowSMenu();
        EXPECT_THAT(rt.log, ElementsAre("GetSetting Sentences SCMax", "Refresh"));
        EXPECT_THAT(LeftMenu(), ElementsAre("設定(&S)..."));
    }
}

TEST_F(ShowSMenuTest, CountBelowMinusOneShowsOnlyTheSeparator) {
    rt.Seed({{u"SCMax", u"-2"}, {u"S0", u"a"}});
    mdl.ShowSMenu();
    EXPECT_THAT(LeftMenu(), ElementsAre("設定(&S)...", "-"));
    EXPECT_THAT(rt.Log("GetSetting Sentences S"), ElementsAre("GetSetting Sentences SCMax"));
    EXPECT_THAT(rt.prompts, IsEmpty());
}

TEST_F(ShowSMenuTest, CountThatIsNotANumberIsReportedThenTheFirstSentenceBuilt) {
    rt.Seed({{u"SCMax", u"abc"}, {u"S0", u"a"}, {u"S1", u"b"}});
    mdl.ShowSMenu();
    EXPECT_THAT(rt.Reports(), ElementsAre("mdlOrbek!ShowSMenu"));
    EXPECT_THAT(ReportedNumbers(rt), ElementsAre(13));
    EXPECT_THAT(LeftMenu(), ElementsAre("設定(&S)...", "-", "a"));
}

// Each failing statement is reported and the next one runs.
TEST_F(ShowSMenuTest, FailingStepIsReportedAndTheRestStillRuns) {
    struct Row {
        std::string op;
        std::vector<int> reported;
        std::vector<std::string> menu;
    };
    const Row rows[] = {
        {"GetSetting Sentences SCMax", {5}, {"-", "a"}},  // the count stays 0
        {"mnuSentence(0).Visible", {5}, {"a", "b", "c"}},
        {"GetSetting Sentences S1", {5}, {"-", "a", "", "c"}},
        {"Load mnuSentence(2)", {5, 340, 340}, {"-", "a", "c"}},
        {"mnuSentence(2).Caption", {5}, {"-", "a", "-", "c"}},  // keeps element 0's
        {"mnuSentence(2).Visible", {5}, {"-", "a", "b", "c"}},  // loaded as element 0 was
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.op);
        Program p;
        p.rt.Seed({{u"SCMax", u"2"}, {u"S0", u"a"}, {u"S1", u"b"}, {u"S2", u"c"}});
        p.rt.Fail(row.op, vb::kInvalidCall);
        p.mdl.ShowSMenu();
        EXPECT_EQ(ReportedNumbers(p.rt), row.reported);
        EXPECT_THAT(p.rt.Reports(), Each(std::string("mdlOrbek!ShowSMenu")));
        auto menu = row.menu;
        menu.insert(menu.begin(), "設定(&S)...");
        EXPECT_EQ(p.LeftMenu(), menu);
    }
}

// Past the highest element a 16-bit array holds, the overflow is reported once
// and what was built stays.
TEST_F(ShowSMenuTest, HugeCountStopsAtTheLastElementAnArrayCanHold) {
    for (const auto* count : {u"40000", u"2147483647"}) {
        SCOPED_TRACE(fake::Show(count));
        Program p;
        p.rt.Seed({{u"SCMax", count}, {u"S32766", u"last"}});
        p.mdl.ShowSMenu();
        EXPECT_THAT(p.rt.Reports(), ElementsAre("mdlOrbek!ShowSMenu"));
        EXPECT_THAT(ReportedNumbers(p.rt), ElementsAre(6));
        EXPECT_THAT(p.rt.Log("Load "), SizeIs(32767));
        EXPECT_EQ(p.Elements(), 32768);
        EXPECT_EQ(p.form.mnuSentence(32767).Caption(), u"last");
        EXPECT_EQ(p.rt.log.back(), kReportLine);
        EXPECT_EQ(p.rt.log.end()[-2], "mnuSentence(32767).Visible = True");

        // The tear-down matches: nothing above the last element is tried.
        p.rt.log.clear();
        p.rt.prompts.clear();
        p.mdl.ClearSMenu();
        EXPECT_THAT(p.rt.Log("Unload "), SizeIs(32767));
        EXPECT_EQ(p.rt.log.at(1), "Unload mnuSentence(32767)");
        EXPECT_EQ(p.Elements(), 1);
        EXPECT_THAT(p.LeftMenu(), ElementsAre("設定(&S)..."));
    }
}

using ClearSMenuTest = ModuleTest;

TEST_F(ClearSMenuTest, UnloadsFromTheHighestAndHidesTheSeparator) {
    rt.Seed({{u"SCMax", u"2"}, {u"S0", u"a"}, {u"S1", u"b"}, {u"S2", u"c"}});
    mdl.ShowSMenu();
    rt.log.clear();
    mdl.ClearSMenu();
    EXPECT_THAT(rt.log, ElementsAre("GetSetting Sentences SCMax", "Unload mnuSentence(3)",
                                    "Unload mnuSentence(2)", "Unload mnuSentence(1)",
                                    "mnuSentence(0).Visible = False"));
    EXPECT_THAT(LeftMenu(), ElementsAre("設定(&S)..."));
    EXPECT_EQ(Elements(), 1);
}

TEST_F(ClearSMenuTest, HidesTheSeparatorWhateverTheCount) {
    for (const auto* count : {u"", u"-1", u"-5"}) {
        SCOPED_TRACE(fake::Show(count));
        rt.disk.clear();
        if (*count) rt.Seed({{u"SCMax", count}});
        rt.NextEvent();
        form.mnuSentence(0).SetVisible(true);
        rt.log.clear();
        mdl.ClearSMenu();
        EXPECT_THAT(rt.log, ElementsAre("GetSetting Sentences SCMax", "Refresh",
                                        "mnuSentence(0).Visible = False"));
        EXPECT_THAT(LeftMenu(), ElementsAre("設定(&S)..."));
    }
}

// Another program changed the count since the build: the items the menu holds
// go all the same, highest first, and nothing is reported.
TEST_F(ClearSMenuTest, UnloadsWhatTheMenuHoldsWhateverTheCountSays) {
    for (const auto* count : {u"3", u"0", u"-1", u"x"}) {
        SCOPED_TRACE(fake::Show(count));
        Program p;
        p.rt.Seed({{u"SCMax", u"1"}, {u"S0", u"a"}, {u"S1", u"b"}});
        p.mdl.ShowSMenu();
        p.rt.disk[u"Sentences"][u"SCMax"] = count;
        p.rt.NextEvent();
        p.rt.log.clear();
        p.mdl.ClearSMenu();
        EXPECT_THAT(p.rt.Log("Unload"),
                    ElementsAre("Unload mnuSentence(2)", "Unload mnuSentence(1)"));
        EXPECT_EQ(p.rt.log.back(), "mnuSentence(0).Visible = False");
        EXPECT_EQ(p.Elements(), 1);
        EXPECT_THAT(p.LeftMenu(), ElementsAre("設定(&S)..."));
        // A count that is not a number is still reported where it is read.
        EXPECT_THAT(ReportedNumbers(p.rt),
                    *count == u'x' ? std::vector<int>{13} : std::vector<int>{});
    }
}

TEST_F(ClearSMenuTest, RefusedUnloadIsReportedAndTheRestStillGo) {
    rt.Seed({{u"SCMax", u"2"}, {u"S0", u"a"}, {u"S1", u"b"}, {u"S2", u"c"}});
    mdl.ShowSMenu();
    rt.Fail("Unload mnuSentence(2)", vb::kInvalidCall);
    rt.log.clear();
    mdl.ClearSMenu();
    EXPECT_THAT(rt.log, ElementsAre("GetSetting Sentences SCMax", "Unload mnuSentence(3)",
                                    "Unload mnuSentence(2) !5", kReportLine,
                                    "Unload mnuSentence(1)", "mnuSentence(0).Visible = False"));
    EXPECT_THAT(rt.Reports(), ElementsAre("mdlOrbek!ClearSMenu"));
    EXPECT_THAT(LeftMenu(), ElementsAre("設定(&S)...", "b"));
}

}  // namespace
