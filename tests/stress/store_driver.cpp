// Changes the store file as Orbek and Nulvex do, through the real store, for
// the tests that kill it halfway or run several copies at once.
//
//   store_driver rewrite G N      one editor OK: the N sentences of generation G
//   store_driver orbek OPS SEED   registrations and editor OKs, one after another
//   store_driver nulvex STOPFILE  deletions, until STOPFILE exists
//
// "orbek" checks after each change what the file holds (see Check) and prints
// one line a change: "<kind> <start ns> <end ns> <outcome>"; "nulvex" prints
// "delete <start ns> <end ns>". A broken rule ends the driver with status 2.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/conv.h"
#include "platform/error.h"
#include "platform/qt/qt_settings.h"
#include "platform/settings.h"
#include "platform/utf8.h"
#include "stress_store.h"

namespace {

constexpr std::u16string_view kApp = u"Orbek", kSection = u"Sentences", kCount = u"SCMax";

using Keys = vb::ini::Keys;
using Section = std::optional<Keys>;  // nullopt: no section

std::string FilePath() { return qtrt::QtSettingsBackend::PathFor(kApp).toStdString(); }

vb::Settings OpenStore() {
    return vb::Settings(
        [](std::u16string_view app) { return std::make_unique<qtrt::QtSettingsBackend>(app); });
}

[[noreturn]] void Broken(const std::string& what) {
    std::fprintf(stderr, "%s\n", what.c_str());
    std::exit(2);
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

// The writes of an editor OK: the count first, then every sentence in order.
Keys WriteList(vb::Settings& store, const std::vector<std::u16string>& list) {
    Keys written;
    const auto write = [&](const std::u16string& key, const std::u16string& value) {
        store.SaveSetting(kApp, kSection, key, value);
        written[key] = value;
    };
    write(std::u16string(kCount), vb::Str(static_cast<std::int64_t>(list.size()) - 1));
    for (std::size_t k = 0; k < list.size(); ++k) {
        write(u"S" + vb::Str(static_cast<std::int64_t>(k)), list[k]);
    }
    return written;
}

int RewriteCommand(int generation, int count) {
    auto store = OpenStore();
    std::vector<std::u16string> list;
    for (int k = 0; k < count; ++k) list.push_back(stress::Sentence(generation, k));
    std::puts("writing");
    std::fflush(stdout);
    store.OpenScope();
    WriteList(store, list);
    store.CloseScope();
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
std::int32_t ReadCount(vb::Settings& store, const Section& last, Section& seen) {
    const std::u16string count = store.GetSetting(kApp, kSection, kCount);
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
    auto store = OpenStore();
    std::mt19937 random(seed);
    Section last = SectionOnDisk();
    int number = 0;
    for (int op = 0; op < ops; ++op) {
        Section seen;
        Keys written;
        std::int64_t start = 0;
        const bool append = random() % 3 != 0;
        if (append) {
            // Registration: the sentence, then the count, in one event.
            store.EventBoundary();
            start = stress::NowNs();
            store.OpenScope();
            const std::int32_t n = ReadCount(store, last, seen);
            const std::u16string key = u"S" + vb::Str(n + 1), text = stress::Marked(u'a', ++number);
            store.SaveSetting(kApp, kSection, key, text);
            store.SaveSetting(kApp, kSection, kCount, vb::Str(n + 1));
            store.CloseScope();
            written = {{key, text}, {std::u16string(kCount), vb::Str(n + 1)}};
        } else {
            // The editor: loaded in one event, committed in a later one.
            store.EventBoundary();
            std::vector<std::u16string> list;
            const std::int32_t n = vb::CLng(store.GetSetting(kApp, kSection, kCount, u"-1"));
            for (std::int32_t k = 0; k <= n; ++k) {
                list.push_back(store.GetSetting(kApp, kSection, u"S" + vb::Str(k)));
            }
            if (list.size() > 30) list.erase(list.begin(), list.begin() + 10);  // leaves keys above
            std::reverse(list.begin(), list.end());
            list.push_back(stress::Marked(u'e', ++number));
            store.EventBoundary();
            start = stress::NowNs();
            store.OpenScope();
            ReadCount(store, last, seen);  // the menu is torn down by the count first
            written = WriteList(store, list);
            store.CloseScope();
        }
        const std::string outcome = Check(seen, written, last);
        const std::int64_t end = stress::NowNs();
        std::printf("%s %lld %lld %s\n", append ? "append" : "editor",
                    static_cast<long long>(start), static_cast<long long>(end), outcome.c_str());
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 2000));
    }
    return 0;
}

int NulvexCommand(const char* stopFile, unsigned seed) {
    auto store = OpenStore();
    std::mt19937 random(seed);
    while (::access(stopFile, F_OK) != 0) {
        store.EventBoundary();
        const std::int64_t start = stress::NowNs();
        try {
            store.DeleteSetting(kApp, kSection);
        } catch (const vb::Error& e) {
            if (e.number != vb::kInvalidCall) throw;  // 5: nothing to delete
        }
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
