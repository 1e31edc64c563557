#include "download/failedimages.h"
#include "download/imageformat.h"

#include "support/pictures.h"
#include "support/programfixture.h"

#include <gtest/gtest.h>

using namespace xiuyun;
using namespace xiuyun::testing;

namespace {

// The check as the scan makes it: the head and the tail of the bytes, and their size.
bool whole(const std::string& bytes) {
    const std::size_t tail = std::min(bytes.size(), pictureTailBytes);
    return isWholePicture(std::string_view(bytes).substr(0, pictureHeadBytes),
                          std::string_view(bytes).substr(bytes.size() - tail),
                          static_cast<long long>(bytes.size()));
}

class PictureTest : public ::testing::TestWithParam<const char*> {
protected:
    std::string picture = testPicture(GetParam());
};

TEST_P(PictureTest, aWholePictureIsWholeAndOneByteLessIsNot) {
    ASSERT_GT(picture.size(), 10240u) << GetParam();
    EXPECT_TRUE(looksLikeImage(picture));
    EXPECT_TRUE(whole(picture));
    EXPECT_FALSE(whole(picture.substr(0, picture.size() - 1)));
    EXPECT_FALSE(whole(picture.substr(0, picture.size() / 2)));
    EXPECT_FALSE(whole(picture.substr(0, 21986 % picture.size())));
}

TEST_P(PictureTest, onlyAJpegMayGoOnAfterItsEnd) {
    const bool jpeg = std::string(GetParam()) == "picture.jpg";
    EXPECT_EQ(whole(picture + std::string(1, '\0')), jpeg);
    EXPECT_EQ(whole(picture + "\r\n"), jpeg);
}

INSTANTIATE_TEST_SUITE_P(Formats, PictureTest,
                         ::testing::Values("picture.jpg", "picture.png", "picture.gif", "picture.webp"),
                         [](const auto& info) { return std::string(info.param).substr(8); });

TEST(JpegPaddingTest, aLittlePaddingAfterTheEndMarkerIsAllowedAndNoMore) {
    const std::string jpeg = testPicture("picture.jpg");
    EXPECT_TRUE(whole(jpeg + std::string(16, '\0')));
    EXPECT_TRUE(whole(jpeg + std::string(jpegPaddingLimit, '\xFF')));
    EXPECT_TRUE(whole(jpeg + std::string(jpegPaddingLimit - 2, ' ') + "\r\n"));
    EXPECT_FALSE(whole(jpeg + std::string(jpegPaddingLimit + 1, '\0')));
    // The bound holds however much of the tail the caller hands over.
    const std::string padded = jpeg + std::string(jpegPaddingLimit + 1, '\xFF');
    EXPECT_FALSE(isWholePicture(padded, padded, static_cast<long long>(padded.size())));
    // Anything but padding after the marker is a second picture glued on, or junk.
    EXPECT_FALSE(whole(jpeg + "x"));
    EXPECT_FALSE(whole(jpeg + std::string(8, '\0') + "\xFF\xD8"));
}

TEST(JpegPaddingTest, aCutJpegEndingInPaddingBytesIsStillCut) {
    const std::string jpeg = testPicture("picture.jpg");
    const std::string cut = jpeg.substr(0, jpeg.size() / 2);
    EXPECT_FALSE(whole(cut + std::string(4, '\0')));
    EXPECT_FALSE(whole(cut + "\xFF"));
}

TEST(WholePictureTest, bytesOfNoKnownFormatAreNotJudged) {
    EXPECT_TRUE(whole(std::string(20000, 'x')));
    EXPECT_TRUE(whole("<html>" + std::string(20000, ' ')));
    // Heads too short for their format are read safely.
    EXPECT_FALSE(whole("\xFF\xD8"));
    EXPECT_TRUE(whole("RIFF"));
    EXPECT_FALSE(whole("GIF89a"));
    EXPECT_FALSE(looksLikeImage("RIFF\x04\0\0\0WEB"));
}

TEST(WholePictureTest, aWebpIsWholeWhenItsRiffSizeCoversTheFile) {
    std::string webp = testPicture("picture.webp");
    EXPECT_TRUE(whole(webp));
    webp[4] = static_cast<char>(webp[4] + 2); // announces two bytes more than it holds
    EXPECT_FALSE(whole(webp));
    EXPECT_TRUE(whole(webp + "ab"));
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
}

TEST_F(FailedImageFileTest, theScanFindsACutPictureUnderAnyImageName) {
    const std::string gif = testPicture("picture.gif");
    put("1.jpg", gif.substr(0, gif.size() - 1)); // a GIF served under a JPEG's name, cut
    EXPECT_TRUE(scanFailedImages(window, program.engine->wholeImages, directory.path()));
}

} // namespace
