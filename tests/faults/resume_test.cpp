// A list download killed (SIGKILL, as a crash or a power cut does) at twenty random moments and started
// again each time ends with the tree an uninterrupted run leaves, asking again for nothing it had.
#include "download/failedimages.h"
#include "support/childprocess.h"
#include "support/downloadfixture.h"

#include <cstdio>
#include <map>
#include <random>
#include <set>

using namespace xiuyun;
using namespace xiuyun::testing;

namespace {

const std::string category = "/t/xinggan/";
constexpr int threads = 10;
constexpr int kills = 20;

class ResumeTest : public DownloadFixture {
protected:
    struct Image {
        Text file;
        int album;
        int number;
    };
    // The image file each image address goes to.
    std::map<std::string, Image> imageFiles() const {
        std::map<std::string, Image> files;
        for (int page = 1; page <= 3; ++page) {
            const auto albums = gallery.albumsOn(category, page);
            for (std::size_t k = 0; k < albums.size(); ++k)
                for (int n = 1; n <= albums[k].imageCount; ++n)
                    files[albums[k].imagePath(n)] = {
                        listAlbumFolder(at(std::to_string(page)), static_cast<int>(k) + 1, albums[k]) +
                            "\\"_t + Text::number(n) + ".png"_t,
                        albums[k].id, n};
        }
        return files;
    }

    ChildProcess startDownload() {
        return ChildProcess(XIUYUN_FILE_PROBE,
                            {"download", directory.path().toUtf8(), std::to_string(site.port()),
                             address(category).toUtf8(), std::to_string(threads)});
    }
};

TEST_F(ResumeTest, aListKilledAtRandomMomentsEndsWholeAndAsksForNothingItHad) {
    useGallery({.pagesPerList = 3, .albumsPerPage = 10, .imagesPerAlbum = 20});
    serveGallery(std::chrono::milliseconds(2));
    ASSERT_TRUE(ensureFolder(program.dataDir()));
    ASSERT_TRUE(files::writeFile(dataFile("c_x.q"), ""));
    const std::map<std::string, Image> imageFile = imageFiles();
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);

    int most = 0, all = 0, restarts = 0;
    // A restart that ran to its end on its own was the last: the job is finished then.
    bool ended = false;
    for (int kill = 0; kill < kills; ++kill) {
        ++restarts;
        std::set<std::string> whole;
        for (const auto& [path, image] : imageFile)
            if (!isFailedImageFile(image.file))
                whole.insert(path);
        const std::size_t asked = site.requests().size();
        ChildProcess child = startDownload();
        ASSERT_TRUE(child.started());
        // At a random image of those still to come, so that every kill lands in the middle.
        const int toCome = static_cast<int>(imageFile.size() - whole.size());
        const std::size_t at = asked + std::uniform_int_distribution(1, std::max(1, toCome - 1))(random);
        while (site.requests().size() < at && child.running())
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        child.kill();
        // A run with little or nothing left to fetch (killed before during its checks) may end
        // on its own first: then there is nothing more to kill.
        const std::optional<int> code = child.wait(std::chrono::seconds(30));
        ASSERT_TRUE(code == -1 || code == 0) << "restart " << kill;
        ended = code == 0;
        const auto requests = site.requests();
        int again = 0;
        for (std::size_t i = asked; i < requests.size(); ++i)
            again += whole.contains(requests[i].path) ? 1 : 0;
        EXPECT_LE(again, threads) << "restart " << kill;
        most = std::max(most, again);
        all += again;
        if (ended)
            break;
    }

    std::printf("[ resume ] %d restarts: whole images asked for again, at most %d in a restart, %d in all\n",
                restarts, most, all);
    if (!ended) {
        ChildProcess last = startDownload();
        EXPECT_EQ(last.wait(std::chrono::minutes(2)), 0);
    }
    for (const auto& [path, image] : imageFile)
        ASSERT_EQ(files::readFile(image.file), gallery.image(image.album, image.number)) << path;
    for (int page = 1; page <= 3; ++page)
        for (const Text& album :
             files::listEntries(at(std::to_string(page)), "*"_t, files::EntryKind::Folders))
            EXPECT_EQ(files::listFolder(at(std::to_string(page)) + "\\"_t + album).size(), 20u) << album;
    EXPECT_TRUE(files::listEntries(program.dataDir(), "*.part"_t, files::EntryKind::Files).empty());
    // Every album in the history once.
    const std::string history = *files::readFile(dataFile("c_x.q"));
    std::multiset<std::string> records;
    for (std::size_t from = 0; from <= history.size();) {
        const std::size_t end = std::min(history.find("\r\n", from), history.size());
        if (end > from)
            records.insert(history.substr(from, end - from));
        from = end + 2;
    }
    EXPECT_EQ(records.size(), std::set<std::string>(records.begin(), records.end()).size());
    EXPECT_EQ(records.size(), 31u); // the list's address and its thirty albums
}

} // namespace
