#include "download/download.h"

#include "support/downloadfixture.h"
#include "support/systembus.h"

using namespace xiuyun;
using namespace xiuyun::testing;

namespace {

// The download's sleep lock against a mock of logind on a bus of the test's own.
class DownloadSleepLockTest : public DownloadFixture {
protected:
    void SetUp() override {
        DownloadFixture::SetUp();
        bus.emplace(directory.native() / "system_bus_socket", Logind::Mocked);
    }

    const std::vector<Inhibitor> heldWhileDownloading{{"sleep", "xiuyun", "下载进行中", "block"}};
    std::optional<MockSystemBus> bus;
};

TEST_F(DownloadSleepLockTest, theSystemStaysAwakeUntilTheImagesAreIn) {
    EXPECT_TRUE(bus->waitForInhibitors(0).empty());
    startSlowAlbum(2, std::chrono::milliseconds(300), 6);
    waitForImagesInFlight(2);
    EXPECT_EQ(bus->waitForInhibitors(1), heldWhileDownloading);

    ASSERT_TRUE(waitForDownloadThreads(program, std::chrono::minutes(1)));
    ASSERT_EQ(boxesCaptioned("恭喜客官"_t).size(), 1u);
    EXPECT_TRUE(bus->waitForInhibitors(0).empty());
    EXPECT_EQ(lastSleepLockOutcome(program)->state, SleepLockState::Held);
}

enum class RunEnd { Cancel, WindowClosing };

class DownloadSleepLockEndTest : public DownloadSleepLockTest,
                                 public ::testing::WithParamInterface<RunEnd> {};

TEST_P(DownloadSleepLockEndTest, theSystemMaySleepAgainOnceTheRunIsStopped) {
    startSlowAlbum(2, std::chrono::milliseconds(300), 8);
    waitForImagesInFlight(2);
    ASSERT_EQ(bus->waitForInhibitors(1), heldWhileDownloading);

    if (GetParam() == RunEnd::Cancel)
        window.click(Control::按钮_取消下载);
    else
        window.events().windowDestroying();

    EXPECT_TRUE(bus->waitForInhibitors(0).empty());
    ASSERT_TRUE(waitForDownloadThreads(program, std::chrono::minutes(1)));
}

INSTANTIATE_TEST_SUITE_P(Ends, DownloadSleepLockEndTest,
                         ::testing::Values(RunEnd::Cancel, RunEnd::WindowClosing));

} // namespace
