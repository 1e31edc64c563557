#include "app/closing.h"

#include "download/download.h"
#include "support/downloadfixture.h"

#include <thread>

using namespace xiuyun;
using namespace xiuyun::testing;

namespace {

class ClosingTest : public DownloadFixture {};

TEST_F(ClosingTest, closingBeforeAnyDownloadStopsNothing) {
    window.events().windowDestroying();
    EXPECT_TRUE(window.messages().empty());
}

TEST_F(ClosingTest, closingDuringADownloadEndsTheSchedulerBeforeTheWindowGoes) {
    startSlowAlbum(2, std::chrono::milliseconds(300), 8);
    waitForImagesInFlight(2);

    window.events().windowDestroying();

    {
        std::lock_guard lock(program.downloadLock);
        EXPECT_EQ(program.schedulerThread, nullptr);
    }
    ASSERT_TRUE(waitForDownloadThreads(program, std::chrono::minutes(1)));
    EXPECT_EQ(imageRequests(), 2);
    EXPECT_TRUE(window.messages().empty());
}

TEST_F(ClosingTest, closingAfterACancelFindsNothingLeftToStop) {
    useGallery({.imagesPerAlbum = 2});
    serveGallery(std::chrono::milliseconds(200));
    analyse(address(gallery.albumsOn("/t/xinggan/", 1).front().pagePath), Control::选择框_单个地址);
    window.click(Control::按钮_开始下载);
    window.click(Control::按钮_取消下载);
    window.clearMessages();
    window.events().windowDestroying();
    EXPECT_TRUE(window.messages().empty());
    EXPECT_FALSE(window.isEnabled(Control::按钮_开始下载));
}

} // namespace
