// A fresh program directory with the real analysis behind the headless window, and the sample
// gallery served by the local site under the site's own addresses.
#pragma once

#include "analysis/routes.h"
#include "net/httpclient.h"
#include "net/site.h"
#include "support/programfixture.h"
#include "testsite/gallery.h"
#include "testsite/testsite.h"

namespace xiuyun::testing {

class GalleryFixture : public ProgramFixture {
protected:
    GalleryFixture() : gallery(std::string(SITE_ROOT)) {
        program.routes = analysisRoutes();
        startWindow();
    }

    void SetUp() override {
        ASSERT_TRUE(site.start());
        program.network.routeHostToLoopback(std::string(SITE_HOST), site.port());
    }

    // Every page of a list and every album page on it, as the site serves them.
    void serveList(const std::string& listPath) {
        const int pages = gallery.pagesOf(listPath);
        for (int page = 1; page <= pages; ++page) {
            Page html = Page::bytes(gallery.listPage(listPath, page), "text/html; charset=utf-8");
            if (page == 1)
                site.setPage(listPath, html);
            site.setPage(listPath + std::to_string(page) + ".html", html);
            for (const auto& album : gallery.albumsOn(listPath, page))
                serveAlbum(album.id);
        }
    }
    void serveAlbum(int id) {
        site.setPage(gallery.album(id).pagePath,
                     Page::bytes(gallery.albumPage(id), "text/html; charset=utf-8"));
    }

    static Text address(const std::string& path) {
        return Text::fromGbk(std::string(SITE_ROOT) + path.substr(1));
    }

    void analyse(const Text& pageAddress, Control pageTypeBox) {
        window.type(Control::编辑框_页面地址, pageAddress);
        if (!window.isTicked(pageTypeBox))
            window.click(pageTypeBox);
        window.click(Control::按钮_分析数据);
    }

    Text dataFile(const char* name) const { return program.dataFile(Text::fromGbk(name)); }
    bool hasDataFile(const char* name) const { return files::exists(dataFile(name)); }

    static const Text& completed() {
        static const Text text =
            "状态：分析数据完成\r\n\r\n原因：\r\n\r\n解决：\r\n\r\n说明：线程可调，其他禁止再输入"_t;
        return text;
    }

    gallery::Gallery gallery;
    TestSite site;
};

} // namespace xiuyun::testing
