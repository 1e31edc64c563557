// Files and folders through the wide functions of Windows. A path too long for the plain form is
// handed over in the "\\?\" form; links (symbolic links, junctions) are never listed and never
// followed when a tree is removed.
#include "os/files.h"

#include "text/gb18030.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <string_view>

#include <windows.h>
// The known-folder GUIDs are defined here (selectany), so that no uuid library is needed.
#include <initguid.h>
#include <knownfolders.h>
#include <shlobj.h>

namespace xiuyun::files {
namespace {

// CreateDirectoryW takes at most MAX_PATH - 12 characters (room for an 8.3 name inside); one
// limit for every function keeps a path's form the same everywhere.
constexpr std::size_t plainPathLimit = MAX_PATH - 12;
constexpr std::wstring_view verbatimPrefix = L"\\\\?\\";
constexpr std::wstring_view verbatimUncPrefix = L"\\\\?\\UNC\\";
constexpr std::wstring_view devicePrefix = L"\\\\.\\";

class Handle {
public:
    explicit Handle(HANDLE handle) : m_handle(handle) {}
    ~Handle() {
        if (valid())
            CloseHandle(m_handle);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool valid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
    HANDLE get() const { return m_handle; }
    // Closes now, so that the caller learns whether the last writes reached the file.
    bool close() {
        const bool closed = CloseHandle(m_handle) != 0;
        m_handle = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE m_handle;
};

std::wstring widen(std::string_view utf8) {
    if (utf8.empty())
        return {};
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    return wide;
}

bool startsWith(std::wstring_view text, std::wstring_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool isDriveLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// The end of "server\share\" from `start`: the separator after the share is part of the root.
std::size_t uncRootEnd(std::wstring_view path, std::size_t start) {
    const std::size_t server = path.find(L'\\', start);
    if (server == std::wstring_view::npos)
        return path.size();
    const std::size_t share = path.find(L'\\', server + 1);
    return share == std::wstring_view::npos ? path.size() : share + 1;
}

// Length of the part of a path that names where it starts: "C:\", "C:", "\", "\\server\share\",
// "\\?\C:\", "\\?\UNC\server\share\", "\\?\Volume{…}\"; 0 for a relative path.
std::size_t rootLength(std::wstring_view path) {
    if (startsWith(path, verbatimUncPrefix))
        return uncRootEnd(path, verbatimUncPrefix.size());
    if (startsWith(path, verbatimPrefix) || startsWith(path, devicePrefix)) {
        const std::size_t end = path.find(L'\\', verbatimPrefix.size());
        return end == std::wstring_view::npos ? path.size() : end + 1;
    }
    if (startsWith(path, L"\\\\"))
        return uncRootEnd(path, 2);
    if (path.size() >= 2 && isDriveLetter(path[0]) && path[1] == L':')
        return path.size() >= 3 && path[2] == L'\\' ? 3 : 2;
    return !path.empty() && path[0] == L'\\' ? 1 : 0;
}

bool isVerbatim(std::wstring_view path) {
    return startsWith(path, verbatimPrefix) || startsWith(path, devicePrefix);
}

// The form a user reads: "\\?\C:\a" as "C:\a", "\\?\UNC\server\share" as "\\server\share".
std::wstring plainForm(std::wstring_view path) {
    if (startsWith(path, verbatimUncPrefix))
        return L"\\\\" + std::wstring(path.substr(verbatimUncPrefix.size()));
    if (startsWith(path, verbatimPrefix) && path.size() >= 6 && isDriveLetter(path[4]) && path[5] == L':')
        return std::wstring(path.substr(verbatimPrefix.size()));
    return std::wstring(path);
}

std::wstring currentDirectory() {
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    if (size == 0)
        return {};
    std::wstring directory(size, L'\0');
    const DWORD length = GetCurrentDirectoryW(size, directory.data());
    directory.resize(length < size ? length : 0);
    return directory;
}

// The "\\?\" form of a long path. That form is taken as it stands, so "." and ".." are resolved
// here, by their names; trailing dots and blanks of a name stay, as the caller wrote them.
std::wstring longForm(std::wstring path) {
    if (isVerbatim(path))
        return path;
    std::size_t root = rootLength(path);
    const bool absolute = root >= 3 || startsWith(path, L"\\\\");
    if (!absolute) {
        if (root == 2) // "C:name" names a folder of that drive's own working directory
            return path;
        const std::wstring current = currentDirectory();
        if (current.empty() || path.size() + current.size() + 1 < plainPathLimit)
            return path;
        if (root == 1)
            path = current.substr(0, rootLength(current)) + path.substr(1);
        else
            path = current + (current.back() == L'\\' ? L"" : L"\\") + path;
        root = rootLength(path);
    } else if (path.size() < plainPathLimit) {
        return path;
    }
    std::wstring result = path.substr(0, root);
    if (result.back() != L'\\')
        result += L'\\';
    const std::size_t base = result.size();
    std::size_t start = root;
    while (start <= path.size()) {
        std::size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos)
            end = path.size();
        const std::wstring_view name = std::wstring_view(path).substr(start, end - start);
        if (name == L"..") {
            const std::size_t up = result.size() > base ? result.rfind(L'\\', result.size() - 2) : base - 1;
            result.resize(std::max(up + 1, base));
        } else if (!name.empty() && name != L".") {
            result.append(name);
            result += L'\\';
        }
        start = end + 1;
    }
    if (result.size() > base)
        result.pop_back();
    if (startsWith(result, L"\\\\"))
        return std::wstring(verbatimUncPrefix) + result.substr(2);
    return std::wstring(verbatimPrefix) + result;
}

std::wstring withoutTrailingSeparators(std::wstring path) {
    const std::size_t root = rootLength(path);
    while (path.size() > std::max<std::size_t>(root, 1) && path.back() == L'\\')
        path.pop_back();
    return path;
}

// Links are the reparse points that stand for another name: symbolic links, junctions. Other
// reparse points (deduplicated or cloud files) hold their own data. No tag at all (how Wine marks a
// folder link of the host) counts as a link.
bool isLink(DWORD attributes, DWORD tag) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) && (tag == 0 || IsReparseTagNameSurrogate(tag));
}

struct Entry {
    DWORD attributes = 0;
    DWORD tag = 0;
    bool link() const { return isLink(attributes, tag); }
    bool folder() const { return attributes & FILE_ATTRIBUTE_DIRECTORY; }
};

// The entry itself, a link not followed.
std::optional<Entry> entryOf(const std::wstring& native) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (native.empty() || !GetFileAttributesExW(native.c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    Entry entry{data.dwFileAttributes, 0};
    if (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        WIN32_FIND_DATAW found;
        HANDLE find =
            FindFirstFileExW(native.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
        if (find != INVALID_HANDLE_VALUE) {
            entry.tag = found.dwReserved0;
            FindClose(find);
        }
    }
    return entry;
}

struct Target {
    DWORD attributes = 0;
    long long size = 0;
};

// What the path leads to, links followed; nothing for a dangling link or a device.
std::optional<Target> targetOf(const Text& path) {
    if (path.empty())
        return std::nullopt;
    const std::wstring native = nativePath(path);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(native.c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return Target{
            data.dwFileAttributes,
            static_cast<long long>((static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow)};
    Handle file(CreateFileW(native.c_str(), FILE_READ_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION information;
    if (!file.valid() || !GetFileInformationByHandle(file.get(), &information))
        return std::nullopt;
    return Target{information.dwFileAttributes,
                  static_cast<long long>((static_cast<ULONGLONG>(information.nFileSizeHigh) << 32) |
                                         information.nFileSizeLow)};
}

long long ticksOf(const FILETIME& time) {
    return static_cast<long long>((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

// Size and times only: the device and index come with an open handle, and the stamp of a listed
// file must equal the stamp of the same file opened.
FileStamp stampOf(DWORD sizeHigh, DWORD sizeLow, const FILETIME& written, const FILETIME& created) {
    return {0, 0, static_cast<long long>((static_cast<ULONGLONG>(sizeHigh) << 32) | sizeLow),
            ticksOf(written), ticksOf(created)};
}

enum class Links { Followed, Refused };

// Opens a plain file for reading and tells its size; a device ("CON", "NUL") is none, and so is a
// link unless links are followed. Refusing links refuses every reparse point: the program's own
// data files never are one.
HANDLE openPlainFile(const Text& path, LARGE_INTEGER& size, Links links = Links::Followed) {
    const DWORD flags =
        FILE_FLAG_SEQUENTIAL_SCAN | (links == Links::Refused ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    HANDLE file = CreateFileW(nativePath(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              flags, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return file;
    BY_HANDLE_FILE_INFORMATION information;
    const bool plain =
        GetFileType(file) == FILE_TYPE_DISK && GetFileSizeEx(file, &size) &&
        (links == Links::Followed ||
         (GetFileInformationByHandle(file, &information) &&
          !(information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))));
    if (!plain) {
        CloseHandle(file);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

bool writeAll(HANDLE file, std::string_view bytes) {
    const char* next = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(left, 1u << 30));
        DWORD put = 0;
        if (!WriteFile(file, next, ask, &put, nullptr) || put == 0)
            return false;
        next += put;
        left -= put;
    }
    return true;
}

// Removes one entry: a folder (an empty one, or a link to one) with RemoveDirectoryW, anything else
// with DeleteFileW. A read-only file goes too, as unlink removes one on POSIX systems; a link's
// attributes are left alone, so nothing of its target is touched.
bool removeEntry(const std::wstring& native, const Entry& entry, SystemError* error) {
    auto remove = [&] {
        return (entry.folder() ? RemoveDirectoryW(native.c_str()) : DeleteFileW(native.c_str())) != 0;
    };
    if (remove())
        return true;
    const SystemError refused = lastSystemError();
    if (entry.link() || !(entry.attributes & FILE_ATTRIBUTE_READONLY) || refused.code != ERROR_ACCESS_DENIED)
        return fail(error, refused);
    const DWORD kept =
        entry.attributes & (FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_TEMPORARY);
    return (SetFileAttributesW(native.c_str(), kept ? kept : FILE_ATTRIBUTE_NORMAL) && remove()) ||
           fail(error, lastSystemError());
}

std::wstring childPath(const std::wstring& folder, std::wstring_view name) {
    std::wstring child = folder;
    if (!child.empty() && child.back() != L'\\')
        child += L'\\';
    child.append(name);
    return longForm(std::move(child));
}

bool isDotName(const wchar_t* name) {
    return (name[0] == L'.' && name[1] == L'\0') || (name[0] == L'.' && name[1] == L'.' && name[2] == L'\0');
}

// The first cause met is the one kept: what follows it is often only its consequence.
bool removeNativeTree(const std::wstring& native, const Entry& entry, DotEntries dotEntries,
                      SystemError* error) {
    if (!entry.folder() || entry.link())
        return removeEntry(native, entry, error);
    bool allRemoved = true;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileExW(childPath(native, L"*").c_str(), FindExInfoBasic, &found,
                                   FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (isDotName(found.cFileName))
                continue;
            if (dotEntries == DotEntries::Keep && found.cFileName[0] == L'.') {
                allRemoved = false;
                continue;
            }
            const Entry child{found.dwFileAttributes, (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                                                          ? found.dwReserved0
                                                          : 0};
            allRemoved = removeNativeTree(childPath(native, found.cFileName), child, dotEntries,
                                          allRemoved ? error : nullptr) &&
                         allRemoved;
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    return allRemoved && removeEntry(native, entry, error);
}

bool makeOneDirectory(const std::wstring& native, SystemError* error) {
    if (CreateDirectoryW(native.c_str(), nullptr))
        return true;
    const SystemError refused = lastSystemError();
    // Also when creating failed for another reason than the folder being there: a drive root
    // answers "access denied".
    const DWORD attributes = GetFileAttributesW(native.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return fail(error, refused);
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) || fail(error, {SystemError::Kind::NotAFolder});
}

// The folder as the system names it after following every link, in its plain form when that is
// short enough; empty when it is no folder.
std::wstring finalFolderPath(std::wstring native) {
    if (native.empty())
        return {};
    if (!isVerbatim(native)) {
        const DWORD size = GetFullPathNameW(native.c_str(), 0, nullptr, nullptr);
        if (size == 0)
            return {};
        std::wstring full(size, L'\0');
        const DWORD length = GetFullPathNameW(native.c_str(), size, full.data(), nullptr);
        if (length == 0 || length >= size)
            return {};
        full.resize(length);
        native = longForm(std::move(full));
    }
    Handle folder(CreateFileW(native.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION information;
    if (!folder.valid() || !GetFileInformationByHandle(folder.get(), &information) ||
        !(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return {};
    // A volume without a drive letter has only its GUID name.
    for (DWORD flags : {FILE_NAME_NORMALIZED | VOLUME_NAME_DOS, FILE_NAME_NORMALIZED | VOLUME_NAME_GUID}) {
        const DWORD size = GetFinalPathNameByHandleW(folder.get(), nullptr, 0, flags);
        if (size == 0)
            continue;
        std::wstring final(size, L'\0');
        const DWORD length = GetFinalPathNameByHandleW(folder.get(), final.data(), size, flags);
        if (length == 0 || length >= size)
            continue;
        final.resize(length);
        return plainForm(final);
    }
    // Wine names no handle whose path is longer than MAX_PATH: then the parent's final path and the
    // folder's name as stored, unless the folder itself is a link.
    const std::size_t slash = native.rfind(L'\\');
    if (slash == std::wstring::npos || slash < rootLength(native))
        return {};
    WIN32_FIND_DATAW found;
    HANDLE find =
        FindFirstFileExW(native.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE)
        return {};
    FindClose(find);
    if (isLink(found.dwFileAttributes, found.dwReserved0))
        return {};
    std::wstring parent = finalFolderPath(native.substr(0, slash));
    if (parent.empty())
        return {};
    if (parent.back() != L'\\')
        parent += L'\\';
    return parent + found.cFileName;
}

std::wstring environmentVariable(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0)
        return {};
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, value.data(), size);
    value.resize(length < size ? length : 0);
    return value;
}

std::wstring knownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path)) && path)
        folder = path;
    CoTaskMemFree(path);
    return folder;
}

} // namespace

NativePath nativePath(const Text& path) {
    // Convert first: in GBK the byte "\" also occurs inside characters, in UTF-16 it can't.
    const std::optional<std::string> name =
        encoding::textToName(path.bytes(), encoding::NameForm::Characters);
    if (!name)
        return {};
    std::wstring native = widen(*name);
    std::replace(native.begin(), native.end(), L'/', L'\\');
    return longForm(std::move(native));
}

// A lone surrogate is the one thing a name here holds that no text can: it takes the mark.
Text fromNativePath(const NativePath& nativePath) {
    const std::wstring plain = plainForm(nativePath);
    return Text::fromGbk(
        encoding::nameToText(encoding::utf16ToUtf8(std::u16string_view(
                                 reinterpret_cast<const char16_t*>(plain.data()), plain.size())),
                             encoding::NameForm::Characters));
}

Text pathFromUser(const std::string& path) {
    return Text::fromGbk(encoding::nameToText(path, encoding::NameForm::Characters));
}

std::optional<ByteArray> readFile(const Text& path, long long maxBytes) {
    LARGE_INTEGER size;
    Handle file(openPlainFile(path, size, Links::Refused));
    if (!file.valid() || size.QuadPart > maxBytes)
        return std::nullopt;
    // Read straight into the result: one byte beyond the size finds a file that grew meanwhile.
    ByteArray bytes(static_cast<std::size_t>(size.QuadPart) + 1, '\0');
    std::size_t filled = 0;
    while (true) {
        if (filled == bytes.size()) {
            if (static_cast<long long>(filled) > maxBytes)
                return std::nullopt;
            bytes.resize(filled + 65536);
        }
        const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - filled, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + filled, ask, &got, nullptr))
            return std::nullopt;
        if (got == 0)
            break;
        filled += got;
    }
    if (static_cast<long long>(filled) > maxBytes)
        return std::nullopt;
    bytes.resize(filled);
    return bytes;
}

std::optional<FileStamp> readFileInPieces(const Text& path, const PieceReader& take) {
    LARGE_INTEGER fileSize;
    Handle file(openPlainFile(path, fileSize));
    BY_HANDLE_FILE_INFORMATION information;
    if (!file.valid() || !GetFileInformationByHandle(file.get(), &information))
        return std::nullopt;
    const auto piece = std::make_unique<char[]>(filePieceBytes);
    while (true) {
        DWORD got = 0;
        if (!ReadFile(file.get(), piece.get(), static_cast<DWORD>(filePieceBytes), &got, nullptr))
            return std::nullopt;
        if (got == 0 || !take(std::string_view(piece.get(), got)))
            break;
    }
    return stampOf(information.nFileSizeHigh, information.nFileSizeLow, information.ftLastWriteTime,
                   information.ftCreationTime);
}

bool writeFile(const Text& path, std::string_view bytes) {
    Handle file(CreateFileW(nativePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                            nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    // A device name ("NUL", "CON") opens the device, which is no file to write.
    if (!file.valid() || GetFileType(file.get()) != FILE_TYPE_DISK)
        return false;
    return writeAll(file.get(), bytes) && file.close();
}

bool removeFile(const Text& path, SystemError* error) {
    const std::wstring native = nativePath(path);
    const std::optional<Entry> entry = entryOf(native);
    if (!entry)
        return fail(error, lastSystemError());
    if (entry->folder() && !entry->link())
        return fail(error, {SystemError::Kind::System, ERROR_ACCESS_DENIED});
    return removeEntry(native, *entry, error);
}

std::optional<FileStamp> fileStamp(const Text& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path.empty() || !GetFileAttributesExW(nativePath(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes &
         (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)))
        return std::nullopt;
    return stampOf(data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime, data.ftCreationTime);
}

bool exists(const Text& path) {
    return targetOf(path).has_value();
}

bool isDirectory(const Text& path) {
    const std::optional<Target> target = targetOf(path);
    return target && (target->attributes & FILE_ATTRIBUTE_DIRECTORY);
}

long long fileSize(const Text& path) {
    const std::optional<Target> target = targetOf(path);
    if (!target || (target->attributes & FILE_ATTRIBUTE_DIRECTORY))
        return -1;
    return target->size;
}

bool createDirectories(const Text& path, SystemError* error) {
    const std::wstring native = withoutTrailingSeparators(nativePath(path));
    if (native.empty())
        return fail(error, {SystemError::Kind::System, ERROR_PATH_NOT_FOUND});
    const std::size_t root = rootLength(native);
    for (std::size_t slash = native.find(L'\\', std::max<std::size_t>(root, 1)); slash != std::wstring::npos;
         slash = native.find(L'\\', slash + 1)) {
        const std::wstring parent = native.substr(0, slash);
        if (parent.back() != L'\\')
            makeOneDirectory(parent, nullptr);
    }
    return makeOneDirectory(native, error);
}

std::vector<FolderEntry> listFolder(const Text& folder) {
    std::vector<FolderEntry> entries;
    const std::wstring native = nativePath(folder);
    // No name for a folder that can't be held: never the working directory in its place.
    if (native.empty() && !folder.empty())
        return entries;
    const std::wstring every = native.empty() ? std::wstring(L"*") : childPath(native, L"*");
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileExW(every.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE)
        return entries;
    do {
        if (isDotName(found.cFileName) || isLink(found.dwFileAttributes, found.dwReserved0))
            continue;
        entries.push_back(
            {fromNativePath(found.cFileName), (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return entries;
}

bool removeTree(const Text& path, DotEntries dotEntries, SystemError* error) {
    const std::wstring native = withoutTrailingSeparators(nativePath(path));
    const std::optional<Entry> entry = entryOf(native);
    if (!entry)
        return fail(error, lastSystemError());
    if (entry->link())
        return fail(error, {SystemError::Kind::LinkRefused});
    if (!entry->folder())
        return fail(error, {SystemError::Kind::NotAFolder});
    return removeNativeTree(native, *entry, dotEntries, error);
}

NativePath resolvedPath(const Text& path) {
    const std::wstring native = withoutTrailingSeparators(nativePath(path));
    if (native.empty())
        return {};
    const std::size_t root = rootLength(native);
    std::wstring folder, name;
    if (native.size() <= root) {
        folder = native;
    } else {
        const std::size_t slash = native.rfind(L'\\');
        const bool inRoot = slash == std::wstring::npos || slash < root;
        folder = inRoot ? (root == 0 ? L"." : native.substr(0, root)) : native.substr(0, slash);
        name = native.substr(inRoot ? root : slash + 1);
    }
    std::wstring result = finalFolderPath(folder);
    if (result.empty())
        return {};
    if (name.empty() || name == L".")
        return longForm(std::move(result));
    if (name == L"..") {
        const std::size_t base = rootLength(result);
        const std::size_t up = result.rfind(L'\\');
        result.resize(up == std::wstring::npos || up < base ? base : up);
        return longForm(std::move(result));
    }
    if (result.back() != L'\\')
        result += L'\\';
    return longForm(result + name);
}

bool isRootPath(const NativePath& resolved) {
    const std::wstring plain = plainForm(resolved);
    const std::size_t root = rootLength(plain);
    return root > 0 && withoutTrailingSeparators(plain).size() <= root;
}

bool isSamePath(const NativePath& a, const NativePath& b) {
    const std::wstring first = withoutTrailingSeparators(plainForm(a));
    const std::wstring second = withoutTrailingSeparators(plainForm(b));
    return CompareStringOrdinal(first.data(), static_cast<int>(first.size()), second.data(),
                                static_cast<int>(second.size()), TRUE) == CSTR_EQUAL;
}

bool isStrictlyInside(const NativePath& path, const NativePath& parent) {
    if (parent.empty())
        return false;
    const std::wstring inner = plainForm(path);
    std::wstring prefix = withoutTrailingSeparators(plainForm(parent));
    if (prefix.back() != L'\\')
        prefix += L'\\';
    // NTFS compares names without regard to case; ordinal upper-casing is what it does.
    return inner.size() > prefix.size() &&
           CompareStringOrdinal(inner.data(), static_cast<int>(prefix.size()), prefix.data(),
                                static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

NativePath homeFolder() {
    std::wstring home = environmentVariable(L"USERPROFILE");
    if (home.empty())
        home = knownFolder(FOLDERID_Profile);
    if (home.empty())
        return {};
    const std::wstring resolved = finalFolderPath(longForm(home));
    return resolved.empty() ? std::wstring() : longForm(resolved);
}

bool isAbsolutePath(const Text& path) {
    const std::string& bytes = path.bytes();
    if (!bytes.empty() && (bytes[0] == '\\' || bytes[0] == '/'))
        return true;
    const bool drive =
        bytes.size() >= 3 && ((bytes[0] >= 'A' && bytes[0] <= 'Z') || (bytes[0] >= 'a' && bytes[0] <= 'z'));
    return drive && bytes[1] == ':' && (bytes[2] == '\\' || bytes[2] == '/');
}

namespace {

// The entry as a listing of its folder names it. Wine tells a folder link of the host only there:
// its attribute query follows the link.
std::optional<Entry> listedEntryOf(const std::wstring& native) {
    WIN32_FIND_DATAW found;
    HANDLE find =
        FindFirstFileExW(native.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE)
        return std::nullopt;
    FindClose(find);
    return Entry{found.dwFileAttributes, found.dwReserved0};
}

// The folder walk below a root: every element must be a folder that is no link or junction; a
// missing one is made when `make`, and passes otherwise.
bool walkBelow(const Text& root, const Text& path, bool make, SystemError* error) {
    const std::wstring base = withoutTrailingSeparators(plainForm(nativePath(root)));
    const std::wstring full = plainForm(nativePath(path));
    if (base.empty() || full.compare(0, base.size(), base) != 0 ||
        (full.size() > base.size() && full[base.size()] != L'\\' && base.back() != L'\\'))
        return fail(error, {SystemError::Kind::OutsideFolder});
    if (make && !ensureFolder(root, error))
        return false;
    std::wstring current = base;
    std::size_t at = base.size();
    while (at < full.size()) {
        if (full[at] == L'\\') {
            ++at;
            continue;
        }
        const std::size_t end = std::min(full.find(L'\\', at), full.size());
        const std::wstring element = full.substr(at, end - at);
        at = end;
        if (element == L"." || element == L"..")
            return fail(error, {SystemError::Kind::OutsideFolder});
        if (current.back() != L'\\')
            current += L'\\';
        current += element;
        const std::wstring native = longForm(current);
        // A name with a wildcard in it would be matched, not looked up.
        if (element.find_first_of(L"*?") != std::wstring::npos)
            return fail(error, {SystemError::Kind::System, ERROR_INVALID_NAME});
        if (const std::optional<Entry> entry = listedEntryOf(native)) {
            if (entry->link())
                return fail(error, {SystemError::Kind::LinkRefused});
            if (!entry->folder())
                return fail(error, {SystemError::Kind::NotAFolder});
            continue;
        }
        const SystemError missing = lastSystemError();
        if (missing.code != ERROR_FILE_NOT_FOUND && missing.code != ERROR_PATH_NOT_FOUND)
            return fail(error, missing);
        if (!make)
            return true; // nothing below a missing folder exists to lead elsewhere
        if (!CreateDirectoryW(native.c_str(), nullptr)) {
            const SystemError refused = lastSystemError();
            const std::optional<Entry> made = listedEntryOf(native);
            if (!made)
                return fail(error, refused);
            if (made->link())
                return fail(error, {SystemError::Kind::LinkRefused});
            if (!made->folder())
                return fail(error, {SystemError::Kind::NotAFolder});
        }
    }
    return true;
}

std::atomic<unsigned long> nextPartFile{0};

HANDLE handleOf(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

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
        Text temporary = path + Text::fromGbk("." + std::to_string(GetCurrentProcessId()) + "-" +
                                              std::to_string(nextPartFile.fetch_add(1)) + ".part");
        // CREATE_NEW never opens what is there, a link included.
        HANDLE file = CreateFileW(nativePath(temporary).c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            const SystemError refused = lastSystemError();
            if (refused.code != ERROR_FILE_EXISTS && refused.code != ERROR_ALREADY_EXISTS) {
                fail(error, refused);
                return std::nullopt;
            }
            continue;
        }
        if (GetFileType(file) != FILE_TYPE_DISK) {
            CloseHandle(file);
            fail(error, {SystemError::Kind::System, ERROR_INVALID_NAME});
            return std::nullopt;
        }
        return PartFile(path, std::move(temporary), reinterpret_cast<std::intptr_t>(file));
    }
    fail(error, {SystemError::Kind::System, ERROR_FILE_EXISTS});
    return std::nullopt;
}

void PartFile::discard() {
    if (m_handle != -1)
        CloseHandle(handleOf(m_handle));
    m_handle = -1;
    if (!m_temporary.empty())
        DeleteFileW(nativePath(m_temporary).c_str());
    m_temporary = Text();
}

bool PartFile::write(std::string_view bytes) {
    if (m_handle == -1)
        return fail(&m_error, {SystemError::Kind::System, ERROR_INVALID_HANDLE});
    while (!bytes.empty()) {
        const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD put = 0;
        if (!WriteFile(handleOf(m_handle), bytes.data(), ask, &put, nullptr))
            return fail(&m_error, lastSystemError());
        if (put == 0)
            return fail(&m_error, {SystemError::Kind::System, ERROR_DISK_FULL});
        bytes.remove_prefix(put);
        m_size += put;
    }
    return true;
}

bool PartFile::flush() {
    if (m_handle == -1)
        return fail(&m_error, {SystemError::Kind::System, ERROR_INVALID_HANDLE});
    return FlushFileBuffers(handleOf(m_handle)) || fail(&m_error, lastSystemError());
}

bool PartFile::clear() {
    LARGE_INTEGER start{};
    if (m_handle == -1)
        return fail(&m_error, {SystemError::Kind::System, ERROR_INVALID_HANDLE});
    if (!SetFilePointerEx(handleOf(m_handle), start, nullptr, FILE_BEGIN) ||
        !SetEndOfFile(handleOf(m_handle)))
        return fail(&m_error, lastSystemError());
    m_size = 0;
    return true;
}

bool PartFile::commit() {
    if (m_handle == -1)
        return fail(&m_error, {SystemError::Kind::System, ERROR_INVALID_HANDLE});
    const bool closed = CloseHandle(handleOf(m_handle)) != 0;
    m_handle = -1;
    if (!closed || !MoveFileExW(nativePath(m_temporary).c_str(), nativePath(m_path).c_str(),
                                MOVEFILE_REPLACE_EXISTING)) {
        fail(&m_error, lastSystemError());
        discard();
        return false;
    }
    m_temporary = Text();
    return true;
}

std::string_view utf8TextPrefix() {
    return "\xEF\xBB\xBF";
}

bool syncFolder(const Text&) {
    return true;
}

bool isProcessRunning(unsigned long pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!process)
        return GetLastError() == ERROR_ACCESS_DENIED; // there, but not ours to look at
    DWORD code = 0;
    const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}

std::optional<HeldFile> HeldFile::hold(const Text&) {
    return std::nullopt;
}

HeldFile::HeldFile(HeldFile&& other) noexcept : m_handle(other.m_handle) {
    other.m_handle = -1;
}

HeldFile::~HeldFile() = default;

} // namespace xiuyun::files
