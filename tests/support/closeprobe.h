// What the close probe downloads, shared with the test that runs it.
#pragma once

#include "net/site.h"
#include "testsite/gallery.h"
#include "text/text.h"

#include <chrono>
#include <string>

namespace xiuyun::closeprobe {

inline constexpr int threads = 3;
inline constexpr std::chrono::milliseconds imageLatency{200};
// A few rounds of images into the download: on a loaded machine the close comes late, so the album
// holds many times what the workers reach by then.
inline constexpr int closeAfter = 700;

inline gallery::Gallery gallery() {
    return gallery::Gallery(std::string(SITE_ROOT), {.imagesPerAlbum = 120});
}
inline gallery::AlbumInfo album(const gallery::Gallery& gallery) {
    return gallery.albumsOn("/t/xinggan/", 1).front();
}
inline Text albumAddress(const gallery::Gallery& gallery) {
    return Text::fromGbk(std::string(SITE_ROOT) + album(gallery).pagePath.substr(1));
}

} // namespace xiuyun::closeprobe
