#pragma once
// The per-user settings store: text values addressed by application, section
// and key. Reads see the store as it was on disk when the event being handled
// began, plus this program's own writes since. Writes made inside a write scope
// reach the disk together, in one atomic step, when that scope closes.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vb {

// One application's part of the store on the platform.
class SettingsBackend {
  public:
    virtual ~SettingsBackend() = default;

    // Takes the store as it is on disk now. Throws Error when it cannot be
    // read; it then shows what it could keep (nothing for a damaged file).
    virtual void Refresh() = 0;
    virtual std::optional<std::u16string> Value(std::u16string_view section,
                                                std::u16string_view key) = 0;
    virtual bool HasSection(std::u16string_view section) = 0;
    virtual void SetValue(std::u16string_view section, std::u16string_view key,
                          std::u16string_view value) = 0;
    virtual void RemoveSection(std::u16string_view section) = 0;
    // Writes the changes made since the last commit to disk in one atomic step,
    // merged into what the disk holds then; the view keeps what it was until the
    // next Refresh. Throws Error; the changes are then dropped and the disk is
    // left as it was.
    virtual void Commit() = 0;
    // Counts the times the view has been found to differ from this program's own
    // writes: changed on disk by another program, or own writes that were dropped.
    virtual std::uint64_t OutsideChanges() const = 0;
};

// The value at `section` and `key` in a backend's view: a map of sections to
// maps of keys to texts, both with transparent comparison.
template <class Sections>
std::optional<std::u16string> FindValue(const Sections& sections, std::u16string_view section,
                                        std::u16string_view key) {
    const auto s = sections.find(section);
    if (s == sections.end()) return std::nullopt;
    const auto k = s->second.find(key);
    if (k == s->second.end()) return std::nullopt;
    return k->second;
}

class Settings {
  public:
    using Factory = std::function<std::unique_ptr<SettingsBackend>(std::u16string_view app)>;
    explicit Settings(Factory factory);

    std::u16string GetSetting(std::u16string_view app, std::u16string_view section,
                              std::u16string_view key, std::u16string_view defaultValue = {});
    void SaveSetting(std::u16string_view app, std::u16string_view section, std::u16string_view key,
                     std::u16string_view value);
    // Raises 5 when the section does not exist.
    void DeleteSetting(std::u16string_view app, std::u16string_view section);
    // See SettingsBackend::OutsideChanges; the store is looked at as a read would.
    std::uint64_t OutsideChanges(std::u16string_view app);

    // The program is about to wait for the next event: the next read takes the
    // disk's state again, unless writes of this program are still pending.
    void EventBoundary();

    // Write scopes nest. Writes outside any scope go to disk at once; writes
    // inside one go when the scope they were made in (or an enclosing one)
    // closes. CloseScope throws Error when that commit fails.
    void OpenScope() { ++depth_; }
    void CloseScope();
    // Commits whatever is pending (the program is ending). Throws Error.
    void CommitAll();

  private:
    struct App {
        std::unique_ptr<SettingsBackend> backend;
        bool stale = true;
        bool pending = false;
    };
    App& Open(std::u16string_view app);
    void Written(App& app);

    Factory factory_;
    std::map<std::u16string, App, std::less<>> apps_;
    int depth_ = 0;
    int pendingDepth_ = 0;  // the shallowest scope holding pending writes
};

}  // namespace vb
