#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake/fake_runtime.h"
#include "platform/trap.h"
#include "test_util.h"
#include "tray/frmMenu.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

constexpr std::u16string_view kApp = u"Orbek";
constexpr std::u16string_view kSection = u"Sentences";

class SettingsTest : public ::testing::Test {
  protected:
    std::u16string Get(std::u16string_view key, std::u16string_view defaultValue = u"") {
        return rt.GetSetting(kApp, kSection, key, defaultValue);
    }
    void Save(std::u16string_view key, std::u16string_view value) {
        rt.SaveSetting(kApp, kSection, key, value);
    }
    std::optional<std::u16string> OnDisk(const std::u16string& key) const {
        auto s = rt.disk.find(std::u16string(kSection));
        if (s == rt.disk.end() || !s->second.count(key)) return std::nullopt;
        return s->second.at(key);
    }

    fake::FakeRuntime rt;
};

TEST_F(SettingsTest, MissingKeyOrSectionGivesTheDefault) {
    EXPECT_EQ(Get(u"SCMax", u"-1"), u"-1");
    rt.disk[u"Sentences"] = {{u"S0", u"a"}};
    rt.NextEvent();
    EXPECT_EQ(Get(u"SCMax", u"-1"), u"-1");
    EXPECT_EQ(Get(u"S0", u"-1"), u"a");
    EXPECT_EQ(rt.GetSetting(kApp, u"Other", u"S0", u"d"), u"d");
}

TEST_F(SettingsTest, DeletingAMissingSectionRaisesInvalidCall) {
    EXPECT_EQ(ErrorOf([&] { rt.DeleteSetting(kApp, kSection); }), vb::kInvalidCall);
    rt.Seed({{u"S0", u"a"}});
    rt.NextEvent();
    EXPECT_EQ(ErrorOf([&] { rt.DeleteSetting(kApp, kSection); }), 0);
    EXPECT_THAT(rt.disk, IsEmpty());
}

TEST_F(SettingsTest, ReadsSeeTheDiskAsTheEventBeganPlusOwnWrites) {
    rt.Seed({{u"S0", u"old"}, {u"S1", u"old"}});
    EXPECT_EQ(Get(u"S0"), u"old");
    rt.disk[u"Sentences"][u"S0"] = u"theirs";
    EXPECT_EQ(Get(u"S0"), u"old");
    Save(u"S1", u"mine");
    EXPECT_EQ(Get(u"S1"), u"mine");
    EXPECT_EQ(Get(u"S0"), u"old");
    rt.NextEvent();
    EXPECT_EQ(Get(u"S0"), u"theirs");
    EXPECT_EQ(Get(u"S1"), u"mine");
    EXPECT_THAT(rt.Log("Refresh"), SizeIs(2));  // once an event
}

TEST_F(SettingsTest, OwnCommitInAnEventDoesNotRevealOtherChanges) {
    rt.Seed({{u"S0", u"old"}});
    EXPECT_EQ(Get(u"S0"), u"old");
    rt.disk[u"Sentences"][u"S0"] = u"theirs";
    rt.Store().OpenScope();
    Save(u"S1", u"mine");
    rt.Store().CloseScope();
    EXPECT_EQ(Get(u"S0"), u"old");
    EXPECT_EQ(Get(u"S1"), u"mine");
}

TEST_F(SettingsTest, PendingWritesStayVisibleAcrossEvents) {
    rt.Store().OpenScope();
    Save(u"S0", u"mine");
    rt.disk[u"Sentences"][u"S0"] = u"theirs";
    rt.NextEvent();  // e.g. a popup menu's message loop while a handler runs
    EXPECT_EQ(Get(u"S0"), u"mine");
    rt.Store().CloseScope();
    EXPECT_EQ(OnDisk(u"S0"), u"mine");
}

TEST_F(SettingsTest, WritesOutsideAnyScopeCommitAtOnce) {
    Save(u"S0", u"a");
    EXPECT_THAT(rt.log, ElementsAre("SaveSetting Sentences S0 a", "Refresh", "Commit"));
    EXPECT_EQ(OnDisk(u"S0"), u"a");
}

TEST_F(SettingsTest, ScopedWritesCommitTogetherWhenTheirScopeCloses) {
    rt.Store().OpenScope();
    Save(u"S0", u"a");
    Save(u"SCMax", u"0");
    EXPECT_THAT(rt.Log("Commit"), IsEmpty());
    EXPECT_THAT(rt.disk, IsEmpty());
    rt.Store().CloseScope();
    EXPECT_THAT(rt.Log("Commit"), SizeIs(1));
    EXPECT_EQ(OnDisk(u"S0"), u"a");
    EXPECT_EQ(OnDisk(u"SCMax"), u"0");
}

TEST_F(SettingsTest, InnerScopeClosingDoesNotCommitTheOuterWrites) {
    rt.Store().OpenScope();
    Save(u"S0", u"a");
    rt.Store().OpenScope();
    rt.Store().CloseScope();
    EXPECT_THAT(rt.Log("Commit"), IsEmpty());
    rt.Store().OpenScope();
    Save(u"S1", u"b");  // joins the outer write, which is still pending
    rt.Store().CloseScope();
    EXPECT_THAT(rt.Log("Commit"), IsEmpty());
    EXPECT_THAT(rt.disk, IsEmpty());
    rt.Store().CloseScope();
    EXPECT_THAT(rt.Log("Commit"), SizeIs(1));
    EXPECT_EQ(OnDisk(u"S0"), u"a");
    EXPECT_EQ(OnDisk(u"S1"), u"b");
}

TEST_F(SettingsTest, WritesOfAnInnerScopeCommitWhenItCloses) {
    rt.Store().OpenScope();
    rt.Store().OpenScope();
    Save(u"S0", u"a");
    rt.Store().CloseScope();
    EXPECT_EQ(OnDisk(u"S0"), u"a");
    rt.Store().CloseScope();
    EXPECT_THAT(rt.Log("Commit"), SizeIs(1));
}

TEST_F(SettingsTest, ScopedDeleteReachesTheDiskOnClose) {
    rt.Seed({{u"S0", u"a"}});
    rt.Store().OpenScope();
    rt.DeleteSetting(kApp, kSection);
    EXPECT_EQ(Get(u"S0", u"gone"), u"gone");
    EXPECT_EQ(OnDisk(u"S0"), u"a");
    rt.Store().CloseScope();
    EXPECT_THAT(rt.disk, IsEmpty());
}

// A trap is a write scope: its procedure's commit failure carries its name.
class TrapCommitTest : public SettingsTest {
  protected:
    frmMenu form{rt};
};

TEST_F(TrapCommitTest, FailedCommitIsReportedByTheWritingProcedure) {
    rt.Fail("Commit", vb::kFileAccess);
    {
        vb::Trap trap(rt, form.mdl, u"mnuPopR_Click");
        trap.Do([&] { Save(u"S0", u"a"); });
        trap.Do([&] { Save(u"SCMax", u"0"); });
    }
    EXPECT_THAT(rt.log, ElementsAre("SaveSetting Sentences S0 a", "Refresh",
                                    "SaveSetting Sentences SCMax 0", "Commit !75", kReportLine));
    EXPECT_THAT(rt.Reports(), ElementsAre("mnuPopR_Click"));
    EXPECT_THAT(ReportedNumbers(rt), ElementsAre(75));
    EXPECT_THAT(rt.disk, IsEmpty());  // nothing of the failed commit is left on disk
}

TEST_F(TrapCommitTest, FailureIsReportedByTheScopeTheWritesWereMadeIn) {
    rt.Fail("Commit", vb::kFileAccess, -1);
    {
        vb::Trap outer(rt, form.mdl, u"Outer");
        outer.Do([&] { Save(u"S0", u"a"); });
        vb::Trap inner(rt, form.mdl, u"Inner");  // closes first, with nothing of its own
    }
    {
        vb::Trap outer(rt, form.mdl, u"Outer");
        vb::Trap inner(rt, form.mdl, u"Inner");
        inner.Do([&] { Save(u"S1", u"b"); });
    }
    EXPECT_THAT(rt.Reports(), ElementsAre("Outer", "Inner"));
}

}  // namespace
