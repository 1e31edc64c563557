#include "download/scheduler.h"

#include "support/downloadfixture.h"

#include <algorithm>
#include <atomic>
#include <set>

using namespace xiuyun;
using namespace xiuyun::testing;

namespace {

const std::string category = "/t/xinggan/";
const std::string search = "/search/summer/";

class SchedulerTest : public DownloadFixture {
protected:
    void expectFinishedPhase() {
        EXPECT_TRUE(window.isEnabled(Control::按钮_开始下载));
        EXPECT_TRUE(window.isEnabled(Control::按钮_重新分析));
        EXPECT_FALSE(window.isEnabled(Control::按钮_取消下载));
        EXPECT_FALSE(window.isEnabled(Control::按钮_分析数据));
        EXPECT_EQ(activeWorkers(program), 0);
        std::lock_guard lock(program.downloadLock);
        EXPECT_EQ(program.schedulerThread, nullptr);
    }

    void expectRowsDone() {
        for (int row = 0; row < window.rowCount(); ++row)
            EXPECT_EQ(window.cell(row, 2), "下载完成"_t) << "row " << row;
    }

    const gallery::AlbumInfo firstAlbumOn(const std::string& list) const {
        return gallery.albumsOn(list, 1).front();
    }
};

TEST_F(SchedulerTest, aSinglePageListIsSavedUnderItsListName) {
    gallery.setList(search, 1);
    analyse(address(search), Control::选择框_搜索地址);
    ASSERT_EQ(lastMessageText(), completed());
    window.clearMessages();

    downloadAndWait();

    const Text listFolder = at("summer");
    const auto albums = gallery.albumsOn(search, 1);
    for (std::size_t k = 0; k < albums.size(); ++k)
        EXPECT_TRUE(holdsAlbum(listAlbumFolder(listFolder, static_cast<int>(k) + 1, albums[k]), albums[k]));
    auto boxes = window.messages();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, successBox(0));
    EXPECT_EQ(boxes[0].caption, "恭喜客官"_t);
    EXPECT_EQ(boxes[0].icon, MessageIcon::Information);
    expectFinishedPhase();
    expectRowsDone();
    EXPECT_EQ(program.lastDownload->retryCount(), 0);

    // Images go with the site's root as referrer.
    for (const auto& request : site.requests()) {
        if (request.path.rfind("/img/", 0) == 0) {
            EXPECT_EQ(request.header("Referer"), std::string(SITE_ROOT));
        }
    }
}

TEST_F(SchedulerTest, aListOfThreePagesGetsAFolderPerPageAndReadsItsPagesFromTheCache) {
    analyse(address(category), Control::选择框_图集分类);
    ASSERT_EQ(lastMessageText(), completed());
    const int pageTwoFetches = site.requestCount(category + "2.html");

    downloadAndWait();

    for (int page = 1; page <= 3; ++page) {
        const auto albums = gallery.albumsOn(category, page);
        for (std::size_t k = 0; k < albums.size(); ++k)
            EXPECT_TRUE(holdsAlbum(
                listAlbumFolder(at(std::to_string(page)), static_cast<int>(k) + 1, albums[k]), albums[k]));
    }
    EXPECT_EQ(lastMessageText(), successBox(0));
    EXPECT_EQ(window.text(Control::编辑框_页面地址), address(category + "3.html"));
    EXPECT_EQ(window.text(Control::透明标签_当前页码2), "3"_t);
    EXPECT_EQ(site.requestCount(category + "2.html"), pageTwoFetches);
    EXPECT_EQ(site.requestCount(category + "3.html"), 1);
    expectFinishedPhase();
    expectRowsDone();
    // The last album of the last page stays shown.
    EXPECT_EQ(window.text(Control::透明标签_当前图集2), "4"_t);
}

TEST_F(SchedulerTest, aDownloadFromTheSecondListPageSkipsTheFirst) {
    analyse(address(category), Control::选择框_图集分类);
    window.click(Control::按钮_重新分析);
    window.clearMessages();
    analyse(address(category + "2.html"), Control::选择框_图集分类);
    ASSERT_EQ(lastMessageText(), completed());
    window.clearMessages();

    downloadAndWait();

    EXPECT_FALSE(files::exists(at("1")));
    for (int page = 2; page <= 3; ++page) {
        const auto albums = gallery.albumsOn(category, page);
        for (std::size_t k = 0; k < albums.size(); ++k)
            EXPECT_TRUE(holdsAlbum(
                listAlbumFolder(at(std::to_string(page)), static_cast<int>(k) + 1, albums[k]), albums[k]));
    }
    ASSERT_EQ(window.messages().size(), 1u);
    EXPECT_EQ(lastMessageText(), successBox(0));
    EXPECT_EQ(window.text(Control::编辑框_页面地址), address(category + "3.html"));
}

TEST_F(SchedulerTest, aSearchListGoesUnderItsDecodedWordInTheChosenTargetFolder) {
    TemporaryDirectory target;
    window.type(Control::编辑框_存放目录, target.path());
    gallery.setList("/search/夏日/", 1);
    analyse(address("/search/%E5%A4%8F%E6%97%A5/"), Control::选择框_搜索地址);
    downloadAndWait();

    const auto albums = gallery.albumsOn("/search/夏日/", 1);
    EXPECT_TRUE(holdsAlbum(listAlbumFolder(target.path() + "\\夏日"_t, 1, albums[0]), albums[0]));
    EXPECT_EQ(files::listEntries(directory.path(), "*"_t, files::EntryKind::Folders),
              std::vector<Text>{"vrd"_t}); // nothing under the program directory but the cache
    EXPECT_EQ(lastMessageText(), successBox(0));
}

TEST_F(SchedulerTest, siteTitlesNeverLeaveTheListFolder) {
    useGallery({.albumsPerPage = static_cast<int>(gallery::Gallery::awkwardTitles().size()),
                .imagesPerAlbum = 1,
                .awkwardTitles = true});
    gallery.setList(search, 1);
    analyse(address(search), Control::选择框_搜索地址);
    downloadAndWait();

    const auto albumFolders = files::listEntries(at("summer"), "*"_t, files::EntryKind::Folders);
    EXPECT_EQ(albumFolders.size(), gallery::Gallery::awkwardTitles().size());
    for (const Text& name : albumFolders)
        EXPECT_TRUE(files::exists(at("summer") + "\\"_t + name + "\\1.png"_t)) << name;
    auto topFolders = files::listEntries(directory.path(), "*"_t, files::EntryKind::Folders);
    std::sort(topFolders.begin(), topFolders.end());
    EXPECT_EQ(topFolders, (std::vector<Text>{"summer"_t, "vrd"_t}));
    EXPECT_EQ(lastMessageText(), successBox(0));
}

TEST_F(SchedulerTest, anAlbumIsSavedInTheFolderTheAnalysisChose) {
    const auto album = firstAlbumOn(category);
    analyse(address(album.pagePath), Control::选择框_单个地址);
    ASSERT_EQ(lastMessageText(), completed());
    const Text folder = program.analysis.albumFolder;

    downloadAndWait();

    EXPECT_EQ(folder, at(std::to_string(album.id) + " " + album.title));
    EXPECT_TRUE(holdsAlbum(folder, album));
    EXPECT_EQ(lastMessageText(), successBox(0));
    expectFinishedPhase();
    expectRowsDone();
}

class ThreadLimitTest : public SchedulerTest, public ::testing::WithParamInterface<int> {};

TEST_P(ThreadLimitTest, neverMoreImagesInFlightNorConnectionsThanTheSliderSays) {
    const int limit = GetParam();
    useGallery({.imagesPerAlbum = 9});
    serveGallery(std::chrono::milliseconds(60));
    site.trackInFlight("/img/");
    window.moveSlider(limit);
    analyse(address(firstAlbumOn(category).pagePath), Control::选择框_单个地址);

    downloadAndWait();

    EXPECT_EQ(site.peakInFlight(), limit);
    EXPECT_EQ(program.lastDownload->threadLimit(), limit);
    EXPECT_EQ(lastMessageText(), successBox(0));
    // Each worker takes a connection another one has left open.
    std::set<int> connections;
    for (const auto& request : site.requests())
        if (request.path.rfind("/img/", 0) == 0)
            connections.insert(request.clientPort);
    EXPECT_LE(static_cast<int>(connections.size()), limit);
}

INSTANTIATE_TEST_SUITE_P(Slider, ThreadLimitTest, ::testing::Values(1, 3));

// Answers one image small the first `smallTimes` times, then whole; counts its requests.
class FlakyImage {
public:
    FlakyImage(TestSite& site, const gallery::Gallery& gallery, std::string path, int smallTimes)
        : m_path(std::move(path)) {
        site.setFallback([this, &gallery, smallTimes](const std::string& path) {
            auto page = galleryPage(gallery, path);
            if (page && path == m_path && ++m_requests <= smallTimes)
                page->body = gallery::makePng(7, 4000);
            return page;
        });
    }
    int requests() const { return m_requests; }

private:
    std::string m_path;
    std::atomic<int> m_requests{0};
};

TEST_F(SchedulerTest, anImageSmallTheFirstTimeIsFetchedAgainAndReportedAsTwoRetries) {
    const auto album = firstAlbumOn(category);
    FlakyImage flaky(site, gallery, album.imagePath(3), 1);
    analyse(address(album.pagePath), Control::选择框_单个地址);
    downloadAndWait();

    EXPECT_EQ(flaky.requests(), 2);
    EXPECT_TRUE(holdsAlbum(program.analysis.albumFolder, album));
    EXPECT_EQ(lastMessageText(), successBox(2));
    EXPECT_EQ(program.lastDownload->retryCount(), 1); // one retry pass is reported as 2
}

TEST_F(SchedulerTest, anAlbumImageThatStaysSmallEndsAfterTenBatchesWithTheWarning) {
    const auto album = firstAlbumOn(category);
    FlakyImage flaky(site, gallery, album.imagePath(2), 1000);
    analyse(address(album.pagePath), Control::选择框_单个地址);
    downloadAndWait();

    EXPECT_EQ(flaky.requests(), 10);
    auto boxes = boxesCaptioned("恭喜客官"_t);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(
        boxes[0].text,
        "状态：图片下载完成，但可能存在下载失败的文件\r\n\r\n原因：未知\r\n\r\n重试次数：11 有点问题啊！"_t);
    EXPECT_EQ(boxes[0].icon, MessageIcon::Warning);
    expectFinishedPhase();
}

TEST_F(SchedulerTest, aListAlbumThatStaysSmallIsFetchedElevenTimes) {
    useGallery({.albumsPerPage = 2, .imagesPerAlbum = 3});
    gallery.setList(search, 1);
    const auto albums = gallery.albumsOn(search, 1);
    FlakyImage flaky(site, gallery, albums[0].imagePath(1), 1000);
    analyse(address(search), Control::选择框_搜索地址);
    downloadAndWait();

    EXPECT_EQ(flaky.requests(), 11);
    EXPECT_EQ(site.requestCount(albums[1].imagePath(1)), 1); // the next album starts its checks afresh
    EXPECT_EQ(
        lastMessageText(),
        "状态：图片下载完成，但可能存在下载失败的文件\r\n\r\n原因：未知\r\n\r\n累计重试次数：11 有点问题啊！"_t);
    EXPECT_TRUE(holdsAlbum(listAlbumFolder(at("summer"), 2, albums[1]), albums[1]));
}

TEST_F(SchedulerTest, anErrorPageIsNeverKeptAsAnImage) {
    const auto album = firstAlbumOn(category);
    Page missing = Page::bytes(std::string(20000, 'e'), "text/html");
    missing.status = 404;
    site.setPage(album.imagePath(4), missing);
    analyse(address(album.pagePath), Control::选择框_单个地址);
    downloadAndWait();

    EXPECT_EQ(files::fileSize(program.analysis.albumFolder + "\\4.png"_t), 0);
    EXPECT_EQ(site.requestCount(album.imagePath(4)), 10);
    EXPECT_EQ(
        lastMessageText(),
        "状态：图片下载完成，但可能存在下载失败的文件\r\n\r\n原因：未知\r\n\r\n重试次数：11 有点问题啊！"_t);
}

TEST_F(SchedulerTest, anAlbumFolderRemovedMidwayGetsTheAddressList) {
    useGallery({.albumsPerPage = 1});
    gallery.setList(search, 1);
    const auto album = gallery.albumsOn(search, 1).front();
    const Text albumFolder = listAlbumFolder(at("summer"), 1, album);
    std::atomic<bool> removed{false};
    site.setFallback([&](const std::string& path) {
        // The user deletes the folder while the album downloads, once.
        if (path == album.imagePath(2) && !removed.exchange(true))
            files::removeTree(albumFolder);
        return galleryPage(gallery, path);
    });
    window.moveSlider(1);
    analyse(address(search), Control::选择框_搜索地址);
    downloadAndWait();

    std::string expected;
    for (int number = 1; number <= album.imageCount; ++number)
        expected += (number > 1 ? "\r\n" : "") + std::string(SITE_ROOT) + album.imagePath(number).substr(1);
    EXPECT_EQ(files::readFile(albumFolder + "\\5.txt"_t), expected);
    // The image whose write failed was left empty under its name, so the check fetched the album
    // again: the image removed with the folder came back with it.
    EXPECT_TRUE(holdsAlbum(albumFolder, album));
    expectRowsDone();
    EXPECT_EQ(lastMessageText(), successBox(2));
}

} // namespace
