// Real pictures made by common tools, one of each format the image check knows, each above 10 KB:
// "picture.jpg", "picture.png", "picture.gif", "picture.webp".
#pragma once

#include <fstream>
#include <iterator>
#include <string>

namespace xiuyun::testing {

inline std::string testPicture(const std::string& name) {
    std::ifstream file(std::string(XIUYUN_TEST_PICTURES) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace xiuyun::testing
