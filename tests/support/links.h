// Links made by tests, to show that nothing follows them.
#pragma once

#include "os/files.h"
#include "support/programfixture.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace xiuyun::testing {

// A symbolic link at `link` to the folder `target`; true when it was made.
inline bool makeFolderLink(const Text& target, const Text& link) {
#ifdef _WIN32
    // Unprivileged links need developer mode; elsewhere the call fails and linksCanBeMade says so.
    const DWORD flags = SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
    return ::CreateSymbolicLinkW(files::nativePath(link).c_str(), files::nativePath(target).c_str(), flags) !=
           0;
#else
    return ::symlink(files::nativePath(target).c_str(), files::nativePath(link).c_str()) == 0;
#endif
}

// True when `path` is a symbolic link itself.
inline bool isLink(const Text& path) {
#ifdef _WIN32
    const DWORD attributes = ::GetFileAttributesW(files::nativePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
#else
    struct stat info;
    return ::lstat(files::nativePath(path).c_str(), &info) == 0 && S_ISLNK(info.st_mode);
#endif
}

// A symbolic link at `link` to the file `target` (which need not exist); true when it was made.
inline bool makeFileLink(const Text& target, const Text& link) {
#ifdef _WIN32
    // Wine 8 answers success and makes nothing: only a link that is there counts.
    return ::CreateSymbolicLinkW(files::nativePath(link).c_str(), files::nativePath(target).c_str(),
                                 SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != 0 &&
           isLink(link);
#else
    return ::symlink(files::nativePath(target).c_str(), files::nativePath(link).c_str()) == 0;
#endif
}

// False where this system or this account cannot make links at all (Windows without the right,
// Wine): the tests that need one are skipped there, saying so.
inline bool linksCanBeMade() {
    static const bool canBeMade = [] {
        TemporaryDirectory probe;
        return makeFolderLink(probe.path(), probe.path() + "\\link"_t);
    }();
    return canBeMade;
}

// Whether the file layer sees the folder link at `link`, below `root`, as a link. Always on POSIX systems and
// on Windows; Wine 8 makes a folder link its own listing and attributes don't mark, and writes into it land
// in the link itself, never where it leads: only that much can be shown there.
inline bool linkIsSeen(const Text& root, const Text& link) {
    const bool seen = !files::isLinkFreeBelow(root, link);
#ifndef _WIN32
    EXPECT_TRUE(seen) << link;
#endif
    return seen;
}

inline constexpr const char* noLinksHere = "this system makes no symbolic links for this account";

// False where this system or this account cannot make links to files (Windows without the right,
// Wine 8, which makes links to folders only).
inline bool fileLinksCanBeMade() {
    static const bool canBeMade = [] {
        TemporaryDirectory probe;
        return makeFileLink(probe.path() + "\\target"_t, probe.path() + "\\link"_t);
    }();
    return canBeMade;
}

inline constexpr const char* noFileLinksHere =
    "this system makes no symbolic links to files for this account";

} // namespace xiuyun::testing
