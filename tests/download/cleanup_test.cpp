#include "download/cleanup.h"

#include "download/download.h"
#include "os/filelock.h"
#include "program/presenter.h"
#include "support/downloadfixture.h"
#include "support/environment.h"
#include "support/links.h"

#include <algorithm>
#include <thread>

using namespace xiuyun;
using namespace xiuyun::testing;

namespace {

const Text& pleaseWait() {
    static const Text text = "请耐心等待，删除成功或失败的提示，避免程序发生崩！"_t;
    return text;
}

std::vector<Text> sorted(std::vector<Text> names) {
    std::sort(names.begin(), names.end());
    return names;
}

class CacheCleanUpTest : public ProgramFixture {
protected:
    void offerCleanUp() { xiuyun::offerCleanUp(program, CleanUpChoice::CacheFiles, true); }
    void expectButtonGone() {
        EXPECT_FALSE(window.isVisible(Control::按钮_删除残余));
        EXPECT_EQ(window.text(Control::按钮_删除残余), "删除取消下载的图片"_t);
    }
};

TEST_F(CacheCleanUpTest, everyCacheFileGoesButTheDecoderAndTheHistory) {
    ASSERT_TRUE(ensureDataDirectory(program));
    for (const char* name : {"t_j.q", "d_g.q", "c_x.q", "gzip.dll", "gzip.dll.old", "2.q", "3.q"})
        ASSERT_TRUE(files::writeFile(program.dataFile(Text::fromGbk(name)), "x"));
    ASSERT_TRUE(ensureFolder(program.dataFile("sub"_t)));
    ASSERT_TRUE(files::writeFile(program.dataFile("sub\\4.q"_t), "x"));
    offerCleanUp();

    window.click(Control::按钮_删除残余);

    // The clean-up holds the data folder's lock while it works; its file stays.
    EXPECT_EQ(sorted(files::listEntries(program.dataDir(), "*"_t, files::EntryKind::Files)),
              (std::vector<Text>{".work.lock"_t, "c_x.q"_t, "gzip.dll"_t, "gzip.dll.old"_t}));
    EXPECT_TRUE(files::exists(program.dataFile("sub\\4.q"_t)));
    auto boxes = window.messages();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, pleaseWait());
    EXPECT_EQ(boxes[0].caption, "信息："_t);
    EXPECT_EQ(boxes[0].icon, MessageIcon::Warning);
    EXPECT_EQ(
        boxes[1].text,
        "状态：删除缓存完成\r\n\r\n提示：如需要删除页面地址的记录数据\r\n ，请手动删除vrd目录下的c_x.q文件"_t);
    EXPECT_EQ(boxes[1].caption, "温馨提示"_t);
    EXPECT_EQ(boxes[1].icon, MessageIcon::Information);
    expectButtonGone();
}

TEST_F(CacheCleanUpTest, aFolderWithoutFilesOrNoFolderAtAllIsReported) {
    offerCleanUp();
    window.click(Control::按钮_删除残余);
    EXPECT_EQ(lastMessageText(), "状态：删除缓存失败\r\n\r\n原因：未知\r\n\r\n解决：文件不存在"_t);
    EXPECT_EQ(window.messages().back().icon, MessageIcon::Error);
    expectButtonGone();

    ASSERT_TRUE(ensureFolder(program.dataFile("only a folder"_t)));
    offerCleanUp();
    window.click(Control::按钮_删除残余);
    EXPECT_EQ(lastMessageText(), "状态：没有发现缓存文件\r\n\r\n原因：\r\n\r\n解决："_t);
    EXPECT_EQ(window.messages().back().icon, MessageIcon::Information);
    expectButtonGone();
}

TEST_F(CacheCleanUpTest, lockFilesStayAndCountForNothing) {
    ASSERT_TRUE(ensureDataDirectory(program));
    const Text lockFile = files::lockFileFor(program.dataFile("c_x.q"_t));
    auto held = files::FileLock::acquire(lockFile, std::chrono::milliseconds(0));
    ASSERT_TRUE(held);
    ASSERT_TRUE(files::writeFile(program.dataFile("t_j.q"_t), "x"));
    offerCleanUp();

    window.click(Control::按钮_删除残余);

    EXPECT_EQ(sorted(files::listEntries(program.dataDir(), "*"_t, files::EntryKind::Files)),
              (std::vector<Text>{".c_x.q.lock"_t, ".work.lock"_t}));
    EXPECT_EQ(window.messages().size(), 2u);
    EXPECT_TRUE(lastMessageText().startsWith("状态：删除缓存完成"_t));
    // Still the file the holder locked: a new one under the name would be free to take.
    EXPECT_FALSE(files::FileLock::acquire(lockFile, std::chrono::milliseconds(0)));

    // A folder holding nothing but lock files holds no cache.
    window.clearMessages();
    offerCleanUp();
    window.click(Control::按钮_删除残余);
    EXPECT_EQ(lastMessageText(), "状态：没有发现缓存文件\r\n\r\n原因：\r\n\r\n解决："_t);
    expectButtonGone();
}

TEST_F(CacheCleanUpTest, theButtonDeletesWhatItWasOfferedForLast) {
    // Offered for the cache, then taken back by an analysis: a click asks about images instead.
    ASSERT_TRUE(ensureDataDirectory(program));
    ASSERT_TRUE(files::writeFile(program.dataFile("t_j.q"_t), "page"));
    offerCleanUp();
    xiuyun::offerCleanUp(program, CleanUpChoice::CancelledImages, true);
    EXPECT_EQ(window.text(Control::按钮_删除残余), "删除取消下载的图片"_t);
    window.queueAnswers({MessageAnswer::Cancel});
    window.click(Control::按钮_删除残余);
    ASSERT_EQ(window.messages().size(), 1u);
    EXPECT_EQ(window.messages().front().buttons, MessageButtons::OkCancel);
    EXPECT_TRUE(files::exists(program.dataFile("t_j.q"_t)));
    EXPECT_TRUE(window.isVisible(Control::按钮_删除残余));
}

class DeleteFolderTreeTest : public ::testing::Test {
protected:
    Text at(const char* relative) const { return target.path() + "\\"_t + Text::fromUtf8(relative); }
    bool remove(const Text& path) const {
        const Text allowed[] = {target.path()};
        const Text kept[] = {at("vrd")};
        return deleteFolderTree(path, allowed, kept);
    }
    TemporaryDirectory target;
};

TEST_F(DeleteFolderTreeTest, onlyAFolderStrictlyInsideTheAllowedOnesGoes) {
    ASSERT_TRUE(ensureFolder(at("album")));
    ASSERT_TRUE(files::writeFile(at("album\\1.jpg"), "x"));
    ASSERT_TRUE(ensureFolder(at("album\\inner")));
    ASSERT_TRUE(files::writeFile(at("album\\inner\\2.jpg"), "x"));
    ASSERT_TRUE(ensureFolder(at("vrd")));

    EXPECT_FALSE(remove(Text()));
    EXPECT_FALSE(remove("   "_t));
    EXPECT_FALSE(remove("C:"_t));
    EXPECT_FALSE(remove("C:\\"_t));
    EXPECT_FALSE(remove("/"_t));
    EXPECT_FALSE(remove(target.path()));
    EXPECT_FALSE(remove(at("album\\..")));
    EXPECT_FALSE(remove(at("album\\..\\..")));
    EXPECT_FALSE(remove(at("vrd")));
    ASSERT_TRUE(ensureFolder(at("home\\user")));
    {
        EnvironmentVariable home(homeVariable, (target.native() / "home" / "user").string());
        EXPECT_FALSE(remove(at("home\\user")));
        EXPECT_FALSE(remove(at("home")));
    }
    TemporaryDirectory elsewhere;
    EXPECT_FALSE(remove(elsewhere.path()));
    EXPECT_TRUE(files::isDirectory(elsewhere.path()));
    EXPECT_TRUE(files::exists(at("album\\inner\\2.jpg")));

    EXPECT_TRUE(remove("  "_t + at("album\\inner\\..")));
    EXPECT_FALSE(files::exists(at("album")));
    EXPECT_TRUE(files::isDirectory(at("vrd")));
}

TEST_F(DeleteFolderTreeTest, linksGoAsLinksAndDotNamesStay) {
    TemporaryDirectory outside;
    ASSERT_TRUE(files::writeFile(outside.path() + "\\keep.jpg"_t, "x"));
    ASSERT_TRUE(ensureFolder(at("album\\hidden")));
    if (!linksCanBeMade())
        GTEST_SKIP() << noLinksHere;
    ASSERT_TRUE(makeFolderLink(outside.path(), at("album\\link")));
    ASSERT_TRUE(files::writeFile(at("album\\1.jpg"), "x"));
    ASSERT_TRUE(files::writeFile(at("album\\hidden\\.keep"), "x"));

    EXPECT_FALSE(remove(at("album")));
    EXPECT_TRUE(files::exists(outside.path() + "\\keep.jpg"_t));
    EXPECT_FALSE(files::exists(at("album\\1.jpg")));
    EXPECT_TRUE(files::exists(at("album\\hidden\\.keep")));

    ASSERT_TRUE(files::removeFile(at("album\\hidden\\.keep")));
    EXPECT_TRUE(remove(at("album")));
    EXPECT_TRUE(files::exists(outside.path() + "\\keep.jpg"_t));

    // A link given as the folder itself is never followed.
    ASSERT_TRUE(makeFolderLink(outside.path(), at("alias")));
    EXPECT_FALSE(remove(at("alias")));
    EXPECT_TRUE(files::exists(outside.path() + "\\keep.jpg"_t));
}

// The images of a cancelled download, end to end.
class CancelledImagesTest : public DownloadFixture {
protected:
    void cancelSlowAlbum() {
        startSlowAlbum(2, std::chrono::milliseconds(400), 6);
        waitForImagesInFlight(2);
        window.click(Control::按钮_取消下载);
        window.clearMessages();
    }
    static const Text& confirmation() {
        static const Text text =
            pleaseWait() +
            "\r\n\r\n如果你的图片很多的话，可能就有点小久！\r\n\r\n谨慎操作，将会删除图片根目录，那是否删除呢！"_t;
        return text;
    }
};

TEST_F(CancelledImagesTest, theFolderGoesOnceNoWorkerIsLeftAndTheUserAgrees) {
    cancelSlowAlbum();
    const Text folder = program.analysis.albumFolder;

    // Two workers still show "等待中...": the deletion pauses and the button stays.
    window.click(Control::按钮_删除残余);
    auto boxes = window.messages();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, confirmation());
    EXPECT_EQ(boxes[0].caption, "信息："_t);
    EXPECT_EQ(boxes[0].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(boxes[1].text,
              "状态：删除被暂停\r\n\r\n原因：存在 <等待中...> 的图片\r\n\r\n解决：请等待显示下载完成！"_t);
    EXPECT_TRUE(window.isVisible(Control::按钮_删除残余));

    ASSERT_TRUE(waitForDownloadThreads(program, std::chrono::minutes(1)));
    window.clearMessages();
    window.queueAnswers({MessageAnswer::Cancel});
    window.click(Control::按钮_删除残余);
    EXPECT_EQ(window.messages().size(), 1u);
    EXPECT_TRUE(window.isVisible(Control::按钮_删除残余));
    EXPECT_TRUE(files::exists(folder + "\\1.png"_t));

    window.clearMessages();
    window.click(Control::按钮_删除残余);
    EXPECT_EQ(lastMessageText(), "状态：删除取消下载时产生的图片成功\r\n\r\n原因：\r\n\r\n解决："_t);
    EXPECT_EQ(window.messages().back().icon, MessageIcon::Information);
    EXPECT_FALSE(files::exists(folder));
    EXPECT_FALSE(window.isVisible(Control::按钮_删除残余));
    EXPECT_TRUE(files::isDirectory(program.dataDir()));
}

TEST_F(CancelledImagesTest, whatCannotGoIsReportedAsAFailure) {
    cancelSlowAlbum();
    ASSERT_TRUE(waitForDownloadThreads(program, std::chrono::minutes(1)));
    ASSERT_TRUE(files::writeFile(program.analysis.albumFolder + "\\.keep"_t, "x"));
    window.click(Control::按钮_删除残余);
    EXPECT_EQ(lastMessageText(), "状态：删除取消下载时产生的图片失败\r\n\r\n原因：\r\n\r\n解决："_t);
    EXPECT_EQ(window.messages().back().icon, MessageIcon::Error);
    EXPECT_FALSE(window.isVisible(Control::按钮_删除残余));
    EXPECT_FALSE(files::exists(program.analysis.albumFolder + "\\1.png"_t));
}

TEST_F(CancelledImagesTest, nothingIsDeletedWhileADownloadRuns) {
    useGallery({.imagesPerAlbum = 3});
    serveGallery(std::chrono::milliseconds(300));
    const auto album = gallery.albumsOn("/t/xinggan/", 1).front();
    analyse(address(album.pagePath), Control::选择框_单个地址);
    window.click(Control::按钮_开始下载);
    window.clearMessages();

    onCleanUp(program, {.folder = directory.path()}); // the caption is "删除取消下载的图片" since the start
    EXPECT_EQ(lastMessageText(), "状态：删除取消下载的图片失败\r\n\r\n原因：\r\n\r\n解决："_t);
    EXPECT_FALSE(window.isVisible(Control::按钮_删除残余));
    ASSERT_TRUE(waitForDownloadThreads(program, std::chrono::minutes(1)));
    EXPECT_TRUE(holdsAlbum(program.analysis.albumFolder, album));
}

} // namespace
