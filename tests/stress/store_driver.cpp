// Changes the store file by running Orbek's and Nulvex's own procedures on
// the real store, for the tests that kill it halfway or run several copies at
// once. The programs run on the fake runtime: the store is the only real part.
//
//   store_driver rewrite G N      the editor's OK on the N sentences of generation G
//   store_driver orbek OPS SEED   registrations and editor OKs, one after another
//   store_driver nulvex STOPFILE SEED  Nulvex's deletion, again and again until STOPFILE exists
//
// "orbek" checks after each change what the file holds (see Check) and prints
// one line a change: "<kind> <start ns> <end ns> <outcome>"; "nulvex" prints
// "delete <start ns> <end ns>". A broken rule, or an error the programs
// report, ends the driver with status 2.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "editor/frmSet.h"
#include "fake/fake_runtime.h"
#include "platform/conv.h"
#include "platform/error.h"
#include "platform/posix/ini_file_store.h"
#include "platform/utf8.h"
#include "removal/frmMain.h"
#include "stress_store.h"
#include "tray/frmMenu.h"

namespace {

constexpr std::u16string_view kApp = u"Orbek", kSection = u"Sentences", kCount = u"SCMax";

using Keys = vb::ini::Keys;
using Section = std::optional<Keys>;  // nullopt: no section

std::string FilePath() { return posix::IniFileStore::PathFor(kApp); }

[[noreturn]] void Broken(const std::string& what) {
    std::fprintf(stderr, "%s\n", what.c_str());
    std::exit(2);
}

// A program on the real store.
struct Runtime : fake::FakeRuntime {
    Runtime()
        : fake::FakeRuntime(
              [](std::u16string_view app) { return std::make_unique<posix::IniFileStore>(app); }) {}

    // The user's next event; what the last one did is forgotten.
    void Next() {
        if (!prompts.empty()) Broken("the program reported: " + fake::Show(prompts.front()));
        log.clear();
        NextEvent();
    }
};

// Orbek as started: its menu built from the store.
struct Orbek {
    Orbek() {
        rt.Load(menu);
        rt.Next();
    }

    // Opens the editor from the left menu; `edit` is the user, who ends
    // with OK or Cancel.
    void Edit(const std::function<void(frmSet& set)>& edit) {
        rt.onModal = [&](vb::Form& form) { edit(static_cast<frmSet&>(form)); };
        menu.mnuPopL_Click();
        rt.Next();
    }

    Runtime rt;
    frmMenu menu{rt};
};

// The editor's list, entry by entry: what OK writes.
std::vector<std::u16string> Entries(const frmSet& set) {
    std::vector<std::u16string> list;
    for (std::int16_t k = 0; k < set.lstFullS.ListCount(); ++k)
        list.push_back(set.lstFullS.List(k));
    return list;
}

std::string Show(const Section& s) {
    if (!s) return "(no section)";
    std::string out;
    for (const auto& [k, v] : *s) out += vb::EncodeUtf8(k) + "=" + vb::EncodeUtf8(v) + " | ";
    return out;
}

Section SectionOnDisk() {
    const auto file = stress::ReadFile(FilePath());
    if (!file) Broken("the store file does not parse");
    const auto s = file->find(kSection);
    if (s == file->end()) return std::nullopt;
    return s->second;
}

// The keys an editor OK on `list` leaves: the count and every sentence.
Keys Rewritten(const std::vector<std::u16string>& list) {
    Keys keys{{std::u16string(kCount), vb::Str(static_cast<std::int64_t>(list.size()) - 1)}};
    for (std::size_t k = 0; k < list.size(); ++k) {
        keys[u"S" + vb::Str(static_cast<std::int64_t>(k))] = list[k];
    }
    return keys;
}

// Selects entry `index` as the user does, and presses button `button`.
void Press(frmSet& set, std::int16_t index, std::int16_t button) {
    set.lstSList.Selected(index);
    set.cmdSList_Click(button);
}

int RewriteCommand(int generation, int count) {
    Orbek orbek;
    orbek.Edit([&](frmSet& set) {
        while (set.lstSList.ListCount() > 0) Press(set, 0, 4);  // Delete
        for (int k = 0; k < count; ++k) {
            orbek.rt.typed = stress::Sentence(generation, k);
            set.cmdSList_Click(2);  // New
        }
        orbek.rt.Next();
        std::puts("writing");
        std::fflush(stdout);
        set.cmdSet_Click(0);
    });
    std::puts("done");
    std::fflush(stdout);
    return 0;
}

// After one change whose writes were `written`, made on a view that showed
// `seen`, the file holds one of three things. Orbek is the only program that
// writes sentences and Nulvex only deletes them all, so:
//   "full"    the writes merged into what was seen: no deletion came between;
//   "empty"   the writes merged into no section: a deletion came between the
//             first read and the commit;
//   "deleted" no section: a deletion came after the commit.
// Anything else breaks the rule that each change reaches the file whole.
// `now` is what the file holds then.
std::string Check(const Section& seen, const Keys& written, Section& now) {
    Keys full = seen.value_or(Keys{});
    for (const auto& [k, v] : written) full[k] = v;
    now = SectionOnDisk();
    if (now == full) return "full";
    if (now && *now == written) return "empty";
    if (!now) return "deleted";
    Broken("seen: " + Show(seen) + "\nwritten: " + Show(Section(written)) + "\nfile: " + Show(now));
}

// The count as read at the start of a change, and what the view was then.
// Only deletions happen between two changes of this program, so the view is
// either what the file held after the last change or no section.
std::int32_t ReadCount(vb::Runtime& rt, const Section& last, Section& seen) {
    const std::u16string count = rt.GetSetting(kApp, kSection, kCount);
    if (count.empty()) {
        seen.reset();
        return -1;
    }
    if (!last || last->count(std::u16string(kCount)) == 0 ||
        last->at(std::u16string(kCount)) != count) {
        Broken("the count read is not the one last written");
    }
    seen = last;
    return vb::CLng(count);
}

int OrbekCommand(int ops, unsigned seed) {
    Orbek orbek;
    std::mt19937 random(seed);
    Section last = SectionOnDisk();
    int number = 0;
    for (int op = 0; op < ops; ++op) {
        Section seen;
        Keys written;
        std::int64_t start = 0;
        const bool append = random() % 3 != 0;
        if (append) {
            // The right menu's first item: the clipboard's text registered.
            start = stress::NowNs();
            const std::int32_t n = ReadCount(orbek.rt, last, seen);
            const std::u16string text = stress::Marked(u'a', ++number);
            orbek.rt.clipboard = text;
            orbek.menu.mnuPopR_Click(0);
            written = {{u"S" + vb::Str(n + 1), text}, {std::u16string(kCount), vb::Str(n + 1)}};
        } else {
            // The editor, loaded in one event: the list loses its first ten
            // when long (leaving keys above it), its last moves to the top,
            // so that every sentence changes its key, and one more is added.
            // OK comes in a later event.
            orbek.Edit([&](frmSet& set) {
                if (set.lstSList.ListCount() > 30) {
                    for (int k = 0; k < 10; ++k) Press(set, 0, 4);  // Delete
                }
                for (auto at = static_cast<std::int16_t>(set.lstSList.ListCount() - 1); at > 0;
                     --at) {
                    Press(set, at, 0);  // Up
                }
                orbek.rt.typed = stress::Marked(u'e', ++number);
                set.cmdSList_Click(2);  // New
                orbek.rt.Next();
                start = stress::NowNs();
                ReadCount(orbek.rt, last, seen);
                written = Rewritten(Entries(set));
                set.cmdSet_Click(0);
            });
        }
        orbek.rt.Next();
        const std::string outcome = Check(seen, written, last);
        const std::int64_t end = stress::NowNs();
        std::printf("%s %lld %lld %s\n", append ? "append" : "editor",
                    static_cast<long long>(start), static_cast<long long>(end), outcome.c_str());
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 2000));
    }
    return 0;
}

int NulvexCommand(const char* stopFile, unsigned seed) {
    std::mt19937 random(seed);
    while (::access(stopFile, F_OK) != 0) {
        // Nulvex started, answered Yes: done once its OK can be pressed.
        Runtime rt;
        rt.answer = vb::kYes;
        frmMain form(rt);
        const std::int64_t start = stress::NowNs();
        form.Start();
        if (!form.cmdMain.Enabled()) Broken("Nulvex stopped after " + rt.log.back());
        std::printf("delete %lld %lld\n", static_cast<long long>(start),
                    static_cast<long long>(stress::NowNs()));
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::microseconds(1000 + random() % 8000));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    try {
        if (command == "rewrite" && argc == 4)
            return RewriteCommand(std::atoi(argv[2]), std::atoi(argv[3]));
        if (command == "orbek" && argc == 4) {
            return OrbekCommand(std::atoi(argv[2]), static_cast<unsigned>(std::atoll(argv[3])));
        }
        if (command == "nulvex" && argc == 4) {
            return NulvexCommand(argv[2], static_cast<unsigned>(std::atoll(argv[3])));
        }
    } catch (const vb::Error& e) {
        std::fprintf(stderr, "error %d: %s\n", e.number, vb::EncodeUtf8(e.description).c_str());
        return 1;
    }
    std::fprintf(stderr,
                 "usage: store_driver rewrite G N | orbek OPS SEED | nulvex STOPFILE SEED\n");
    return 64;
}
