#include "download/failedimages.h"

#include "support/links.h"
#include "support/pictures.h"
#include "support/programfixture.h"
#include "text/textutils.h"

#include <algorithm>
#include <chrono>
#include <thread>

using namespace xiuyun;
using xiuyun::testing::linksCanBeMade;
using xiuyun::testing::makeFolderLink;
using xiuyun::testing::noLinksHere;
using xiuyun::testing::ProgramFixture;
using xiuyun::testing::TemporaryDirectory;

namespace {

class FailedImageScanTest : public ProgramFixture {
protected:
    Text put(const std::string& relative, std::size_t bytes) {
        const Text path = directory.path() + "\\"_t + Text::fromUtf8(relative);
        const Text name = fileNameOf(path, Extension::Keep);
        ensureFolder(path.left(path.size() - name.size()));
        EXPECT_TRUE(files::writeFile(path, std::string(bytes, 'x')));
        return path;
    }
    bool scan(const std::string& relative = "") {
        return scanFailedImages(window, program.engine->wholeImages,
                                directory.path() +
                                    (relative.empty() ? Text() : "\\"_t + Text::fromUtf8(relative)));
    }
};

TEST_F(FailedImageScanTest, tenKilobytesFailAndOneByteMorePasses) {
    put("a\\1.jpg", 10240);
    EXPECT_TRUE(scan("a"));
    put("b\\1.jpg", 10241);
    EXPECT_FALSE(scan("b"));
}

TEST_F(FailedImageScanTest, onlyJpgPngAndGifCountInAnyCase) {
    put("a\\1.webp", 0);
    put("a\\2.txt", 0);
    put("a\\3.jpg.12-0.part", 0); // a write under way is no image yet
    EXPECT_FALSE(scan("a"));
    put("b\\a.JPG", 0);
    EXPECT_TRUE(scan("b"));
    put("c\\x.Gif", 5);
    EXPECT_TRUE(scan("c"));
}

TEST_F(FailedImageScanTest, theWholeTreeIsWalkedWithOrWithoutATrailingSeparator) {
    put("top\\1.png", 20000);
    put("top\\one\\two\\9.png", 3);
    EXPECT_TRUE(scan("top"));
    EXPECT_TRUE(scan("top\\"));
}

TEST_F(FailedImageScanTest, eachCheckAnswersForItsOwnFolderAlone) {
    put("bad\\1.gif", 1);
    put("good\\1.gif", 20000);
    EXPECT_TRUE(scan("bad"));
    EXPECT_FALSE(scan("good"));
    EXPECT_FALSE(scan("missing"));
    EXPECT_FALSE(scanFailedImages(window, program.engine->wholeImages, Text())); // never the root of the disk
}

// The checks of an album skip what they judged whole before; any later write must be judged anew,
// even one that keeps the size (a picture cut at its end and padded back).
TEST_F(FailedImageScanTest, aWholeImageJudgedBeforeIsJudgedAgainOnceItChanges) {
    const std::string whole = xiuyun::testing::testPicture("picture.png");
    ASSERT_GT(whole.size(), 10240u);
    const Text path = put("album\\1.png", 0);
    ASSERT_TRUE(files::writeFile(path, whole));
    for (int check = 0; check < 3; ++check)
        EXPECT_FALSE(scan("album")) << check;

    std::string broken = whole;
    broken.back() = static_cast<char>(broken.back() ^ 0x55);
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // past the clock's grain
    ASSERT_TRUE(files::writeFile(path, broken));
    EXPECT_TRUE(scan("album"));

    ASSERT_TRUE(files::replaceFile(path, whole));
    EXPECT_FALSE(scan("album"));
    ASSERT_TRUE(files::removeFile(path));
    ASSERT_TRUE(files::writeFile(path, whole.substr(0, 10000)));
    EXPECT_TRUE(scan("album"));
}

TEST_F(FailedImageScanTest, theWalkVisitsFilesBeforeSubFoldersAndNeverFollowsLinks) {
    TemporaryDirectory outside;
    ASSERT_TRUE(files::writeFile(outside.path() + "\\1.jpg"_t, ""));
    put("tree\\sub\\2.jpg", 1);
    put("tree\\3.jpg", 1);
    if (!linksCanBeMade())
        GTEST_SKIP() << noLinksHere;
    ASSERT_TRUE(makeFolderLink(outside.path(), directory.path() + "\\tree\\link"_t));

    std::vector<Text> visited;
    Text folder = directory.path() + "\\tree"_t;
    walkFiles(window, folder, "jpg"_t, Recurse::Yes, [&](const Text& name, const Text& fullPath) {
        visited.push_back(name);
        EXPECT_EQ(fullPath, fullPath.left(fullPath.size() - name.size()) + name);
    });
    EXPECT_EQ(visited, (std::vector<Text>{"3.jpg"_t, "2.jpg"_t}));
    EXPECT_TRUE(folder.endsWith("\\"_t));

    visited.clear();
    walkFiles(window, folder, Text(), Recurse::No,
              [&](const Text& name, const Text&) { visited.push_back(name); });
    EXPECT_EQ(visited, (std::vector<Text>{"3.jpg"_t}));
}

} // namespace
