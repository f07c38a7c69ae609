#pragma once
// The settings store as one file per application:
// $XDG_CONFIG_HOME/<app>/<app>.ini, readable and writable by its owner only.
// A commit merges this program's changes into the file as it is then, under
// a lock file, and replaces the file in one rename. A file that cannot be
// parsed is moved aside, never overwritten.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"
#include "platform/ini.h"
#include "platform/settings.h"

namespace posix {

class IniFileStore : public vb::SettingsBackend {
  public:
    explicit IniFileStore(std::u16string_view app);
    // The file of `app`: in $XDG_CONFIG_HOME, or else in ~/.config.
    static std::string PathFor(std::u16string_view app);

    void Refresh() override;
    std::optional<std::u16string> Value(std::u16string_view section,
                                        std::u16string_view key) override;
    bool HasSection(std::u16string_view section) override;
    void SetValue(std::u16string_view section, std::u16string_view key,
                  std::u16string_view value) override;
    void RemoveSection(std::u16string_view section) override;
    void Commit() override;
    std::uint64_t OutsideChanges() const override { return outsideChanges_; }

  private:
    struct Stamp {
        bool exists = false;
        unsigned long long device = 0, inode = 0, size = 0;
        long long mtimeNs = 0;
        bool operator==(const Stamp&) const = default;
    };
    Stamp StampNow() const;
    // The file's contents now; throws Error when it cannot be read or parsed
    // (a damaged file is moved aside first).
    vb::ini::Sections ReadDisk();
    using Change = std::function<void(vb::ini::Sections&)>;
    // The disk's contents with `changes` applied, written in one rename; `seen`
    // is the stamp of the file the view was read from.
    void WriteMerged(const std::vector<Change>& changes, const std::optional<Stamp>& seen);

    std::string path_;
    vb::ini::Sections view_;
    std::vector<Change> changes_;
    std::optional<Stamp> stamp_;   // of the file `view_` shows
    std::optional<Stamp> merged_;  // of the file written with others' changes merged in
    std::uint64_t outsideChanges_ = 0;
    std::optional<vb::Error> unreadable_;
};

}  // namespace posix
