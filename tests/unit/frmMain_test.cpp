#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "fake/fake_runtime.h"
#include "removal/frmMain.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kQuestion = "MsgBox 0x124 登録文データ削除の確認 - Nulvex";
const std::u16string kPrompt = u"Orbekの登録文データを全て削除してよろしいですか?";

auto Entries(const vb::Form& form) {
    std::vector<std::tuple<float, float, std::string>> entries;
    for (const auto& p : form.Printed()) entries.emplace_back(p.x, p.y, fake::Show(p.text));
    return entries;
}

using Entry = std::tuple<float, float, std::string>;
const Entry kTop{0, 0, ""};
const Entry kProgress{0, 240, " 登録文データ削除中..."};
const Entry kDone{0, 240, " 登録文データ削除完了"};

class frmMainTest : public ::testing::Test {
  protected:
    frmMainTest() { rt.AppTitle = u"Nulvex"; }

    // Loads the form as the program starts it; true when the program ended.
    bool Start() {
        try {
            rt.Dispatch([&] { rt.Load(form); });
        } catch (const fake::Ended&) {
            return true;
        }
        return false;
    }
    // Seeds sentences, keys above the count, and a section that is not ours.
    void SeedStore() {
        rt.Seed({{u"SCMax", u"1"}, {u"S0", u"first"}, {u"S1", u"second"}, {u"S5", u"beyond"}});
        rt.disk[u"Other"] = {{u"Key", u"kept"}};
    }

    fake::FakeRuntime rt;
    frmMain form{rt};
};

TEST_F(frmMainTest, NoEndsBeforeAnythingIsShownOrDeleted) {
    SeedStore();
    const fake::Sections before = rt.disk;
    rt.answer = vb::kNo;

    EXPECT_TRUE(Start());

    EXPECT_THAT(rt.log, ElementsAre(kQuestion, "End"));
    EXPECT_THAT(rt.prompts, ElementsAre(kPrompt));
    EXPECT_EQ(rt.disk, before);
    EXPECT_FALSE(form.Visible());
    EXPECT_THAT(form.Printed(), IsEmpty());
}

TEST_F(frmMainTest, YesDeletesTheWholeSectionAndKeepsTheRest) {
    SeedStore();
    rt.answer = vb::kYes;

    EXPECT_FALSE(Start());

    EXPECT_THAT(rt.log,
                ElementsAre(kQuestion, "frmMain.Show", "frmMain.Printed", "DeleteSetting Sentences",
                            "Refresh", "Commit", "frmMain.Printed", "frmMain.Printed",
                            "cmdMain.Enabled = True"));
    EXPECT_EQ(rt.disk.count(u"Sentences"), 0u);
    ASSERT_EQ(rt.disk.count(u"Other"), 1u);
    EXPECT_EQ(rt.disk[u"Other"][u"Key"], u"kept");
    EXPECT_TRUE(form.Visible());
    EXPECT_THAT(Entries(form), ElementsAre(kTop, kDone));
    EXPECT_TRUE(form.cmdMain.Enabled());
}

TEST_F(frmMainTest, NothingToDeleteStillCompletesSilently) {
    rt.disk[u"Other"] = {{u"Key", u"kept"}};
    rt.answer = vb::kYes;

    EXPECT_FALSE(Start());

    EXPECT_THAT(rt.Log("MsgBox"), ElementsAre(kQuestion));
    EXPECT_THAT(rt.Log("Commit"), IsEmpty());
    EXPECT_THAT(Entries(form), ElementsAre(kTop, kDone));
    EXPECT_TRUE(form.cmdMain.Enabled());
    EXPECT_EQ(rt.disk.count(u"Other"), 1u);
}

TEST_F(frmMainTest, ProgressLineIsPrintedBeforeTheStoreIsWritten) {
    SeedStore();
    rt.answer = vb::kYes;
    // What the form holds when the deletion reaches the disk.
    rt.Fail("Commit", vb::kFileAccess);

    Start();

    EXPECT_THAT(Entries(form), ElementsAre(kTop, kProgress));
}

// A failure at each step: whether the form goes on, and what it then shows.
struct Failure {
    const char* prefix;
    std::int32_t number;
    bool deleted;
    std::vector<Entry> printed;
    bool enabled;
};

class frmMainFailure : public frmMainTest, public ::testing::WithParamInterface<Failure> {};

TEST_P(frmMainFailure, IsSilentAndStopsUnlessTheNumberIs5) {
    const Failure& f = GetParam();
    SeedStore();
    rt.answer = vb::kYes;
    rt.Fail(f.prefix, f.number);

    EXPECT_FALSE(Start());

    EXPECT_THAT(rt.Log("MsgBox"), ElementsAre(::testing::StartsWith("MsgBox 0x124")))
        << "no error is ever reported";
    EXPECT_EQ(rt.disk.count(u"Sentences") == 0, f.deleted);
    EXPECT_EQ(rt.disk.count(u"Other"), 1u);
    EXPECT_EQ(Entries(form), f.printed);
    EXPECT_EQ(form.cmdMain.Enabled(), f.enabled);
    EXPECT_TRUE(form.Loaded());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, frmMainFailure,
    ::testing::Values(Failure{"MsgBox", vb::kOutOfMemory, false, {}, false},
                      Failure{"frmMain.Show", vb::kInvalidCall, true, {kTop, kDone}, true},
                      Failure{"frmMain.Show", vb::kOutOfMemory, false, {}, false},
                      Failure{"DeleteSetting", vb::kFileAccess, false, {kTop, kProgress}, false},
                      Failure{"Refresh", vb::kFileAccess, false, {kTop, kProgress}, false},
                      Failure{"Commit", vb::kFileAccess, false, {kTop, kProgress}, false},
                      Failure{"cmdMain.Enabled", vb::kInvalidCall, true, {kTop, kDone}, true}));

// As the program starts: a load handler that stopped before showing the
// window leaves it to be shown, so that the user can end the program; with
// no window to be had the program ends.
TEST_F(frmMainTest, StartShowsTheFormALoadHandlerLeftUnseen) {
    rt.Fail("MsgBox", vb::kOutOfMemory);
    form.Start();
    EXPECT_TRUE(form.Visible());
    EXPECT_FALSE(form.cmdMain.Enabled());
}

TEST_F(frmMainTest, StartEndsTheProgramWhenTheFormCannotBeShown) {
    rt.Fail("MsgBox", vb::kOutOfMemory);
    rt.Fail("frmMain.Show", vb::kOutOfMemory, 2);
    EXPECT_THROW(form.Start(), fake::Ended);
    EXPECT_FALSE(form.Visible());
}

TEST_F(frmMainTest, ButtonIsTheDefaultAndWaitsForTheDeletion) {
    EXPECT_TRUE(form.cmdMain.Default);
    EXPECT_FALSE(form.cmdMain.Enabled());
    EXPECT_THAT(rt.log, IsEmpty()) << "set as designed, not at run time";
}

TEST_F(frmMainTest, OkAndClosingTheWindowEndTheProgram) {
    rt.answer = vb::kYes;
    Start();

    rt.log.clear();
    EXPECT_THROW(form.cmdMain.Click(), fake::Ended);
    EXPECT_THAT(rt.log, ElementsAre("End"));

    rt.log.clear();
    EXPECT_THROW(rt.Closed(form), fake::Ended);
    EXPECT_THAT(rt.log, ElementsAre("End"));
}

}  // namespace
