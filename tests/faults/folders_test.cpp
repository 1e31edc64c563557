// Folders named with what GBK lacks: the target folder, the program directory and the data folder
// are used exactly as named, and a name that can't be held is refused before anything is written.
#include "support/childprocess.h"
#include "support/downloadfixture.h"
#include "support/environment.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

using namespace xiuyun;
using namespace xiuyun::testing;

namespace {

namespace fs = std::filesystem;

// Names as the command line hands them over: the system's bytes on Linux, UTF-8 on Windows.
#ifdef _WIN32
const std::vector<std::string> heldNames{"Łukasz", "김민준", "사진", "사잔", "📷"};
// A private-use letter: GB18030 writes it as GBK's bytes for no character.
const std::vector<std::string> unheldNames{"a\xEE\x80\x80"};
fs::path nativeName(const std::string& name) {
    return fs::path(std::u8string(name.begin(), name.end()));
}
const char* const probeName = "xiuyun_probe.exe";
#else
const std::vector<std::string> heldNames{"사진", "사잔", "프로그램📷", "caf\xE9", "a\\b"};
const std::vector<std::string> unheldNames{"a\xEE\x80\x80"};
fs::path nativeName(const std::string& name) {
    return fs::path(name);
}
const char* const probeName = "xiuyun_probe";
#endif

class FolderNameTest : public DownloadFixture {
protected:
    void SetUp() override {
        DownloadFixture::SetUp();
        useGallery({.albumsPerPage = 2, .imagesPerAlbum = 3});
        album = gallery.albumsOn("/t/xinggan/", 1).front();
    }

    std::vector<std::string> albumArguments(const std::vector<std::string>& more = {}) const {
        std::vector<std::string> arguments{"--no-window", "--type", "album"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        arguments.push_back(address(album.pagePath).toUtf8());
        return arguments;
    }

    // The probe run as the program, from a copy of it at `program`.
    int runCopy(const fs::path& program, const std::vector<std::string>& arguments = {}) {
        fs::create_directories(program.parent_path());
        fs::copy_file(XIUYUN_FILE_PROBE, program);
        std::vector<std::string> words{std::to_string(site.port())};
        const std::vector<std::string> more = arguments.empty() ? albumArguments() : arguments;
        words.insert(words.end(), more.begin(), more.end());
        words.insert(words.begin(), "run");
        ChildProcess run(utf8Of(program), words);
        return run.wait(std::chrono::minutes(2)).value_or(-2);
    }

    static std::string utf8Of(const fs::path& path) {
#ifdef _WIN32
        const std::u8string utf8 = path.u8string();
        return std::string(utf8.begin(), utf8.end());
#else
        return path.native();
#endif
    }

    // The album's images, and nothing else, in `folder`.
    void expectAlbumIn(const fs::path& folder) const {
        int images = 0;
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            images += entry.path().extension() == ".png" ? 1 : 0;
        EXPECT_EQ(images, album.imageCount) << utf8Of(folder);
    }

    static std::vector<fs::path> entries(const fs::path& folder) {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(folder))
            found.push_back(entry.path().filename());
        std::sort(found.begin(), found.end());
        return found;
    }

    gallery::AlbumInfo album;
};

TEST_F(FolderNameTest, theTargetFolderIsUsedExactlyAsNamed) {
    TemporaryDirectory target;
    std::vector<fs::path> expected;
    for (const std::string& name : heldNames) {
        EXPECT_EQ(runCopy(directory.native() / nativeName(name) / probeName,
                          albumArguments({"--folder", utf8Of(target.native() / nativeName(name))})),
                  0)
            << name;
        expectAlbumIn(target.native() / nativeName(name));
        expected.push_back(nativeName(name));
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(entries(target.native()), expected);
}

TEST_F(FolderNameTest, aTargetFolderThatCanNotBeHeldIsRefusedAndNothingIsWritten) {
    TemporaryDirectory target;
    const fs::path program = directory.native() / "program" / probeName;
    for (const std::string& name : unheldNames) {
        EXPECT_EQ(runCopy(program, albumArguments({"--folder", utf8Of(target.native() / nativeName(name))})),
                  1)
            << name;
        fs::remove(program);
    }
    EXPECT_TRUE(entries(target.native()).empty());
    EXPECT_TRUE(entries(program.parent_path()).empty());
}

#ifndef _WIN32
TEST_F(FolderNameTest, theProgramDirectoryIsUsedExactlyAsNamed) {
    for (const std::string& name : heldNames) {
        const fs::path folder = directory.native() / nativeName(name);
        EXPECT_EQ(runCopy(folder / probeName), 0) << name;
        expectAlbumIn(folder);
        EXPECT_TRUE(fs::is_directory(folder / "vrd")) << name;
    }
    // One that can't be held is passed over for the data folder.
    TemporaryDirectory data;
    EnvironmentVariable dataHome("XDG_DATA_HOME", data.native().string());
    for (const std::string& name : unheldNames) {
        const fs::path folder = directory.native() / nativeName(name);
        EXPECT_EQ(runCopy(folder / probeName), 0) << name;
        EXPECT_EQ(entries(folder), std::vector<fs::path>{probeName});
        expectAlbumIn(data.native() / "xiuyun");
    }
}
#endif

// An installed copy keeps its data per user: in $XDG_DATA_HOME/xiuyun, or in %LOCALAPPDATA%\xiuyun
// of the user's profile, whatever letters the user's name has.
TEST_F(FolderNameTest, theDataFolderIsUsedExactlyAsNamed) {
    TemporaryDirectory users;
    const fs::path installed = directory.native() / "installed";
#ifdef _WIN32
    const fs::path program = installed / probeName;
    fs::create_directories(installed);
    std::ofstream(installed / "uninstall.exe") << "MZ";
    // The profile of a user of that name, as Windows gives it.
    struct User {
        explicit User(const fs::path& home)
            : data(home / "AppData" / "Local"), profile("USERPROFILE", utf8Of(home)),
              localAppData("LOCALAPPDATA", utf8Of(data)) {}
        fs::path data;
        EnvironmentVariable profile;
        EnvironmentVariable localAppData;
    };
#else
    const fs::path program = installed / "bin" / probeName;
    fs::create_directories(installed / "share" / "applications");
    std::ofstream(installed / "share" / "applications" / "xiuyun.desktop") << "[Desktop Entry]\n";
    struct User {
        explicit User(const fs::path& home) : data(home), dataHome("XDG_DATA_HOME", utf8Of(home)) {}
        fs::path data;
        EnvironmentVariable dataHome;
    };
#endif
    for (const std::string& name : heldNames) {
        const User user(users.native() / nativeName(name));
        fs::create_directories(user.data);
        EXPECT_EQ(runCopy(program), 0) << name;
        fs::remove(program);
        expectAlbumIn(user.data / "xiuyun");
        EXPECT_TRUE(fs::is_directory(user.data / "xiuyun" / "vrd")) << name;
    }
    for (const std::string& name : unheldNames) {
        const User user(users.native() / nativeName(name));
        EXPECT_EQ(runCopy(program), 1) << name;
        fs::remove(program);
    }
    EXPECT_EQ(entries(users.native()).size(), heldNames.size());
}

} // namespace
