// Real pictures made by common tools, one of each format the image check knows, each above 10 KB:
// "picture.jpg", "picture.png", "picture.gif", "picture.webp", and "progressive.jpg" (ten scans
// with restart markers); and pictures built from them as phones and sites send them.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

namespace xiuyun::testing {

inline std::string testPicture(const std::string& name) {
    std::ifstream file(std::string(XIUYUN_TEST_PICTURES) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The start of a short video, with the bytes that end a JPEG, a PNG and a GIF in it.
inline std::string videoBytes() {
    std::string video("\0\0\0\x18"
                      "ftypmp42",
                      12);
    for (int i = 0; i < 4000; ++i)
        video += static_cast<char>(i * 7 % 256);
    return video + "\xFF\xD9IEND\xAE\x42\x60\x82;";
}

// The JPEG with an EXIF segment holding a thumbnail (a whole JPEG of its own) right after its
// start marker.
inline std::string withThumbnail(const std::string& jpeg) {
    const std::string thumbnail = testPicture("picture.jpg");
    const std::size_t length = 2 + 6 + thumbnail.size();
    return jpeg.substr(0, 2) + "\xFF\xE1" + static_cast<char>(length >> 8) +
           static_cast<char>(length & 0xFF) + std::string("Exif\0\0", 6) + thumbnail + jpeg.substr(2);
}
// Where the thumbnail withThumbnail() puts in ends.
inline std::size_t thumbnailEnd() {
    return 2 + 4 + 6 + testPicture("picture.jpg").size();
}

// A phone's motion photo: a JPEG with a thumbnail, and a video after its end marker.
inline std::string motionPhoto() {
    return withThumbnail(testPicture("picture.jpg")) + videoBytes();
}

// Cuts that the last bytes alone take for whole, or nearly: the middle of a JPEG's last scan, and
// just after a ";" inside a GIF's image data.
inline std::string cutInLastScan(const std::string& jpeg) {
    return jpeg.substr(0, (jpeg.rfind("\xFF\xDA") + jpeg.size()) / 2);
}
inline std::string cutAfterSemicolonInData(const std::string& gif) {
    return gif.substr(0, gif.find(';', gif.size() / 2) + 1);
}

} // namespace xiuyun::testing
