// The sample gallery served whole (lists, album pages and images) behind a fresh program, with
// helpers to analyse, download and look at what landed on disk.
#pragma once

#include "download/download.h"
#include "support/galleryfixture.h"
#include "text/textutils.h"

#include <chrono>
#include <thread>

namespace xiuyun::testing {

class DownloadFixture : public GalleryFixture {
protected:
    void SetUp() override {
        GalleryFixture::SetUp();
        serveGallery();
    }
    void TearDown() override {
        // No thread of a download may outlive the program it works for.
        EXPECT_TRUE(waitForDownloadThreads(program, std::chrono::minutes(2)));
        GalleryFixture::TearDown();
    }

    // Every path of the gallery, images sent as they are after `imageDelay`.
    void serveGallery(std::chrono::milliseconds imageDelay = std::chrono::milliseconds(0)) {
        site.setFallback(
            [this, imageDelay](const std::string& path) { return galleryPage(gallery, path, imageDelay); });
    }

    void useGallery(gallery::GalleryOptions options) {
        gallery = gallery::Gallery(std::string(SITE_ROOT), options);
    }

    // Analyses the first album of the category, `images` images answering after `latency` each,
    // and presses "2 开始下载" at `threads` threads with no box left from the analysis. The site
    // counts the images in flight.
    gallery::AlbumInfo startSlowAlbum(int threads, std::chrono::milliseconds latency, int images) {
        useGallery({.imagesPerAlbum = images});
        serveGallery(latency);
        const auto album = gallery.albumsOn("/t/xinggan/", 1).front();
        site.trackInFlight("/img/");
        window.moveSlider(threads);
        analyse(address(album.pagePath), Control::选择框_单个地址);
        window.clearMessages();
        window.click(Control::按钮_开始下载);
        return album;
    }

    // Presses "2 开始下载" and waits until every thread of the download has ended.
    void downloadAndWait() {
        window.click(Control::按钮_开始下载);
        ASSERT_TRUE(waitForDownloadThreads(program, std::chrono::minutes(2)));
    }

    // Waits until `count` image requests are being answered at once (the site must track "/img/").
    void waitForImagesInFlight(int count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (site.inFlight() < count && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_GE(site.inFlight(), count);
    }

    int imageRequests() const {
        int count = 0;
        for (const auto& request : site.requests())
            count += request.path.rfind("/img/", 0) == 0 ? 1 : 0;
        return count;
    }

    // The folder of album k (1-based) of a list page, as the list download names it.
    static Text listAlbumFolder(const Text& listFolder, int k, const gallery::AlbumInfo& album) {
        return listFolder + "\\"_t +
               safeFolderElement(cleanFileName(Text::number(k) + " "_t + Text::fromUtf8(album.title)));
    }

    // True when the folder holds images 1 … n of the album exactly as the site serves them.
    ::testing::AssertionResult holdsAlbum(const Text& folder, const gallery::AlbumInfo& album) const {
        for (int number = 1; number <= album.imageCount; ++number) {
            const Text path = folder + "\\"_t + Text::number(number) + ".png"_t;
            auto bytes = files::readFile(path);
            if (!bytes)
                return ::testing::AssertionFailure() << "missing " << path;
            if (*bytes != gallery.image(album.id, number))
                return ::testing::AssertionFailure() << "differs from the site: " << path;
        }
        return ::testing::AssertionSuccess();
    }

    Text at(const std::string& relative) const {
        return directory.path() + "\\"_t + Text::fromUtf8(relative);
    }

    std::vector<RecordedMessage> boxesCaptioned(const Text& caption) const {
        std::vector<RecordedMessage> found;
        for (const auto& message : window.messages()) {
            if (message.caption == caption)
                found.push_back(message);
        }
        return found;
    }

    static Text successBox(int retries) {
        return "状态：图片下载完成\r\n\r\n原因：\r\n\r\n重试："_t + Text::number(retries);
    }
};

} // namespace xiuyun::testing
