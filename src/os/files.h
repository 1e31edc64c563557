// Files and folders. Paths are GBK text with "\" as the separator; the layer turns them into
// native (UTF-8, "/") paths. Files are read whole or piece by piece and written whole;
// nothing stays open.
#pragma once

#include "os/systemerror.h"
#include "text/text.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace xiuyun::files {

// A path as the system's file functions take it: UTF-8 with "/" on POSIX systems, UTF-16 with "\"
// on Windows (its wide functions, so that a name GBK holds but the user's code page does not still
// works).
#ifdef _WIN32
using NativePath = std::wstring;
#else
using NativePath = std::string;
#endif

// A path held exactly: what GBK lacks in GB18030's four-byte forms, and on POSIX systems a "\" of
// a name and bytes that are no UTF-8 as escapes (text/gb18030.h), so the native path comes back
// byte for byte. A name that can't be held (a lone surrogate on Windows; a character whose GB18030
// form is GBK's bytes for another) comes in with a mark, and such a text has no native path: the
// empty one, which every file function refuses.
NativePath nativePath(const Text& path);
Text fromNativePath(const NativePath& nativePath);
// True when the path has a native form (an empty path has none).
bool canHold(const Text& path);
// A path as the user gave it, in an argument or a box: the system's own bytes on POSIX systems,
// UTF-8 on Windows.
Text pathFromUser(const std::string& path);

// The most of one data file that is ever read into memory: as much as one response body holds
// (the HTTP client stops a body there too).
inline constexpr long long MAX_DATA_FILE_BYTES = 256LL * 1024 * 1024;

// The whole of a plain file. Nothing for a file beyond `maxBytes`, and for anything but a plain
// file: a link (never followed), a folder, a device.
std::optional<ByteArray> readFile(const Text& path, long long maxBytes = MAX_DATA_FILE_BYTES);

// What tells one state of a plain file from another without reading it: the file itself, its
// size and when it last changed (the device and index are 0 where the system gives them only for
// an open file). Bytes written under the name change the stamp.
struct FileStamp {
    unsigned long long device = 0;
    unsigned long long index = 0;
    long long size = 0;
    long long modified = 0; // in the system's own units
    long long changed = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};
// The stamp of a plain file; nothing for anything else, a link included (it is not followed).
std::optional<FileStamp> fileStamp(const Text& path);

// Reads a plain file from its start, handing its bytes to `take` a piece at a time (at most
// filePieceBytes; only one piece is held) until the file ends or `take` answers false. The stamp
// the file had when opened; nothing when the path names no readable plain file or a read failed.
inline constexpr std::size_t filePieceBytes = 64 * 1024;
using PieceReader = std::function<bool(std::string_view piece)>;
std::optional<FileStamp> readFileInPieces(const Text& path, const PieceReader& take);
// Creates or truncates the file; true when every byte was written.
bool writeFile(const Text& path, std::string_view bytes);
// Writes the bytes into a new file of a temporary name in the same folder ("<name>.<n>.part",
// never an existing name or a link) and renames that over `path`, so the final name never holds a
// part of them, whatever breaks off the write; a link under the name is replaced, its target never
// written. True when the file is in place; on failure the temporary file is gone and `path` is as
// it was. The bytes are not flushed to the disk: a crash of the program alone never needs it.
// The calls below that answer false for a failure keep its cause in `error` when one is given.
bool replaceFile(const Text& path, std::string_view bytes, SystemError* error = nullptr);
bool removeFile(const Text& path, SystemError* error = nullptr);
bool exists(const Text& path);
bool isDirectory(const Text& path);
// Size in bytes, -1 when there is no such file.
long long fileSize(const Text& path);
// Creates the folder with every missing parent; true when it exists afterwards.
bool createDirectories(const Text& path, SystemError* error = nullptr);

// For the folders a download makes inside the target folder `root` (which may itself be reached
// through links: the user chose it): `path` must lie below `root`, and none of its elements below
// `root` may be a link, a junction or anything but a folder, so that nothing written there lands
// outside the target. Makes the missing elements; true when `path` is such a folder afterwards.
bool ensureFolderBelow(const Text& root, const Text& path, SystemError* error = nullptr);
// The same test without making anything: true when no element of `path` below `root` is a link or
// anything but a folder (missing elements pass: nothing can be written through them).
bool isLinkFreeBelow(const Text& root, const Text& path);

// A file written under a temporary name beside its final one ("<name>.<pid>-<n>.part"), made anew
// (never an existing file, never through a link), that takes the final name only when complete:
// whatever breaks off the writing, the final name holds the old bytes or the new ones, never a part.
// The temporary is removed unless committed.
class PartFile {
public:
    // Nothing when the temporary can't be made (no folder, no room, no right).
    static std::optional<PartFile> create(const Text& path, SystemError* error = nullptr);
    PartFile(PartFile&& other) noexcept;
    PartFile& operator=(PartFile&&) = delete;
    PartFile(const PartFile&) = delete;
    ~PartFile();

    // Appends; false when not every byte was written.
    bool write(std::string_view bytes);
    // Has the bytes written so far reach the disk.
    bool flush();
    // Empties the file again.
    bool clear();
    long long size() const { return m_size; }
    // Closes the file and renames it over the final name (a link there is replaced, never
    // followed); true when the final name now holds the bytes.
    bool commit();
    // Why the last call that answered false failed.
    const SystemError& error() const { return m_error; }

private:
    PartFile(Text path, Text temporary, std::intptr_t handle);
    void discard();
    Text m_path;
    Text m_temporary;
    std::intptr_t m_handle; // a descriptor or a HANDLE; -1 once closed
    long long m_size = 0;
    SystemError m_error;
};

// What a UTF-8 text file for the user to read begins with: a byte-order mark on Windows, whose
// Notepad would take the text for the user's code page without one; nothing elsewhere.
std::string_view utf8TextPrefix();

// Has the entries of a folder (a file renamed into it) reach the disk, so that a power cut keeps
// the new name. Nothing to do on Windows, whose rename is written through by the file system.
bool syncFolder(const Text& folder);

// True when a process of that number runs on this machine, this one included.
bool isProcessRunning(unsigned long pid);

// Removes the temporary files ("<name>.<pid>-<n>.part") a process that is no longer running left in
// the folder when something killed it mid-write; those of a running process, this one included,
// stay. Answers how many went.
int removeLeftParts(const Text& folder);

// A plain file held open, so that its data stays while it is held, also once its name is replaced
// or removed, and is freed when the holder lets go: replacing a large file then leaves the freeing
// of the old one (slow on a file system that discards freed blocks) to whoever lets go of it.
// Windows could not replace a file held open: there nothing is held.
class HeldFile {
public:
    // Nothing when the path names no plain file (a link is not followed), or on Windows.
    static std::optional<HeldFile> hold(const Text& path);
    HeldFile(HeldFile&& other) noexcept;
    HeldFile& operator=(HeldFile&&) = delete;
    HeldFile(const HeldFile&) = delete;
    ~HeldFile();

private:
    explicit HeldFile(std::intptr_t handle) : m_handle(handle) {}
    std::intptr_t m_handle; // a descriptor; -1 once let go
};

// The plain files and folders of one folder with the kind its listing gives, in the listing's
// order; links and anything else (devices, sockets) are left out.
struct FolderEntry {
    Text name;
    bool folder = false;
};
std::vector<FolderEntry> listFolder(const Text& folder);

enum class EntryKind { Files, Folders };
// Names (not paths) of the entries of one folder that match a wildcard ("*", "?", matched
// without regard to ASCII case; "*.*" matches every name). Symbolic links are never listed.
std::vector<Text> listEntries(const Text& folder, const Text& wildcard, EntryKind kind);
bool wildcardMatches(const Text& wildcard, const Text& name);

// Removes a folder with everything in it, the folder last; never follows a symbolic link (a link
// inside is removed as a link). With DotEntries::Keep an entry whose name begins with "." is left
// alone, and so is every folder above it. True when the folder itself is gone; the cause of the
// first entry that would not go otherwise.
enum class DotEntries { Remove, Keep };
bool removeTree(const Text& path, DotEntries dotEntries = DotEntries::Remove, SystemError* error = nullptr);

// The absolute native form of a path with "." and ".." resolved and the links of its folders
// followed, the last element taken as it stands (a link there is not followed); empty when the
// folder holding it does not exist.
NativePath resolvedPath(const Text& path);
// True for the root of a file system ("/"; a drive root on Windows).
bool isRootPath(const NativePath& resolved);
// True when both (resolved) name the same entry as the system compares names.
bool isSamePath(const NativePath& a, const NativePath& b);
// True when `path` lies inside `parent` (both resolved), not the parent itself; names compare as
// the system compares them.
bool isStrictlyInside(const NativePath& path, const NativePath& parent);
// The user's home folder, resolved as above; empty when unknown.
NativePath homeFolder();

// True when the path starts from the root of the file system rather than from a folder.
bool isAbsolutePath(const Text& path);

// True when the path ends in a separator ("\" or the native "/").
bool endsWithSeparator(const Text& path);

} // namespace xiuyun::files

namespace xiuyun {

// True when the path names an existing directory; otherwise creates it with every missing parent
// and answers whether that succeeded.
bool ensureFolder(const Text& path, SystemError* error = nullptr);

} // namespace xiuyun
