// A site that says "slow down" (429 Too Many Requests, 503 Service Unavailable) is waited for by the
// worker that met the answer, in its slot, and asked again a bounded number of times.
#include "download/imageworker.h"
#include "support/faultfixture.h"

#include <ctime>
#include <thread>

using namespace xiuyun;
using namespace xiuyun::testing;
using namespace std::chrono_literals;

namespace {

Page busyAnswer(int status, std::vector<std::pair<std::string, std::string>> headers = {}) {
    Page page = Page::bytes("<html><body>slow down</body></html>", "text/html");
    page.status = status;
    page.headers = std::move(headers);
    return page;
}

std::string httpDate(std::chrono::system_clock::time_point moment) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(moment);
    std::tm utc;
    utc = *std::gmtime(&seconds); // the test thread alone asks
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &utc);
    return text;
}

class BusySiteTest : public FaultTest {
protected:
    // The time between two requests of the path.
    std::chrono::milliseconds gap(const std::string& path, std::size_t first, std::size_t second) {
        const auto times = requestTimes(path);
        if (times.size() <= second)
            return -1ms;
        return std::chrono::duration_cast<std::chrono::milliseconds>(times[second] - times[first]);
    }

    void waitForRowStatus(int row, const Text& status) {
        const auto deadline = Clock::now() + 30s;
        while (window.cell(row, 2) != status && Clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        ASSERT_EQ(window.cell(row, 2), status);
    }
};

TEST_F(BusySiteTest, aRetryAfterInSecondsIsWaitedAndTheImageArrivesWithoutAnAlbumRetry) {
    const std::string image = album.imagePath(2);
    serveWith([&](const std::string& path, int request) -> std::optional<Page> {
        if (path == image && request == 1)
            return busyAnswer(429, {{"Retry-After", "2"}});
        return std::nullopt;
    });
    downloadAlbum();
    EXPECT_TRUE(holdsAlbum(albumFolder(), album));
    EXPECT_EQ(lastMessageText(), successBox(0));
    EXPECT_EQ(requestTimes(image).size(), 2u);
    EXPECT_GE(gap(image, 0, 1), 2s);
}

TEST_F(BusySiteTest, aRetryAfterDateIsWaitedUntil) {
    const std::string image = album.imagePath(1);
    serveWith([&](const std::string& path, int request) -> std::optional<Page> {
        if (path == image && request == 1)
            return busyAnswer(503, {{"Retry-After", httpDate(std::chrono::system_clock::now() + 3s)}});
        return std::nullopt;
    });
    downloadAlbum();
    EXPECT_TRUE(holdsAlbum(albumFolder(), album));
    EXPECT_EQ(lastMessageText(), successBox(0));
    // The date counts whole seconds: at least two of the three are still ahead when it is read.
    EXPECT_GE(gap(image, 0, 1), 2s);
}

TEST_F(BusySiteTest, withoutRetryAfterTheWaitsGrowFromOneSecond) {
    const std::string image = album.imagePath(3);
    serveWith([&](const std::string& path, int request) -> std::optional<Page> {
        if (path == image && request <= 2)
            return busyAnswer(503);
        return std::nullopt;
    });
    downloadAlbum();
    EXPECT_TRUE(holdsAlbum(albumFolder(), album));
    EXPECT_EQ(lastMessageText(), successBox(0));
    EXPECT_GE(gap(image, 0, 1), 1s);
    EXPECT_GE(gap(image, 1, 2), 2s);
}

TEST_F(BusySiteTest, aWaitingWorkerKeepsItsSlot) {
    window.moveSlider(1);
    const std::string first = album.imagePath(1);
    serveWith([&](const std::string& path, int request) -> std::optional<Page> {
        if (path == first && request == 1)
            return busyAnswer(429, {{"Retry-After", "1"}});
        return std::nullopt;
    });
    downloadAlbum();
    EXPECT_TRUE(holdsAlbum(albumFolder(), album));
    // With one slot, nothing else was asked for while the first image waited.
    ASSERT_EQ(requestTimes(first).size(), 2u);
    ASSERT_EQ(requestTimes(album.imagePath(2)).size(), 1u);
    EXPECT_GT(requestTimes(album.imagePath(2)).front(), requestTimes(first).back());
}

TEST_F(BusySiteTest, aCancelEndsALongWaitAtOnceAndNothingIsWritten) {
    const std::string image = album.imagePath(1);
    serveWith([&](const std::string& path, int) -> std::optional<Page> {
        if (path == image)
            return busyAnswer(429, {{"Retry-After", "30"}});
        return std::nullopt;
    });
    analyse(address(album.pagePath), Control::选择框_单个地址);
    window.click(Control::按钮_开始下载);
    waitForRowStatus(0, "服务器繁忙，30 秒后重试"_t);
    // No temporary file of the image waits with it: a process ended meanwhile would leave it behind.
    EXPECT_TRUE(files::listEntries(albumFolder(), "1.png.*"_t, files::EntryKind::Files).empty());

    window.click(Control::按钮_取消下载);
    // Far less than the 30 s asked for: the wait ended with the cancel.
    EXPECT_TRUE(waitForDownloadThreads(program, 10s));
    EXPECT_EQ(requestTimes(image).size(), 1u);
    EXPECT_FALSE(files::exists(albumFolder() + "\\1.png"_t));
    EXPECT_EQ(window.cell(0, 2), "下载完成"_t);
    EXPECT_TRUE(window.isEnabled(Control::按钮_重新分析));
}

TEST_F(BusySiteTest, aSiteThatStaysBusyIsAskedABoundedNumberOfTimesAndReported) {
    const std::string image = album.imagePath(4);
    serveWith([&](const std::string& path, int) -> std::optional<Page> {
        if (path == image)
            return busyAnswer(429, {{"Retry-After", "0"}});
        return std::nullopt;
    });
    downloadAlbum();
    // Ten passes over the album, each asking at most five times.
    EXPECT_EQ(requestTimes(image).size(),
              static_cast<std::size_t>(10 * program.downloadPolicy.busyAnswerTries));
    EXPECT_EQ(requestTimes(album.imagePath(3)).size(), 10u);
    EXPECT_EQ(files::fileSize(albumFolder() + "\\4.png"_t), 0);
    EXPECT_EQ(lastMessageText(), warningBox(11));
}

TEST(BusyWaitTest, theWaitIsTheSitesOrAGrowingOneAndNeverOverAMinute) {
    const auto now = std::chrono::system_clock::now();
    const auto longest = DownloadPolicy{}.longestBusyWait;
    EXPECT_EQ(busyWait("HTTP/1.1 429 x\r\nRetry-After: 7\r\n"_t, 1, now, longest), 7s);
    EXPECT_EQ(busyWait("HTTP/1.1 429 x\r\nRetry-After: 3600\r\n"_t, 1, now, longest), 60s);
    EXPECT_EQ(busyWait("HTTP/1.1 503 x\r\n"_t, 1, now, longest), 1s);
    EXPECT_EQ(busyWait("HTTP/1.1 503 x\r\n"_t, 2, now, longest), 2s);
    EXPECT_EQ(busyWait("HTTP/1.1 503 x\r\nRetry-After: later\r\n"_t, 4, now, longest), 8s);
    EXPECT_EQ(busyWait("HTTP/1.1 503 x\r\n"_t, 40, now, longest), 60s);
    EXPECT_TRUE(isBusyAnswer(429) && isBusyAnswer(503));
    EXPECT_FALSE(isBusyAnswer(500) || isBusyAnswer(502) || isBusyAnswer(200));
}

} // namespace
