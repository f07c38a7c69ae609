#include "new_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "files.h"

namespace posix {

NewFile::NewFile(const std::string& target, const std::u16string& failure)
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

NewFile::~NewFile() {
    if (!named_.empty()) ::unlink(named_.c_str());
}

void NewFile::Write(std::string_view bytes) {
    if (::fchmod(file_.get(), 0600) != 0 || !WriteAll(file_.get(), bytes)) Failed();
}

void NewFile::Commit() {
    ::fsync(file_.get());  // where it can
    if (named_.empty()) Name();
    if (::rename(named_.c_str(), target_.c_str()) != 0) Failed();
    named_.clear();
}

void NewFile::Name() {
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

void NewFile::Failed() { FailBecause(errno, failure_); }

}  // namespace posix
