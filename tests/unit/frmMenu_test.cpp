#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "fake/fake_runtime.h"
#include "test_util.h"
#include "tray/frmMenu.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The record's fields in one comparable value.
auto Fields(const vb::NotifyIconData& r) {
    return std::make_tuple(r.cbSize, r.hWnd, r.uID, r.uFlags, r.uCallbackMessage, r.hIcon,
                           std::u16string(r.szTip.begin(), r.szTip.end()));
}

constexpr float kTwips = 15;

// The log of a load that goes well.
std::vector<std::string> GoodLoad() {
    return {"App.PrevInstance",
            "PictureHandle imgMenu",
            "Shell_NotifyIcon NIM_ADD",
            "GetSetting Sentences SCMax",
            "Refresh",
            "mnuSentence(0).Visible = True",
            "GetSetting Sentences S0",
            "Load mnuSentence(1)",
            "mnuSentence(1).Caption = hello",
            "mnuSentence(1).Visible = True",
            "frmMenu.Width = 1",
            "frmMenu.Height = 1",
            "frmMenu.Left = -1",
            "frmMenu.Show",
            "frmMenu.WindowState = 1",
            "frmMenu.Hide"};
}

class FormTest : public ::testing::Test {
  protected:
    FormTest() { rt.Seed({{u"SCMax", u"0"}, {u"S0", u"hello"}}); }

    fake::FakeRuntime rt;
    frmMenu form{rt};
};

TEST_F(FormTest, LoadAddsTheIconBuildsTheMenuAndHidesTheForm) {
    rt.Load(form);
    EXPECT_EQ(rt.log, GoodLoad());
    const std::u16string tip = std::u16string(u"Orbek\0", 6) + std::u16string(58, u' ');
    EXPECT_EQ(Fields(rt.lastIcon),
              std::make_tuple(88u, form.hWnd(), 1u, 7u, 0x200u, vb::Handle{0x1C0}, tip));
    EXPECT_THAT(rt.icons, ElementsAre(std::pair{1u, std::u16string(u"Orbek")}));
    EXPECT_THAT(fake::Visible(form.mnuLeft), ElementsAre("設定(&S)...", "-", "hello"));
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(form.WindowState(), vb::kMinimized);
    EXPECT_THAT(rt.prompts, IsEmpty());
}

TEST_F(FormTest, SecondInstanceEndsBeforeTouchingAnything) {
    rt.prevInstance = true;
    EXPECT_THROW(rt.Load(form), fake::Ended);
    EXPECT_THAT(rt.log, ElementsAre("App.PrevInstance", "End"));
    EXPECT_THAT(rt.icons, IsEmpty());
}

TEST_F(FormTest, FailedInstanceCheckIsReportedThenTheProgramEnds) {
    rt.Fail("App.PrevInstance", vb::kInvalidCall);
    EXPECT_THROW(rt.Load(form), fake::Ended);
    EXPECT_THAT(rt.log, ElementsAre("App.PrevInstance !5", kReportLine, "End"));
    EXPECT_THAT(rt.Reports(), ElementsAre("frmMenu_Load"));
}

TEST(FormLoad, FailedStepIsReportedOnceAndTheRestRuns) {
    struct Row {
        std::string op;
        // The width is read back for the left edge: unchanged it is still 0.
        std::string left = "frmMenu.Left = -1";
    };
    const Row rows[] = {
        {"PictureHandle imgMenu"}, {"frmMenu.Width", "frmMenu.Left = -0"},
        {"frmMenu.Height"},        {"frmMenu.Left"},
        {"frmMenu.Show"},          {"frmMenu.WindowState"},
        {"frmMenu.Hide"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.op);
        fake::FakeRuntime rt;
        frmMenu form(rt);
        rt.Seed({{u"SCMax", u"0"}, {u"S0", u"hello"}});
        rt.Fail(row.op, vb::kInvalidCall);
        rt.Load(form);
        auto expected = GoodLoad();
        for (auto line = expected.begin(); line != expected.end(); ++line) {
            if (line->rfind("frmMenu.Left", 0) == 0) *line = row.left;
        }
        for (auto line = expected.begin(); line != expected.end(); ++line) {
            if (line->rfind(row.op, 0) == 0) {
                *line += " !5";
                expected.insert(line + 1, kReportLine);
                break;
            }
        }
        EXPECT_EQ(rt.log, expected);
        EXPECT_THAT(rt.Reports(), ElementsAre("frmMenu_Load"));
    }
}

// The shell's refusal comes back as a result that start-up never looks at.
TEST_F(FormTest, RefusedIconGoesUnnoticedAndStartUpCarriesOn) {
    rt.Fail("Shell_NotifyIcon NIM_ADD", 0);
    rt.Load(form);
    auto expected = GoodLoad();
    expected[2] += " !refused";
    EXPECT_EQ(rt.log, expected);
    EXPECT_THAT(rt.icons, IsEmpty());
    EXPECT_THAT(rt.prompts, IsEmpty());
}

TEST_F(FormTest, FailedPictureLeavesNoIconHandleButTheIconIsAdded) {
    rt.Fail("PictureHandle", vb::kOutOfMemory);
    rt.Load(form);
    EXPECT_EQ(rt.lastIcon.hIcon, 0);
    EXPECT_EQ(rt.lastIcon.Tip(), u"Orbek");
    EXPECT_THAT(rt.Log("Shell_NotifyIcon"), ElementsAre("Shell_NotifyIcon NIM_ADD"));
}

TEST_F(FormTest, FailureInsideTheMenuBuildIsReportedAsTheModules) {
    rt.Fail("GetSetting Sentences S0", vb::kInvalidCall);
    rt.Load(form);
    EXPECT_THAT(rt.Reports(), ElementsAre("mdlOrbek!ShowSMenu"));
    EXPECT_EQ(rt.log.back(), "frmMenu.Hide");
}

TEST_F(FormTest, RefusedRemovalStillEnds) {
    rt.Load(form);
    rt.log.clear();
    rt.Fail("Shell_NotifyIcon NIM_DELETE", 0);
    EXPECT_THROW(rt.Unload(form), fake::Ended);
    EXPECT_THAT(rt.log, ElementsAre("Shell_NotifyIcon NIM_DELETE !refused", "End"));
    EXPECT_THAT(rt.prompts, IsEmpty());
}

TEST_F(FormTest, UnloadRemovesTheIconAndEnds) {
    rt.Load(form);
    rt.log.clear();
    EXPECT_THROW(rt.Unload(form), fake::Ended);
    EXPECT_THAT(rt.log, ElementsAre("Shell_NotifyIcon NIM_DELETE", "End"));
    EXPECT_EQ(rt.lastIcon.cbSize, 88u);
    EXPECT_EQ(rt.lastIcon.hWnd, form.hWnd());
    EXPECT_EQ(rt.lastIcon.uID, 1u);
    EXPECT_THAT(rt.icons, IsEmpty());
}

// The icon's notifications arrive as mouse moves over the hidden form.
class LoadedFormTest : public FormTest {
  protected:
    void SetUp() override {
        rt.Seed({{u"SCMax", u"1"}, {u"S0", u"first\r\nline"}, {u"S1", u"second"}});
        rt.Load(form);
        added = rt.lastIcon;
        rt.log.clear();
        rt.NextEvent();
    }
    void Move(std::uint32_t message) { form.Form_MouseMove(0, 0, message * kTwips, 0); }

    vb::NotifyIconData added;
};

TEST_F(LoadedFormTest, MessageCodeInXChoosesTheAction) {
    struct Row {
        float x;
        std::vector<std::string> then;
    };
    const std::vector<std::string> nothing;
    // The press looks whether the store changed before the menu opens.
    const std::vector<std::string> left = {"Refresh", "SetForegroundWindow frmMenu", "DoEvents",
                                           "PopupMenu mnuLeft"};
    const Row rows[] = {
        {0x200 * kTwips, {"PictureHandle imgMenu", "Shell_NotifyIcon NIM_MODIFY"}},
        {0x201 * kTwips, left},
        {0x204 * kTwips, {"SetForegroundWindow frmMenu", "DoEvents", "PopupMenu mnuRight"}},
        {0x202 * kTwips, nothing},  // release
        {0x203 * kTwips, nothing},  // double click
        {0x205 * kTwips, nothing},
        {0x207 * kTwips, nothing},
        {0, nothing},
        {7694.6f, left},  // rounded to 7695 before the division: 0x201
        {7694.4f, {"PictureHandle imgMenu", "Shell_NotifyIcon NIM_MODIFY"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.x);
        rt.NextEvent();
        rt.log.clear();
        form.Form_MouseMove(0, 0, row.x, 0);
        auto expected = row.then;
        expected.insert(expected.begin(), "Screen.TwipsPerPixelX");
        EXPECT_EQ(rt.log, expected);
    }
    EXPECT_THAT(rt.prompts, IsEmpty());
}

TEST_F(LoadedFormTest, HoverRefreshesTheIconWithTheSameRecord) {
    Move(0x200);
    EXPECT_EQ(Fields(rt.lastIcon), Fields(added));
}

TEST_F(LoadedFormTest, NotificationArrivesAsMessageTimesTwipsPerPixel) {
    // 96, 120, 144 and 192 dpi: the codes come back whole at a fractional size too.
    for (float twips : {15.0f, 12.0f, 10.0f, 7.5f}) {
        rt.twipsPerPixel = twips;
        struct Row {
            std::uint32_t message;
            std::vector<std::string> then;
        };
        const Row rows[] = {
            {0x200, {"PictureHandle imgMenu", "Shell_NotifyIcon NIM_MODIFY"}},
            {0x201, {"Refresh", "SetForegroundWindow frmMenu", "DoEvents", "PopupMenu mnuLeft"}},
            {0x204, {"SetForegroundWindow frmMenu", "DoEvents", "PopupMenu mnuRight"}},
            {0x202, {}},
        };
        for (const auto& row : rows) {
            SCOPED_TRACE(std::to_string(twips) + " twips, message " + std::to_string(row.message));
            rt.NextEvent();
            rt.log.clear();
            rt.NotifyIcon(added, row.message);
            auto expected = row.then;
            // Once to make X, once to read the code back out of it.
            expected.insert(expected.begin(), {"Screen.TwipsPerPixelX", "Screen.TwipsPerPixelX"});
            EXPECT_EQ(rt.log, expected);
        }
    }
}

TEST_F(LoadedFormTest, PressWhileAPopupIsOpenOpensNothing) {
    int popups = 0;
    rt.onPopup = [&](vb::MenuItem&) {
        if (++popups > 1) return;  // a nested popup: fail below, not by recursing
        Move(0x201);
        rt.NotifyIcon(added, 0x204);
    };
    Move(0x201);
    EXPECT_EQ(popups, 1);
    EXPECT_THAT(rt.log,
                ElementsAre("Screen.TwipsPerPixelX", "Refresh", "SetForegroundWindow frmMenu",
                            "DoEvents", "PopupMenu mnuLeft", "Screen.TwipsPerPixelX",
                            "Screen.TwipsPerPixelX", "Screen.TwipsPerPixelX"));
    EXPECT_EQ(form.PopupOpen(), 0);
}

// The flag is set after DoEvents: a press that was pending then is handled
// inside it like any other, and opens its menu.
TEST_F(LoadedFormTest, PressPendingWhenEventsAreProcessedOpensItsMenu) {
    bool pending = true;
    rt.onDoEvents = [&] {
        if (!std::exchange(pending, false)) return;
        EXPECT_EQ(form.PopupOpen(), 0);
        Move(0x204);
    };
    Move(0x201);
    EXPECT_THAT(rt.log,
                ElementsAre("Screen.TwipsPerPixelX", "Refresh", "SetForegroundWindow frmMenu",
                            "DoEvents", "Screen.TwipsPerPixelX", "SetForegroundWindow frmMenu",
                            "DoEvents", "PopupMenu mnuRight", "PopupMenu mnuLeft"));
    EXPECT_EQ(form.PopupOpen(), 0);
}

TEST_F(LoadedFormTest, PopupFlagIsSetWhileTheChosenCommandRuns) {
    std::vector<int> flags;
    form.mnuPopR.Click = [&](std::int16_t) { flags.push_back(form.PopupOpen()); };
    rt.onPopup = [&](vb::MenuItem&) { rt.Choose(form.mnuPopR(5)); };
    Move(0x204);
    EXPECT_THAT(flags, ElementsAre(1));
    EXPECT_EQ(form.PopupOpen(), 0);
}

TEST_F(LoadedFormTest, FailedPopupIsReportedAndTheNextPressOpensIt) {
    rt.Fail("PopupMenu", vb::kInvalidCall);
    Move(0x201);
    EXPECT_EQ(form.PopupOpen(), 0);
    Move(0x201);
    EXPECT_THAT(
        rt.log,
        ElementsAre("Screen.TwipsPerPixelX", "Refresh", "SetForegroundWindow frmMenu", "DoEvents",
                    "PopupMenu mnuLeft !5", kReportLine, "Screen.TwipsPerPixelX",
                    "SetForegroundWindow frmMenu", "DoEvents", "PopupMenu mnuLeft"));
    EXPECT_THAT(rt.Reports(), ElementsAre("frmMenu_MouseMove"));
}

TEST_F(LoadedFormTest, UnknownPixelSizeLeavesCodeZero) {
    rt.Fail("Screen.TwipsPerPixelX", vb::kInvalidCall);
    Move(0x201);
    EXPECT_THAT(rt.log, ElementsAre("Screen.TwipsPerPixelX !5", kReportLine));
    EXPECT_THAT(rt.Reports(), ElementsAre("frmMenu_MouseMove"));
}

TEST_F(LoadedFormTest, ChoosingASentenceCopiesAllOfIt) {
    rt.onPopup = [&](vb::MenuItem&) { rt.Choose(form.mnuSentence(1)); };
    Move(0x201);
    EXPECT_EQ(rt.clipboard, u"first\r\nline");
    EXPECT_THAT(rt.log, ElementsAre("Screen.TwipsPerPixelX", "Refresh",
                                    "SetForegroundWindow frmMenu", "DoEvents", "PopupMenu mnuLeft",
                                    "GetSetting Sentences S0", "txtMenu.Text = first\\r\\nline",
                                    "SendMessage 0x301", "Clipboard.SetText first\\r\\nline"));
    EXPECT_EQ(form.txtMenu.SelText(), u"first\r\nline");
}

// The click has no trap: a failure ends it with the runtime's notice, and
// nothing reaches the clipboard.
TEST_F(LoadedFormTest, FailedClickShowsTheRuntimesNotice) {
    rt.clipboard = u"keep";
    rt.Fail("GetSetting Sentences S0", vb::kFileAccess);
    rt.Choose(form.mnuSentence(1));
    EXPECT_THAT(rt.log, ElementsAre("GetSetting Sentences S0 !75", "MsgBox 0x1040 Orbek"));
    ASSERT_EQ(rt.prompts.size(), 1u);
    EXPECT_EQ(rt.prompts[0], u"実行時エラー '75':\r\n\r\n" + vb::Describe(vb::kFileAccess));
    EXPECT_THAT(rt.Reports(), IsEmpty());
    EXPECT_EQ(rt.clipboard, u"keep");
}

TEST_F(LoadedFormTest, ClickReadsTheStoreAtTheMomentOfTheClick) {
    rt.disk[u"Sentences"][u"S1"] = u"changed\r\nsince";
    rt.NextEvent();
    rt.Choose(form.mnuSentence(2));
    EXPECT_EQ(rt.clipboard, u"changed\r\nsince");
    EXPECT_EQ(form.mnuSentence(2).Caption(), u"second");
}

TEST_F(LoadedFormTest, ItemOfADeletedSectionLeavesTheClipboardAlone) {
    rt.clipboard = u"keep";
    rt.disk.clear();
    rt.NextEvent();
    rt.Choose(form.mnuSentence(1));
    EXPECT_EQ(rt.clipboard, u"keep");
    EXPECT_THAT(rt.log, ElementsAre("GetSetting Sentences S0", "Refresh",
                                    "txtMenu.Text = ", "SendMessage 0x301"));
    EXPECT_EQ(form.txtMenu.SelLength(), 0);
}

}  // namespace
