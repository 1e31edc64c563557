#include "download/imageworker.h"

#include "support/downloadfixture.h"
#include "support/links.h"

using namespace xiuyun;
using namespace xiuyun::testing;

namespace {

TEST(ImageFileNameTest, theRowNumberKeepsTheAddressExtensionOrTakesJpg) {
    EXPECT_EQ(imageFileName(0, "http://i.x/a/1.jpg"_t), "1.jpg"_t);
    EXPECT_EQ(imageFileName(4, "http://i.x/a/5.png"_t), "5.png"_t);
    EXPECT_EQ(imageFileName(2, "http://i.x/a/photo"_t), "3.jpg"_t);
    EXPECT_EQ(imageFileName(0, "http://i.x/a.b/photo"_t), "1.jpg"_t);
}

// One worker at a time on the test's own thread, over rows set up by hand.
class ImageWorkerTest : public DownloadFixture {
protected:
    void SetUp() override {
        DownloadFixture::SetUp();
        album = gallery.albumsOn("/t/xinggan/", 1).front();
        program.rows.fill(address(album.imagePath(1)), album.imageCount);
        download = std::make_shared<Download>(program, StartRequest{}, Text());
    }

    void runWorker(const Text& folder, int row) { runWorker(target(folder), *program.rows.batch(), row); }
    void runWorker(const AlbumTarget& target, const ImageBatch& batch, int row) {
        ++download->activeWorkers;
        downloadImageRow(*download, target, batch, row);
    }
    AlbumTarget target(const Text& folder) const {
        return {directory.path(), folder, Text::number(album.imageCount)};
    }

    gallery::AlbumInfo album;
    std::shared_ptr<Download> download;
};

TEST_F(ImageWorkerTest, anImageIsWrittenWholeAndItsRowFinished) {
    ASSERT_TRUE(ensureFolder(at("album")));
    runWorker(at("album"), 1);
    EXPECT_EQ(files::readFile(at("album\\2.png")), gallery.image(album.id, 2));
    EXPECT_EQ(window.cell(1, 2), "下载完成"_t);
    EXPECT_TRUE(window.cell(0, 2).empty());
    EXPECT_EQ(download->activeWorkers, 0);
}

TEST_F(ImageWorkerTest, anEmptyAnswerLeavesAnEmptyFile) {
    Page empty = Page::bytes("", "image/png");
    site.setPage(album.imagePath(1), empty);
    ASSERT_TRUE(ensureFolder(at("album")));
    runWorker(at("album"), 0);
    EXPECT_EQ(files::fileSize(at("album\\1.png")), 0);
    EXPECT_EQ(window.cell(0, 2), "下载完成"_t);
}

TEST_F(ImageWorkerTest, aFailedWriteLeavesTheAddressListOnce) {
    // A folder in the way of an image makes its write fail while the album folder exists.
    ASSERT_TRUE(ensureFolder(at("album\\1.png")));
    ASSERT_TRUE(ensureFolder(at("album\\2.png")));
    runWorker(at("album"), 0);
    std::string expected;
    for (int number = 1; number <= album.imageCount; ++number)
        expected += (number > 1 ? "\r\n" : "") + address(album.imagePath(number)).toUtf8();
    EXPECT_EQ(files::readFile(at("album\\5.txt")), expected);

    ImageBatch changed = *program.rows.batch();
    changed.addresses[4] = "http://changed/5.png"_t;
    runWorker(target(at("album")), changed, 1);
    EXPECT_EQ(files::readFile(at("album\\5.txt")), expected); // an existing list is never changed
    EXPECT_EQ(window.cell(0, 2), "下载完成"_t);
    EXPECT_EQ(window.cell(1, 2), "下载完成"_t);
    EXPECT_TRUE(window.messages().empty());
}

TEST_F(ImageWorkerTest, aWorkerEndingAfterTheRowsChangedLeavesItsOwnAlbumsList) {
    ASSERT_TRUE(ensureFolder(at("album\\3.png")));
    const auto rows = program.rows.batch();
    const Text addressList = albumAddressList(*rows);
    // A stop and a reset, then another album on the rows before this worker fails its write.
    program.rows.clear();
    program.rows.fill("http://other/1.png"_t, 1);
    runWorker(target(at("album")), *rows, 2);

    EXPECT_EQ(files::readFile(at("album\\5.txt")), addressList.bytes());
    EXPECT_TRUE(addressList.startsWith(address(album.imagePath(1))));
    EXPECT_EQ(window.cell(0, 2), Text());
}

TEST_F(ImageWorkerTest, aListThatCannotBeWrittenIsReportedAndTheRowKeepsWaiting) {
    ASSERT_TRUE(files::writeFile(at("plain"), "x"));
    runWorker(at("plain\\album"), 2);
    EXPECT_EQ(lastMessageText(), "状态：下载图片失败\r\n\r\n原因：文件创建失败\r\n\r\n解决：请重试下载"_t);
    EXPECT_EQ(window.messages().back().caption, "温馨提示"_t);
    EXPECT_EQ(window.cell(2, 2), "等待中..."_t);
    EXPECT_EQ(download->activeWorkers, 0);
}

TEST_F(ImageWorkerTest, nothingIsWrittenThroughAFolderLinkBelowTheTarget) {
    if (!linksCanBeMade())
        GTEST_SKIP() << noLinksHere;
    TemporaryDirectory outside;
    ASSERT_TRUE(makeFolderLink(outside.path(), at("list")));
    runWorker(at("list\\album"), 0);
    ASSERT_TRUE(ensureFolder(at("plain")));
    ASSERT_TRUE(makeFolderLink(outside.path(), at("plain\\album")));
    runWorker(at("plain\\album"), 1);

    EXPECT_TRUE(files::listFolder(outside.path()).empty());
    EXPECT_EQ(download->activeWorkers, 0);
    if (!linkIsSeen(directory.path(), at("list")))
        return;
    EXPECT_EQ(lastMessageText(), "状态：下载图片失败\r\n\r\n原因：文件创建失败\r\n\r\n解决：请重试下载"_t);
    EXPECT_EQ(window.messages().size(), 2u);
}

TEST(FolderHoldingTest, theLastElementIsCutOff) {
    EXPECT_EQ(folderHolding("C:\\x\\12 title"_t), "C:\\x\\"_t);
    EXPECT_EQ(folderHolding("/home/u/12 title"_t), "/home/u/"_t);
}

} // namespace
