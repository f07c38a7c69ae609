#include "instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

#include "files.h"

namespace posix {

bool InstanceLock::Take(const std::string& path) {
    if (Held()) return true;
    FileDescriptor file(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (file && ::flock(file.get(), LOCK_EX | LOCK_NB) == 0) {
        file_ = std::move(file);
        return true;
    }
    if (file && errno == EWOULDBLOCK) return false;
    Fail(u"ロック ファイル " + Shown(path) + u" を作れません。");
}

}  // namespace posix
