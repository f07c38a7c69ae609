#include "registry_settings.h"

#include <algorithm>
#include <utility>

#include "platform/error.h"
#include "wide.h"

namespace win32rt {

namespace {

constexpr std::u16string_view kRoot = u"Software\\VB and VBA Program Settings\\";
// A second, in the registry's 100 ns units: far more than its clock's step.
constexpr std::uint64_t kSettled = 10'000'000;

// The sections' keys by name and last write time: what a reader needs to
// know that nothing changed, without reading a value.
RegistrySettingsBackend::Stamp StampOf(HKEY app, const std::u16string& path) {
    RegistrySettingsBackend::Stamp stamp;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        FILETIME written{};
        const LSTATUS status =
            RegEnumKeyExW(app, i, name, &length, nullptr, nullptr, nullptr, &written);
        if (status == ERROR_NO_MORE_ITEMS) return stamp;
        Check(status, path, kCannotRead);
        stamp.keys.emplace_back(FromWide(name, length), Ticks(written));
        stamp.newest = std::max(stamp.newest, Ticks(written));
    }
}

std::uint64_t Now() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return Ticks(now);
}

}  // namespace

RegistrySettingsBackend::RegistrySettingsBackend(std::u16string_view app)
    : path_(KeyPath(app)), mutex_(StoreMutex::For(app)) {}

std::u16string RegistrySettingsBackend::KeyPath(std::u16string_view app) {
    return std::u16string(kRoot) + std::u16string(app);
}

void RegistrySettingsBackend::Refresh() {
    // Empty until read: a read that fails leaves nothing to be seen.
    Sections kept = std::move(view_);
    view_.clear();
    Sections now;
    std::optional<Stamp> settled = std::move(settled_);
    {
        StoreLock lock(mutex_, path_);
        OwnedKey app;
        const LSTATUS status =
            RegOpenKeyExW(HKEY_CURRENT_USER, Wide(path_), 0, KEY_READ | KEY_WRITE, app.out());
        settled_.reset();
        if (status != ERROR_FILE_NOT_FOUND) {
            Check(status, path_, kCannotRead);
            if (settled && StampOf(app.get(), path_) == *settled) {
                // As last read: no key written since. Thousands of sentences
                // are not copied when the view holds no writes of its own.
                view_ = viewIsKnown_ ? std::move(kept) : known_;
                viewIsKnown_ = true;
                settled_ = std::move(settled);
                return;
            }
            const std::uint64_t readAt = Now();
            Recover(app.get(), path_);
            const Stamp before = StampOf(app.get(), path_);
            now = ReadSections(app.get(), path_);
            // Trusted only when no key changed during the read (a program
            // that takes no lock may write meanwhile) and every key is older
            // than the read by more than the clock's step: a later write
            // then bears a later time.
            Stamp after = StampOf(app.get(), path_);
            if (after == before && after.newest + kSettled < readAt) settled_ = std::move(after);
        }
    }
    if (now != known_) ++outsideChanges_;
    view_ = known_ = std::move(now);
    viewIsKnown_ = true;
}

std::optional<std::u16string> RegistrySettingsBackend::Value(std::u16string_view section,
                                                             std::u16string_view key) {
    return vb::FindValue(view_, section, key);
}

bool RegistrySettingsBackend::HasSection(std::u16string_view section) {
    return view_.find(section) != view_.end();
}

void RegistrySettingsBackend::Apply(const Change& change, Sections& sections) {
    if (!change.removesSection) {
        sections[change.section][change.key] = change.value;
    } else if (auto it = sections.find(change.section); it != sections.end()) {
        sections.erase(it);
    }
}

void RegistrySettingsBackend::SetValue(std::u16string_view section, std::u16string_view key,
                                       std::u16string_view value) {
    changes_.push_back({std::u16string(section), std::u16string(key), std::u16string(value)});
    Apply(changes_.back(), view_);
    viewIsKnown_ = false;
}

void RegistrySettingsBackend::RemoveSection(std::u16string_view section) {
    changes_.push_back({std::u16string(section), {}, {}, true});
    Apply(changes_.back(), view_);
    viewIsKnown_ = false;
}

}  // namespace win32rt
