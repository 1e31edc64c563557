#include "os/files.h"

#include "support/filesizelimit.h"
#include "support/links.h"
#include "support/programfixture.h"

#include <algorithm>
#include <filesystem>
#include <functional>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace xiuyun;
using namespace xiuyun::testing;

namespace {

class FilesTest : public ::testing::Test {
protected:
    Text at(const char* relative) const { return directory.path() + "\\"_t + Text::fromUtf8(relative); }
    TemporaryDirectory directory;
};

std::vector<Text> sorted(std::vector<Text> names) {
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST_F(FilesTest, writesReadsAndTruncatesWholeFiles) {
    Text path = at("a.q");
    ASSERT_TRUE(files::writeFile(path, "long content"));
    ASSERT_TRUE(files::writeFile(path, "short"));
    EXPECT_EQ(files::readFile(path), ByteArray("short"));
    EXPECT_EQ(files::fileSize(path), 5);
    EXPECT_TRUE(files::removeFile(path));
    EXPECT_FALSE(files::exists(path));
    EXPECT_EQ(files::readFile(path), std::nullopt);
    EXPECT_EQ(files::fileSize(path), -1);
    EXPECT_FALSE(files::writeFile(at("missing\\a.q"), "x"));
}

TEST_F(FilesTest, aReplacedFileIsEitherWholeOrAsItWas) {
    const Text path = at("1.jpg");
    ASSERT_TRUE(files::replaceFile(path, "first"));
    ASSERT_TRUE(files::replaceFile(path, std::string(20000, 'x')));
    EXPECT_EQ(files::fileSize(path), 20000);
    EXPECT_FALSE(files::replaceFile(at("missing\\1.jpg"), "x"));

    // A write that breaks off part-way (a full disk, here a file-size limit) keeps the old file.
    if (!FileSizeLimit::exists)
        GTEST_SKIP() << FileSizeLimit::missing;
    FileSizeLimit limit(4096);
    ASSERT_TRUE(limit.active());
    const bool replaced = files::replaceFile(path, std::string(30000, 'y'));
    limit.lift();

    EXPECT_FALSE(replaced);
    EXPECT_EQ(files::readFile(path), ByteArray(20000, 'x'));
    EXPECT_EQ(files::listEntries(directory.path(), "*"_t, files::EntryKind::Files),
              std::vector<Text>{"1.jpg"_t});
}

TEST_F(FilesTest, onlyAPlainFileWithinTheLimitIsRead) {
    ASSERT_TRUE(files::writeFile(at("100.q"), std::string(100, 'x')));
    EXPECT_EQ(files::readFile(at("100.q"), 100), ByteArray(100, 'x'));
    EXPECT_EQ(files::readFile(at("100.q"), 99), std::nullopt);
    ASSERT_TRUE(files::writeFile(at("empty.q"), ""));
    EXPECT_EQ(files::readFile(at("empty.q")), ByteArray());
    ASSERT_TRUE(ensureFolder(at("folder.q")));
    EXPECT_EQ(files::readFile(at("folder.q")), std::nullopt);

    if (!fileLinksCanBeMade())
        GTEST_SKIP() << noFileLinksHere;
    ASSERT_TRUE(makeFileLink(at("100.q"), at("link.q")));
    EXPECT_EQ(files::readFile(at("link.q")), std::nullopt);
#ifndef _WIN32
    // A device has no end: read without these checks, it would fill the memory.
    ASSERT_TRUE(makeFileLink("/dev/zero"_t, at("zero.q")));
    EXPECT_EQ(files::readFile(at("zero.q")), std::nullopt);
    EXPECT_EQ(files::readFile("/dev/zero"_t), std::nullopt);
    // Nor does a FIFO without a writer hold the reader up.
    ASSERT_EQ(::mkfifo(files::nativePath(at("fifo.q")).c_str(), 0600), 0);
    EXPECT_EQ(files::readFile(at("fifo.q")), std::nullopt);
#endif
}

TEST_F(FilesTest, replacingALinkReplacesTheLinkAndNeverTouchesItsTarget) {
    if (!fileLinksCanBeMade())
        GTEST_SKIP() << noFileLinksHere;
    TemporaryDirectory outside;
    const Text target = outside.path() + "\\c_x.q"_t;
    ASSERT_TRUE(files::writeFile(target, "outside"));
    ASSERT_TRUE(makeFileLink(target, at("c_x.q")));
    EXPECT_TRUE(files::replaceFile(at("c_x.q"), "inside"));
    EXPECT_EQ(files::readFile(at("c_x.q")), ByteArray("inside")); // a plain file now
    EXPECT_EQ(files::readFile(target), ByteArray("outside"));

    // A link to nowhere: the write lands under the name, not where the link pointed.
    const Text nowhere = outside.path() + "\\nowhere"_t;
    ASSERT_TRUE(makeFileLink(nowhere, at("t_j.q")));
    EXPECT_TRUE(files::replaceFile(at("t_j.q"), "page"));
    EXPECT_EQ(files::readFile(at("t_j.q")), ByteArray("page"));
    EXPECT_FALSE(files::exists(nowhere));
    EXPECT_EQ(files::listEntries(outside.path(), "*"_t, files::EntryKind::Files),
              std::vector<Text>{"c_x.q"_t});
}

TEST_F(FilesTest, aFileIsReadInPiecesUntilTheReaderHasEnough) {
    std::string bytes;
    for (std::size_t i = 0; i < 2 * files::filePieceBytes + 100; ++i)
        bytes += static_cast<char>('a' + i % 26);
    ASSERT_TRUE(files::writeFile(at("long.jpg"), bytes));
    std::string read;
    std::size_t largest = 0;
    const auto stamp = files::readFileInPieces(at("long.jpg"), [&](std::string_view piece) {
        read += piece;
        largest = std::max(largest, piece.size());
        return true;
    });
    ASSERT_TRUE(stamp);
    EXPECT_EQ(*stamp, files::fileStamp(at("long.jpg")));
    EXPECT_EQ(read, bytes);
    EXPECT_LE(largest, files::filePieceBytes);

    int pieces = 0;
    EXPECT_TRUE(files::readFileInPieces(at("long.jpg"), [&](std::string_view) { return ++pieces < 1; }));
    EXPECT_EQ(pieces, 1);

    const auto any = [](std::string_view) { return true; };
    EXPECT_FALSE(files::readFileInPieces(at("missing.jpg"), any));
    ASSERT_TRUE(ensureFolder(at("folder.jpg")));
    EXPECT_FALSE(files::readFileInPieces(at("folder.jpg"), any));
}

TEST_F(FilesTest, aBackslashTrailByteStaysInsideItsCharacter) {
    // 嘰 ends in the byte "\": only the real separators may become "/".
    Text folder = at("嘰億");
    ASSERT_TRUE(ensureFolder(folder + "\\"_t));
    ASSERT_TRUE(files::writeFile(folder + "\\1.jpg"_t, "x"));
    EXPECT_TRUE(
        std::filesystem::is_regular_file(directory.native() / std::filesystem::path(u8"嘰億") / "1.jpg"));
    EXPECT_EQ(files::listEntries(directory.path(), "*"_t, files::EntryKind::Folders),
              std::vector<Text>{"嘰億"_t});
}

TEST_F(FilesTest, aPathLongerThanWindowsOldLimitWorksThroughout) {
    const Text top = at(std::string(40, 'a').c_str());
    Text deep = top;
    for (char c = 'b'; c < 'i'; ++c)
        deep += "\\"_t + Text::fromGbk(std::string(40, c));
    const Text file = deep + "\\1.jpg"_t; // over 330 characters below the temporary folder
    ASSERT_TRUE(ensureFolder(deep));
    ASSERT_TRUE(files::writeFile(file, "long"));
    EXPECT_EQ(files::readFile(file), ByteArray("long"));
    EXPECT_TRUE(files::replaceFile(file, "longer"));
    EXPECT_EQ(files::fileSize(file), 6);
    EXPECT_EQ(files::listEntries(deep, "*.jpg"_t, files::EntryKind::Files), std::vector<Text>{"1.jpg"_t});
    EXPECT_TRUE(files::isStrictlyInside(files::resolvedPath(file), files::resolvedPath(directory.path())));
    EXPECT_TRUE(files::removeTree(top));
    EXPECT_FALSE(files::exists(top));
}

#ifdef _WIN32
TEST_F(FilesTest, aDeviceNameIsNoFileToReadOrWrite) {
    EXPECT_FALSE(files::writeFile(at("NUL"), "x"));
    EXPECT_FALSE(files::writeFile(at("con"), "x"));
    EXPECT_FALSE(files::readFile(at("NUL")));
    EXPECT_FALSE(files::readFileInPieces(at("CON"), [](std::string_view) { return true; }));
}
#endif

TEST_F(FilesTest, ensureFolderMakesEveryMissingParent) {
    Text deep = at("a\\b\\c");
    EXPECT_TRUE(ensureFolder(deep));
    EXPECT_TRUE(files::isDirectory(deep));
    EXPECT_TRUE(ensureFolder(deep));
    ASSERT_TRUE(files::writeFile(at("plain"), "x"));
    EXPECT_FALSE(ensureFolder(at("plain")));
    EXPECT_FALSE(ensureFolder(at("plain\\below")));
}

TEST_F(FilesTest, listsFilesOrFoldersMatchingAWildcardWithoutRegardToCase) {
    for (const char* name : {"1.jpg", "2.JPG", "3.png", "4.jpg.txt"})
        ASSERT_TRUE(files::writeFile(at(name), "x"));
    ASSERT_TRUE(ensureFolder(at("sub.jpg")));
    using files::EntryKind;
    EXPECT_EQ(sorted(files::listEntries(directory.path(), "*.jpg"_t, EntryKind::Files)),
              (std::vector<Text>{"1.jpg"_t, "2.JPG"_t}));
    EXPECT_EQ(files::listEntries(directory.path(), "*.*"_t, EntryKind::Files).size(), 4u);
    EXPECT_EQ(files::listEntries(directory.path(), "*.*"_t, EntryKind::Folders),
              std::vector<Text>{"sub.jpg"_t});
    EXPECT_TRUE(files::listEntries(at("none"), "*"_t, EntryKind::Files).empty());
    EXPECT_TRUE(files::wildcardMatches("?.q"_t, "2.q"_t));
    EXPECT_FALSE(files::wildcardMatches("?.q"_t, "12.q"_t));
}

TEST_F(FilesTest, removingATreeNeverFollowsASymbolicLink) {
    TemporaryDirectory outside;
    ASSERT_TRUE(files::writeFile(outside.path() + "\\keep.jpg"_t, "x"));
    ASSERT_TRUE(ensureFolder(at("album\\inner")));
    ASSERT_TRUE(files::writeFile(at("album\\inner\\1.jpg"), "x"));
    if (!linksCanBeMade())
        GTEST_SKIP() << noLinksHere;
    ASSERT_TRUE(makeFolderLink(outside.path(), at("album\\link")));

    EXPECT_TRUE(files::removeTree(at("album")));
    EXPECT_FALSE(files::exists(at("album")));
    EXPECT_TRUE(files::exists(outside.path() + "\\keep.jpg"_t));
    EXPECT_FALSE(files::removeTree(at("album")));
}

TEST_F(FilesTest, aLinkIsNeitherListedNorRemovedAsATree) {
    ASSERT_TRUE(ensureFolder(at("real")));
    if (!linksCanBeMade())
        GTEST_SKIP() << noLinksHere;
    ASSERT_TRUE(makeFolderLink(at("real"), at("alias")));
    EXPECT_EQ(files::listEntries(directory.path(), "*"_t, files::EntryKind::Folders),
              std::vector<Text>{"real"_t});
    EXPECT_FALSE(files::removeTree(at("alias")));
    EXPECT_TRUE(files::isDirectory(at("real")));
}

TEST_F(FilesTest, aFailedCallSaysWhy) {
    ASSERT_TRUE(files::writeFile(at("plain"), "x"));
    ASSERT_TRUE(ensureFolder(at("real")));
    using Kind = SystemError::Kind;
    struct Case {
        const char* call;
        std::function<bool(SystemError*)> fails;
        Kind kind;
    };
    std::vector<Case> cases{
        {"replace in a missing folder",
         [&](SystemError* e) { return files::replaceFile(at("no\\1.jpg"), "x", e); }, Kind::System},
        {"remove a missing file", [&](SystemError* e) { return files::removeFile(at("none.jpg"), e); },
         Kind::System},
        {"a folder below a file",
         [&](SystemError* e) { return files::ensureFolderBelow(directory.path(), at("plain\\a"), e); },
         Kind::NotAFolder},
        {"a folder outside the root",
         [&](SystemError* e) { return files::ensureFolderBelow(at("real"), at("other"), e); },
         Kind::OutsideFolder},
        {"a tree that is a file",
         [&](SystemError* e) { return files::removeTree(at("plain"), files::DotEntries::Remove, e); },
         Kind::NotAFolder},
    };
    if (linksCanBeMade() && makeFolderLink(at("real"), at("alias")) &&
        linkIsSeen(directory.path(), at("alias")))
        cases.push_back(
            {"a folder through a link",
             [&](SystemError* e) { return files::ensureFolderBelow(directory.path(), at("alias\\a"), e); },
             Kind::LinkRefused});
    for (const Case& c : cases) {
        SystemError error{Kind::System, -1};
        EXPECT_FALSE(c.fails(&error)) << c.call;
        EXPECT_EQ(error.kind, c.kind) << c.call;
        // Where the system refused, its own code and words.
        if (c.kind == Kind::System) {
            EXPECT_GT(error.code, 0) << c.call;
            EXPECT_FALSE(systemErrorText(error.code).empty()) << c.call;
        }
    }
}

TEST_F(FilesTest, onlyThePartsOfAProcessNoLongerRunningAreRemoved) {
#ifdef _WIN32
    const std::string own = std::to_string(GetCurrentProcessId());
#else
    const std::string own = std::to_string(::getpid());
#endif
    // No system hands out a process number this high.
    const std::string gone = "2147483000";
    const struct {
        std::string name;
        bool stays;
    } cases[] = {{"1.jpg." + gone + "-3.part", false},
                 {"1.jpg." + own + "-3.part", true},
                 {"1.jpg.part", true},
                 {"1.jpg.x-3.part", true},
                 {"1.jpg", true}};
    for (const auto& c : cases)
        ASSERT_TRUE(files::writeFile(at(c.name.c_str()), "x"));
    EXPECT_EQ(files::removeLeftParts(directory.path()), 1);
    for (const auto& c : cases)
        EXPECT_EQ(files::exists(at(c.name.c_str())), c.stays) << c.name;
}
