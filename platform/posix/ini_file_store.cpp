#include "ini_file_store.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <utility>

#include "files.h"
#include "new_file.h"
#include "platform/utf8.h"
#include "writer_lock.h"

namespace posix {

namespace {

constexpr auto kLockTimeout = std::chrono::seconds(10);

// The time now, to the millisecond: 20260613-142501-042.
std::string TimeNow() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char text[40];
    const std::size_t n = std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    std::snprintf(text + n, sizeof text - n, "-%03d", static_cast<int>(ms));
    return text;
}

}  // namespace

IniFileStore::IniFileStore(std::u16string_view app) : path_(PathFor(app)) {}

std::string IniFileStore::PathFor(std::u16string_view app) {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string folder =
        config != nullptr && *config != '\0' ? std::string(config) : CleanHome() + "/.config";
    const std::string name = vb::EncodeUtf8(app);
    return folder + '/' + name + '/' + name + ".ini";
}

IniFileStore::Stamp IniFileStore::StampNow() const {
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0) return {};
    return {true, static_cast<unsigned long long>(st.st_dev),
            static_cast<unsigned long long>(st.st_ino), static_cast<unsigned long long>(st.st_size),
            static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

vb::ini::Sections IniFileStore::ReadDisk() {
    if (!Exists(path_)) return {};
    std::string bytes;
    if (const int error = ReadAll(path_, bytes)) {
        FailBecause(error, u"登録文のファイル " + Shown(path_) + u" を読めません");
    }
    if (auto sections = vb::ini::Parse(bytes)) return *std::move(sections);
    // Kept under a name of its own, so that nothing it holds is lost.
    const std::string aside = path_ + ".damaged-" + TimeNow();
    if (!RenameAside(path_, aside)) {
        Fail(u"登録文のファイル " + Shown(path_) + u" が壊れています。");
    }
    Fail(u"登録文のファイルが壊れていたため、" + Shown(aside) + u" に移しました。");
}

void IniFileStore::Refresh() {
    const Stamp now = StampNow();
    if (stamp_ && *stamp_ == now) return;
    // Not the file the view was made from, unless it is the one this program
    // wrote with others' changes merged in: those were counted then.
    if (!merged_ || *merged_ != now) ++outsideChanges_;
    merged_.reset();
    view_.clear();
    unreadable_.reset();
    try {
        view_ = ReadDisk();
        stamp_ = now;
    } catch (const vb::Error& error) {
        // Shown empty; an unreadable file is also kept from being written over.
        if (Exists(path_)) unreadable_ = error;
        stamp_ = StampNow();
        throw;
    }
}

std::optional<std::u16string> IniFileStore::Value(std::u16string_view section,
                                                  std::u16string_view key) {
    return vb::FindValue(view_, section, key);
}

bool IniFileStore::HasSection(std::u16string_view section) {
    return view_.find(section) != view_.end();
}

void IniFileStore::SetValue(std::u16string_view section, std::u16string_view key,
                            std::u16string_view value) {
    auto apply = [s = std::u16string(section), k = std::u16string(key),
                  v = std::u16string(value)](vb::ini::Sections& sections) { sections[s][k] = v; };
    apply(view_);
    changes_.push_back(std::move(apply));
}

void IniFileStore::RemoveSection(std::u16string_view section) {
    auto apply = [s = std::u16string(section)](vb::ini::Sections& sections) {
        if (auto it = sections.find(s); it != sections.end()) sections.erase(it);
    };
    apply(view_);
    changes_.push_back(std::move(apply));
}

void IniFileStore::Commit() {
    const auto changes = std::move(changes_);
    changes_.clear();
    // The view is trusted again only once the file holds just it.
    const std::optional<Stamp> seen = std::exchange(stamp_, std::nullopt);
    try {
        WriteMerged(changes, seen);
    } catch (const vb::Error&) {
        ++outsideChanges_;  // the view holds writes that never reached the disk
        throw;
    }
}

void IniFileStore::WriteMerged(const std::vector<Change>& changes,
                               const std::optional<Stamp>& seen) {
    if (unreadable_) throw *unreadable_;

    const std::string folder = FolderOf(path_);
    if (!MakeFolders(folder)) Fail(u"フォルダ " + Shown(folder) + u" を作れません。");
    ::chmod(folder.c_str(), 0700);
    WriterLock lock(path_);
    lock.Take(std::chrono::steady_clock::now() + kLockTimeout);
    // What others wrote meanwhile is merged in, and seen from the next event on.
    const bool othersWrote = seen != StampNow();
    if (othersWrote) ++outsideChanges_;
    vb::ini::Sections sections = ReadDisk();
    for (const auto& change : changes) change(sections);
    const std::string bytes = vb::ini::Write(sections);

    // A file the owner made read-only stays as it is.
    const std::u16string failure = u"登録文を " + Shown(path_) + u" に書き込めません";
    const std::string target = Followed(path_);
    if (Exists(target) && ::access(target.c_str(), W_OK) != 0) FailBecause(errno, failure);
    NewFile file(target, failure);
    file.Write(bytes);
    file.Commit();
    // Stamped still under the lock, so the stamp is the file just written:
    // the view is what it holds, or, with others' changes, is behind it.
    (othersWrote ? merged_ : stamp_) = StampNow();
}

}  // namespace posix
