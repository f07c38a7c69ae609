// The sentence menu after another program changed the store: a left press
// rebuilds it first, and every rebuild leaves no old item behind.

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

const Keys kFour = {
    {u"SCMax", u"3"}, {u"S0", u"one"}, {u"S1", u"two"}, {u"S2", u"three"}, {u"S3", u"four"}};

class FollowStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        rt.Seed(kFour);
        rt.Load(menu);
        rt.NextEvent();
        rt.log.clear();
    }
    // Another program writes the store.
    void Outside(std::optional<Keys> keys) {
        rt.disk.clear();
        if (keys) rt.Seed(*keys);
        rt.NextEvent();
    }
    void Press() {
        rt.NextEvent();
        menu.Form_MouseMove(0, 0, 0x201 * 15, 0);
    }
    void Register(std::u16string text) {
        rt.NextEvent();
        rt.clipboard = std::move(text);
        menu.mnuPopR_Click(0);
    }
    Lines Menu() const { return fake::Visible(menu.mnuLeft); }

    fake::FakeRuntime rt;
    frmMenu menu{rt};
    // The left menu as it was shown, at each popup.
    std::vector<Lines> shown;
    void WatchPopups() {
        rt.onPopup = [&](vb::MenuItem& m) {
            if (&m == &menu.mnuLeft) shown.push_back(Menu());
        };
    }
};

// Elements 1 to 4 built, the section deleted, then a registration.
TEST_F(FollowStoreTest, RegistrationAfterADeletionShowsOnlyTheNewSentence) {
    Outside(std::nullopt);
    Register(u"new");
    EXPECT_THAT(rt.prompts, IsEmpty());
    EXPECT_THAT(Menu(), ElementsAre("設定(&S)...", "-", "new"));
    EXPECT_EQ(rt.disk[u"Sentences"], (Keys{{u"SCMax", u"0"}, {u"S0", u"new"}}));
}

TEST_F(FollowStoreTest, PressAfterAnOutsideChangeShowsTheStoreAsItIs) {
    struct Row {
        const char* name;
        std::optional<Keys> store;
        Lines menu;
    };
    const Row rows[] = {
        {"deleted", std::nullopt, {"設定(&S)..."}},
        {"shorter",
         Keys{{u"SCMax", u"1"}, {u"S0", u"x"}, {u"S1", u"y"}},
         {"設定(&S)...", "-", "x", "y"}},
        {"longer",
         Keys{{u"SCMax", u"5"},
              {u"S0", u"1"},
              {u"S1", u"2"},
              {u"S2", u"3"},
              {u"S3", u"4"},
              {u"S4", u"5"},
              {u"S5", u"6"}},
         {"設定(&S)...", "-", "1", "2", "3", "4", "5", "6"}},
        {"same length, new text",
         Keys{{u"SCMax", u"3"}, {u"S0", u"a"}, {u"S1", u"b"}, {u"S2", u"c"}, {u"S3", u"d"}},
         {"設定(&S)...", "-", "a", "b", "c", "d"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        shown.clear();
        WatchPopups();
        Outside(row.store);
        Press();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0], row.menu);
        EXPECT_THAT(rt.prompts, IsEmpty());
        // Back to the four sentences for the next row, as the next press shows.
        Outside(kFour);
        Press();
        EXPECT_EQ(shown.back(), (Lines{"設定(&S)...", "-", "one", "two", "three", "four"}));
    }
}

TEST_F(FollowStoreTest, PressWithNothingChangedDoesNotReadTheStore) {
    Press();
    EXPECT_THAT(rt.log,
                ElementsAre("Screen.TwipsPerPixelX", "Refresh", "SetForegroundWindow frmMenu",
                            "DoEvents", "PopupMenu mnuLeft"));
}

TEST_F(FollowStoreTest, OwnWritesNeedNoRebuild) {
    Register(u"five");
    rt.onModal = [&](vb::Form& form) { static_cast<frmSet&>(form).cmdSet_Click(0); };
    menu.mnuPopL_Click();
    rt.log.clear();
    Press();
    EXPECT_THAT(rt.Log("GetSetting"), IsEmpty());
    EXPECT_THAT(Menu(), ElementsAre("設定(&S)...", "-", "one", "two", "three", "four", "five"));
}

// Another program's write merged into our own commit is noticed at the next press.
TEST_F(FollowStoreTest, OutsideChangeMergedIntoOwnCommitIsNoticed) {
    rt.NextEvent();
    rt.GetSetting(mdlOrbek::kApp, mdlOrbek::kSection, mdlOrbek::kCountKey);  // the event's view
    rt.disk[u"Sentences"][u"S0"] = u"theirs";
    rt.clipboard = u"mine";
    menu.SetNowCB();
    EXPECT_EQ(rt.disk[u"Sentences"][u"S0"], u"theirs");
    EXPECT_EQ(menu.mnuSentence(1).Caption(), u"one");  // built from the event's view
    Press();
    EXPECT_THAT(Menu(), ElementsAre("設定(&S)...", "-", "theirs", "two", "three", "four", "mine"));
    EXPECT_THAT(rt.prompts, IsEmpty());
}

// A registration whose commit failed left an item the disk does not hold.
TEST_F(FollowStoreTest, DroppedOwnWritesAreUndoneAtTheNextPress) {
    rt.Fail("Commit", 75);
    Register(u"lost");
    EXPECT_THAT(rt.Reports(), ElementsAre("frmMenu!SetNowCB"));
    EXPECT_EQ(Menu().back(), "lost");
    Press();
    EXPECT_THAT(Menu(), ElementsAre("設定(&S)...", "-", "one", "two", "three", "four"));
}

TEST_F(FollowStoreTest, EditorOkAfterAnOutsideChangeRebuildsCleanly) {
    Outside(Keys{{u"SCMax", u"5"},
                 {u"S0", u"1"},
                 {u"S1", u"2"},
                 {u"S2", u"3"},
                 {u"S3", u"4"},
                 {u"S4", u"5"},
                 {u"S5", u"6"}});
    rt.onModal = [&](vb::Form& form) {
        auto& set = static_cast<frmSet&>(form);
        set.lstSList.Selected(0);
        set.cmdSList_Click(4);  // delete the first
        set.cmdSet_Click(0);
    };
    menu.mnuPopL_Click();
    EXPECT_THAT(rt.prompts, IsEmpty());
    EXPECT_THAT(Menu(), ElementsAre("設定(&S)...", "-", "2", "3", "4", "5", "6"));
}

// A store that cannot be looked at: reported, then the menu is rebuilt from
// what could be read.
TEST_F(FollowStoreTest, FailedLookIsReportedAndTheMenuRebuilt) {
    rt.Fail("Refresh", 75);
    Press();
    EXPECT_THAT(rt.Reports(), ElementsAre("frmMenu_MouseMove"));
    EXPECT_THAT(rt.Log("Unload"), ElementsAre("Unload mnuSentence(4)", "Unload mnuSentence(3)",
                                              "Unload mnuSentence(2)", "Unload mnuSentence(1)"));
    EXPECT_THAT(rt.Log("PopupMenu"), ElementsAre("PopupMenu mnuLeft"));
    EXPECT_THAT(Menu(), ElementsAre("設定(&S)...", "-", "one", "two", "three", "four"));
}

}  // namespace
