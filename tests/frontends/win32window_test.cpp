// The native Windows window in a process of its own, on a display: what it shows during a download,
// and how the program ends when it is closed in the middle of one.
#include "support/childprocess.h"
#include "support/closeprobe.h"
#include "support/programfixture.h"
#include "testsite/testsite.h"

#include "window/controls.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <sstream>
#include <string>
#include <thread>

using namespace xiuyun;
using namespace xiuyun::testing;
using namespace std::chrono_literals;

namespace {

// The window closed mid-download takes the download with it: the scheduler asks the site for no
// further image, the window goes at once and the process ends, and every image left under its
// final name is whole. Up to the close, the bar and the status line showed the download moving.
TEST(Win32ClosingTest, closingTheWindowDuringADownloadStopsItAndEndsTheProgramAtOnce) {
    TemporaryDirectory directory;
    TemporaryDirectory outside;
    const Text closedMarker = outside.path() + "\\closed"_t;
    const gallery::Gallery gallery = closeprobe::gallery();
    const gallery::AlbumInfo album = closeprobe::album(gallery);
    std::atomic<int> imagesAskedAfterClose = 0;
    TestSite site;
    site.setFallback([&](const std::string& path) {
        if (path.rfind("/img/", 0) == 0 && files::exists(closedMarker))
            ++imagesAskedAfterClose;
        return galleryPage(gallery, path, closeprobe::imageLatency);
    });
    ASSERT_TRUE(site.start());

    ChildProcess probe(XIUYUN_WIN32_CLOSE_PROBE,
                       {directory.path().toUtf8(), std::to_string(site.port()), closedMarker.toUtf8()});
    ASSERT_TRUE(probe.started());
    for (int i = 0; i < 60000 && !files::exists(closedMarker) && probe.running(); ++i)
        std::this_thread::sleep_for(2ms);
    ASSERT_TRUE(files::exists(closedMarker)) << "the probe never closed its window";
    const bool endedAtOnce = probe.wait(1s).has_value();
    const std::optional<int> exitCode = probe.wait(60s);
    EXPECT_TRUE(endedAtOnce) << "the program still ran a second after its window was closed";
    ASSERT_TRUE(exitCode);
    EXPECT_EQ(*exitCode, 0);
    EXPECT_EQ(imagesAskedAfterClose, 0);

    std::istringstream shown(files::readFile(closedMarker).value_or(""));
    long position = 0, maximum = 0, state = 0;
    std::string status;
    shown >> position >> maximum >> state >> std::ws;
    std::getline(shown, status);
    EXPECT_GT(position, 0) << "the bar never moved";
    EXPECT_LT(position, maximum);
    EXPECT_EQ(maximum, progressMaximum);
    EXPECT_EQ(state, PBST_NORMAL);
    EXPECT_EQ(status.rfind("已保存 ", 0), 0u) << status;
    EXPECT_NE(status.find("失败 0 张"), std::string::npos) << status;

    std::vector<Text> folders = files::listEntries(directory.path(), "*"_t, files::EntryKind::Folders);
    folders.erase(std::remove(folders.begin(), folders.end(), "vrd"_t), folders.end());
    ASSERT_EQ(folders.size(), 1u);
    const Text albumFolder = directory.path() + "\\"_t + folders[0];
    const std::vector<Text> images = files::listEntries(albumFolder, "*.png"_t, files::EntryKind::Files);
    EXPECT_LT(images.size(), static_cast<std::size_t>(album.imageCount)); // it was cut off
    for (const Text& name : images) {
        const int number = static_cast<int>(name.toInteger());
        EXPECT_EQ(files::readFile(albumFolder + "\\"_t + name), gallery.image(album.id, number)) << name;
    }
}

} // namespace
