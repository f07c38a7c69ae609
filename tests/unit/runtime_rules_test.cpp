// Rules the runtime keeps for every backend: what the shell's calls do to the
// icons' records, that the program's writes reach the disk before it ends, the
// keys' rules, and a form's geometry in twips and pixels.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "fake/fake_runtime.h"
#include "test_util.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class Window : public vb::Form {
  public:
    explicit Window(vb::Runtime& rt) : vb::Form(rt, u"frmIcon") {}
};

vb::NotifyIconData Record(vb::Handle window, std::uint32_t id, std::uint32_t flags,
                          std::uint32_t callback, vb::Handle icon, std::u16string_view tip) {
    vb::NotifyIconData data;
    data.cbSize = 88;
    data.hWnd = window;
    data.uID = id;
    data.uFlags = flags;
    data.uCallbackMessage = callback;
    data.hIcon = icon;
    std::copy(tip.begin(), tip.end(), data.szTip.begin());
    return data;
}

TEST(IconRecords, EachCallMeetsTheRecordTheRuntimeKeeps) {
    fake::FakeRuntime rt;
    Window form(rt);
    const vb::Handle window = form.hWnd();
    const auto all = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    struct Row {
        const char* what;
        std::uint32_t message;
        vb::NotifyIconData data;
        bool result;
        const char* log;  // what the shell was told, or nothing
    };
    const Row rows[] = {
        {"a change before the add", NIM_MODIFY, Record(window, 1, NIF_TIP, 0, 0, u"x"), false,
         nullptr},
        {"a removal before the add", NIM_DELETE, Record(window, 1, 0, 0, 0, u""), false, nullptr},
        {"an add for no form's window", NIM_ADD, Record(0x7777, 1, all, 0x200, 5, u"a"), false,
         nullptr},
        {"the add", NIM_ADD, Record(window, 1, all, 0x200, 5, u"a"), true,
         "Shell_NotifyIcon NIM_ADD"},
        {"the same ID again", NIM_ADD, Record(window, 1, all, 0x200, 6, u"b"), false, nullptr},
        {"another ID", NIM_ADD, Record(window, 2, all, 0x200, 7, u"c"), true,
         "Shell_NotifyIcon NIM_ADD"},
        {"an unknown message", 7, Record(window, 1, all, 0x200, 5, u"a"), false, nullptr},
        {"a change of the tip alone", NIM_MODIFY, Record(window, 1, NIF_TIP, 0x999, 9, u"tip"),
         true, "Shell_NotifyIcon NIM_MODIFY"},
        {"the removal", NIM_DELETE, Record(window, 1, 0, 0, 0, u""), true,
         "Shell_NotifyIcon NIM_DELETE"},
        {"the removal again", NIM_DELETE, Record(window, 1, 0, 0, 0, u""), false, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        rt.log.clear();
        EXPECT_EQ(rt.Shell_NotifyIconA(row.message, row.data), row.result);
        if (row.log) {
            EXPECT_THAT(rt.log, ElementsAre(row.log));
        } else {
            EXPECT_THAT(rt.log, IsEmpty());
        }
    }
    // The change took the tip and kept the callback and the picture; the
    // removal told the shell of the icon as it was kept.
    EXPECT_EQ(rt.lastIcon.Tip(), u"tip");
    EXPECT_EQ(rt.lastIcon.uCallbackMessage, 0x200u);
    EXPECT_EQ(rt.lastIcon.hIcon, vb::Handle{5});
    EXPECT_EQ(rt.lastIcon.uFlags, all);
    EXPECT_THAT(rt.icons, ElementsAre(std::pair{2u, std::u16string(u"c")}));
}

TEST(IconRecords, OneTheShellRefusedIsKeptAndChangedAsAnother) {
    fake::FakeRuntime rt;
    Window form(rt);
    rt.Fail("Shell_NotifyIcon NIM_ADD", 0);  // refused: not ready yet
    const auto added = Record(form.hWnd(), 1, NIF_MESSAGE | NIF_ICON | NIF_TIP, 0x200, 5, u"a");
    EXPECT_FALSE(rt.Shell_NotifyIconA(NIM_ADD, added));
    EXPECT_FALSE(rt.Shell_NotifyIconA(NIM_ADD, added));  // kept: not added twice
    // The change reaches the shell, which holds no such icon.
    EXPECT_FALSE(rt.Shell_NotifyIconA(NIM_MODIFY, Record(form.hWnd(), 1, NIF_TIP, 0, 0, u"b")));
    EXPECT_EQ(rt.lastIcon.Tip(), u"b");
    EXPECT_EQ(rt.lastIcon.hIcon, vb::Handle{5});
    EXPECT_THAT(rt.log,
                ElementsAre("Shell_NotifyIcon NIM_ADD !refused", "Shell_NotifyIcon NIM_MODIFY"));
}

TEST(Ending, WhatTheProgramWroteReachesTheDiskFirst) {
    fake::FakeRuntime rt;
    rt.Store().OpenScope();
    rt.SaveSetting(u"Orbek", u"Sentences", u"S0", u"kept");
    EXPECT_THROW(rt.End(), fake::Ended);
    ASSERT_GE(rt.log.size(), 2u);
    EXPECT_THAT(std::vector(rt.log.end() - 2, rt.log.end()), ElementsAre("Commit", "End"));
    EXPECT_EQ(rt.disk[u"Sentences"][u"S0"], u"kept");
}

// The keys' rules every backend asks: which buttons Enter and Esc press, and
// where a label's access key sends the focus.
class KeysForm : public vb::Form {
  public:
    explicit KeysForm(vb::Runtime& rt) : vb::Form(rt, u"frmKeys") {
        hidden.Visible = false;
        off.DesignEnabled(false);
        offDefault.Default = true;
        offDefault.DesignEnabled(false);
        ok.Default = true;
        cancel.Cancel = true;
        alsoCancel.Cancel = true;
    }
    vb::Label lblFirst{*this, u"lblFirst"};
    vb::Label lblSecond{*this, u"lblSecond"};
    vb::ListBox hidden{*this, u"lstHidden"};
    vb::ListBox off{*this, u"lstOff"};
    vb::ListBox list{*this, u"lstList"};
    vb::Label lblLast{*this, u"lblLast"};
    vb::CommandButton offDefault{*this, u"cmdOffDefault"};
    vb::CommandButton ok{*this, u"cmdOk"};
    vb::CommandButton cancel{*this, u"cmdCancel"};
    vb::CommandButton alsoCancel{*this, u"cmdAlsoCancel"};
};

TEST(FormKeys, EnterEscAndLabelsFollowOneRule) {
    fake::FakeRuntime rt;
    KeysForm form(rt);
    EXPECT_EQ(form.DefaultButton(), &form.ok);  // the disabled default is passed over
    EXPECT_EQ(form.CancelButton(), &form.cancel);
    // Past labels, hidden and disabled controls, to the next that takes the focus.
    EXPECT_EQ(form.LabelTarget(form.lblFirst), &form.list);
    EXPECT_EQ(form.LabelTarget(form.lblSecond), &form.list);
    EXPECT_EQ(form.LabelTarget(form.lblLast), &form.ok);
    form.ok.SetEnabled(false);
    form.cancel.SetEnabled(false);
    EXPECT_EQ(form.DefaultButton(), nullptr);
    EXPECT_EQ(form.CancelButton(), &form.alsoCancel);
    EXPECT_EQ(form.LabelTarget(form.lblLast), &form.alsoCancel);
}

TEST(FormKeys, AccessKeyIsTheCharacterAfterTheFirstLoneAmpersand) {
    const std::pair<std::u16string_view, char16_t> rows[] = {{u"登録文(&L):", u'L'},
                                                             {u"&OK", u'O'},
                                                             {u"Tom && Jerry &x", u'x'},
                                                             {u"&&", 0},
                                                             {u"end&", 0},
                                                             {u"none", 0},
                                                             {u"", 0},
                                                             {u"&&&a", u'a'}};
    for (const auto& [caption, key] : rows) {
        EXPECT_EQ(vb::Form::AccessKey(caption), key) << fake::Show(caption);
    }
}

// A form without a window, not yet shown or never to be, keeps the geometry
// it is given; its client area follows the outer size inside the frame it
// was designed with.
TEST(Geometry, AFormWithoutAWindowKeepsWhatItIsGiven) {
    fake::FakeRuntime rt;
    Window form(rt);
    form.DesignClientSize(3000, 2000);
    EXPECT_EQ(form.Width(), 3000 + vb::kFrameWidth);
    EXPECT_EQ(form.Height(), 2000 + vb::kFrameHeight);
    form.SetLeft(120);
    form.SetTop(240);
    form.SetWidth(5000);
    form.SetHeight(4000);
    EXPECT_EQ(form.Left(), 120);
    EXPECT_EQ(form.Top(), 240);
    EXPECT_EQ(form.Width(), 5000);
    EXPECT_EQ(form.Height(), 4000);
    EXPECT_EQ(form.ScaleWidth(), 5000 - vb::kFrameWidth);
    EXPECT_EQ(form.ScaleHeight(), 4000 - vb::kFrameHeight);
}

// Twips to a screen's pixels, as both backends place windows and controls:
// the nearest pixel, or at least as many as asked where a size must be met.
TEST(Geometry, TwipsBecomeWholePixelsAtEachResolution) {
    const struct {
        float twipsPerPixel, twips;
        int nearest, atLeast;
    } cases[] = {
        {15, 1440, 96, 96},  // 96 dpi: an inch
        {15, 7, 0, 1},       {15, 8, 1, 1},        {15, 16, 1, 2},
        {15, 0, 0, 0},       {10, 1440, 144, 144},  // 144 dpi
        {7.5f, 100, 13, 14},                        // 192 dpi
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.twips << " twips at " << c.twipsPerPixel);
        const vb::Scale scale{c.twipsPerPixel};
        EXPECT_EQ(scale.Pixels(c.twips), c.nearest);
        EXPECT_EQ(scale.PixelsAtLeast(c.twips), c.atLeast);
    }
}

}  // namespace
