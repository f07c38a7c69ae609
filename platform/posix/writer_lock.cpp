#include "writer_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "files.h"

namespace posix {

WriterLock::~WriterLock() {
    if (file_) ::unlink(path_.c_str());
}

void WriterLock::Take(std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        file_ = FileDescriptor(::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
        if (!file_) Failed(u"ロック " + Shown(path_) + u" を作れません。");
        while (::flock(file_.get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR) {
                Failed(u"ロック " + Shown(path_) + u" を使えません。");
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                Failed(u"登録文のファイル " + Shown(store_) + u" を他のプログラムが使っています。");
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

void WriterLock::Failed(const std::u16string& description) {
    file_.Close();
    Fail(description);
}

}  // namespace posix
