#include "os/filelock.h"

#include "support/childprocess.h"
#include "support/links.h"
#include "support/programfixture.h"

#include <atomic>
#include <thread>

using namespace xiuyun;
using namespace xiuyun::testing;
using files::FileLock;
using namespace std::chrono_literals;

namespace {

class FileLockTest : public ::testing::Test {
protected:
    Text at(const char* relative) const { return directory.path() + "\\"_t + Text::fromUtf8(relative); }
    TemporaryDirectory directory;
};

// Waits until the file exists, at most a minute; a child that never gets there fails the test
// instead of hanging it.
bool appears(const Text& file) {
    for (int i = 0; i < 30000 && !files::exists(file); ++i)
        std::this_thread::sleep_for(2ms);
    return files::exists(file);
}

TEST_F(FileLockTest, aHeldLockIsRefusedUntilItsHolderLetsGo) {
    const Text path = at(".c_x.q.lock");
    std::optional<FileLock> held = FileLock::acquire(path, 0ms);
    ASSERT_TRUE(held);
    EXPECT_EQ(files::fileSize(path), 0); // made empty where there was none

    EXPECT_FALSE(FileLock::acquire(path, 0ms));
    EXPECT_FALSE(FileLock::acquire(path, 50ms)); // a bounded wait ends without it

    // Moved, the lock stays taken; the emptied object lets nothing go.
    std::optional<FileLock> moved = std::move(held);
    held.reset();
    EXPECT_FALSE(FileLock::acquire(path, 0ms));

    moved.reset();
    EXPECT_TRUE(FileLock::acquire(path, 0ms));
    EXPECT_FALSE(FileLock::acquire(at("missing\\.x.lock"), 0ms));
}

TEST_F(FileLockTest, aWaitingAcquireTakesTheLockOnceItIsLetGo) {
    const Text path = at(".c_x.q.lock");
    std::optional<FileLock> held = FileLock::acquire(path, 0ms);
    ASSERT_TRUE(held);
    std::atomic<bool> letGo = false;
    std::thread holder([&] {
        std::this_thread::sleep_for(100ms);
        letGo = true;
        held.reset();
    });
    const std::optional<FileLock> taken = FileLock::acquire(path, 60s);
    EXPECT_TRUE(taken);
    EXPECT_TRUE(letGo);
    holder.join();
}

TEST_F(FileLockTest, anotherProcessKeepsTheLockUntilItEndsHoweverItEnds) {
    const Text path = at(".c_x.q.lock");
    const Text ready = at("ready");
    ChildProcess holder(XIUYUN_FILE_PROBE, {"lock", path.toUtf8(), ready.toUtf8()});
    ASSERT_TRUE(holder.started());
    ASSERT_TRUE(appears(ready));

    EXPECT_FALSE(FileLock::acquire(path, 0ms));
    EXPECT_FALSE(FileLock::acquire(path, 100ms));

    holder.kill(); // no chance to unlock: the system lets the lock go with the process
    EXPECT_EQ(holder.wait(60s), -1);
    EXPECT_TRUE(FileLock::acquire(path, 10s));
}

TEST_F(FileLockTest, onlyAPlainFileIsEverLocked) {
    ASSERT_TRUE(ensureFolder(at("folder")));
    EXPECT_FALSE(FileLock::acquire(at("folder"), 0ms));
    if (!fileLinksCanBeMade())
        GTEST_SKIP() << noFileLinksHere;
    TemporaryDirectory outside;
    const Text target = outside.path() + "\\target"_t;
    ASSERT_TRUE(files::writeFile(target, "kept"));
    ASSERT_TRUE(makeFileLink(target, at(".link.lock")));
    EXPECT_FALSE(FileLock::acquire(at(".link.lock"), 0ms));
    EXPECT_EQ(files::readFile(target), ByteArray("kept"));

    // A link to nowhere must not make its target appear.
    const Text nowhere = outside.path() + "\\nowhere"_t;
    ASSERT_TRUE(makeFileLink(nowhere, at(".dangling.lock")));
    EXPECT_FALSE(FileLock::acquire(at(".dangling.lock"), 0ms));
    EXPECT_FALSE(files::exists(nowhere));
#ifndef _WIN32
    ASSERT_TRUE(makeFileLink("/dev/null"_t, at(".device.lock")));
    EXPECT_FALSE(FileLock::acquire(at(".device.lock"), 0ms));
#endif
}

TEST(LockFileNameTest, aLockFileIsNamedBesideItsFileWithADotInFront) {
    EXPECT_EQ(files::lockFileFor("C:\\app\\vrd\\c_x.q"_t), "C:\\app\\vrd\\.c_x.q.lock"_t);
    EXPECT_EQ(files::lockFileFor("/home/u/vrd/c_x.q"_t), "/home/u/vrd/.c_x.q.lock"_t);
    EXPECT_EQ(files::lockFileFor("c_x.q"_t), ".c_x.q.lock"_t);
    EXPECT_TRUE(files::isLockFile("C:\\app\\vrd\\.c_x.q.lock"_t));
    EXPECT_TRUE(files::isLockFile(".x.lock"_t));
    for (const char* other :
         {"vrd\\c_x.q", "vrd\\t_j.q.lock", "vrd\\.lock", "vrd\\..lock", "vrd\\.c_x.q", ".lock\\c_x.q"})
        EXPECT_FALSE(files::isLockFile(Text::fromGbk(other))) << other;
}

} // namespace
