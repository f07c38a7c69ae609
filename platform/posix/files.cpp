#include "files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>

#include "file_descriptor.h"
#include "platform/error.h"
#include "platform/utf8.h"

namespace posix {

std::u16string Shown(std::string_view bytes) {
    if (auto text = vb::DecodeUtf8(bytes)) return *std::move(text);
    std::u16string text;
    for (const unsigned char c : bytes) text += c < 0x80 ? static_cast<char16_t>(c) : u'\uFFFD';
    return text;
}

std::u16string SystemMessage(int error) { return Shown(std::strerror(error)); }

[[noreturn]] void Fail(const std::u16string& description) {
    vb::Raise(vb::kFileAccess, description);
}

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

std::string CleanHome() {
    const char* home = std::getenv("HOME");
    std::string clean =
        std::filesystem::path(home != nullptr && *home != '\0' ? home : "/").lexically_normal();
    while (clean.size() > 1 && clean.back() == '/') clean.pop_back();
    return clean;
}

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

bool RenameAside(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system that cannot refuse by itself.
    return !Exists(to) && ::rename(from.c_str(), to.c_str()) == 0;
}

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

std::string RandomTail() {
    static constexpr char kChars[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kChars - 2);
    std::string tail;
    for (int i = 0; i < 6; ++i) tail += kChars[pick(random)];
    return tail;
}

}  // namespace posix
