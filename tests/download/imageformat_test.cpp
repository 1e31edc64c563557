#include "download/failedimages.h"
#include "download/imageformat.h"

#include "support/pictures.h"
#include "support/programfixture.h"

#include <gtest/gtest.h>

using namespace xiuyun;
using namespace xiuyun::testing;

namespace {

struct Judged {
    const char* name;
    std::string bytes;
    bool whole;
};

// Names the rows in the test list.
void PrintTo(const Judged& judged, std::ostream* out) {
    *out << judged.name;
}

std::string cutAt(const std::string& bytes, std::size_t size) {
    return bytes.substr(0, size);
}

std::vector<Judged> judgedPictures() {
    const std::string jpeg = testPicture("picture.jpg");
    const std::string progressive = testPicture("progressive.jpg");
    const std::string png = testPicture("picture.png");
    const std::string gif = testPicture("picture.gif");
    const std::string webp = testPicture("picture.webp");
    const std::string motion = motionPhoto();
    std::string longerWebp = webp;
    longerWebp[4] = static_cast<char>(longerWebp[4] + 2); // announces two bytes more than it holds
    return {
        {"jpeg", jpeg, true},
        {"progressiveJpeg", progressive, true},
        {"png", png, true},
        {"gif", gif, true},
        {"webp", webp, true},
        {"motionPhoto", motion, true},
        {"jpegPaddedWithZeros", jpeg + std::string(2000, '\0'), true},
        {"progressiveJpegWithData", progressive + videoBytes(), true},
        {"pngWithData", png + videoBytes(), true},
        {"gifWithData", gif + videoBytes(), true},
        {"webpWithData", webp + videoBytes(), true},
        {"jpegCutOneByteShort", cutAt(jpeg, jpeg.size() - 1), false},
        {"jpegCutInHalf", cutAt(jpeg, jpeg.size() / 2), false},
        {"jpegCutAndPadded", cutAt(jpeg, jpeg.size() / 2) + std::string(4, '\0') + "\xFF", false},
        {"motionPhotoCutAfterItsThumbnail", cutAt(motion, thumbnailEnd()), false},
        {"motionPhotoCutInItsThumbnail", cutAt(motion, thumbnailEnd() - 1), false},
        {"progressiveJpegCutOneByteShort", cutAt(progressive, progressive.size() - 1), false},
        {"progressiveJpegCutInItsLastScan", cutInLastScan(progressive), false},
        {"pngCutOneByteShort", cutAt(png, png.size() - 1), false},
        {"pngCutInHalf", cutAt(png, png.size() / 2), false},
        {"gifCutOneByteShort", cutAt(gif, gif.size() - 1), false},
        {"gifCutAfterASemicolonInItsData", cutAfterSemicolonInData(gif), false},
        {"webpCutOneByteShort", cutAt(webp, webp.size() - 1), false},
        {"webpAnnouncingMoreThanItHolds", longerWebp, false},
        {"jpegEndingBeforeItsFirstScan", cutAt(jpeg, jpeg.find("\xFF\xDA")) + "\xFF\xD9", false},
        {"jpegStartMarkerAlone", "\xFF\xD8", false},
        {"gifHeaderAlone", "GIF89a", false},
        // Bytes of no format judged here.
        {"plainBytes", std::string(20000, 'x'), true},
        {"htmlPage", "<html>" + std::string(20000, ' '), true},
        {"riffAlone", "RIFF", true},
    };
}

class JudgedPictureTest : public ::testing::TestWithParam<Judged> {};

TEST_P(JudgedPictureTest, aPictureIsWholeWhenItsFormatSaysItEndedInWhateverPiecesItComes) {
    const Judged& judged = GetParam();
    EXPECT_EQ(isWholePicture(judged.bytes), judged.whole);
    for (const std::size_t pieceSize : {std::size_t{1}, std::size_t{7}}) {
        PictureWalk walk;
        for (std::size_t at = 0; at < judged.bytes.size(); at += pieceSize)
            walk.take(std::string_view(judged.bytes).substr(at, pieceSize));
        EXPECT_EQ(walk.whole(), judged.whole) << "in pieces of " << pieceSize;
        EXPECT_EQ(walk.head(), judged.bytes.substr(0, pictureHeadBytes));
    }
}

INSTANTIATE_TEST_SUITE_P(Pictures, JudgedPictureTest, ::testing::ValuesIn(judgedPictures()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LooksLikeImageTest, theHeadNamesTheFormat) {
    for (const char* name : {"picture.jpg", "picture.png", "picture.gif", "picture.webp"})
        EXPECT_TRUE(looksLikeImage(testPicture(name))) << name;
    EXPECT_FALSE(looksLikeImage("RIFF\x04\0\0\0WEB"));
    EXPECT_FALSE(looksLikeImage("<html>"));
}

class FailedImageFileTest : public ProgramFixture {
protected:
    Text put(const char* name, const std::string& bytes) {
        const Text path = directory.path() + "\\"_t + Text::fromGbk(name);
        EXPECT_TRUE(files::writeFile(path, bytes));
        return path;
    }
};

TEST_F(FailedImageFileTest, aFileFailsWhenSmallGoneOrCutShort) {
    const std::string png = testPicture("picture.png");
    EXPECT_FALSE(isFailedImageFile(put("1.png", png)));
    EXPECT_TRUE(isFailedImageFile(put("2.png", png.substr(0, png.size() - 1))));
    EXPECT_TRUE(isFailedImageFile(put("3.jpg", std::string(10240, 'x'))));
    EXPECT_FALSE(isFailedImageFile(put("4.jpg", std::string(10241, 'x'))));
    EXPECT_TRUE(isFailedImageFile(directory.path() + "\\5.jpg"_t));
    ASSERT_TRUE(ensureFolder(directory.path() + "\\6.jpg"_t));
    EXPECT_TRUE(isFailedImageFile(directory.path() + "\\6.jpg"_t));
    EXPECT_FALSE(isFailedImageFile(put("7.jpg", motionPhoto())));
}

TEST_F(FailedImageFileTest, theScanFindsACutPictureUnderAnyImageName) {
    const std::string gif = testPicture("picture.gif");
    put("1.jpg", gif.substr(0, gif.size() - 1)); // a GIF served under a JPEG's name, cut
    EXPECT_TRUE(scanFailedImages(window, program.engine->wholeImages, directory.path()));
}

} // namespace
