#include "os/files.h"

#include "text/gb18030.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <signal.h>
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

bool makeOneDirectory(const std::string& path, SystemError* error) {
    if (::mkdir(path.c_str(), 0777) == 0 || errno == EEXIST) {
        struct stat info;
        if (::stat(path.c_str(), &info) != 0)
            return fail(error, lastSystemError());
        return S_ISDIR(info.st_mode) || fail(error, {SystemError::Kind::NotAFolder});
    }
    return fail(error, lastSystemError());
}

// The first cause met is the one kept: what follows it is often only its consequence.
bool removeNativeTree(const std::string& path, DotEntries dotEntries, SystemError* error) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0)
        return fail(error, lastSystemError());
    if (!S_ISDIR(info.st_mode))
        return ::unlink(path.c_str()) == 0 || fail(error, lastSystemError());
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
            allRemoved =
                removeNativeTree(path + "/" + name, dotEntries, allRemoved ? error : nullptr) && allRemoved;
        }
        ::closedir(dir);
    }
    if (!allRemoved)
        return false;
    return ::rmdir(path.c_str()) == 0 || fail(error, lastSystemError());
}

FileStamp stampOf(const struct stat& info) {
    return {static_cast<unsigned long long>(info.st_dev), static_cast<unsigned long long>(info.st_ino),
            static_cast<long long>(info.st_size),
            static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec,
            static_cast<long long>(info.st_ctim.tv_sec) * 1000000000LL + info.st_ctim.tv_nsec};
}

} // namespace

// A name is bytes: a "\" in it, and bytes that are no UTF-8, are held as escapes.
NativePath nativePath(const Text& path) {
    return encoding::textToName(path.bytes(), encoding::NameForm::Bytes).value_or(std::string());
}

Text fromNativePath(const NativePath& nativePath) {
    return Text::fromGbk(encoding::nameToText(nativePath, encoding::NameForm::Bytes));
}

Text pathFromUser(const std::string& path) {
    return fromNativePath(path);
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

std::optional<FileStamp> readFileInPieces(const Text& path, const PieceReader& take) {
    // O_NONBLOCK: a FIFO must not hold the caller up before it is refused.
    const int fd = ::open(nativePath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    std::optional<FileStamp> stamp;
    struct stat info;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        const auto piece = std::make_unique<char[]>(filePieceBytes);
        while (true) {
            const ssize_t got = ::read(fd, piece.get(), filePieceBytes);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                break;
            if (got == 0 || !take(std::string_view(piece.get(), static_cast<std::size_t>(got)))) {
                stamp = stampOf(info);
                break;
            }
        }
    }
    ::close(fd);
    return stamp;
}

bool writeFile(const Text& path, std::string_view bytes) {
    int fd = ::open(nativePath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, bytes);
    return ::close(fd) == 0 && written;
}

bool removeFile(const Text& path, SystemError* error) {
    struct stat info;
    if (!lstatOf(path, info))
        return fail(error, lastSystemError());
    if (S_ISDIR(info.st_mode))
        return fail(error, {SystemError::Kind::System, EISDIR});
    return ::unlink(nativePath(path).c_str()) == 0 || fail(error, lastSystemError());
}

std::optional<FileStamp> fileStamp(const Text& path) {
    struct stat info;
    if (path.empty() || !lstatOf(path, info) || !S_ISREG(info.st_mode))
        return std::nullopt;
    return stampOf(info);
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

bool createDirectories(const Text& path, SystemError* error) {
    std::string native = nativePath(path);
    if (native.empty())
        return fail(error, {SystemError::Kind::System, ENOENT});
    for (std::size_t slash = native.find('/', 1); slash != std::string::npos;
         slash = native.find('/', slash + 1)) {
        std::string parent = native.substr(0, slash);
        if (!parent.empty() && parent.back() != '/')
            makeOneDirectory(parent, nullptr);
    }
    while (native.size() > 1 && native.back() == '/')
        native.pop_back();
    return makeOneDirectory(native, error);
}

std::vector<FolderEntry> listFolder(const Text& folder) {
    std::vector<FolderEntry> entries;
    std::string native = nativePath(folder);
    // No name for a folder that can't be held: never the working directory in its place.
    if (native.empty() && !folder.empty())
        return entries;
    DIR* dir = ::opendir(native.empty() ? "." : native.c_str());
    if (!dir)
        return entries;
    while (dirent* entry = ::readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        // The listing's own type spares a look-up per entry; only a file system that gives none
        // costs one.
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat info;
            if (::lstat((native + "/" + entry->d_name).c_str(), &info) != 0)
                continue;
            type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISREG(info.st_mode) ? DT_REG : DT_LNK;
        }
        if (type == DT_DIR || type == DT_REG)
            entries.push_back({fromNativePath(std::string(name)), type == DT_DIR});
    }
    ::closedir(dir);
    return entries;
}

bool removeTree(const Text& path, DotEntries dotEntries, SystemError* error) {
    std::string native = nativePath(path);
    struct stat info;
    if (native.empty() || ::lstat(native.c_str(), &info) != 0)
        return fail(error, {SystemError::Kind::System, native.empty() ? ENOENT : errno});
    if (S_ISLNK(info.st_mode))
        return fail(error, {SystemError::Kind::LinkRefused});
    if (!S_ISDIR(info.st_mode))
        return fail(error, {SystemError::Kind::NotAFolder});
    return removeNativeTree(native, dotEntries, error);
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

namespace {

// The folder walk below a root: every element must be a folder that is no link; a missing one is
// made when `make`, and passes otherwise.
bool walkBelow(const Text& root, const Text& path, bool make, SystemError* error) {
    std::string base = nativePath(root);
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    const std::string full = nativePath(path);
    if (base.empty() || full.compare(0, base.size(), base) != 0 ||
        (full.size() > base.size() && full[base.size()] != '/' && base != "/"))
        return fail(error, {SystemError::Kind::OutsideFolder});
    if (make && !ensureFolder(root, error))
        return false;
    std::string current = base == "/" ? std::string() : base;
    std::size_t at = base.size();
    while (at < full.size()) {
        if (full[at] == '/') {
            ++at;
            continue;
        }
        const std::size_t end = std::min(full.find('/', at), full.size());
        const std::string element = full.substr(at, end - at);
        at = end;
        if (element == "." || element == "..")
            return fail(error, {SystemError::Kind::OutsideFolder});
        current += "/" + element;
        struct stat info;
        if (::lstat(current.c_str(), &info) == 0) {
            if (!S_ISDIR(info.st_mode))
                return fail(error, {S_ISLNK(info.st_mode) ? SystemError::Kind::LinkRefused
                                                          : SystemError::Kind::NotAFolder});
            continue;
        }
        if (errno != ENOENT)
            return fail(error, lastSystemError());
        if (!make)
            return true; // nothing below a missing folder exists to lead elsewhere
        if (::mkdir(current.c_str(), 0777) != 0) {
            const SystemError refused = lastSystemError();
            if (refused.code != EEXIST || ::lstat(current.c_str(), &info) != 0)
                return fail(error, refused);
            if (!S_ISDIR(info.st_mode))
                return fail(error, {S_ISLNK(info.st_mode) ? SystemError::Kind::LinkRefused
                                                          : SystemError::Kind::NotAFolder});
        }
    }
    return true;
}

std::atomic<unsigned long> nextPartFile{0};

} // namespace

bool ensureFolderBelow(const Text& root, const Text& path, SystemError* error) {
    return walkBelow(root, path, true, error);
}

bool isLinkFreeBelow(const Text& root, const Text& path) {
    return walkBelow(root, path, false, nullptr);
}

std::optional<PartFile> PartFile::create(const Text& path, SystemError* error) {
    // A name left taken (by a process of the same number before, or by a link put there) is
    // passed over, never opened.
    for (int attempt = 0; attempt < 100; ++attempt) {
        Text temporary = path + Text::fromGbk("." + std::to_string(::getpid()) + "-" +
                                              std::to_string(nextPartFile.fetch_add(1)) + ".part");
        const int fd =
            ::open(nativePath(temporary).c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0)
            return PartFile(path, std::move(temporary), fd);
        if (errno != EEXIST)
            break;
    }
    fail(error, lastSystemError());
    return std::nullopt;
}

void PartFile::discard() {
    if (m_handle >= 0)
        ::close(static_cast<int>(m_handle));
    m_handle = -1;
    if (!m_temporary.empty())
        ::unlink(nativePath(m_temporary).c_str());
    m_temporary = Text();
}

bool PartFile::write(std::string_view bytes) {
    if (m_handle < 0)
        return fail(&m_error, {SystemError::Kind::System, EBADF});
    while (!bytes.empty()) {
        const ssize_t put = ::write(static_cast<int>(m_handle), bytes.data(), bytes.size());
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return fail(&m_error,
                        put < 0 ? lastSystemError() : SystemError{SystemError::Kind::System, ENOSPC});
        bytes.remove_prefix(static_cast<std::size_t>(put));
        m_size += put;
    }
    return true;
}

bool PartFile::flush() {
    if (m_handle < 0)
        return fail(&m_error, {SystemError::Kind::System, EBADF});
    return ::fdatasync(static_cast<int>(m_handle)) == 0 || fail(&m_error, lastSystemError());
}

bool PartFile::clear() {
    if (m_handle < 0)
        return fail(&m_error, {SystemError::Kind::System, EBADF});
    if (::ftruncate(static_cast<int>(m_handle), 0) != 0 ||
        ::lseek(static_cast<int>(m_handle), 0, SEEK_SET) != 0)
        return fail(&m_error, lastSystemError());
    m_size = 0;
    return true;
}

bool PartFile::commit() {
    if (m_handle < 0)
        return fail(&m_error, {SystemError::Kind::System, EBADF});
    const bool closed = ::close(static_cast<int>(m_handle)) == 0;
    m_handle = -1;
    if (!closed || ::rename(nativePath(m_temporary).c_str(), nativePath(m_path).c_str()) != 0) {
        fail(&m_error, lastSystemError());
        discard();
        return false;
    }
    m_temporary = Text();
    return true;
}

std::string_view utf8TextPrefix() {
    return {};
}

bool syncFolder(const Text& folder) {
    const int fd = ::open(nativePath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

bool isProcessRunning(unsigned long pid) {
    // A process of another user answers "not permitted", and is running all the same.
    return pid != 0 && pid <= static_cast<unsigned long>(INT_MAX) &&
           (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

std::optional<HeldFile> HeldFile::hold(const Text& path) {
    const int fd = ::open(nativePath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    return HeldFile(fd);
}

HeldFile::HeldFile(HeldFile&& other) noexcept : m_handle(other.m_handle) {
    other.m_handle = -1;
}

HeldFile::~HeldFile() {
    if (m_handle >= 0)
        ::close(static_cast<int>(m_handle));
}

} // namespace xiuyun::files
