// The Win32 runtime's costs that grow with the number of sentences, measured
// in the registry of the prefix it runs in (`make bench-win`): committing a
// whole list, refreshing the view of an unchanged store and of a changed
// one, and building the sentence menu's system menu.

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/registry_settings.h"
#include "platform/win32/win32_runtime.h"

namespace {

std::u16string U(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// Milliseconds for one run of `work`, the best of `runs`.
double Best(int runs, const std::function<void()>& work) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

struct NoHost : vb::MenuHost {
    void MenuLoaded(vb::MenuItem&) override {}
    void MenuUnloading(vb::MenuItem&) override {}
    void MenuCaption(vb::MenuItem&, const std::u16string&) override {}
    void MenuVisible(vb::MenuItem&, bool) override {}
};

}  // namespace

int main() {
    const std::u16string sentence = u"お世話になっております。株式会社サンプルの山田です。";
    std::printf("%-34s %10s %10s\n", "operation (ms, best of 3)", "1,000", "10,000");
    std::vector<std::vector<double>> rows(4);
    for (const int n : {1000, 10000}) {
        const std::u16string app = U("OrbekBench" + std::to_string(n));
        RegDeleteTreeW(HKEY_CURRENT_USER,
                       reinterpret_cast<const wchar_t*>(
                           win32rt::RegistrySettingsBackend::KeyPath(app).c_str()));
        win32rt::RegistrySettingsBackend store(app);
        int generation = 0;
        rows[0].push_back(Best(3, [&] {
            store.Refresh();
            const std::u16string mark = U(std::to_string(++generation));
            for (int i = 0; i < n; ++i)
                store.SetValue(u"Sentences", U("S" + std::to_string(i)), sentence + mark);
            store.SetValue(u"Sentences", u"SCMax", U(std::to_string(n - 1)));
            store.Commit();
        }));
        store.Refresh();
        Sleep(1100);  // the keys settle
        store.Refresh();
        rows[1].push_back(Best(3, [&] { store.Refresh(); }));
        rows[2].push_back(Best(3, [&] {
            const std::u16string key =
                win32rt::RegistrySettingsBackend::KeyPath(app) + u"\\Sentences";
            RegSetKeyValueW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(key.c_str()), L"S0",
                            REG_SZ, L"x", sizeof L"x");
            store.Refresh();
        }));
        NoHost host;
        vb::MenuItem menu(host, u"mnuLeft", u"Left");
        for (int i = 0; i < n; ++i)
            menu.Add(std::make_unique<vb::MenuItem>(host, u"mnuSentence", sentence, 1));
        std::vector<vb::MenuItem*> items;
        rows[3].push_back(Best(3, [&] { win32rt::BuildMenu(menu, items); }));
        RegDeleteTreeW(HKEY_CURRENT_USER,
                       reinterpret_cast<const wchar_t*>(
                           win32rt::RegistrySettingsBackend::KeyPath(app).c_str()));
    }
    const char* names[] = {"commit a whole list", "refresh, store unchanged",
                           "refresh after an outside write", "build the sentence menu"};
    for (std::size_t r = 0; r < rows.size(); ++r) {
        std::printf("%-34s %10.2f %10.2f\n", names[r], rows[r][0], rows[r][1]);
    }
}
