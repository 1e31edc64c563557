#include "download/journal.h"

#include "download/failurereport.h"
#include "support/downloadfixture.h"

using namespace xiuyun;
using namespace xiuyun::testing;

namespace {

const std::string category = "/t/xinggan/";
const std::string search = "/search/summer/";

class JournalTest : public DownloadFixture {
protected:
    void SetUp() override {
        DownloadFixture::SetUp();
        // An active history: a finished job is refused, one merely begun must not be.
        ASSERT_TRUE(ensureFolder(program.dataDir()));
        ASSERT_TRUE(files::writeFile(dataFile("c_x.q"), ""));
    }

    // A new analysis of the same address, as the user does after a cancel or in a new window.
    void analyseAgain(const std::string& path, Control box) {
        if (window.isEnabled(Control::按钮_重新分析))
            window.click(Control::按钮_重新分析);
        analyse(address(path), box);
        ASSERT_EQ(lastMessageText(), completed());
    }

    // The journal of the analysed job into the folder in the box.
    Journal journal() const {
        return Journal::open(program, jobOf(program, window.text(Control::编辑框_存放目录)));
    }

    std::map<std::string, int> imageRequestCounts() const {
        std::map<std::string, int> counts;
        for (const auto& request : site.requests())
            if (request.path.rfind("/img/", 0) == 0)
                ++counts[request.path];
        return counts;
    }

    static const Text& refusedBox() {
        static const Text text =
            "发现：这个页面地址曾被下载过\r\n\r\n如果需要再次下载，请点击 -2 强制下载- 按钮！"_t;
        return text;
    }
};

TEST_F(JournalTest, aJobBrokenOffGoesOnWhereItStoppedAndAsksForNothingItHad) {
    serveGallery(std::chrono::milliseconds(3));
    window.moveSlider(3);
    analyseAgain(category, Control::选择框_图集分类);
    window.clearMessages();
    window.click(Control::按钮_开始下载);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (imageRequests() < 60 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    window.click(Control::按钮_取消下载);
    ASSERT_TRUE(waitForDownloadThreads(program, std::chrono::minutes(1)));
    ASSERT_TRUE(journal().unfinished());
    const std::map<std::string, int> before = imageRequestCounts();

    analyseAgain(category, Control::选择框_图集分类);
    downloadAndWait();

    EXPECT_EQ(lastMessageText(), successBox(0));
    int total = 0;
    for (int page = 1; page <= 3; ++page) {
        const auto albums = gallery.albumsOn(category, page);
        for (std::size_t k = 0; k < albums.size(); ++k) {
            EXPECT_TRUE(holdsAlbum(
                listAlbumFolder(at(std::to_string(page)), static_cast<int>(k) + 1, albums[k]), albums[k]));
            total += albums[k].imageCount;
        }
    }
    // Each image once, but for those in flight at the cancel: one a thread at most.
    const std::map<std::string, int> after = imageRequestCounts();
    int repeated = 0;
    for (const auto& [path, count] : after)
        repeated += count - 1;
    EXPECT_EQ(static_cast<int>(after.size()), total);
    EXPECT_LE(repeated, 3);
    EXPECT_GT(static_cast<int>(before.size()), 0);
    // Finished now: the next start is refused as the history says.
    EXPECT_FALSE(journal().unfinished());
    analyseAgain(category, Control::选择框_图集分类);
    window.click(Control::按钮_开始下载);
    EXPECT_EQ(lastMessageText(), refusedBox());
}

TEST_F(JournalTest, imagesThatStillFailAreListedAndTheNextStartFetchesThemAlone) {
    gallery.setList(search, 1);
    const auto albums = gallery.albumsOn(search, 1);
    const std::string broken = albums[1].imagePath(3);
    Page missing = Page::bytes(std::string(20000, 'e'), "text/html");
    missing.status = 404;
    site.setPage(broken, missing);
    analyseAgain(search, Control::选择框_搜索地址);
    downloadAndWait();

    const Text report = failureReportPath(directory.path());
    const std::optional<ByteArray> listed = files::readFile(report);
    ASSERT_TRUE(listed);
    // Notepad reads UTF-8 without a byte-order mark as the user's code page.
    ASSERT_TRUE(listed->starts_with(files::utf8TextPrefix()));
    const std::string text = listed->substr(files::utf8TextPrefix().size());
    EXPECT_EQ(text.substr(0, text.find("\r\n")),
              ("下载失败的图片：共 1 张　页面地址："_t + address(search)).toUtf8());
    EXPECT_NE(text.find(address(broken).toUtf8() + "　原因：网站回应 HTTP 状态 404"), std::string::npos)
        << text;
    ASSERT_TRUE(program.failureReport);
    EXPECT_EQ(program.failureReport->count, 1);

    // The site mends the image: the next start is no refusal, and asks for that image alone.
    site.setFallback([this](const std::string& path) { return galleryPage(gallery, path); });
    site.setPage(broken, *galleryPage(gallery, broken));
    const std::map<std::string, int> before = imageRequestCounts();
    analyseAgain(search, Control::选择框_搜索地址);
    downloadAndWait();

    EXPECT_EQ(lastMessageText(), successBox(0));
    std::map<std::string, int> asked = imageRequestCounts();
    for (const auto& [path, count] : before)
        asked[path] -= count;
    std::erase_if(asked, [](const auto& entry) { return entry.second == 0; });
    EXPECT_EQ(asked, (std::map<std::string, int>{{broken, 1}}));
    EXPECT_TRUE(holdsAlbum(listAlbumFolder(at("summer"), 2, albums[1]), albums[1]));
    EXPECT_FALSE(files::exists(report));
}

TEST_F(JournalTest, theCleanUpOfACancelledDownloadForgetsTheJob) {
    startSlowAlbum(2, std::chrono::milliseconds(200), 9);
    waitForImagesInFlight(2);
    window.click(Control::按钮_取消下载);
    ASSERT_TRUE(waitForDownloadThreads(program, std::chrono::minutes(1)));
    ASSERT_TRUE(journal().unfinished());

    window.click(Control::按钮_删除残余);
    EXPECT_FALSE(journal().unfinished());
    EXPECT_FALSE(files::exists(Journal::fileOf(program, journal().key())));
}

TEST(JournalTextTest, aJournalReadsBackAsWrittenAndOnlyForItsOwnJob) {
    const JobKey job{"http://x/t/a/"_t, PAGE_CATEGORY, "/d\ttab"_t};
    const std::optional<Journal> empty = Journal::parse(
        "j.q"_t, job,
        "xiuyun-job 1\r\naddress\thttp://x/t/a/\r\ntype\t1\r\nfolder\t/d tab\r\nstate\trunning\r\n"_t);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->unfinished());
    const Text written =
        "xiuyun-job 1\r\naddress\thttp://x/t/a/\r\ntype\t1\r\nfolder\t/d "
        "tab\r\nstate\trunning\r\nreport\t1\r\n"
        "page\t1\r\nalbum\t2\thttp://x/i/5.html\r\nfailed\t2\t3\tT\t7\thttp://x/img/7.jpg\t原因\r\n"_t;
    const std::optional<Journal> read = Journal::parse("j.q"_t, job, written);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->serialise(), written);
    EXPECT_TRUE(read->pageFinished("1"_t));
    EXPECT_TRUE(read->albumFinished("http://x/i/5.html"_t));
    EXPECT_EQ(read->ledger(),
              (std::vector<LedgerEntry>{{"2"_t, 3, "T"_t, 7, "http://x/img/7.jpg"_t, "原因"_t}}));

    for (const JobKey& other :
         {JobKey{"http://x/t/b/"_t, PAGE_CATEGORY, job.folder}, JobKey{job.address, PAGE_SEARCH, job.folder},
          JobKey{job.address, PAGE_CATEGORY, "/d"_t}})
        EXPECT_FALSE(Journal::parse("j.q"_t, other, written)) << other.address << other.folder;
    EXPECT_FALSE(Journal::parse("j.q"_t, job, "xiuyun-job 2\r\n"_t));
}

} // namespace
