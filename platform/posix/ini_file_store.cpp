#include "ini_file_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <thread>
#include <utility>

#include "file_descriptor.h"
#include "file_text.h"
#include "platform/utf8.h"

namespace posix {

namespace {

constexpr auto kLockTimeout = std::chrono::seconds(10);

[[noreturn]] void Fail(const std::u16string& description) {
    vb::Raise(vb::kFileAccess, description);
}

// `failure`, with the system's reason for it: `error`, an errno.
[[noreturn]] void FailBecause(int error, const std::u16string& failure) {
    Fail(failure + u" (" + SystemMessage(error) + u")。");
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The home folder as a path without "." and ".." steps, doubled or trailing
// slashes: "/" when HOME is not set.
std::string CleanHome() {
    const char* home = std::getenv("HOME");
    std::string clean =
        std::filesystem::path(home != nullptr && *home != '\0' ? home : "/").lexically_normal();
    while (clean.size() > 1 && clean.back() == '/') clean.pop_back();
    return clean;
}

// The folder and its missing parents, each with the umask's permissions;
// true also when another process made one of them meanwhile.
bool MakeFolders(const std::string& folder) {
    if (::mkdir(folder.c_str(), 0777) == 0) return true;
    if (errno == EEXIST) return IsFolder(folder);
    if (errno != ENOENT) return false;
    const std::size_t slash = folder.rfind('/');
    if (slash == std::string::npos || slash == 0 || !MakeFolders(folder.substr(0, slash))) {
        return false;
    }
    return ::mkdir(folder.c_str(), 0777) == 0 || (errno == EEXIST && IsFolder(folder));
}

// Appends the file's bytes; returns 0, or the errno of the failure.
int ReadAll(const std::string& path, std::string& bytes) {
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file) return errno;
    struct stat st {};
    if (::fstat(file.get(), &st) != 0) return errno;
    if (S_ISDIR(st.st_mode)) return EISDIR;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
        if (n == 0) return 0;
        if (n < 0 && errno != EINTR) return errno;
        if (n > 0) bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno != EINTR) return false;
        if (n > 0) bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Renames unless a file of the new name exists.
bool RenameAside(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system that cannot refuse by itself.
    return !Exists(to) && ::rename(from.c_str(), to.c_str()) == 0;
}

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

// The file a symbolic link names, through links to links: the file written is
// that one, and the link stays.
std::string Followed(const std::string& path) {
    std::string followed = path;
    for (int depth = 0; depth < 128; ++depth) {
        struct stat st {};
        if (::lstat(followed.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return followed;
        std::string target(static_cast<std::size_t>(st.st_size) + 256, '\0');
        const ssize_t n = ::readlink(followed.c_str(), target.data(), target.size());
        if (n < 0) return followed;
        target.resize(static_cast<std::size_t>(n));
        followed = target.starts_with('/') ? target : FolderOf(followed) + '/' + target;
    }
    return path;  // a loop
}

// Six letters or digits, as a temporary file's name ends.
std::string RandomTail() {
    static constexpr char kChars[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kChars - 2);
    std::string tail;
    for (int i = 0; i < 6; ++i) tail += kChars[pick(random)];
    return tail;
}

// The next contents of a file, named only once they are whole: where the
// kernel can make a file without a name a writer killed halfway leaves
// nothing behind; elsewhere a file "<name>.XXXXXX".
class NewFile {
  public:
    // Raises `failure` with the reason when it cannot be made.
    NewFile(const std::string& target, const std::u16string& failure)
        : target_(target), failure_(failure) {
        if (::access("/proc/self/fd", X_OK) == 0) {
            file_ = FileDescriptor(
                ::open(FolderOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
            if (!file_ && errno != EOPNOTSUPP && errno != EISDIR) Failed();
        }
        if (!file_) {
            std::string name = target + ".XXXXXX";
            file_ = FileDescriptor(::mkostemp(name.data(), O_CLOEXEC));
            if (!file_) Failed();
            named_ = std::move(name);
        }
    }
    ~NewFile() {
        if (!named_.empty()) ::unlink(named_.c_str());
    }
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    void Write(std::string_view bytes) {
        if (::fchmod(file_.get(), 0600) != 0 || !WriteAll(file_.get(), bytes)) Failed();
    }

    // Puts the file in the target's place, in one rename.
    void Commit() {
        ::fsync(file_.get());  // where it can
        if (named_.empty()) Name();
        if (::rename(named_.c_str(), target_.c_str()) != 0) Failed();
        named_.clear();
    }

  private:
    // A rename needs a name to rename: the unnamed file gets one.
    void Name() {
        const std::string self = "/proc/self/fd/" + std::to_string(file_.get());
        for (int attempt = 0; attempt < 16; ++attempt) {
            std::string name = target_ + '.' + RandomTail();
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                named_ = std::move(name);
                return;
            }
            if (errno != EEXIST) break;
        }
        Failed();
    }

    [[noreturn]] void Failed() { FailBecause(errno, failure_); }

    std::string target_;
    std::u16string failure_;
    FileDescriptor file_;
    std::string named_;  // empty while the file has no name, or once renamed
};

// Writers of the file at `store` take turns on a lock that the kernel holds
// for them and drops when they end, however they end: a writer killed halfway
// keeps no one out. The lock file is removed on release; a writer that then
// holds a removed file takes the lock again on the file now named so.
class WriterLock {
  public:
    explicit WriterLock(const std::string& store) : store_(store), path_(store + ".lock") {}
    ~WriterLock() {
        if (file_) ::unlink(path_.c_str());
    }
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;

    // Waits for the other writers until the deadline; raises 75 when the file
    // cannot be made or the others keep it longer.
    void Take(std::chrono::steady_clock::time_point deadline) {
        for (;;) {
            file_ = FileDescriptor(::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
            if (!file_) Failed(u"ロック " + Shown(path_) + u" を作れません。");
            while (::flock(file_.get(), LOCK_EX | LOCK_NB) != 0) {
                if (errno != EWOULDBLOCK && errno != EINTR) {
                    Failed(u"ロック " + Shown(path_) + u" を使えません。");
                }
                if (std::chrono::steady_clock::now() >= deadline) {
                    Failed(u"登録文のファイル " + Shown(store_) +
                           u" を他のプログラムが使っています。");
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            struct stat held {
            }, named{};
            if (::fstat(file_.get(), &held) == 0 && ::stat(path_.c_str(), &named) == 0 &&
                held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
                return;
            }
            file_.Close();
        }
    }

  private:
    [[noreturn]] void Failed(const std::u16string& description) {
        file_.Close();
        Fail(description);
    }

    std::string store_;
    std::string path_;
    FileDescriptor file_;
};

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
