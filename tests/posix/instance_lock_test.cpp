// The single-copy lock.

#include "platform/posix/instance_lock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>

#include "platform/error.h"
#include "platform/utf8.h"

#include "store_file_test.h"

namespace {

using InstanceLockTest = StoreFileTest;

TEST_F(InstanceLockTest, OneHolderAtATimeAndAskingAgainKeepsIt) {
    const std::string path = home_ + "/Orbek.lock";
    std::optional<posix::InstanceLock> first(std::in_place);
    EXPECT_TRUE(first->Take(path));
    EXPECT_TRUE(first->Take(path));  // asking again is no second copy
    {
        posix::InstanceLock second;
        EXPECT_FALSE(second.Take(path));
        EXPECT_FALSE(second.Held());
    }
    first.reset();  // going, it lets the next one in
    posix::InstanceLock third;
    EXPECT_TRUE(third.Take(path));
    third.Release();
    EXPECT_TRUE(posix::InstanceLock().Take(path));
}

TEST_F(InstanceLockTest, AHolderKilledKeepsNoOneOut) {
    const std::string path = home_ + "/Orbek.lock";
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        posix::InstanceLock lock;
        const char held = lock.Take(path) ? 'y' : 'n';
        if (::write(ready[1], &held, 1) != 1) ::_exit(1);
        for (;;) ::pause();
    }
    ::close(ready[1]);
    char held = 0;
    ASSERT_EQ(::read(ready[0], &held, 1), 1);
    ::close(ready[0]);
    ASSERT_EQ(held, 'y');
    EXPECT_FALSE(posix::InstanceLock().Take(path));

    ::kill(holder, SIGKILL);
    ASSERT_EQ(::waitpid(holder, nullptr, 0), holder);
    EXPECT_TRUE(posix::InstanceLock().Take(path));
}

TEST_F(InstanceLockTest, AFileThatCannotBeMadeIsReported) {
    const std::string path = home_ + "/missing/Orbek.lock";
    posix::InstanceLock lock;
    try {
        lock.Take(path);
        FAIL() << "a lock file that cannot be made must be reported";
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number, vb::kFileAccess);
        EXPECT_NE(vb::EncodeUtf8(e.description).find(path), std::string::npos);
    }
    EXPECT_FALSE(lock.Held());
}

}  // namespace
