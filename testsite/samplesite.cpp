#include "testsite/samplesite.h"

#include "net/httpclient.h"
#include "net/networkcontext.h"
#include "net/site.h"
#include "testsite/testsite.h"

#include <cstdio>
#include <mutex>
#include <optional>
#include <set>
#include <utility>

namespace xiuyun::sample {
namespace {

const std::string category = "/t/xinggan/";
const std::string search = "/search/夏日/";
const std::string featured = "/xihuan/";
const std::string region = "/rihan/";

std::string underRoot(const std::string& path) {
    return std::string(SITE_ROOT) + path.substr(1);
}

// A few hundred milliseconds, different from image to image.
std::chrono::milliseconds latencyOf(const std::string& path) {
    std::size_t hash = std::hash<std::string>{}(path);
    return std::chrono::milliseconds(150 + static_cast<int>(hash % 250));
}

} // namespace

gallery::GalleryOptions sampleGalleryOptions() {
    return {.seed = 2024, .pagesPerList = 3, .albumsPerPage = 6, .imagesPerAlbum = 12, .smallImageEvery = 23};
}

std::vector<SampleAddress> sampleAddresses() {
    gallery::Gallery gallery(std::string(SITE_ROOT), sampleGalleryOptions());
    return {
        {"图集分类，3 页（图集分类）", underRoot(category)},
        {"搜索结果，1 页（搜索中的地址）", underRoot("/search/%E5%A4%8F%E6%97%A5/")},
        {"精选美女，1 页（精选美女）", underRoot(featured)},
        {"日韩美女，2 页（日韩港台国产美女）", underRoot(region)},
        {"单个图集（非首页的单个地址）", underRoot(gallery.albumsOn(category, 1).front().pagePath)},
    };
}

class SampleSite::Server {
public:
    Server() : m_gallery(std::string(SITE_ROOT), sampleGalleryOptions()) {
        m_gallery.setList(search, 1, gallery::SinglePageBlock::Bk10);
        m_gallery.setList(featured, 1, gallery::SinglePageBlock::Bk20);
        m_gallery.setList(region, 2);
        m_site.setRecording(false);
        m_site.setFallback([this](const std::string& path) { return answer(path); });
    }

    bool start() { return m_site.start(); }

    int port() const { return m_site.port(); }
    const gallery::Gallery& gallery() const { return m_gallery; }

private:
    std::optional<testing::Page> answer(const std::string& path) {
        std::optional<testing::Page> page = testing::galleryPage(m_gallery, path, latencyOf(path));
        if (!page || path.rfind("/img/", 0) != 0)
            return page;
        int albumId = 0;
        int number = 0;
        if (std::sscanf(path.c_str(), "/img/%d/%d.", &albumId, &number) == 2 &&
            m_gallery.isSmallImage(albumId, number)) {
            std::lock_guard lock(m_mutex);
            if (!m_servedSmall.insert(path).second)
                page->body = m_gallery.image(albumId, number, gallery::Gallery::ImageSize::Whole);
        }
        return page;
    }

    gallery::Gallery m_gallery;
    testing::TestSite m_site;
    std::mutex m_mutex;
    std::set<std::string> m_servedSmall;
};

SampleSite::SampleSite() : m_server(std::make_unique<Server>()) {}

SampleSite::~SampleSite() = default;

bool SampleSite::start() {
    return m_server->start();
}

void SampleSite::routeInto(NetworkContext& network) const {
    network.routeHostToLoopback(std::string(SITE_HOST), m_server->port());
}

int SampleSite::port() const {
    return m_server->port();
}

const gallery::Gallery& SampleSite::gallery() const {
    return m_server->gallery();
}

} // namespace xiuyun::sample
