#include "download/cancelcommand.h"

#include "download/download.h"
#include "support/downloadfixture.h"

#include <thread>

using namespace xiuyun;
using namespace xiuyun::testing;

namespace {

const std::string category = "/t/xinggan/";

class CancelTest : public DownloadFixture {
protected:
    void startSlowAlbum(int threads, std::chrono::milliseconds latency, int images = 9) {
        album = DownloadFixture::startSlowAlbum(threads, latency, images);
    }

    void expectCancelledPhase() {
        EXPECT_FALSE(window.isEnabled(Control::按钮_取消下载));
        EXPECT_FALSE(window.isEnabled(Control::按钮_开始下载));
        EXPECT_FALSE(window.isEnabled(Control::按钮_分析数据));
        EXPECT_TRUE(window.isEnabled(Control::按钮_重新分析));
        EXPECT_TRUE(window.isVisible(Control::按钮_删除残余));
        EXPECT_EQ(window.text(Control::按钮_删除残余), "删除取消下载的图片"_t);
    }

    gallery::AlbumInfo album;
};

TEST_F(CancelTest, cancellingWhileEverySlotIsBusyStartsNoFurtherImage) {
    startSlowAlbum(3, std::chrono::milliseconds(400));
    waitForImagesInFlight(3);

    window.click(Control::按钮_取消下载);

    EXPECT_EQ(activeWorkers(program), 0); // the program counts no worker once its download is gone
    {
        std::lock_guard lock(program.downloadLock);
        EXPECT_EQ(program.schedulerThread, nullptr);
    }
    expectCancelledPhase();
    ASSERT_TRUE(waitForDownloadThreads(program, std::chrono::minutes(1)));

    EXPECT_EQ(imageRequests(), 3);
    ASSERT_EQ(window.rowCount(), 9);
    for (int row = 0; row < 9; ++row)
        EXPECT_EQ(window.cell(row, 2), row < 3 ? "下载完成"_t : Text()) << row;
    EXPECT_TRUE(holdsAlbum(program.analysis.albumFolder,
                           {album.id, album.title, 3, album.pagePath, album.coverPath}));
    EXPECT_TRUE(window.messages().empty());
    expectCancelledPhase(); // the scheduler's end changed nothing afterwards
}

TEST_F(CancelTest, aCancelBetweenTwoStartsWithSlotsToSpareStartsNoFurtherImage) {
    useGallery({.imagesPerAlbum = 9});
    serveGallery(std::chrono::milliseconds(200));
    album = gallery.albumsOn(category, 1).front();
    window.moveSlider(sliderMaximum);
    analyse(address(album.pagePath), Control::选择框_单个地址);
    window.clearMessages();
    // The stop arrives as the scheduler shows the third row, right after it has counted that
    // row's worker: the scheduler holds downloadLock there, so its handle can be read.
    window.setChangeObserver([this](const ControlChange& change) {
        if (change.kind == ControlChange::Kind::RowShown && change.number == 3 && program.schedulerThread)
            program.schedulerThread->requestStop();
    });
    window.click(Control::按钮_开始下载);
    ASSERT_TRUE(waitForDownloadThreads(program, std::chrono::minutes(1)));
    window.setChangeObserver({});
    window.click(Control::按钮_取消下载);

    EXPECT_EQ(imageRequests(), 3);
    EXPECT_TRUE(window.messages().empty());
    expectCancelledPhase();
}

TEST_F(CancelTest, cancellingDuringTheEndOfBatchWaitRunsNoRetryAndNoReport) {
    useGallery({.imagesPerAlbum = 2, .smallImageEvery = 1}); // every image comes out small
    serveGallery(std::chrono::milliseconds(300));
    album = gallery.albumsOn(category, 1).front();
    site.trackInFlight("/img/");
    analyse(address(album.pagePath), Control::选择框_单个地址);
    window.clearMessages();
    window.click(Control::按钮_开始下载);
    waitForImagesInFlight(2);

    window.click(Control::按钮_取消下载);
    ASSERT_TRUE(waitForDownloadThreads(program, std::chrono::minutes(1)));

    EXPECT_EQ(imageRequests(), 2);
    EXPECT_TRUE(window.messages().empty());
    EXPECT_EQ(program.lastDownload->retryCount(), 0);
    expectCancelledPhase();
}

TEST_F(CancelTest, aNewDownloadRightAfterACancelKeepsItsOwnLimit) {
    startSlowAlbum(3, std::chrono::milliseconds(500));
    waitForImagesInFlight(3);
    window.click(Control::按钮_取消下载);
    window.click(Control::按钮_重新分析);

    // While the three old images are still on their way, another album at two threads.
    const auto next = gallery.albumsOn(category, 1)[1];
    site.trackInFlight("/img/" + std::to_string(next.id) + "/");
    window.moveSlider(2);
    analyse(address(next.pagePath), Control::选择框_单个地址);
    window.clearMessages();
    window.click(Control::按钮_开始下载);
    ASSERT_TRUE(waitForDownloadThreads(program, std::chrono::minutes(1)));

    EXPECT_EQ(site.peakInFlight(), 2);
    EXPECT_TRUE(holdsAlbum(program.analysis.albumFolder, next));
    EXPECT_EQ(lastMessageText(), successBox(0));
    for (int row = 0; row < window.rowCount(); ++row)
        EXPECT_EQ(window.cell(row, 2), "下载完成"_t) << row;
}

TEST_F(CancelTest, aCancelWithoutARunningSchedulerStillLeavesTheWayOut) {
    // The start of a single album that could not make its folder runs no thread.
    useGallery({.imagesPerAlbum = 2});
    album = gallery.albumsOn(category, 1).front();
    analyse(address(album.pagePath), Control::选择框_单个地址);
    ASSERT_TRUE(files::writeFile(at("plain"), "x"));
    program.analysis.albumFolder = at("plain\\album");
    window.click(Control::按钮_开始下载);
    ASSERT_TRUE(window.isEnabled(Control::按钮_取消下载));

    window.click(Control::按钮_取消下载);
    expectCancelledPhase();
}

} // namespace
