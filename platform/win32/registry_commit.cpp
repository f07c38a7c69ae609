// A commit: the changes merged into what the registry holds now, each
// changed section built whole in its side key and swapped in.

#include <set>

#include "platform/error.h"
#include "registry_settings.h"
#include "wide.h"

namespace win32rt {

void RegistrySettingsBackend::Commit() {
    const auto changes = std::move(changes_);
    changes_.clear();
    try {
        WriteMerged(changes);
    } catch (const vb::Error&) {
        ++outsideChanges_;  // the view holds writes that never reached the registry
        throw;
    }
}

void RegistrySettingsBackend::WriteMerged(const std::vector<Change>& changes) {
    if (changes.empty()) return;
    settled_.reset();
    StoreLock lock(mutex_, path_);
    OwnedKey app;
    Check(RegCreateKeyExW(HKEY_CURRENT_USER, Wide(path_), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_READ | KEY_WRITE, nullptr, app.out(), nullptr),
          path_, kCannotWrite);
    Recover(app.get(), path_);
    const Sections disk = ReadSections(app.get(), path_);
    if (disk != known_) ++outsideChanges_;  // merged in, and seen from the next event on

    Sections result = disk;
    std::set<std::u16string, NoCaseLess> touched, emptied;
    for (const auto& change : changes) {
        Apply(change, result);
        touched.insert(change.section);
        if (change.removesSection) emptied.insert(change.section);
    }
    for (const auto& section : touched) {
        const auto now = result.find(section);
        const auto before = disk.find(section);
        if (now == result.end()) {
            if (before != disk.end()) RemoveKey(app.get(), before->first);
        } else if (before == disk.end()) {
            WriteSection(app.get(), now->first, now->second, false, nullptr);
        } else if (emptied.count(section)) {
            WriteSection(app.get(), before->first, now->second, true, nullptr);
        } else if (now->second != before->second) {
            WriteSection(app.get(), before->first, now->second, true, &before->second);
        }
    }
    known_ = std::move(result);
    viewIsKnown_ = false;  // the view lacks what others wrote and was merged
}

// Builds the section in its side key and swaps it in for the key there, if
// it `replaces` one. With `unchanged` (that key's texts), the rest of the old
// key comes along: values that are not texts, subkeys, texts left alone.
void RegistrySettingsBackend::WriteSection(HKEY app, const std::u16string& name,
                                           const Values& values, bool replaces,
                                           const Values* unchanged) {
    const std::u16string fresh = name + std::u16string(kNew);
    const std::u16string freshPath = path_ + u"\\" + fresh;
    {
        OwnedKey side;
        Check(RegCreateKeyExW(app, Wide(fresh), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_READ | KEY_WRITE, nullptr, side.out(), nullptr),
              freshPath, kCannotWrite);
        if (unchanged) {
            Check(RegCopyTreeW(app, Wide(name), side.get()), freshPath, kCannotWrite);
            Reached(Step::kSideValueWritten);
        }
        for (const auto& [key, text] : values) {
            if (unchanged) {
                const auto old = unchanged->find(key);
                if (old != unchanged->end() && old->second == text) continue;
            }
            WriteText(side.get(), key, text, freshPath);
            Reached(Step::kSideValueWritten);
        }
    }
    Reached(Step::kSideWritten);

    if (replaces) {
        Rename(app, name, name + std::u16string(kOld), path_);
        Reached(Step::kOldAside);
    }
    Rename(app, fresh, name, path_);
    Reached(Step::kNewInPlace);
    if (replaces) DeleteTree(app, name + std::u16string(kOld), path_);
}

// One rename takes the whole section away, however many values it holds.
void RegistrySettingsBackend::RemoveKey(HKEY app, const std::u16string& name) {
    const std::u16string old = name + std::u16string(kOld);
    Rename(app, name, old, path_);
    Reached(Step::kRemovedAside);
    DeleteTree(app, old, path_);
}

}  // namespace win32rt
