// The real program, run as a user runs it: a copy of the executable in a folder of its own (its
// program directory), the built-in sample gallery behind the placeholder host.
#include "net/site.h"
#include "os/files.h"
#include "support/programfixture.h"
#include "testsite/samplesite.h"
#include "text/textutils.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

using namespace xiuyun;
using xiuyun::testing::TemporaryDirectory;

namespace {

class ProgramTest : public ::testing::Test {
protected:
    ProgramTest() {
        const std::string copy = directory.native().string() + "/xiuyun";
        EXPECT_EQ(std::system(("cp '" XIUYUN_EXECUTABLE "' '" + copy + "'").c_str()), 0);
    }

    // Starts the program with the arguments; its output goes to files of the directory.
    pid_t start(const std::vector<std::string>& arguments) {
        std::vector<std::string> all{directory.native().string() + "/xiuyun"};
        all.insert(all.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& argument : all)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, (directory.native().string() + "/stdout").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, (directory.native().string() + "/stderr").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = 0;
        EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }

    static int exitCode(pid_t pid) {
        int status = 0;
        if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
            return -1;
        return WEXITSTATUS(status);
    }

    int run(const std::vector<std::string>& arguments) { return exitCode(start(arguments)); }

    std::string output(const char* name) const {
        return files::readFile(directory.path() + "\\"_t + Text::fromGbk(name)).value_or("");
    }

    static std::string sampleAddress(int index) { return sample::sampleAddresses().at(index).address; }

    // Every image under the folder that has its final name is whole; answers how many there are.
    int checkImagesWhole(const Text& folder, const gallery::AlbumInfo& album) const {
        const gallery::Gallery gallery(std::string(SITE_ROOT), sample::sampleGalleryOptions());
        int count = 0;
        for (const Text& name : files::listEntries(folder, "*.png"_t, files::EntryKind::Files)) {
            const int number = static_cast<int>(name.toInteger());
            EXPECT_EQ(files::readFile(folder + "\\"_t + name),
                      gallery.image(album.id, number, gallery::Gallery::ImageSize::Whole))
                << name;
            ++count;
        }
        return count;
    }

    TemporaryDirectory directory;
};

TEST_F(ProgramTest, aSampleListIsDownloadedThroughTheRoutedHost) {
    EXPECT_EQ(run({"--no-window", "--type", "search", "--threads", "30", sampleAddress(1)}), 0)
        << output("stderr");

    gallery::Gallery gallery(std::string(SITE_ROOT), sample::sampleGalleryOptions());
    const auto albums = gallery.albumsOn("/search/夏日/", 1);
    for (std::size_t k = 0; k < albums.size(); ++k) {
        const Text folder = directory.path() + "\\夏日\\"_t +
                            safeFolderElement(cleanFileName(Text::number(static_cast<long long>(k) + 1) +
                                                            " "_t + Text::fromUtf8(albums[k].title)));
        EXPECT_EQ(checkImagesWhole(folder, albums[k]), albums[k].imageCount);
    }
    EXPECT_NE(output("stdout").find("【恭喜客官】\n状态：图片下载完成\n"), std::string::npos);
}

TEST_F(ProgramTest, aFailedAnalysisEndsWithOneAndItsMessage) {
    EXPECT_EQ(run({"--no-window", "http://elsewhere.example/t/x/"}), 1);
    EXPECT_EQ(output("stdout"),
              "【温馨提示】\n状态：分析数据失败\n\n原因：页面地址错误\n\n解决：正确输入地址\n\n");
}

TEST_F(ProgramTest, usageErrorsEndWithTwo) {
    EXPECT_EQ(run({"--no-window"}), 2);
    EXPECT_NE(output("stderr").find("缺少页面地址"), std::string::npos);
    EXPECT_EQ(run({"--no-window", "--threads", "99", sampleAddress(0)}), 2);
    EXPECT_EQ(run({"--no-window", "--colour", sampleAddress(0)}), 2);
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_NE(output("stdout").find("--skip-existing"), std::string::npos);
}

TEST_F(ProgramTest, ctrlCEndsTheDownloadThroughCancelWithNoImageCutShort) {
    const pid_t pid = start({"--no-window", "--threads", "3", sampleAddress(4)});
    gallery::Gallery gallery(std::string(SITE_ROOT), sample::sampleGalleryOptions());
    const auto album = gallery.albumsOn("/t/xinggan/", 1).front();
    const Text folder =
        directory.path() + "\\"_t + Text::number(album.id) + " "_t + Text::fromUtf8(album.title);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (files::listEntries(folder, "*.png"_t, files::EntryKind::Files).empty() &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));

    ::kill(pid, SIGINT);

    EXPECT_EQ(exitCode(pid), 130) << output("stderr");
    const int saved = checkImagesWhole(folder, album);
    EXPECT_GT(saved, 0);
    EXPECT_LT(saved, album.imageCount);
    EXPECT_EQ(output("stdout").find("恭喜客官"), std::string::npos);
}

// Two copies on one program directory: the second may neither analyse nor download while the
// first works from the data folder; it says why and ends with 1.
TEST_F(ProgramTest, aSecondCopyOnTheSameDirectoryIsRefusedWhileTheFirstWorks) {
    const pid_t first = start({"--no-window", "--threads", "1", sampleAddress(4)});
    gallery::Gallery gallery(std::string(SITE_ROOT), sample::sampleGalleryOptions());
    const auto album = gallery.albumsOn("/t/xinggan/", 1).front();
    const Text folder =
        directory.path() + "\\"_t + Text::number(album.id) + " "_t + Text::fromUtf8(album.title);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (files::listEntries(folder, "*.png"_t, files::EntryKind::Files).empty() &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));

    EXPECT_EQ(run({"--no-window", "--type", "search", sampleAddress(1)}), 1);
    EXPECT_NE(output("stdout").find(
                  "【温馨提示】\n状态：分析数据失败\n\n原因：同一程序目录的另一个程序正在分析或下载"),
              std::string::npos)
        << output("stdout");
    EXPECT_FALSE(files::exists(directory.path() + "\\夏日"_t));

    ::kill(first, SIGINT);
    EXPECT_EQ(exitCode(first), 130);
    EXPECT_EQ(run({"--no-window", "--type", "search", sampleAddress(1)}), 0) << output("stdout");
}

} // namespace
