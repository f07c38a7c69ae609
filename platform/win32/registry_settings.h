#pragma once
// The settings store in the per-user registry, where programs of the classic
// runtime keep theirs: HKEY_CURRENT_USER\Software\VB and VBA Program
// Settings\<app>\<section>, one REG_SZ value a key, the text in UTF-16 exactly
// (its data is the text and one terminating NUL, so a NUL inside a text is
// kept too; a reader that stops at the first NUL sees the text before it).
//
// The registry has no transaction over several values (KTM is a stub under
// Wine), so a commit builds each changed section whole in a side key
// "<section>~new" and swaps it in with two renames, under a named mutex. A
// crash leaves at most one step of that undone; the next Refresh or Commit of
// any program on this store finishes or drops it (Recover, store_sections.h),
// so it reads either the old section or the new one, never a mixture.
//
// Reading every value again at each event would cost much with thousands of
// sentences: a refresh first compares the keys' last write times with those
// of the last whole read, and reads again only when they differ.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/settings.h"
#include "store_lock.h"
#include "store_sections.h"

namespace win32rt {

class RegistrySettingsBackend : public vb::SettingsBackend {
  public:
    explicit RegistrySettingsBackend(std::u16string_view app);
    // The application's key under HKEY_CURRENT_USER.
    static std::u16string KeyPath(std::u16string_view app);

    void Refresh() override;
    std::optional<std::u16string> Value(std::u16string_view section,
                                        std::u16string_view key) override;
    bool HasSection(std::u16string_view section) override;
    void SetValue(std::u16string_view section, std::u16string_view key,
                  std::u16string_view value) override;
    void RemoveSection(std::u16string_view section) override;
    void Commit() override;
    std::uint64_t OutsideChanges() const override { return outsideChanges_; }

    // The sections' key names and last write times, the newest of them.
    struct Stamp {
        std::vector<std::pair<std::u16string, std::uint64_t>> keys;
        std::uint64_t newest = 0;
        bool operator==(const Stamp&) const = default;
    };

    // The points of a commit where a crash leaves the registry in a state of
    // its own; the hook runs at each, so that tests can stop a process there.
    enum class Step {
        kSideValueWritten,  // after each value written into "<section>~new"
        kSideWritten,       // the new section is complete in its side key
        kOldAside,          // the old section is renamed "<section>~old"
        kNewInPlace,        // the side key is renamed to the section's name
        kRemovedAside,      // a removed section is renamed "<section>~old"
    };
    void SetStepHook(std::function<void(Step)> hook) { hook_ = std::move(hook); }

  private:
    struct Change {
        std::u16string section, key, value;
        bool removesSection = false;
    };
    static void Apply(const Change& change, Sections& sections);
    void WriteMerged(const std::vector<Change>& changes);
    void WriteSection(HKEY app, const std::u16string& name, const Values& values, bool replaces,
                      const Values* unchanged);
    void RemoveKey(HKEY app, const std::u16string& name);
    void Reached(Step step) const {
        if (hook_) hook_(step);
    }

    std::u16string path_;
    StoreMutex mutex_;
    Sections view_;
    Sections known_;  // the registry as last read or left by an own commit
    std::vector<Change> changes_;
    // The keys as they were when the view was last read whole, once they had
    // settled: while they stay so, a refresh need not read them again.
    std::optional<Stamp> settled_;
    bool viewIsKnown_ = false;  // the view is `known_`, with no writes of its own
    std::uint64_t outsideChanges_ = 0;
    std::function<void(Step)> hook_;
};

}  // namespace win32rt
