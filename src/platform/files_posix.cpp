#include "platform/files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace xiuyun::files {
namespace {

bool lstatOf(const Text& path, struct stat& info) {
    return ::lstat(nativePath(path).c_str(), &info) == 0;
}

bool writeAll(int fd, std::string_view bytes) {
    const char* next = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t put = ::write(fd, next, left);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        next += put;
        left -= static_cast<std::size_t>(put);
    }
    return true;
}

bool makeOneDirectory(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0 || errno == EEXIST) {
        struct stat info;
        return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    }
    return false;
}

bool removeNativeTree(const std::string& path, DotEntries dotEntries) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0)
        return false;
    if (!S_ISDIR(info.st_mode))
        return ::unlink(path.c_str()) == 0;
    bool allRemoved = true;
    if (DIR* dir = ::opendir(path.c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            std::string name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            if (dotEntries == DotEntries::Keep && name[0] == '.') {
                allRemoved = false;
                continue;
            }
            allRemoved = removeNativeTree(path + "/" + name, dotEntries) && allRemoved;
        }
        ::closedir(dir);
    }
    return allRemoved && ::rmdir(path.c_str()) == 0;
}

} // namespace

NativePath nativePath(const Text& path) {
    // Convert first: in GBK the byte "\" also occurs inside characters, in UTF-8 it can't.
    std::string native = path.toUtf8();
    for (char& c : native) {
        if (c == '\\')
            c = '/';
    }
    return native;
}

Text fromNativePath(const NativePath& nativePath) {
    return Text::fromUtf8(nativePath);
}

std::optional<ByteArray> readFile(const Text& path, long long maxBytes) {
    // O_NOFOLLOW and the type test: a link or a device (/dev/zero) under the name reads as no file.
    // O_NONBLOCK: a FIFO must not hold the caller up before it is refused.
    const int fd = ::open(nativePath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > maxBytes) {
        ::close(fd);
        return std::nullopt;
    }
    // Read straight into the result: one byte beyond the size finds a file that grew meanwhile.
    ByteArray bytes(static_cast<std::size_t>(info.st_size) + 1, '\0');
    std::size_t filled = 0;
    while (true) {
        if (filled == bytes.size()) {
            if (static_cast<long long>(filled) > maxBytes) {
                ::close(fd);
                return std::nullopt;
            }
            bytes.resize(filled + 65536);
        }
        const ssize_t got = ::read(fd, bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    ::close(fd);
    if (static_cast<long long>(filled) > maxBytes)
        return std::nullopt;
    bytes.resize(filled);
    return bytes;
}

std::optional<FileEnds> readFileEnds(const Text& path, std::size_t headBytes, std::size_t tailBytes) {
    int fd = ::open(nativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    auto readAt = [fd](off_t offset, std::size_t count, ByteArray& into) {
        into.resize(count);
        std::size_t got = 0;
        while (got < count) {
            ssize_t part = ::pread(fd, into.data() + got, count - got, offset + static_cast<off_t>(got));
            if (part < 0 && errno == EINTR)
                continue;
            if (part <= 0)
                break;
            got += static_cast<std::size_t>(part);
        }
        into.resize(got);
        return got == count;
    };
    std::optional<FileEnds> ends;
    struct stat info;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        FileEnds found;
        found.size = info.st_size;
        const auto size = static_cast<std::size_t>(info.st_size);
        const std::size_t tail = std::min(tailBytes, size);
        if (readAt(0, std::min(headBytes, size), found.head) &&
            readAt(static_cast<off_t>(size - tail), tail, found.tail))
            ends = std::move(found);
    }
    ::close(fd);
    return ends;
}

bool writeFile(const Text& path, std::string_view bytes) {
    int fd = ::open(nativePath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, bytes);
    return ::close(fd) == 0 && written;
}

bool replaceFile(const Text& path, std::string_view bytes, Sync sync) {
    static std::atomic<unsigned long> nextTemporary{0};
    const std::string native = nativePath(path);
    const std::string stem = native + "." + std::to_string(::getpid()) + "-";
    // Made anew and exclusively: a name already taken, even by a link, is never written through.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temporary = stem + std::to_string(nextTemporary.fetch_add(1)) + ".part";
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return false;
        bool written = writeAll(fd, bytes) && (sync == Sync::Later || ::fdatasync(fd) == 0);
        written = ::close(fd) == 0 && written;
        // rename replaces the name itself: a link there is replaced, its target never touched.
        if (!written || ::rename(temporary.c_str(), native.c_str()) != 0) {
            ::unlink(temporary.c_str());
            return false;
        }
        return true;
    }
    return false;
}

bool removeFile(const Text& path) {
    struct stat info;
    if (!lstatOf(path, info) || S_ISDIR(info.st_mode))
        return false;
    return ::unlink(nativePath(path).c_str()) == 0;
}

bool exists(const Text& path) {
    struct stat info;
    return !path.empty() && ::stat(nativePath(path).c_str(), &info) == 0;
}

bool isDirectory(const Text& path) {
    struct stat info;
    return !path.empty() && ::stat(nativePath(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

long long fileSize(const Text& path) {
    struct stat info;
    if (path.empty() || ::stat(nativePath(path).c_str(), &info) != 0 || S_ISDIR(info.st_mode))
        return -1;
    return static_cast<long long>(info.st_size);
}

bool createDirectories(const Text& path) {
    std::string native = nativePath(path);
    if (native.empty())
        return false;
    for (std::size_t slash = native.find('/', 1); slash != std::string::npos;
         slash = native.find('/', slash + 1)) {
        std::string parent = native.substr(0, slash);
        if (!parent.empty() && parent.back() != '/')
            makeOneDirectory(parent);
    }
    while (native.size() > 1 && native.back() == '/')
        native.pop_back();
    return makeOneDirectory(native);
}

std::vector<Text> listEntries(const Text& folder, const Text& wildcard, EntryKind kind) {
    std::vector<Text> names;
    std::string native = nativePath(folder);
    DIR* dir = ::opendir(native.empty() ? "." : native.c_str());
    if (!dir)
        return names;
    while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat info;
        if (::lstat((native + "/" + name).c_str(), &info) != 0 || S_ISLNK(info.st_mode))
            continue;
        bool isFolder = S_ISDIR(info.st_mode);
        if (isFolder != (kind == EntryKind::Folders) || (!isFolder && !S_ISREG(info.st_mode)))
            continue;
        Text text = Text::fromUtf8(name);
        if (wildcardMatches(wildcard, text))
            names.push_back(text);
    }
    ::closedir(dir);
    return names;
}

bool removeTree(const Text& path, DotEntries dotEntries) {
    std::string native = nativePath(path);
    struct stat info;
    if (native.empty() || ::lstat(native.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    return removeNativeTree(native, dotEntries);
}

NativePath resolvedPath(const Text& path) {
    std::string native = nativePath(path);
    while (native.size() > 1 && native.back() == '/')
        native.pop_back();
    if (native.empty())
        return {};
    const std::size_t slash = native.rfind('/');
    std::string folder = slash == std::string::npos ? "." : native.substr(0, slash == 0 ? 1 : slash);
    std::string name = slash == std::string::npos ? native : native.substr(slash + 1);
    char resolved[PATH_MAX];
    if (!::realpath(folder.c_str(), resolved))
        return {};
    std::string result = resolved;
    if (name.empty() || name == ".")
        return result;
    if (name == "..") {
        const std::size_t up = result.rfind('/');
        return up == 0 || up == std::string::npos ? "/" : result.substr(0, up);
    }
    return (result == "/" ? "" : result) + "/" + name;
}

bool isRootPath(const NativePath& resolved) {
    return resolved == "/";
}

bool isSamePath(const NativePath& a, const NativePath& b) {
    return a == b;
}

bool isStrictlyInside(const NativePath& path, const NativePath& parent) {
    if (parent.empty())
        return false;
    const std::string prefix = parent == "/" ? parent : parent + "/";
    return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0;
}

NativePath homeFolder() {
    const char* home = std::getenv("HOME");
    if (!home || !*home)
        return {};
    char resolved[PATH_MAX];
    return ::realpath(home, resolved) ? std::string(resolved) : std::string();
}

bool isAbsolutePath(const Text& path) {
    return path.startsWith("/"_t) || path.startsWith("\\"_t);
}

} // namespace xiuyun::files
