// Every runtime operation of every trapped procedure, made to fail in turn.
// A procedure is run once as it goes well; its log, annotated with the
// location that must report each line's failure, is the table. Then, for each
// line, it runs again with that operation failing: the failure is reported at
// once, once, under that location, and the procedure goes on with the next
// statement, so that the rest of the log is the good run's rest. The few
// failures that rightly change what follows say so in the table.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "editor/frmSet.h"
#include "fake/fake_runtime.h"
#include "test_util.h"
#include "tray/frmMenu.h"

namespace {

using Lines = std::vector<std::string>;

constexpr std::int32_t kInjected = vb::kOutOfMemory;

struct World {
    fake::FakeRuntime rt;
    frmMenu menu{rt};
    frmSet set{rt, menu.mdl, menu.txtMenu};

    // The tray program has started on a store of two sentences.
    void Started() {
        rt.Seed({{u"SCMax", u"1"}, {u"S0", u"a"}, {u"S1", u"b"}});
        rt.Load(menu);
        rt.NextEvent();
    }
    void EditorOpen() {
        Started();
        rt.Load(set);
        rt.NextEvent();
    }
    void Press(std::uint32_t message) {
        menu.Form_MouseMove(0, 0, static_cast<float>(message) * rt.twipsPerPixel, 0);
    }
};

// Lines of the good run, each with the location that reports its failure.
struct Span {
    const char* location;
    Lines lines;
};

// A failure that rightly changes what follows: the line after the report, or
// none (""), and how many reports the run shows in all.
struct Change {
    std::string location, line;
    std::string next;
    int reports = 1;
    bool ends = false;  // the program ends there
};

struct Case {
    const char* name;
    std::function<void(World&)> arrange, act;
    std::vector<Span> log;
    std::vector<Change> changes;
};

const char* const kLoad = "frmMenu_Load";
const char* const kMove = "frmMenu_MouseMove";
const char* const kSetNow = "frmMenu!SetNowCB";
const char* const kClear = "mdlOrbek!ClearSMenu";
const char* const kShow = "mdlOrbek!ShowSMenu";
const char* const kSetClick = "frmSet!cmdSet_Click";
const char* const kListClick = "frmSet!cmdSList_Click";
const char* const kSetLoad = "frmSet_Load";
const char* const kResize = "frmSet_Resize";

// The sentence menu built on `texts`; `first` when its count is the event's
// first read of the store.
Span Built(const std::vector<std::string>& texts, bool first) {
    Span span{kShow, {"GetSetting Sentences SCMax"}};
    if (first) span.lines.push_back("Refresh");
    span.lines.push_back("mnuSentence(0).Visible = True");
    for (std::size_t k = 0; k < texts.size(); ++k) {
        const std::string item = "mnuSentence(" + std::to_string(k + 1) + ")";
        span.lines.insert(span.lines.end(),
                          {"GetSetting Sentences S" + std::to_string(k), "Load " + item,
                           item + ".Caption = " + texts[k], item + ".Visible = True"});
    }
    return span;
}
std::vector<Change> BuiltChanges(std::size_t count, bool first) {
    std::vector<Change> changes{
        {kShow, "GetSetting Sentences SCMax", first ? "Refresh" : "mnuSentence(0).Visible = True"}};
    if (first) changes.push_back({kShow, "Refresh", "mnuSentence(0).Visible = True"});
    for (std::size_t k = 0; k < count; ++k) {
        const std::string load = "Load mnuSentence(" + std::to_string(k + 1) + ")";
        changes.push_back({kShow, "GetSetting Sentences S" + std::to_string(k), load});
        changes.push_back({kShow, load, kReportLine, 3});
    }
    return changes;
}

// The sentence menu of `items` sentences torn down.
Span TornDown(int items, bool first) {
    Span span{kClear, {"GetSetting Sentences SCMax"}};
    if (first) span.lines.push_back("Refresh");
    for (int k = items; k >= 1; --k)
        span.lines.push_back("Unload mnuSentence(" + std::to_string(k) + ")");
    span.lines.push_back("mnuSentence(0).Visible = False");
    return span;
}
// `rebuilt` when the menu is built again after: an item left makes its load fail.
std::vector<Change> TornDownChanges(int items, bool first, bool rebuilt) {
    std::vector<Change> changes;
    if (first)
        changes.push_back({kClear, "GetSetting Sentences SCMax",
                           "Unload mnuSentence(" + std::to_string(items) + ")"});
    for (int k = items; rebuilt && k >= 1; --k) {
        changes.push_back({kClear, "Unload mnuSentence(" + std::to_string(k) + ")",
                           k > 1 ? "Unload mnuSentence(" + std::to_string(k - 1) + ")"
                                 : "mnuSentence(0).Visible = False",
                           2});
    }
    return changes;
}

template <class T>
std::vector<T> Join(std::initializer_list<std::vector<T>> parts) {
    std::vector<T> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// The changes the table allows, by kind:
// - a failed read leaves its target as it was: an empty caption, entry or
//   sentence, a count of 0 (so one sentence), a message code of 0 (so
//   nothing opens), a form's old width in what is computed from it;
// - a failed condition goes on into its then-branch: a second copy ends, a
//   clipboard without text returns, a store that may have changed is read
//   again and the menu rebuilt;
// - an element that failed to load, unload or be added makes the statements
//   that use it fail too (340, 360, 381), each with a report of its own;
// - registration writes nothing when the count cannot be read and leaves the
//   count when the sentence was not written; the editor keeps what it loaded
//   when a list refuses an entry, as it does when the list is full;
// - the store is read afresh by the next statement that reads it.
std::vector<Case> Cases() {
    const auto started = [](World& w) { w.Started(); };
    const auto editor = [](World& w) { w.EditorOpen(); };
    const auto selected = [](std::int16_t i, std::function<void(World&)> more = nullptr) {
        return [i, more](World& w) {
            w.EditorOpen();
            w.set.lstSList.Selected(i);
            if (more) more(w);
        };
    };
    const auto command = [](std::int16_t i) { return [i](World& w) { w.set.cmdSList_Click(i); }; };
    return {
        {"load",
         [](World& w) {
             w.rt.Seed({{u"SCMax", u"1"}, {u"S0", u"a"}, {u"S1", u"b"}});
         },
         [](World& w) { w.rt.Load(w.menu); },
         {{kLoad, {"App.PrevInstance", "PictureHandle imgMenu", "Shell_NotifyIcon NIM_ADD"}},
          Built({"a", "b"}, true),
          {kLoad,
           {"frmMenu.Width = 1", "frmMenu.Height = 1", "frmMenu.Left = -1", "frmMenu.Show",
            "frmMenu.WindowState = 1", "frmMenu.Hide"}}},
         Join<Change>({{{kLoad, "App.PrevInstance", "End", 1, true}},
                       BuiltChanges(2, true),
                       {{kLoad, "frmMenu.Width = 1", "frmMenu.Height = 1"}}})},
        {"hover",
         started,
         [](World& w) { w.Press(WM_MOUSEMOVE); },
         {{kMove,
           {"Screen.TwipsPerPixelX", "PictureHandle imgMenu", "Shell_NotifyIcon NIM_MODIFY"}}},
         {{kMove, "Screen.TwipsPerPixelX", "", 1}}},
        {"left press",
         started,
         [](World& w) { w.Press(WM_LBUTTONDOWN); },
         {{kMove,
           {"Screen.TwipsPerPixelX", "Refresh", "SetForegroundWindow frmMenu", "DoEvents",
            "PopupMenu mnuLeft"}}},
         {{kMove, "Screen.TwipsPerPixelX", "", 1},
          {kMove, "Refresh", "GetSetting Sentences SCMax", 1}}},
        {"left press after an outside change",
         [](World& w) {
             w.Started();
             w.rt.disk[u"Sentences"][u"S2"] = u"c";
             w.rt.disk[u"Sentences"][u"SCMax"] = u"2";
         },
         [](World& w) { w.Press(WM_LBUTTONDOWN); },
         {{kMove, {"Screen.TwipsPerPixelX", "Refresh"}},
          TornDown(2, false),
          Built({"a", "b", "c"}, false),
          {kMove, {"SetForegroundWindow frmMenu", "DoEvents", "PopupMenu mnuLeft"}}},
         Join<Change>({{{kMove, "Screen.TwipsPerPixelX", ""},
                        {kMove, "Refresh", "GetSetting Sentences SCMax"}},
                       TornDownChanges(2, false, true),
                       BuiltChanges(3, false)})},
        {"right press",
         started,
         [](World& w) { w.Press(WM_RBUTTONDOWN); },
         {{kMove,
           {"Screen.TwipsPerPixelX", "SetForegroundWindow frmMenu", "DoEvents",
            "PopupMenu mnuRight"}}},
         {{kMove, "Screen.TwipsPerPixelX", "", 1}}},
        {"register",
         [](World& w) {
             w.Started();
             w.rt.clipboard = u"new";
         },
         [](World& w) { w.menu.SetNowCB(); },
         {{kSetNow, {"Clipboard.GetFormat 1", "GetSetting Sentences SCMax", "Refresh"}},
          TornDown(2, false),
          {kSetNow,
           {"Clipboard.GetText", "SaveSetting Sentences S2 new", "SaveSetting Sentences SCMax 2"}},
          Built({"a", "b", "new"}, false),
          {kSetNow, {"Commit"}}},
         Join<Change>({{{kSetNow, "Clipboard.GetFormat 1", ""},
                        {kSetNow, "GetSetting Sentences SCMax", ""},
                        {kSetNow, "Refresh", ""}},
                       TornDownChanges(2, false, true),
                       {{kSetNow, "Clipboard.GetText", "GetSetting Sentences SCMax"},
                        {kSetNow, "SaveSetting Sentences S2 new", "GetSetting Sentences SCMax"},
                        {kSetNow, "SaveSetting Sentences SCMax 2", "GetSetting Sentences SCMax"}},
                       BuiltChanges(3, false)})},
        {"menu torn down",
         started,
         [](World& w) { w.menu.mdl.ClearSMenu(); },
         {TornDown(2, true)},
         TornDownChanges(2, true, false)},
        {"menu built",
         [](World& w) {
             w.Started();
             w.menu.mdl.ClearSMenu();
             w.rt.NextEvent();
         },
         [](World& w) { w.menu.mdl.ShowSMenu(); },
         {Built({"a", "b"}, true)},
         BuiltChanges(2, true)},
        {"editor load",
         started,
         [](World& w) { w.rt.Load(w.set); },
         {{kSetLoad,
           {"GetSetting Sentences SCMax", "Refresh", "GetSetting Sentences S0",
            "lstFullS.AddItem 0 a", "lstSList.AddItem 0 a", "GetSetting Sentences S1",
            "lstFullS.AddItem 1 b", "lstSList.AddItem 1 b"}}},
         {{kSetLoad, "GetSetting Sentences SCMax", "GetSetting Sentences S0", 1},
          {kSetLoad, "Refresh", "GetSetting Sentences S0", 1},
          {kSetLoad, "GetSetting Sentences S0", "lstFullS.AddItem 0 ", 1},
          {kSetLoad, "lstFullS.AddItem 0 a", "", 1},
          {kSetLoad, "lstSList.AddItem 0 a", "GetSetting Sentences S1", 1},
          {kSetLoad, "GetSetting Sentences S1", "lstFullS.AddItem 1 ", 1},
          {kSetLoad, "lstFullS.AddItem 1 b", "", 1}}},
        {"OK",
         editor,
         [](World& w) { w.set.cmdSet_Click(0); },
         {TornDown(2, true),
          {kSetClick,
           {"SaveSetting Sentences SCMax 1", "SaveSetting Sentences S0 a",
            "SaveSetting Sentences S1 b"}},
          Built({"a", "b"}, false),
          {kSetClick, {"frmSet.WindowState = 1", "Unload frmSet", "Commit"}}},
         Join<Change>({TornDownChanges(2, true, true), BuiltChanges(2, false)})},
        {"Cancel",
         editor,
         [](World& w) { w.set.cmdSet_Click(1); },
         {{kSetClick, {"frmSet.WindowState = 1", "Unload frmSet"}}},
         {}},
        {"up",
         selected(1),
         command(0),
         {{kListClick,
           {"lstFullS.RemoveItem 1", "lstFullS.AddItem 0 b", "lstSList.RemoveItem 1",
            "lstSList.AddItem 0 b", "lstSList.ListIndex = 0", "txtPreview.Text = b"}}},
         {{kListClick, "lstFullS.AddItem 0 b", "lstSList.RemoveItem 1", 1},
          {kListClick, "lstSList.ListIndex = 0", "", 1}}},
        {"down",
         selected(0),
         command(1),
         {{kListClick,
           {"lstFullS.RemoveItem 0", "lstFullS.AddItem 1 a", "lstSList.RemoveItem 0",
            "lstSList.AddItem 1 a", "lstSList.ListIndex = 1", "txtPreview.Text = a"}}},
         {{kListClick, "lstFullS.AddItem 1 a", "lstSList.RemoveItem 0", 1},
          {kListClick, "lstSList.AddItem 1 a", kReportLine, 2},
          {kListClick, "lstSList.ListIndex = 1", "", 1}}},
        {"new",
         selected(0, [](World& w) { w.rt.typed = u"t"; }),
         command(2),
         {{kListClick,
           {"InputBox 登録する文章を教えてっ 登録 - Orbek", "lstFullS.AddItem 2 t",
            "lstSList.AddItem 2 t"}}},
         {{kListClick, "InputBox 登録する文章を教えてっ 登録 - Orbek", "lstFullS.AddItem 2 ", 1}}},
        {"from the clipboard",
         selected(0, [](World& w) { w.rt.clipboard = u"c\r\nd"; }),
         command(3),
         {{kListClick,
           {"Clipboard.GetFormat 1", "Clipboard.GetText", "lstFullS.AddItem 2 c\\r\\nd",
            "lstSList.AddItem 2 c"}}},
         {{kListClick, "Clipboard.GetFormat 1", "", 1},
          {kListClick, "Clipboard.GetText", "lstFullS.AddItem 2 ", 1}}},
        {"delete the last",
         selected(1),
         command(4),
         {{kListClick,
           {"lstFullS.RemoveItem 1", "lstSList.RemoveItem 1", "lstSList.ListIndex = 0",
            "txtPreview.Text = a"}}},
         {{kListClick, "lstSList.ListIndex = 0", "", 1}}},
        {"delete another",
         selected(0),
         command(4),
         {{kListClick,
           {"lstFullS.RemoveItem 0", "lstSList.RemoveItem 0", "lstSList.ListIndex = 0",
            "txtPreview.Text = b"}}},
         {{kListClick, "lstFullS.RemoveItem 0", "lstSList.RemoveItem 0", 1},
          {kListClick, "lstSList.ListIndex = 0", "", 1}}},
        {"resize",
         [](World& w) {
             w.EditorOpen();
             w.rt.Resized(w.set, 9000, 9000, 8904, 8652, vb::kMinimized);
         },
         [](World& w) { w.rt.Resized(w.set, 7708, 6000, 7612, 5652, vb::kNormal); },
         {{kResize,
           {"lstSList.Width = 5092", "cmdSList(0).Left = 5320", "cmdSList(1).Left = 5320",
            "cmdSList(2).Left = 5800", "cmdSList(3).Left = 5800", "cmdSList(4).Left = 5800",
            "cmdSet(0).Left = 6400", "cmdSet(1).Left = 6400", "txtPreview.Width = 7372",
            "txtPreview.Height = 2532"}}},
         {}},
        {"resize below the smallest size",
         [](World& w) {
             w.EditorOpen();
             w.rt.Resized(w.set, 9000, 9000, 8904, 8652, vb::kMinimized);
         },
         [](World& w) { w.rt.Resized(w.set, 5000, 4000, 4904, 3652, vb::kNormal); },
         {{kResize,
           {"frmSet.Width = 6708",     "lstSList.Width = 4092",   "cmdSList(0).Left = 4320",
            "cmdSList(1).Left = 4320", "cmdSList(2).Left = 4800", "cmdSList(3).Left = 4800",
            "cmdSList(4).Left = 4800", "cmdSet(0).Left = 5400",   "cmdSet(1).Left = 5400",
            "txtPreview.Width = 6372", "frmSet.Height = 5400",    "lstSList.Width = 4092",
            "cmdSList(0).Left = 4320", "cmdSList(1).Left = 4320", "cmdSList(2).Left = 4800",
            "cmdSList(3).Left = 4800", "cmdSList(4).Left = 4800", "cmdSet(0).Left = 5400",
            "cmdSet(1).Left = 5400",   "txtPreview.Width = 6372", "txtPreview.Height = 1932",
            "txtPreview.Height = 1932"}}},
         {{kResize, "frmSet.Width = 6708", "frmSet.Height = 5400", 1},
          {kResize, "frmSet.Height = 5400", "frmSet.Height = 5400", 1}}},
    };
}

// The good run's lines and the location of each.
std::vector<std::pair<std::string, std::string>> Annotated(const Case& c) {
    std::vector<std::pair<std::string, std::string>> lines;
    for (const auto& span : c.log) {
        for (const auto& line : span.lines) lines.emplace_back(line, span.location);
    }
    return lines;
}

struct Outcome {
    Lines log;
    std::vector<std::string> reports;  // their locations
    std::vector<int> numbers;
    bool ended = false;    // End ran
    bool escaped = false;  // an error left the procedure: nothing trapped it
};

// The case run on a fresh world, with the operation at `failing` failing.
Outcome RunCase(const Case& c, std::optional<std::size_t> failing) {
    World w;
    c.arrange(w);
    w.rt.log.clear();
    w.rt.prompts.clear();
    if (failing) w.rt.FailAt(*failing, kInjected);
    Outcome out;
    try {
        c.act(w);
    } catch (const fake::Ended&) {
        out.ended = true;
    } catch (...) {
        out.escaped = true;
    }
    out.log = w.rt.log;
    out.reports = w.rt.Reports();
    out.numbers = ReportedNumbers(w.rt);
    return out;
}

TEST(FaultInjection, EveryFailingOperationIsReportedWhereItHappenedAndTheRestRuns) {
    for (const auto& c : Cases()) {
        SCOPED_TRACE(c.name);
        const auto table = Annotated(c);
        const Outcome clean = RunCase(c, std::nullopt);
        const Lines& good = clean.log;
        Lines expected;
        for (const auto& [line, location] : table) expected.push_back(line);
        EXPECT_EQ(good, expected);
        EXPECT_FALSE(clean.escaped || clean.ended);
        EXPECT_THAT(clean.reports, ::testing::IsEmpty());
        if (good != expected) continue;
        std::size_t changesMet = 0;

        for (std::size_t i = 0; i < good.size(); ++i) {
            const std::string& line = good[i];
            if (line.rfind("Shell_NotifyIcon", 0) == 0) continue;  // returns a flag, never fails
            SCOPED_TRACE("failing: " + line);
            const Outcome out = RunCase(c, i);
            const Lines& log = out.log;
            const auto& reports = out.reports;
            EXPECT_FALSE(out.escaped);
            const Lines before(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(i));
            ASSERT_GE(log.size(), i + 2);
            EXPECT_EQ(Lines(log.begin(), log.begin() + static_cast<std::ptrdiff_t>(i)), before);
            EXPECT_EQ(log[i], line + " !" + std::to_string(kInjected));
            EXPECT_EQ(log[i + 1], kReportLine);
            ASSERT_FALSE(reports.empty());
            EXPECT_EQ(reports[0], table[i].second);
            EXPECT_EQ(out.numbers[0], kInjected);
            const Lines rest(log.begin() + static_cast<std::ptrdiff_t>(i) + 2, log.end());
            const Lines goodRest(good.begin() + static_cast<std::ptrdiff_t>(i) + 1, good.end());
            const auto change =
                std::find_if(c.changes.begin(), c.changes.end(), [&](const Change& ch) {
                    return ch.line == line && ch.location == table[i].second;
                });
            if (change == c.changes.end()) {
                EXPECT_EQ(rest, goodRest);
                EXPECT_EQ(reports.size(), 1u);
                EXPECT_FALSE(out.ended);
            } else {
                ++changesMet;
                EXPECT_EQ(rest.empty() ? "" : rest[0], change->next);
                EXPECT_EQ(static_cast<int>(reports.size()), change->reports);
                EXPECT_EQ(out.ended, change->ends);
            }
        }
        EXPECT_EQ(changesMet, c.changes.size()) << "a change that no line meets";
    }
}

}  // namespace
