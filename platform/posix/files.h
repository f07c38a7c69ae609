#pragma once
// The file system calls the store makes, and how their failures are raised,
// naming the files and giving the system's reasons.

#include <string>
#include <string_view>

namespace posix {

// A file name or message as text: UTF-8, with what is not shown as U+FFFD.
std::u16string Shown(std::string_view bytes);
// The system's description of an errno.
std::u16string SystemMessage(int error);

// Raises 75 with `description`.
[[noreturn]] void Fail(const std::u16string& description);
// Raises 75 with `failure` and the system's reason for it: `error`, an errno.
[[noreturn]] void FailBecause(int error, const std::u16string& failure);

bool Exists(const std::string& path);
bool IsFolder(const std::string& path);
std::string FolderOf(const std::string& path);
// The home folder as a path without "." and ".." steps, doubled or trailing
// slashes: "/" when HOME is not set.
std::string CleanHome();
// The folder and its missing parents, each with the umask's permissions;
// true also when another process made one of them meanwhile.
bool MakeFolders(const std::string& folder);
// Appends the file's bytes; returns 0, or the errno of the failure.
int ReadAll(const std::string& path, std::string& bytes);
bool WriteAll(int fd, std::string_view bytes);
// Renames unless a file of the new name exists.
bool RenameAside(const std::string& from, const std::string& to);
// The file a symbolic link names, through links to links: the file written is
// that one, and the link stays.
std::string Followed(const std::string& path);
// Six letters or digits, as a temporary file's name ends.
std::string RandomTail();

}  // namespace posix
