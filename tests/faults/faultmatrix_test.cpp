// What the user sees when the site or the machine misbehaves: one test per fault, each ending with
// a clear message or a sound retry, without a crash or a hang, and with nothing written or deleted
// outside the target folder and the program directory.
#include "app/closing.h"
#include "download/download.h"
#include "net/decoding.h"
#include "program/presenter.h"
#include "support/faultfixture.h"
#include "support/filesizelimit.h"
#include "support/links.h"
#include "support/pictures.h"
#include "testsite/gzip.h"

#include <atomic>
#include <fstream>
#include <random>
#include <thread>

using namespace xiuyun;
using namespace xiuyun::testing;

namespace {

#ifdef __linux__
// The process's peak resident memory since the last reset, in bytes; Linux keeps it in
// /proc/self/status and starts it again from the current size on request.
[[maybe_unused]] void resetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}
[[maybe_unused]] long long peakMemoryBytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stoll(line.substr(6)) * 1024;
    }
    return -1;
}
#endif

TEST_F(FaultTest, aSlowServerWithinTheTimeOutsIsWaitedFor) {
    serveWith([&](const std::string& path, int) -> std::optional<Page> {
        if (path.rfind("/img/", 0) != 0)
            return std::nullopt;
        auto page = galleryPage(gallery, path);
        page->pieces = 4;
        page->pause = std::chrono::milliseconds(300);
        return page;
    });
    downloadAlbum();
    EXPECT_TRUE(holdsAlbum(albumFolder(), album));
    EXPECT_EQ(lastMessageText(), successBox(0));
    expectNothingElsewhere();
}

TEST_F(FaultTest, anImageThatStaysSilentUntilTheTimeOutIsFetchedAgain) {
    serveWith([&](const std::string& path, int request) -> std::optional<Page> {
        if (path != album.imagePath(3) || request > 1)
            return std::nullopt;
        Page silent;
        silent.ending = Page::Ending::Silent;
        return silent;
    });
    downloadAlbum();
    EXPECT_TRUE(holdsAlbum(albumFolder(), album));
    EXPECT_EQ(lastMessageText(), successBox(2));
}

TEST_F(FaultTest, anImageThatTricklesIsGivenUpAndFetchedAgain) {
    // Each byte keeps the idle limit away; the floor on progress, shortened here, ends it.
    program.downloadPolicy.imageProgressFloor = {10240, std::chrono::seconds(2)};
    serveWith([&](const std::string& path, int request) -> std::optional<Page> {
        if (path != album.imagePath(3) || request > 1)
            return std::nullopt;
        auto page = galleryPage(gallery, path);
        page->pieces = static_cast<int>(page->body.size());
        page->pause = std::chrono::milliseconds(100);
        return page;
    });
    downloadAlbum();
    EXPECT_TRUE(holdsAlbum(albumFolder(), album));
    EXPECT_EQ(lastMessageText(), successBox(2));
}

TEST_F(FaultTest, aListPageCutOffMidwayEndsTheAnalysisWithItsMessage) {
    serveWith([&](const std::string& path, int) -> std::optional<Page> {
        if (path != category)
            return std::nullopt;
        auto page = galleryPage(gallery, path);
        page->ending = Page::Ending::CutOff;
        return page;
    });
    analyse(address(category), Control::选择框_图集分类);
    expectAnalysisFailed();
}

TEST_F(FaultTest, anImageCutOffMidwayIsFetchedAgain) {
    serveWith([&](const std::string& path, int request) -> std::optional<Page> {
        if (path != album.imagePath(2) || request > 1)
            return std::nullopt;
        auto page = galleryPage(gallery, path);
        page->ending = Page::Ending::CutOff;
        return page;
    });
    downloadAlbum();
    EXPECT_TRUE(holdsAlbum(albumFolder(), album));
    EXPECT_EQ(lastMessageText(), successBox(2));
    expectNoImageCutShort(albumFolder());
}

// A picture whose bytes stop short of its end, sent as 200 with its whole (short) length.
Page cutPicture() {
    const std::string jpeg = testPicture("picture.jpg");
    Page page = Page::bytes(jpeg.substr(0, jpeg.size() - 2), "image/jpeg");
    page.compressed = false;
    return page;
}

TEST_F(FaultTest, aPictureCutShortWithAMatchingLengthIsFetchedAgain) {
    serveWith([&](const std::string& path, int request) -> std::optional<Page> {
        if (path != album.imagePath(2) || request > 1)
            return std::nullopt;
        return cutPicture();
    });
    downloadAlbum();
    EXPECT_TRUE(holdsAlbum(albumFolder(), album));
    EXPECT_EQ(lastMessageText(), successBox(2));
}

TEST_F(FaultTest, aPictureThatStaysCutShortIsReported) {
    serveWith([&](const std::string& path, int) -> std::optional<Page> {
        if (path != album.imagePath(2))
            return std::nullopt;
        return cutPicture();
    });
    downloadAlbum();
    EXPECT_EQ(lastMessageText(), warningBox(11));
    EXPECT_GT(files::fileSize(albumFolder() + "\\2.png"_t), 10240);
}

// Images 1 to 4 of the album as phones and sites make them, whole with data after their end (a
// motion photo's video); cut at the first request, cut where their last bytes alone look whole or
// nearly: right after a thumbnail's end marker, inside the last scan, after a ";" in a GIF's
// data, one byte short of a PNG's end.
class PictureEndTest : public FaultTest, public ::testing::WithParamInterface<bool> {};

TEST_P(PictureEndTest, aPictureIsWholeWhenItsFormatSaysItEndedWhateverFollows) {
    const bool cutFirst = GetParam();
    const std::string progressive = testPicture("progressive.jpg");
    const std::string gif = testPicture("picture.gif");
    const std::string png = testPicture("picture.png");
    const std::vector<std::string> whole{motionPhoto(), progressive + videoBytes(), gif + videoBytes(),
                                         png + videoBytes()};
    const std::vector<std::string> cut{whole[0].substr(0, thumbnailEnd()), cutInLastScan(progressive),
                                       cutAfterSemicolonInData(gif), png.substr(0, png.size() - 1)};
    serveWith([&](const std::string& path, int request) -> std::optional<Page> {
        for (int number = 1; number <= 4; ++number) {
            if (path != album.imagePath(number))
                continue;
            const auto index = static_cast<std::size_t>(number - 1);
            Page page = Page::bytes(cutFirst && request == 1 ? cut[index] : whole[index], "image/jpeg");
            page.compressed = false;
            return page;
        }
        return std::nullopt;
    });
    downloadAlbum();
    EXPECT_EQ(lastMessageText(), successBox(cutFirst ? 2 : 0));
    for (int number = 1; number <= 4; ++number) {
        EXPECT_EQ(requestTimes(album.imagePath(number)).size(), cutFirst ? 2u : 1u) << number;
        EXPECT_EQ(files::readFile(albumFolder() + "\\"_t + Text::number(number) + ".png"_t),
                  ByteArray(whole[static_cast<std::size_t>(number - 1)]))
            << number;
    }
}

INSTANTIATE_TEST_SUITE_P(Served, PictureEndTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "cutAtFirst" : "wholeWithDataAfter"; });

struct ErrorAnswer {
    int status;
    std::size_t bodySize;
    const char* contentType;
    bool imageBytes = false; // the body begins as a PNG does
};

// Names the rows in the test list ("404 of 20000 bytes, text/html").
void PrintTo(const ErrorAnswer& answer, std::ostream* out) {
    *out << answer.status << " of " << answer.bodySize << " bytes, " << answer.contentType
         << (answer.imageBytes ? ", image bytes" : "");
}

class ErrorAnswerTest : public FaultTest, public ::testing::WithParamInterface<ErrorAnswer> {};

TEST_P(ErrorAnswerTest, anErrorAnswerIsNeverKeptAsAnImage) {
    const ErrorAnswer answer = GetParam();
    serveWith([&](const std::string& path, int) -> std::optional<Page> {
        if (path != album.imagePath(4))
            return std::nullopt;
        const std::string start = answer.imageBytes ? "\x89PNG\r\n\x1A\n" : "<html><body>";
        Page page =
            Page::bytes(start + std::string(answer.bodySize, 'e') + "</body></html>", answer.contentType);
        page.compressed = false;
        page.status = answer.status;
        return page;
    });
    downloadAlbum();
    EXPECT_EQ(files::fileSize(albumFolder() + "\\4.png"_t), 0);
    EXPECT_EQ(lastMessageText(), warningBox(11));
    expectNoImageCutShort(albumFolder());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ErrorAnswerTest,
    ::testing::Values(ErrorAnswer{400, 20000, "image/png", true}, ErrorAnswer{404, 5000, "text/html"},
                      ErrorAnswer{404, 20000, "text/html"}, ErrorAnswer{500, 5000, "text/html"},
                      ErrorAnswer{500, 20000, "text/html"},
                      // An error page sent as a good answer, where an image should be.
                      ErrorAnswer{200, 20000, "text/html"}, ErrorAnswer{200, 20000, "image/png"}));

TEST_F(FaultTest, aTruncatedGzipPageEndsTheAnalysisWithItsMessage) {
    serveWith([&](const std::string& path, int) -> std::optional<Page> {
        if (path != category)
            return std::nullopt;
        const std::string whole = gzipCompress(gallery.listPage(category, 1));
        Page page = Page::bytes(whole.substr(0, whole.size() * 6 / 10), "text/html");
        page.compressed = false;
        page.headers = {{"Content-Encoding", "gzip"}};
        return page;
    });
    analyse(address(category), Control::选择框_图集分类);
    expectAnalysisFailed();
}

// A first list page or an album page by the size it expands to: a gzip bomb of zeros, or a list
// page of the site padded out in a comment, sent as gzip or as it is, or left in the cache.
enum class Sent { GzipBomb, Gzip, AsItIs, Cached };

struct SizedPage {
    const char* name;
    bool albumPage;
    Sent sent;
    long long decodedBytes;
    bool analysed;
};

void PrintTo(const SizedPage& page, std::ostream* out) {
    *out << page.name;
}

class PageSizeTest : public FaultTest, public ::testing::WithParamInterface<SizedPage> {};

TEST_P(PageSizeTest, aPageBeyondTheCapIsNeitherReadNorCached) {
    const SizedPage sized = GetParam();
    const std::string path = sized.albumPage ? album.pagePath : category;
    std::string body;
    if (sized.sent == Sent::GzipBomb) {
        body = gzipBomb(static_cast<std::size_t>(sized.decodedBytes));
    } else {
        body = gallery.listPage(path, 1);
        const std::size_t padding = static_cast<std::size_t>(sized.decodedBytes) - body.size() - 7;
        body.insert(body.find("<body>") + 6, "<!--" + std::string(padding, 'x') + "-->");
    }
    if (sized.sent == Sent::Cached) {
        ASSERT_TRUE(files::createDirectories(program.dataDir()));
        ASSERT_TRUE(files::writeFile(dataFile("t_j.q"), body));
    }
    serveWith([&](const std::string& requested, int) -> std::optional<Page> {
        if (requested != path || sized.sent == Sent::Cached)
            return std::nullopt;
        Page page = Page::bytes(body, "text/html; charset=utf-8");
        page.compressed = sized.sent == Sent::Gzip;
        return page;
    });
    analyse(address(path), sized.albumPage ? Control::选择框_单个地址 : Control::选择框_图集分类);

    if (sized.analysed) {
        EXPECT_EQ(lastMessageText(), completed());
        EXPECT_EQ(window.rowCount(), gallery.options().imagesPerAlbum);
    } else {
        expectAnalysisFailed();
        EXPECT_EQ(program.messages.recent().back().id, MessageId::AnalyseEmptyPage);
        if (sized.sent != Sent::Cached) {
            EXPECT_EQ(lastCause(), Cause{HttpCause{HttpFailure::TooLarge}});
        }
        EXPECT_FALSE(hasDataFile("t_j.q"));
        EXPECT_FALSE(hasDataFile("d_g.q"));
    }
    for (const Text& name : files::listEntries(program.dataDir(), "*"_t, files::EntryKind::Files))
        EXPECT_LE(files::fileSize(program.dataFile(name)), MAX_PAGE_BYTES) << name;
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, PageSizeTest,
    ::testing::Values(
        SizedPage{"a gzip bomb as the first list page", false, Sent::GzipBomb, 64LL << 20, false},
        SizedPage{"a gzip bomb as the album page", true, Sent::GzipBomb, 64LL << 20, false},
        SizedPage{"the largest list page", false, Sent::Gzip, MAX_PAGE_BYTES, true},
        SizedPage{"a list page one byte larger", false, Sent::AsItIs, MAX_PAGE_BYTES + 1, false},
        SizedPage{"a cached list page one byte larger", false, Sent::Cached, MAX_PAGE_BYTES + 1, false}));

// Thirty images in flight, each an endless body: what arrives goes to disk, never into memory.
TEST_F(FaultTest, endlessBodiesAtThirtyThreadsLeaveMemoryBounded) {
#if !defined(__linux__)
    GTEST_SKIP() << "the peak memory of a process can be started again from its current size only on Linux";
#elif defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer's allocator keeps freed memory aside and its shadow grows with it: the peak "
                    "says nothing of the program's own";
#else
    constexpr int images = 30;
    constexpr long long eachBefore = 16LL << 20;
    useGallery({.imagesPerAlbum = images});
    album = gallery.albumsOn(category, 1).front();
    serveWith([&](const std::string& path, int) -> std::optional<Page> {
        if (path.rfind("/img/", 0) != 0)
            return std::nullopt;
        Page page;
        page.contentType = "image/png";
        // Just within the limit (a length announced beyond it is refused at once), and in pieces:
        // the pause between two lets the site's stop end the body.
        page.fillerSize = std::size_t(250) << 20;
        page.pieces = 250;
        page.pause = std::chrono::milliseconds(1);
        return page;
    });
    window.moveSlider(images);
    analyse(address(album.pagePath), Control::选择框_单个地址);
    ASSERT_EQ(lastMessageText(), completed());
    resetPeakMemory();
    window.click(Control::按钮_开始下载);

    // Until every image has written its share into its temporary file.
    const auto deadline = Clock::now() + std::chrono::minutes(2);
    long long arrived = 0;
    while (arrived < images * eachBefore && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        arrived = 0;
        for (const files::FolderEntry& entry : files::listFolder(albumFolder()))
            arrived += std::max(files::fileSize(albumFolder() + "\\"_t + entry.name), 0LL);
    }
    const long long peak = peakMemoryBytes();
    window.click(Control::按钮_取消下载);
    site.stop();
    ASSERT_TRUE(waitForDownloadThreads(program, std::chrono::minutes(1)));

    EXPECT_GE(arrived, images * eachBefore);
    EXPECT_GT(peak, 0);
    RecordProperty("peak_memory_mib", std::to_string(peak >> 20));
    RecordProperty("received_mib", std::to_string(arrived >> 20));
    EXPECT_LE(peak, 150LL << 20) << "peak memory " << (peak >> 20) << " MiB with " << (arrived >> 20)
                                 << " MiB received";
    expectNoImageCutShort(albumFolder());
#endif
}

TEST_F(FaultTest, anEndlessImageIsCutOffAndCountedAsFailed) {
    serveWith([&](const std::string& path, int) -> std::optional<Page> {
        if (path != album.imagePath(1))
            return std::nullopt;
        Page page;
        page.contentType = "image/png";
        page.fillerSize = std::size_t(300) << 20;
        return page;
    });
    downloadAlbum();
    EXPECT_EQ(files::fileSize(albumFolder() + "\\1.png"_t), 0);
    EXPECT_EQ(lastMessageText(), warningBox(11));
}

TEST_F(FaultTest, aPageBuiltToBacktrackEndsTheAnalysisWithItsMessage) {
    serveWith([&](const std::string& path, int) -> std::optional<Page> {
        if (path != search)
            return std::nullopt;
        std::string items;
        for (int i = 0; i < 60000; ++i)
            items += "<li><a>";
        return Page::bytes("<html><body><ul class=\"img\">" + items +
                               "<div class=\"bk10\"></div></body></html>",
                           "text/html; charset=utf-8");
    });
    analyse(address(search), Control::选择框_搜索地址);
    expectAnalysisFailed();
    EXPECT_EQ(lastMessageText(), "状态：分析数据失败\r\n\r\n原因：页面地址解析失败\r\n\r\n错误标识：000"_t);
}

// An album page of the gallery's shape, with a title and a count of the test's choosing.
std::string albumPageWith(const gallery::Gallery& gallery, const gallery::AlbumInfo& album,
                          const std::string& title, const std::string& count) {
    std::string html = gallery.albumPage(album.id);
    html.replace(html.find("<h1>") + 4, html.find("</h1>") - html.find("<h1>") - 4, title);
    const std::string before = "图片数量：";
    const std::size_t at = html.find(before) + before.size();
    html.replace(at, html.find(" 张", at) - at, count);
    return html;
}

class AwkwardTitleTest : public FaultTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(AwkwardTitleTest, anAlbumTitleNeverLeadsOutOfTheTargetFolder) {
    const std::string title = GetParam();
    site.setPage(album.pagePath,
                 Page::bytes(albumPageWith(gallery, album, title, "5"), "text/html; charset=utf-8"));
    downloadAlbum();

    const files::NativePath root = files::resolvedPath(program.analysis.albumFolder);
    const files::NativePath targetFolder = files::resolvedPath(target.path());
    ASSERT_TRUE(files::isStrictlyInside(root, targetFolder)) << program.analysis.albumFolder;
    // One level below.
    EXPECT_TRUE(files::isSamePath(files::resolvedPath(program.analysis.albumFolder + "\\.."_t), targetFolder))
        << program.analysis.albumFolder;
    EXPECT_TRUE(holdsAlbum(program.analysis.albumFolder, album));
    EXPECT_EQ(lastMessageText(), successBox(0));
    expectNothingElsewhere();
}

INSTANTIATE_TEST_SUITE_P(Titles, AwkwardTitleTest,
                         ::testing::Values("..", ".", "/", "\\", "../../etc", std::string(300, 'a'),
                                           "表情😀与ℌ符号", "", "　"));

// A link left below the target folder by anything: the folder counts as one that can't be made,
// and not one byte lands where it leads.
TEST_F(FaultTest, folderLinksBelowTheTargetAreNeverWrittenThrough) {
    if (!linksCanBeMade())
        GTEST_SKIP() << noLinksHere;
    TemporaryDirectory outside;
    const Text folderFailed =
        "状态：分析数据失败\r\n\r\n原因：目录创建出错\r\n\r\n解决：请确认目录是否正确或是否被占用！"_t;

    analyse(address(album.pagePath), Control::选择框_单个地址);
    ASSERT_EQ(lastMessageText(), completed());
    ASSERT_TRUE(makeFolderLink(outside.path(), albumFolder()));
    const bool seen = linkIsSeen(target.path(), albumFolder());
    downloadAndWait();
    if (seen) {
        EXPECT_EQ(lastMessageText(), folderFailed);
        EXPECT_EQ(lastCause(), Cause{SystemError{SystemError::Kind::LinkRefused}});
    }
    window.click(Control::按钮_取消下载); // the refused start leaves the window downloading
    window.click(Control::按钮_重新分析);

    gallery.setList(search, 1);
    const Text listFolder = target.path() + "\\summer"_t;
    ASSERT_TRUE(makeFolderLink(outside.path(), listFolder));
    analyse(address(search), Control::选择框_搜索地址);
    ASSERT_EQ(lastMessageText(), completed());
    downloadAndWait();
    if (seen) {
        EXPECT_EQ(boxesCaptioned("温馨提示"_t).back().text, folderFailed);
        EXPECT_EQ(lastCause(MessageId::FolderCreateFailed),
                  Cause{SystemError{SystemError::Kind::LinkRefused}});
    }
    window.click(Control::按钮_重新分析);

    ASSERT_TRUE(files::removeFile(listFolder) || files::removeTree(listFolder));
    const auto albums = gallery.albumsOn(search, 1);
    ASSERT_TRUE(ensureFolder(listFolder));
    ASSERT_TRUE(makeFolderLink(outside.path(), listAlbumFolder(listFolder, 1, albums[0])));
    window.clearMessages();
    analyse(address(search), Control::选择框_搜索地址);
    downloadAndWait();
    if (seen) {
        EXPECT_EQ(boxesCaptioned("温馨提示"_t).back().text,
                  "状态：下载图片失败\r\n\r\n原因：文件创建失败\r\n\r\n解决：请重试下载"_t);
    }
    EXPECT_TRUE(holdsAlbum(listAlbumFolder(listFolder, 2, albums[1]), albums[1]));

    EXPECT_TRUE(files::listFolder(outside.path()).empty());
}

// A second copy of the program on the same program directory, as a user opens two windows: its
// lock is its own, exactly as another process's is.
TEST_F(FaultTest, aSecondCopyNeitherAnalysesNorCleansNorDownloadsWhileTheFirstWorks) {
    HeadlessWindow otherWindow;
    Program other(otherWindow, directory.path());
    other.routes = program.routes;
    otherWindow.setEvents(commandHandlers(other));
    otherWindow.type(Control::编辑框_存放目录, target.path());
    const Text refused =
        "\r\n\r\n原因：同一程序目录的另一个程序正在分析或下载\r\n\r\n解决：请等它完成或重置分析后再试"_t;

    analyse(address(category), Control::选择框_图集分类);
    ASSERT_EQ(lastMessageText(), completed());
    const auto cachedPage = files::readFile(dataFile("t_j.q"));

    otherWindow.type(Control::编辑框_页面地址, address(search));
    otherWindow.click(Control::选择框_搜索地址);
    otherWindow.click(Control::按钮_分析数据);
    EXPECT_EQ(otherWindow.messages().back().text, "状态：分析数据失败"_t + refused);
    EXPECT_TRUE(otherWindow.isEnabled(Control::按钮_分析数据));
    offerCleanUp(other, CleanUpChoice::CacheFiles, true);
    otherWindow.click(Control::按钮_删除残余);
    EXPECT_EQ(otherWindow.messages().back().text, "状态：删除缓存失败"_t + refused);
    EXPECT_EQ(files::readFile(dataFile("t_j.q")), cachedPage);

    // Once the first copy's download has ended, the second may go to work.
    downloadAndWait();
    EXPECT_EQ(lastMessageText(), successBox(0));
    otherWindow.clearMessages();
    otherWindow.click(Control::按钮_分析数据);
    EXPECT_EQ(otherWindow.messages().back().text, completed());
    window.click(Control::按钮_重新分析);
    analyse(address(category), Control::选择框_图集分类);
    EXPECT_EQ(lastMessageText(), "状态：分析数据失败"_t + refused);
    otherWindow.click(Control::按钮_重新分析);
    window.click(Control::按钮_分析数据);
    EXPECT_EQ(lastMessageText(), completed());
}

TEST_F(FaultTest, aSearchWordThatDecodesToParentFoldersStaysInside) {
    const std::string word = "/search/..%2F..%2F../";
    gallery.setList(search, 1);
    site.setPage(word, Page::bytes(gallery.listPage(search, 1), "text/html; charset=utf-8"));
    analyse(address(word), Control::选择框_搜索地址);
    ASSERT_EQ(lastMessageText(), completed());
    downloadAndWait();

    const auto folders = files::listEntries(target.path(), "*"_t, files::EntryKind::Folders);
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_EQ(folders[0], "未命名"_t);
    expectNothingElsewhere();
    EXPECT_EQ(lastMessageText(), successBox(0));
}

TEST_F(FaultTest, aWriteThatFailsPartwayIsRetriedAndReportedNeverCutShort) {
    analyse(address(album.pagePath), Control::选择框_单个地址);
    ASSERT_EQ(lastMessageText(), completed());
    // A full disk: a file-size limit below the size of an image.
    if (!FileSizeLimit::exists)
        GTEST_SKIP() << FileSizeLimit::missing;
    FileSizeLimit limit(8192);
    ASSERT_TRUE(limit.active());
    window.click(Control::按钮_开始下载);
    const bool ended = waitForDownloadThreads(program, std::chrono::minutes(2));
    limit.lift();

    ASSERT_TRUE(ended);
    EXPECT_EQ(lastMessageText(), warningBox(11));
    expectNoImageCutShort(albumFolder());
    EXPECT_EQ(files::fileSize(albumFolder() + "\\1.png"_t), 0);
    EXPECT_TRUE(files::exists(albumFolder() + "\\5.txt"_t));
}

TEST_F(FaultTest, theCleanUpOfACancelledDownloadNeverFollowsALink) {
    TemporaryDirectory outside;
    ASSERT_TRUE(files::writeFile(outside.path() + "\\keep.jpg"_t, "x"));
    serveGallery(std::chrono::milliseconds(300));
    site.trackInFlight("/img/");
    analyse(address(album.pagePath), Control::选择框_单个地址);
    window.click(Control::按钮_开始下载);
    waitForImagesInFlight(1);
    window.click(Control::按钮_取消下载);
    ASSERT_TRUE(waitForDownloadThreads(program, std::chrono::minutes(1)));
    if (!linksCanBeMade())
        GTEST_SKIP() << noLinksHere;
    ASSERT_TRUE(makeFolderLink(outside.path(), albumFolder() + "\\link"_t));

    window.click(Control::按钮_删除残余);
    EXPECT_EQ(lastMessageText(), "状态：删除取消下载时产生的图片成功\r\n\r\n原因：\r\n\r\n解决："_t);
    EXPECT_FALSE(files::exists(albumFolder()));
    EXPECT_TRUE(files::exists(outside.path() + "\\keep.jpg"_t));
    EXPECT_TRUE(files::isDirectory(target.path()));
}

TEST_F(FaultTest, fiftyCancelsAtRandomMomentsEachFollowedByAWholeDownload) {
    useGallery({.imagesPerAlbum = 6});
    serveGallery(std::chrono::milliseconds(20));
    album = gallery.albumsOn(category, 1).front();
    std::mt19937 random(20261208);
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE(round);
        analyse(address(album.pagePath), Control::选择框_单个地址);
        window.click(Control::按钮_开始下载);
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 150));
        window.click(Control::按钮_取消下载);
        window.click(Control::按钮_重新分析);

        window.clearMessages();
        analyse(address(album.pagePath), Control::选择框_单个地址);
        window.click(Control::按钮_开始下载);
        ASSERT_TRUE(waitForDownloadThreads(program, std::chrono::minutes(1)));
        ASSERT_EQ(lastMessageText(), successBox(0));
        EXPECT_TRUE(holdsAlbum(albumFolder(), album));
        window.click(Control::按钮_重新分析);
    }
    expectNothingElsewhere();
}

TEST_F(FaultTest, theWindowClosedDuringADownloadLeavesNoImageCutShort) {
    useGallery({.imagesPerAlbum = 12});
    serveGallery(std::chrono::milliseconds(400)); // two rounds of workers: still on at 250 ms
    album = gallery.albumsOn(category, 1).front();
    analyse(address(album.pagePath), Control::选择框_单个地址);
    window.click(Control::按钮_开始下载);
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    window.events().windowDestroying();
    ASSERT_TRUE(waitForDownloadThreads(program, std::chrono::minutes(1)));

    expectNoImageCutShort(albumFolder());
    EXPECT_EQ(boxesCaptioned("恭喜客官"_t).size(), 0u);
}

TEST_F(FaultTest, anAbsurdImageCountIsRefusedAsAFailedAnalysis) {
    site.setPage(album.pagePath, Page::bytes(albumPageWith(gallery, album, album.title, "2000000000"),
                                             "text/html; charset=utf-8"));
    analyse(address(album.pagePath), Control::选择框_单个地址);
    expectAnalysisFailed();
    EXPECT_EQ(
        lastMessageText(),
        "状态：分析数据失败\r\n\r\n原因：页面地址解析错误\r\n\r\n解决：再重试分析,如果还出错就是程序问题"_t);

    window.clearMessages();
    std::string list = gallery.listPage(category, 1);
    const std::string count = "共" + std::to_string(gallery.options().imagesPerAlbum) + "张";
    list.replace(list.find(count), count.size(), "共99999999999张");
    site.setPage(category, Page::bytes(list, "text/html; charset=utf-8"));
    analyse(address(category), Control::选择框_图集分类);
    expectAnalysisFailed();
}

TEST_F(FaultTest, aPagerClaimingBillionsOfPagesIsRefusedBeforeAnyFurtherFetch) {
    std::string list = gallery.listPage(category, 1);
    const std::string last = category + "3.html\">";
    const std::size_t at = list.find(last);
    ASSERT_NE(at, std::string::npos);
    list.replace(at, last.size(), category + "2000000000.html\">");
    serveWith([&](const std::string& path, int) -> std::optional<Page> {
        if (path != category)
            return std::nullopt;
        return Page::bytes(list, "text/html; charset=utf-8");
    });
    analyse(address(category), Control::选择框_图集分类);

    expectAnalysisFailed();
    EXPECT_EQ(
        lastMessageText(),
        "状态：分析数据失败\r\n\r\n原因：页面地址解析错误\r\n\r\n解决：再重试分析,如果还出错就是程序问题"_t);
    EXPECT_TRUE(program.albums.pageNumbers().empty());
    EXPECT_EQ(site.requests().size(), 1u);
    // Kept, the broken page would answer every later analysis without asking the site.
    EXPECT_FALSE(files::exists(directory.path() + "\\vrd\\t_j.q"_t));
}

} // namespace
