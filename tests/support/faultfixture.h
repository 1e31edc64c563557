// A download of the sample gallery into a target folder of its own, with one path's answers
// changed at will: the ground of the fault tests.
#pragma once

#include "support/downloadfixture.h"

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace xiuyun::testing {

inline const std::string category = "/t/xinggan/";
inline const std::string search = "/search/summer/";

inline Text warningBox(int retries) {
    return "状态：图片下载完成，但可能存在下载失败的文件\r\n\r\n原因：未知\r\n\r\n重试次数："_t +
           Text::number(retries) + " 有点问题啊！"_t;
}

class FaultTest : public DownloadFixture {
protected:
    using Clock = std::chrono::steady_clock;

    void SetUp() override {
        DownloadFixture::SetUp();
        window.type(Control::编辑框_存放目录, target.path());
        album = gallery.albumsOn(category, 1).front();
    }

    // Serves the gallery, with `change` deciding the answer for one path (nothing: the gallery's).
    // `request` counts the requests for the path from 1.
    void serveWith(std::function<std::optional<Page>(const std::string& path, int request)> change) {
        site.setFallback([this, change](const std::string& path) -> std::optional<Page> {
            int request = 0;
            {
                std::lock_guard lock(m_requestsMutex);
                m_requestTimes[path].push_back(Clock::now());
                request = static_cast<int>(m_requestTimes[path].size());
            }
            if (auto changed = change(path, request))
                return changed;
            return galleryPage(gallery, path);
        });
    }

    // When the site took up each request for the path, in order.
    std::vector<Clock::time_point> requestTimes(const std::string& path) {
        std::lock_guard lock(m_requestsMutex);
        return m_requestTimes[path];
    }

    void downloadAlbum() {
        analyse(address(album.pagePath), Control::选择框_单个地址);
        ASSERT_EQ(lastMessageText(), completed());
        downloadAndWait();
    }

    Text albumFolder() const {
        return target.path() + "\\"_t + Text::number(album.id) + " "_t + Text::fromUtf8(album.title);
    }

    // The analysis ended on one of its failure reports and locked nothing.
    void expectAnalysisFailed() {
        ASSERT_FALSE(window.messages().empty());
        EXPECT_TRUE(lastMessageText().startsWith("状态：分析数据"_t)) << lastMessageText();
        EXPECT_NE(lastMessageText(), completed());
        EXPECT_TRUE(window.isEnabled(Control::按钮_分析数据));
        EXPECT_EQ(window.rowCount(), 0);
    }

    // Nothing but the cache went into the program directory; images only under the target.
    void expectNothingElsewhere() {
        EXPECT_EQ(files::listEntries(directory.path(), "*"_t, files::EntryKind::Folders),
                  std::vector<Text>{"vrd"_t});
        for (const Text& name : files::listEntries(target.path(), "*"_t, files::EntryKind::Files))
            ADD_FAILURE() << "a file directly in the target folder: " << name;
    }

    // Every image under its final name is whole or empty, never cut short; no temporary is left.
    void expectNoImageCutShort(const Text& folder) {
        for (const Text& name : files::listEntries(folder, "*"_t, files::EntryKind::Files)) {
            EXPECT_FALSE(name.endsWith(".part"_t)) << name;
            if (!name.endsWith(".png"_t))
                continue;
            const auto bytes = files::readFile(folder + "\\"_t + name).value_or("");
            if (!bytes.empty()) {
                EXPECT_EQ(bytes, gallery.image(album.id, static_cast<int>(name.toInteger()))) << name;
            }
        }
    }

    TemporaryDirectory target;
    gallery::AlbumInfo album;

private:
    std::mutex m_requestsMutex;
    std::map<std::string, std::vector<Clock::time_point>> m_requestTimes;
};

} // namespace xiuyun::testing
