#include "download/startcommand.h"

#include "program/presenter.h"
#include "support/downloadfixture.h"

using namespace xiuyun;
using namespace xiuyun::testing;

namespace {

const std::string search = "/search/summer/";

const Text& seenBefore() {
    static const Text text =
        "发现：这个页面地址曾被下载过\r\n\r\n如果需要再次下载，请点击 -2 强制下载- 按钮！"_t;
    return text;
}

class StartDownloadTest : public DownloadFixture {
protected:
    void SetUp() override {
        DownloadFixture::SetUp();
        useGallery({.albumsPerPage = 2, .imagesPerAlbum = 2});
        gallery.setList(search, 1);
    }
    Text historyFile() const { return program.dataFile("c_x.q"_t); }
    ByteArray history() const { return files::readFile(historyFile()).value_or("<missing>"); }
};

TEST_F(StartDownloadTest, beforeAnAnalysisTheStartIsRefused) {
    offerCleanUp(program, CleanUpChoice::CacheFiles, true);
    window.click(Control::按钮_开始下载);

    EXPECT_EQ(lastMessageText(),
              "状态：开始下载失败\r\n\r\n原因：分析数据未完成\r\n\r\n解决：请确认分析数据正确，再开始下载"_t);
    EXPECT_EQ(window.messages().back().icon, MessageIcon::Error);
    EXPECT_FALSE(window.isVisible(Control::按钮_删除残余));
    EXPECT_EQ(window.text(Control::按钮_删除残余), "删除取消下载的图片"_t);
    EXPECT_TRUE(window.isEnabled(Control::按钮_开始下载));
    EXPECT_FALSE(window.isEnabled(Control::按钮_取消下载));
    std::lock_guard lock(program.downloadLock);
    EXPECT_EQ(program.schedulerThread, nullptr);
}

TEST_F(StartDownloadTest, withoutAHistoryFileEveryPressDownloadsAndNothingIsRecorded) {
    analyse(address(search), Control::选择框_搜索地址);
    downloadAndWait();
    downloadAndWait();
    EXPECT_EQ(boxesCaptioned("恭喜客官"_t).size(), 2u);
    EXPECT_FALSE(files::exists(historyFile()));
}

TEST_F(StartDownloadTest, aPageDownloadedBeforeIsRefusedOnceThenForced) {
    ASSERT_TRUE(ensureDataDirectory(program));
    ASSERT_TRUE(files::writeFile(historyFile(), ""));
    analyse(address(search), Control::选择框_搜索地址);
    const Text page = address(search);
    const auto albums = gallery.albumsOn(search, 1);

    downloadAndWait();
    // The page when the download starts, then every album as it is finished; the empty first
    // record of the empty file is gone with the first rewrite.
    EXPECT_EQ(history(), page.toUtf8() + "\r\n" + address(albums[0].pagePath).toUtf8() + "\r\n" +
                             address(albums[1].pagePath).toUtf8());

    window.clearMessages();
    window.click(Control::按钮_开始下载);
    ASSERT_EQ(window.messages().size(), 1u);
    EXPECT_EQ(lastMessageText(), seenBefore());
    EXPECT_EQ(window.messages().back().icon, MessageIcon::Warning);
    EXPECT_EQ(window.messages().back().caption, "温馨提示"_t);
    EXPECT_EQ(window.text(Control::按钮_开始下载), "2 强制下载"_t);
    EXPECT_TRUE(window.isEnabled(Control::按钮_重新分析));
    EXPECT_TRUE(window.isEnabled(Control::按钮_开始下载));

    const ByteArray before = history();
    // The rows still show the last album: that is what a second download fetches again.
    const int imageRequests = site.requestCount(albums[1].imagePath(1));
    downloadAndWait();
    EXPECT_EQ(window.text(Control::按钮_开始下载), "2 开始下载"_t);
    EXPECT_GT(site.requestCount(albums[1].imagePath(1)), imageRequests);
    EXPECT_EQ(lastMessageText(), successBox(0));
    EXPECT_EQ(history(), before);
}

TEST_F(StartDownloadTest, anAddressNamingALaterPageSkipsTheEarlierOnes) {
    auto skipped = [this](const char* last, int entries) {
        std::vector<Text> numbers;
        for (int i = 1; i <= entries; ++i)
            numbers.push_back(Text::number(i));
        program.albums.setPageNumbers(std::move(numbers));
        skipToAddressedPage(program, "http://x/t/xinggan/"_t + Text::fromGbk(last));
        return program.albums.pageNumbers().empty()
                   ? 0
                   : static_cast<int>(program.albums.pageNumbers().front().toInteger());
    };
    EXPECT_EQ(skipped("3.html", 5), 3);
    EXPECT_EQ(program.albums.pageNumbers().size(), 3u);
    EXPECT_EQ(skipped("2.html", 5), 2);
    EXPECT_EQ(skipped("1.html", 5), 1);
    EXPECT_EQ(skipped("0.html", 5), 1);
    EXPECT_EQ(skipped("3a.html", 5), 1);
    EXPECT_EQ(skipped("", 5), 1);
    EXPECT_EQ(skipped("page.html", 5), 1);
    EXPECT_EQ(skipped("9.html", 5), 0);
    EXPECT_EQ(skipped("99999999999999999999999.html", 5), 0);
}

TEST_F(StartDownloadTest, anAlbumFolderThatCannotBeMadeStopsTheStart) {
    const auto album = gallery.albumsOn(search, 1).front();
    analyse(address(album.pagePath), Control::选择框_单个地址);
    ASSERT_TRUE(files::writeFile(at("plain file"), "x"));
    program.analysis.albumFolder = at("plain file") + "\\album"_t;
    window.clearMessages();

    window.click(Control::按钮_开始下载);

    EXPECT_EQ(lastMessageText(),
              "状态：分析数据失败\r\n\r\n原因：目录创建出错\r\n\r\n解决：请确认目录是否正确或是否被占用！"_t);
    EXPECT_FALSE(window.isEnabled(Control::按钮_开始下载));
    EXPECT_TRUE(window.isEnabled(Control::按钮_取消下载));
    EXPECT_FALSE(window.isEnabled(Control::按钮_重新分析));
    std::lock_guard lock(program.downloadLock);
    EXPECT_EQ(program.schedulerThread, nullptr);
}

} // namespace
