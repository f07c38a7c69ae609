// Every runtime operation of every procedure, made to fail in turn, reads of
// properties included. A procedure is run once as it goes well; its log,
// annotated with the location that must report each line's failure, is the
// table. Then, for each line, it runs again with that operation failing, and
// the whole log is compared: the failure is reported at once under that
// location, and the procedure goes on with the next statement, so that the
// rest of the log is the good run's rest. The failures that rightly change
// what follows say how, as edits of that rest. An operation that reports
// failure by its result (the icon's) goes unnoticed; a failure in a procedure
// without a trap ends it with the runtime's notice.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
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
// The error report: the minor version is read, then the box shows.
const Lines kReport = {"App.Minor", kReportLine};
// The runtime's notice of an error no trap caught.
const std::string kUntrapped = "MsgBox 0x1040 Orbek";

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

// Lines of the good run, each with the location that reports its failure;
// none for a procedure without a trap.
struct Span {
    const char* location;
    Lines lines;
};

// An edit of the good run's rest after a failure. Each one applies from
// where the one before it matched.
struct Edit {
    enum Kind { kDrop, kAs, kFails, kInsert, kThen } kind;
    std::string line;
    Lines lines;
};
// The statement that logs `line` does not run: it used what the failure left.
Edit Drop(std::string line) { return {Edit::kDrop, std::move(line), {}}; }
// It runs with another value.
Edit As(std::string line, std::string as) { return {Edit::kAs, std::move(line), {std::move(as)}}; }
// It fails before it reaches the runtime, and is reported in its place.
Edit Fails(std::string line) { return {Edit::kFails, std::move(line), kReport}; }
// `lines` run before it.
Edit Insert(std::string before, Lines lines) {
    return {Edit::kInsert, std::move(before), std::move(lines)};
}
// What follows is `lines` alone; nothing for a procedure that stops.
Edit Then(Lines lines = {}) { return {Edit::kThen, "", std::move(lines)}; }

// A failure that changes what follows the report of the failing line.
struct Change {
    std::string location, line;
    std::vector<Edit> edits;
};

struct Case {
    const char* name;
    std::function<void(World&)> arrange, act;
    std::vector<Span> log;
    std::vector<Change> changes;
    bool ends = false;  // the program ends there, in the good run too
    // Logs reads too. Off for a case whose reads another case runs already.
    bool reads = true;
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
const char* const kNoTrap = nullptr;

template <class T>
std::vector<T> Join(std::initializer_list<std::vector<T>> parts) {
    std::vector<T> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

Lines From(const Lines& lines, std::size_t first) {
    return Lines(lines.begin() + static_cast<std::ptrdiff_t>(first), lines.end());
}

std::string Element(int k) { return "mnuSentence(" + std::to_string(k) + ")"; }

// Sentence item k of the menu, built from `text`.
Lines Item(int k, const std::string& text) {
    return {"GetSetting Sentences S" + std::to_string(k - 1), "Load " + Element(k),
            Element(k) + ".Caption = " + text, Element(k) + ".Visible = True"};
}

// The sentence menu built on `texts`; `first` when its count is the event's
// first read of the store.
Span Built(const std::vector<std::string>& texts, bool first) {
    Span span{kShow, {"GetSetting Sentences SCMax"}};
    if (first) span.lines.push_back("Refresh");
    span.lines.push_back("mnuSentence(0).Visible = True");
    for (std::size_t k = 0; k < texts.size(); ++k) {
        const auto item = Item(static_cast<int>(k) + 1, texts[k]);
        span.lines.insert(span.lines.end(), item.begin(), item.end());
    }
    return span;
}

// The sentence menu of `items` sentences torn down.
Span TornDown(int items, bool first) {
    Span span{kClear, {"GetSetting Sentences SCMax"}};
    if (first) span.lines.push_back("Refresh");
    for (int k = items; k >= 1; --k) span.lines.push_back("Unload " + Element(k));
    span.lines.push_back("mnuSentence(0).Visible = False");
    return span;
}

// Item k is not built: the count was read as less.
std::vector<Edit> Unbuilt(int k, const std::string& text) {
    std::vector<Edit> edits;
    for (const auto& line : Item(k, text)) edits.push_back(Drop(line));
    return edits;
}

// What failures do to the build of `texts` (by ShowSMenu): a count read as 0
// builds item 1 alone; a sentence read as the empty text gives an empty
// caption; an element that failed to load cannot be captioned or shown.
// `refresh`: the count is the event's first read, and a store that cannot
// be read leaves what the view held before (`kept`: its first sentence).
std::vector<Change> BuiltChanges(const std::vector<std::string>& texts, bool refresh,
                                 const std::string& kept = "") {
    std::vector<Edit> onlyFirst;
    for (std::size_t k = 1; k < texts.size(); ++k) {
        const auto drop = Unbuilt(static_cast<int>(k) + 1, texts[k]);
        onlyFirst.insert(onlyFirst.end(), drop.begin(), drop.end());
    }
    std::vector<Change> changes{{kShow, "GetSetting Sentences SCMax", onlyFirst}};
    if (refresh) {
        auto edits = onlyFirst;
        if (kept != texts[0]) {
            edits.insert(edits.begin(), As(Element(1) + ".Caption = " + texts[0],
                                           Element(1) + ".Caption = " + kept));
        }
        changes.push_back({kShow, "Refresh", edits});
    }
    for (std::size_t k = 0; k < texts.size(); ++k) {
        const int e = static_cast<int>(k) + 1;
        const std::string caption = Element(e) + ".Caption = ";
        changes.push_back({kShow,
                           "GetSetting Sentences S" + std::to_string(k),
                           {As(caption + texts[k], caption)}});
        changes.push_back({kShow,
                           "Load " + Element(e),
                           {Fails(caption + texts[k]), Fails(Element(e) + ".Visible = True")}});
    }
    return changes;
}

// An element that a tear-down failed to unload is still there to be built
// again: its load fails, and the rest of the build goes on with it.
std::vector<Change> LeftLoaded(int items) {
    std::vector<Change> changes;
    for (int k = items; k >= 1; --k) {
        changes.push_back({kClear, "Unload " + Element(k), {Fails("Load " + Element(k))}});
    }
    return changes;
}

// The editor's resize: the columns that follow the list's width `list`,
// each read back from the one before it.
Lines Columns(int list) {
    const std::string c1 = std::to_string(list + 228), c2 = std::to_string(list + 708),
                      c3 = std::to_string(list + 1308);
    return {"lstSList.Width",           "cmdSList(0).Left = " + c1, "cmdSList(0).Left",
            "cmdSList(1).Left = " + c1, "cmdSList(0).Left",         "cmdSList(2).Left = " + c2,
            "cmdSList(2).Left",         "cmdSList(3).Left = " + c2, "cmdSList(2).Left",
            "cmdSList(4).Left = " + c2, "cmdSList(2).Left",         "cmdSet(0).Left = " + c3,
            "cmdSet(0).Left",           "cmdSet(1).Left = " + c3};
}
// The layout across a client width `w`, and down a client height `h`.
Lines Preview(int w) {
    return {"frmSet.ScaleWidth", "txtPreview.Width = " + std::to_string(w - 240)};
}
Lines Across(int w) {
    return Join<std::string>({{"frmSet.ScaleWidth", "lstSList.Width = " + std::to_string(w - 2520)},
                              Columns(w - 2520),
                              Preview(w)});
}
// The lines of `lines` that assign.
Lines Assignments(const Lines& lines) {
    Lines sets;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(sets),
                 [](const std::string& line) { return line.find(" = ") != std::string::npos; });
    return sets;
}
Lines Down(int h) {
    return {"frmSet.Height", "frmSet.ScaleHeight",
            "txtPreview.Height = " + std::to_string(h - 3120)};
}

// The changes the table allows, by kind:
// - a failed read leaves its target as it was: an empty caption, entry or
//   sentence, a count of 0 (so one sentence), a message code of 0 (so
//   nothing opens), a selection index of 0, a form's or control's old size
//   or place in what is computed from it; a statement whose read failed
//   does not complete;
// - a failed condition goes on into its then-branch: a second copy ends, a
//   clipboard without text returns, a command stops, a deletion takes its
//   entry as the last, a form too small is given its smallest size, a store
//   that may have changed is read again and the menu rebuilt;
// - an element that failed to load, unload or be added makes the statements
//   that use it fail too (340, 360, 380), each with a report of its own;
// - registration writes nothing when the count cannot be read and leaves the
//   count when the sentence was not written; the editor keeps what it loaded
//   when a list refuses an entry, as it does when the list is full;
// - the store is read afresh by the next statement that reads it; one that
//   cannot be read is reported once an event and shows what it held before.
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
    const Lines hidden = {"frmMenu.Width = 1", "frmMenu.Height = 1", "frmMenu.Width",
                          "frmMenu.Left = -1", "frmMenu.Show",       "frmMenu.WindowState = 1",
                          "frmMenu.Hide"};
    const Lines popup = {"SetForegroundWindow frmMenu", "DoEvents", "PopupMenu mnuLeft"};
    const Lines rebuilt =
        Join<std::string>({TornDown(2, false).lines, Built({"a", "b"}, false).lines});
    const Lines preview = {"lstSList.ListIndex", "lstFullS.List(0)"};
    const auto across = [](int list) {
        return Join<std::string>({From(Columns(list), 2), Preview(7612), Down(5652)});
    };
    return {
        {"load",
         [](World& w) {
             w.rt.Seed({{u"SCMax", u"1"}, {u"S0", u"a"}, {u"S1", u"b"}});
         },
         [](World& w) { w.rt.Load(w.menu); },
         {{kLoad, {"App.PrevInstance", "PictureHandle imgMenu", "Shell_NotifyIcon NIM_ADD"}},
          Built({"a", "b"}, true),
          {kLoad, hidden}},
         Join<Change>(
             {{{kLoad, "App.PrevInstance", {Then({"End"})}}},
              BuiltChanges({"a", "b"}, true),
              {{kLoad, "frmMenu.Width = 1", {As("frmMenu.Left = -1", "frmMenu.Left = -0")}},
               {kLoad, "frmMenu.Width", {Drop("frmMenu.Left = -1")}}}})},
        {"hover",
         started,
         [](World& w) { w.Press(WM_MOUSEMOVE); },
         {{kMove,
           {"Screen.TwipsPerPixelX", "PictureHandle imgMenu", "Shell_NotifyIcon NIM_MODIFY"}}},
         {{kMove, "Screen.TwipsPerPixelX", {Then()}}}},
        {"left press",
         started,
         [](World& w) { w.Press(WM_LBUTTONDOWN); },
         {{kMove, Join<std::string>({{"Screen.TwipsPerPixelX", "Refresh"}, popup})}},
         {{kMove, "Screen.TwipsPerPixelX", {Then()}},
          {kMove, "Refresh", {Insert("SetForegroundWindow frmMenu", rebuilt)}}}},
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
          {kMove, popup}},
         Join<Change>(
             {{{kMove, "Screen.TwipsPerPixelX", {Then()}}, {kMove, "Refresh", Unbuilt(3, "c")}},
              LeftLoaded(2),
              BuiltChanges({"a", "b", "c"}, false)})},
        {"right press",
         started,
         [](World& w) { w.Press(WM_RBUTTONDOWN); },
         {{kMove,
           {"Screen.TwipsPerPixelX", "SetForegroundWindow frmMenu", "DoEvents",
            "PopupMenu mnuRight"}}},
         {{kMove, "Screen.TwipsPerPixelX", {Then()}}}},
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
         Join<Change>({{{kSetNow, "Clipboard.GetFormat 1", {Then()}},
                        {kSetNow, "GetSetting Sentences SCMax", {Then()}},
                        {kSetNow, "Refresh", {Then()}}},
                       LeftLoaded(2),
                       {{kSetNow, "Clipboard.GetText",
                         Join<Edit>({{Drop("SaveSetting Sentences S2 new"),
                                      Drop("SaveSetting Sentences SCMax 2")},
                                     Unbuilt(3, "new"),
                                     {Drop("Commit")}})},
                        {kSetNow, "SaveSetting Sentences S2 new",
                         Join<Edit>({{Drop("SaveSetting Sentences SCMax 2")},
                                     Unbuilt(3, "new"),
                                     {Drop("Commit")}})},
                        {kSetNow, "SaveSetting Sentences SCMax 2", Unbuilt(3, "new")}},
                       BuiltChanges({"a", "b", "new"}, false)})},
        {"menu torn down",
         started,
         [](World& w) { w.menu.mdl.ClearSMenu(); },
         {TornDown(2, true)},
         {{kClear, "GetSetting Sentences SCMax", {Drop("Refresh")}}}},
        {"menu built",
         [](World& w) {
             w.Started();
             w.menu.mdl.ClearSMenu();
             w.rt.NextEvent();
         },
         [](World& w) { w.menu.mdl.ShowSMenu(); },
         {Built({"a", "b"}, true)},
         BuiltChanges({"a", "b"}, true, "a")},
        {"editor load",
         started,
         [](World& w) { w.rt.Load(w.set); },
         {{kSetLoad,
           {"GetSetting Sentences SCMax", "Refresh", "GetSetting Sentences S0",
            "lstFullS.AddItem 0 a", "lstSList.AddItem 0 a", "GetSetting Sentences S1",
            "lstFullS.AddItem 1 b", "lstSList.AddItem 1 b"}}},
         {{kSetLoad,
           "GetSetting Sentences SCMax",
           {Then({"GetSetting Sentences S0", "Refresh", "lstFullS.AddItem 0 a",
                  "lstSList.AddItem 0 a"})}},
          {kSetLoad,
           "Refresh",
           {Drop("GetSetting Sentences S1"), Drop("lstFullS.AddItem 1 b"),
            Drop("lstSList.AddItem 1 b")}},
          {kSetLoad,
           "GetSetting Sentences S0",
           {As("lstFullS.AddItem 0 a", "lstFullS.AddItem 0 "),
            As("lstSList.AddItem 0 a", "lstSList.AddItem 0 ")}},
          {kSetLoad, "lstFullS.AddItem 0 a", {Then()}},
          {kSetLoad, "lstSList.AddItem 0 a", {As("lstSList.AddItem 1 b", "lstSList.AddItem 0 b")}},
          {kSetLoad,
           "GetSetting Sentences S1",
           {As("lstFullS.AddItem 1 b", "lstFullS.AddItem 1 "),
            As("lstSList.AddItem 1 b", "lstSList.AddItem 1 ")}},
          {kSetLoad, "lstFullS.AddItem 1 b", {Then()}}}},
        {"OK",
         editor,
         [](World& w) { w.set.cmdSet_Click(0); },
         {TornDown(2, true),
          {kSetClick,
           {"lstFullS.ListCount", "SaveSetting Sentences SCMax 1", "lstFullS.List(0)",
            "SaveSetting Sentences S0 a", "lstFullS.List(1)", "SaveSetting Sentences S1 b"}},
          Built({"a", "b"}, false),
          {kSetClick, {"frmSet.WindowState = 1"}},
          {kResize, {"frmSet.WindowState"}},
          {kSetClick, {"Unload frmSet", "Commit"}}},
         Join<Change>(
             {{{kClear,
                "GetSetting Sentences SCMax",
                {Drop("Refresh"), Insert("lstFullS.List(0)", {"Refresh"})}}},
              LeftLoaded(2),
              {{kSetClick, "lstFullS.ListCount",
                Join<Edit>({{As("SaveSetting Sentences SCMax 1", "SaveSetting Sentences SCMax 0"),
                             Drop("lstFullS.List(1)"), Drop("SaveSetting Sentences S1 b")},
                            Unbuilt(2, "b")})},
               {kSetClick, "lstFullS.List(0)", {Drop("SaveSetting Sentences S0 a")}},
               {kSetClick, "lstFullS.List(1)", {Drop("SaveSetting Sentences S1 b")}}},
              BuiltChanges({"a", "b"}, false),
              {{kSetClick, "frmSet.WindowState = 1", {Drop("frmSet.WindowState")}}}})},
        {"Cancel",
         editor,
         [](World& w) { w.set.cmdSet_Click(1); },
         {{kSetClick, {"frmSet.WindowState = 1"}},
          {kResize, {"frmSet.WindowState"}},
          {kSetClick, {"Unload frmSet"}}},
         {{kSetClick, "frmSet.WindowState = 1", {Drop("frmSet.WindowState")}}}},
        {"up",
         selected(1),
         command(0),
         {{kListClick,
           {"lstSList.ListIndex", "lstSList.ListIndex", "lstFullS.List(1)", "lstFullS.RemoveItem 1",
            "lstFullS.AddItem 0 b", "lstSList.List(1)", "lstSList.RemoveItem 1",
            "lstSList.AddItem 0 b", "lstSList.ListIndex = 0", "lstSList.ListIndex",
            "lstFullS.List(0)", "txtPreview.Text = b"}}},
         {{kListClick, "lstSList.ListIndex", {Then()}},  // the selection test: nothing selected
          {kListClick, "lstSList.ListIndex", {Then()}},  // the index: 0, the first entry
          {kListClick,
           "lstFullS.List(1)",
           {As("lstFullS.AddItem 0 b", "lstFullS.AddItem 0 "),
            As("txtPreview.Text = b", "txtPreview.Text = ")}},
          {kListClick, "lstFullS.AddItem 0 b", {As("txtPreview.Text = b", "txtPreview.Text = a")}},
          {kListClick, "lstSList.List(1)", {As("lstSList.AddItem 0 b", "lstSList.AddItem 0 ")}},
          {kListClick, "lstSList.ListIndex = 0", {Then()}},
          // The preview of the new selection fails inside the assignment.
          {kListClick, "lstSList.ListIndex", {Then()}},
          {kListClick, "lstFullS.List(0)", {Then()}}}},
        {"down",
         selected(0),
         command(1),
         {{kListClick,
           {"lstSList.ListIndex", "lstSList.ListIndex", "lstSList.ListCount", "lstFullS.List(0)",
            "lstFullS.RemoveItem 0", "lstFullS.AddItem 1 a", "lstSList.List(0)",
            "lstSList.RemoveItem 0", "lstSList.AddItem 1 a", "lstSList.ListIndex = 1",
            "lstSList.ListIndex", "lstFullS.List(1)", "txtPreview.Text = a"}}},
         {{kListClick, "lstSList.ListIndex", {Then()}},
          {kListClick, "lstSList.ListIndex", {}},  // the index: 0, as selected
          {kListClick, "lstSList.ListCount", {Then()}},
          {kListClick,
           "lstFullS.List(0)",
           {As("lstFullS.AddItem 1 a", "lstFullS.AddItem 1 "),
            As("txtPreview.Text = a", "txtPreview.Text = ")}},
          {kListClick, "lstFullS.AddItem 1 a", {As("txtPreview.Text = a", "txtPreview.Text = ")}},
          {kListClick, "lstSList.List(0)", {As("lstSList.AddItem 1 a", "lstSList.AddItem 1 ")}},
          {kListClick, "lstSList.AddItem 1 a", {Then(kReport)}},
          {kListClick, "lstSList.ListIndex = 1", {Then()}},
          {kListClick, "lstSList.ListIndex", {Then()}},
          {kListClick, "lstFullS.List(1)", {Then()}}}},
        {"new",
         selected(0, [](World& w) { w.rt.typed = u"t"; }),
         command(2),
         {{kListClick,
           {"InputBox 登録する文章を教えてっ 登録 - Orbek", "lstFullS.AddItem 2 t",
            "lstSList.AddItem 2 t"}}},
         {{kListClick,
           "InputBox 登録する文章を教えてっ 登録 - Orbek",
           {As("lstFullS.AddItem 2 t", "lstFullS.AddItem 2 "),
            As("lstSList.AddItem 2 t", "lstSList.AddItem 2 ")}}}},
        {"from the clipboard",
         selected(0, [](World& w) { w.rt.clipboard = u"c\r\nd"; }),
         command(3),
         {{kListClick,
           {"Clipboard.GetFormat 1", "Clipboard.GetText", "lstFullS.ListCount",
            "lstFullS.AddItem 2 c\\r\\nd", "lstSList.AddItem 2 c"}}},
         {{kListClick, "Clipboard.GetFormat 1", {Then()}},
          {kListClick,
           "Clipboard.GetText",
           {As("lstFullS.AddItem 2 c\\r\\nd", "lstFullS.AddItem 2 "),
            As("lstSList.AddItem 2 c", "lstSList.AddItem 2 ")}},
          {kListClick, "lstFullS.ListCount", {Drop("lstFullS.AddItem 2 c\\r\\nd")}}}},
        {"delete the last",
         selected(1),
         command(4),
         {{kListClick, Join<std::string>({{"lstSList.ListIndex", "lstSList.ListIndex",
                                           "lstFullS.RemoveItem 1", "lstSList.ListCount",
                                           "lstSList.RemoveItem 1", "lstSList.ListIndex = 0"},
                                          preview,
                                          {"txtPreview.Text = a"}})}},
         {{kListClick, "lstSList.ListIndex", {Then()}},
          {kListClick,
           "lstSList.ListIndex",
           {As("lstFullS.RemoveItem 1", "lstFullS.RemoveItem 0"),
            As("lstSList.RemoveItem 1", "lstSList.RemoveItem 0"),
            As("txtPreview.Text = a", "txtPreview.Text = b")}},
          {kListClick, "lstSList.ListIndex = 0", {Then()}},
          {kListClick, "lstSList.ListIndex", {Then()}},
          {kListClick, "lstFullS.List(0)", {Then()}}}},
        {"delete another",
         selected(0),
         command(4),
         {{kListClick, Join<std::string>({{"lstSList.ListIndex", "lstSList.ListIndex",
                                           "lstFullS.RemoveItem 0", "lstSList.ListCount",
                                           "lstSList.RemoveItem 0", "lstSList.ListIndex = 0"},
                                          preview,
                                          {"txtPreview.Text = b"}})}},
         {{kListClick, "lstSList.ListIndex", {Then()}},
          {kListClick, "lstSList.ListIndex", {}},  // the index: 0, as selected
          {kListClick, "lstFullS.RemoveItem 0", {As("txtPreview.Text = b", "txtPreview.Text = a")}},
          // The last-entry test fails: taken as the last, the one before is selected.
          {kListClick,
           "lstSList.ListCount",
           {As("lstSList.ListIndex = 0", "lstSList.ListIndex = -1"),
            As("lstFullS.List(0)", "lstFullS.List(-1)"),
            As("txtPreview.Text = b", "txtPreview.Text = ")}},
          {kListClick, "lstSList.ListIndex = 0", {Then()}},
          {kListClick, "lstSList.ListIndex", {Then()}},
          {kListClick, "lstFullS.List(0)", {Then()}}}},
        {"resize",
         [](World& w) {
             w.EditorOpen();
             w.rt.Resized(w.set, 9000, 9000, 8904, 8652, vb::kMinimized);
         },
         [](World& w) { w.rt.Resized(w.set, 7708, 6000, 7612, 5652, vb::kNormal); },
         {{kResize,
           Join<std::string>({{"frmSet.WindowState", "frmSet.Width"}, Across(7612), Down(5652)})}},
         {// The minimized test fails: the handler ends.
          {kResize, "frmSet.WindowState", {Then()}},
          // The width test fails: the smallest width is assigned, and laid out nested.
          {kResize,
           "frmSet.Width",
           {Then(Join<std::string>({{"frmSet.Width = 6708", "frmSet.WindowState", "frmSet.Width"},
                                    Across(6612),
                                    Down(5652),
                                    Down(5652)}))}},
          // The list keeps its width, and the columns follow it.
          {kResize,
           "frmSet.ScaleWidth",
           {Then(Join<std::string>({Columns(4092), Preview(7612), Down(5652)}))}},
          {kResize, "lstSList.Width", {Then(across(4092))}},
          {kResize, "cmdSList(0).Left", {Drop("cmdSList(1).Left = 5320")}},
          {kResize,
           "cmdSList(0).Left",
           {Then(Join<std::string>({From(Columns(4092), 6), Preview(7612), Down(5652)}))}},
          {kResize, "cmdSList(2).Left", {Drop("cmdSList(3).Left = 5800")}},
          {kResize, "cmdSList(2).Left", {Drop("cmdSList(4).Left = 5800")}},
          {kResize,
           "cmdSList(2).Left",
           {Then(Join<std::string>({From(Columns(4092), 12), Preview(7612), Down(5652)}))}},
          {kResize, "cmdSet(0).Left", {Drop("cmdSet(1).Left = 6400")}},
          {kResize, "frmSet.ScaleWidth", {Drop("txtPreview.Width = 7372")}},
          // The height test fails: the smallest height is assigned, and laid out nested.
          {kResize,
           "frmSet.Height",
           {Then(Join<std::string>({{"frmSet.Height = 5400", "frmSet.WindowState", "frmSet.Width"},
                                    Across(7612),
                                    Down(5052)}))}},
          {kResize, "frmSet.ScaleHeight", {Drop("txtPreview.Height = 2532")}}}},
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
         // The outer run's width stays: its height test restores the height,
         // and the width with it, nested.
         {{kResize,
           "frmSet.Width = 6708",
           {Then(Join<std::string>({{"frmSet.Height = 5400", "frmSet.Width = 6708"},
                                    Assignments(Across(6612)),
                                    {"txtPreview.Height = 1932", "txtPreview.Height = 1932"}}))}},
          // The nested run's height stays: the outer run's test restores it.
          {kResize,
           "frmSet.Height = 5400",
           {Then(Join<std::string>({{"frmSet.Height = 5400"},
                                    Assignments(Across(6612)),
                                    {"txtPreview.Height = 1932"}}))}}},
         false,
         false},
        {"sentence chosen",
         started,
         [](World& w) { w.rt.Choose(w.menu.mnuSentence(1)); },
         {{kNoTrap,
           {"GetSetting Sentences S0", "Refresh", "txtMenu.Text = a", "txtMenu.SelStart = 0",
            "txtMenu.Text", "txtMenu.SelLength = 1", "SendMessage 0x301", "Clipboard.SetText a"}}},
         {}},
        {"version box",
         started,
         [](World& w) { w.rt.Choose(w.menu.mnuPopR(3)); },
         {{kNoTrap, {"App.Minor", "MsgBox 0x1040 Orbek のバージョン情報"}}},
         {}},
        {"exit",
         started,
         [](World& w) { w.rt.Unload(w.menu); },
         {{kNoTrap, {"Shell_NotifyIcon NIM_DELETE", "End"}}},
         {},
         true},
        {"list selection",
         editor,
         [](World& w) { w.set.lstSList.Selected(1); },
         {{kNoTrap, {"lstSList.ListIndex", "lstFullS.List(1)", "txtPreview.Text = b"}}},
         {}},
        {"double click",
         selected(1),
         [](World& w) { w.rt.Dispatch(w.set.lstSList.DblClick); },
         {{kNoTrap,
           {"lstSList.ListIndex", "lstSList.ListIndex", "lstFullS.List(1)", "txtMenu.Text = b",
            "txtMenu.SelStart = 0", "txtMenu.Text", "txtMenu.SelLength = 1", "SendMessage 0x301",
            "Clipboard.SetText b"}}},
         {}},
    };
}

struct Line {
    std::string text;
    const char* location;
    std::size_t spanEnd;  // where the lines of its span end
};

// The good run's lines, each with the location of its span.
std::vector<Line> Annotated(const Case& c) {
    std::vector<Line> lines;
    for (const auto& span : c.log) {
        const std::size_t end = lines.size() + span.lines.size();
        for (const auto& line : span.lines) lines.push_back({line, span.location, end});
    }
    return lines;
}

Lines Apply(Lines rest, const std::vector<Edit>& edits) {
    std::size_t at = 0;
    for (const auto& edit : edits) {
        if (edit.kind == Edit::kThen) {
            rest.resize(at);
            rest.insert(rest.end(), edit.lines.begin(), edit.lines.end());
            at = rest.size();
            continue;
        }
        const auto found =
            std::find(rest.begin() + static_cast<std::ptrdiff_t>(at), rest.end(), edit.line);
        if (found == rest.end()) {
            ADD_FAILURE() << "an edit names a line the rest does not hold: " << edit.line;
            return rest;
        }
        auto pos = found - rest.begin();
        switch (edit.kind) {
            case Edit::kDrop:
                rest.erase(found);
                break;
            case Edit::kAs:
            case Edit::kFails:
                rest.erase(found);
                rest.insert(rest.begin() + pos, edit.lines.begin(), edit.lines.end());
                pos += static_cast<std::ptrdiff_t>(edit.lines.size());
                break;
            case Edit::kInsert:
                rest.insert(found, edit.lines.begin(), edit.lines.end());
                pos += static_cast<std::ptrdiff_t>(edit.lines.size()) + 1;
                break;
            case Edit::kThen:
                break;
        }
        at = static_cast<std::size_t>(pos);
    }
    return rest;
}

struct Outcome {
    Lines log;
    std::vector<std::string> reports;  // their locations
    std::vector<int> numbers;
    std::vector<std::u16string> prompts;
    bool ended = false;    // End ran
    bool escaped = false;  // an error left the procedure: nothing trapped it
};

// The case run on a fresh world, with the operation at `failing` failing.
Outcome RunCase(const Case& c, std::optional<std::size_t> failing) {
    World w;
    c.arrange(w);
    w.rt.log.clear();
    w.rt.prompts.clear();
    w.rt.logReads = c.reads;
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
    out.prompts = w.rt.prompts;
    return out;
}

TEST(FaultInjection, EveryFailingOperationIsReportedWhereItHappenedAndTheRestRuns) {
    for (const auto& c : Cases()) {
        SCOPED_TRACE(c.name);
        const auto table = Annotated(c);
        const Outcome clean = RunCase(c, std::nullopt);
        const Lines& good = clean.log;
        Lines expected;
        for (const auto& line : table) expected.push_back(line.text);
        EXPECT_EQ(good, expected);
        EXPECT_FALSE(clean.escaped);
        EXPECT_EQ(clean.ended, c.ends);
        EXPECT_THAT(clean.reports, ::testing::IsEmpty());
        if (good != expected) continue;
        std::vector<bool> changesMet(c.changes.size());

        for (std::size_t i = 0; i < good.size(); ++i) {
            const Line& line = table[i];
            if (line.text == "End") continue;  // ends the program: nothing can follow
            SCOPED_TRACE("failing line " + std::to_string(i) + ": " + line.text);
            const Outcome out = RunCase(c, i);
            EXPECT_FALSE(out.escaped);
            const Lines before(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(i));
            const Lines goodRest = From(good, i + 1);
            std::string failed = line.text + " !" + std::to_string(kInjected);
            Lines rest;
            if (line.text.rfind("Shell_NotifyIcon", 0) == 0) {
                // The shell's refusal is a result, never looked at.
                failed = line.text + " !refused";
                rest = goodRest;
            } else if (line.location == kNoTrap) {
                // The handler ends; the runtime says why.
                rest = Join<std::string>({{kUntrapped}, From(good, line.spanEnd)});
            } else {
                // The change for this line: the first not yet met, as the
                // same line can stand for several statements.
                std::optional<std::size_t> change;
                for (std::size_t k = 0; k < c.changes.size() && !change; ++k) {
                    const Change& ch = c.changes[k];
                    if (!changesMet[k] && ch.line == line.text && ch.location == line.location) {
                        change = k;
                    }
                }
                const Lines report = c.reads ? kReport : Lines{kReportLine};
                rest = Join<std::string>({report, goodRest});
                if (change) {
                    changesMet[*change] = true;
                    rest = Join<std::string>({report, Apply(goodRest, c.changes[*change].edits)});
                }
            }
            EXPECT_EQ(out.log, Join<std::string>({before, {failed}, rest}));
            const auto reports =
                static_cast<std::size_t>(std::count(rest.begin(), rest.end(), kReportLine));
            EXPECT_EQ(out.reports.size(), reports);
            if (!out.reports.empty()) {
                EXPECT_EQ(out.reports[0], line.location);
                EXPECT_EQ(out.numbers[0], kInjected);
            }
            EXPECT_EQ(out.ended, !rest.empty() && rest.back() == "End");
            if (line.location == kNoTrap && line.text.rfind("Shell_NotifyIcon", 0) != 0) {
                ASSERT_FALSE(out.prompts.empty());
                EXPECT_EQ(out.prompts.back().substr(0, 11), u"実行時エラー '7':");
            }
        }
        for (std::size_t k = 0; k < c.changes.size(); ++k) {
            EXPECT_TRUE(changesMet[k]) << "a change that no line meets: " << c.changes[k].line;
        }
    }
}

}  // namespace
