// The part of the file layer that is the same on every system. The wildcard match of folder
// listings: "*" and "?" without regard to ASCII case, as Windows matches them; the names of lock
// files.
#include "os/files.h"

#include "os/filelock.h"

#include <algorithm>

namespace xiuyun::files {

bool canHold(const Text& path) {
    return !nativePath(path).empty();
}

bool wildcardMatches(const Text& wildcard, const Text& name) {
    const std::string& pattern = wildcard.bytes();
    const std::string& subject = name.bytes();
    if (pattern == "*.*" || pattern == "*")
        return true;
    auto fold = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
    // Iterative glob with one back-tracking point per "*".
    std::size_t p = 0, s = 0, starP = std::string::npos, starS = 0;
    while (s < subject.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starS = s;
        } else if (p < pattern.size() && (pattern[p] == '?' || fold(pattern[p]) == fold(subject[s]))) {
            ++p;
            ++s;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            s = ++starS;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

std::vector<Text> listEntries(const Text& folder, const Text& wildcard, EntryKind kind) {
    std::vector<Text> names;
    for (FolderEntry& entry : listFolder(folder)) {
        if (entry.folder == (kind == EntryKind::Folders) && wildcardMatches(wildcard, entry.name))
            names.push_back(std::move(entry.name));
    }
    return names;
}

bool replaceFile(const Text& path, std::string_view bytes, SystemError* error) {
    std::optional<PartFile> file = PartFile::create(path, error);
    if (!file)
        return false;
    return (file->write(bytes) && file->commit()) || fail(error, file->error());
}

PartFile::PartFile(Text path, Text temporary, std::intptr_t handle)
    : m_path(std::move(path)), m_temporary(std::move(temporary)), m_handle(handle) {}

PartFile::PartFile(PartFile&& other) noexcept
    : m_path(std::move(other.m_path)), m_temporary(std::move(other.m_temporary)), m_handle(other.m_handle),
      m_size(other.m_size), m_error(other.m_error) {
    other.m_handle = -1;
    other.m_temporary = Text();
}

PartFile::~PartFile() {
    discard();
}

namespace {

// The writer of a part file by its name "<name>.<pid>-<n>.part"; 0 for any other name.
unsigned long partWriter(const Text& name) {
    const std::string& bytes = name.bytes();
    if (bytes.size() < 6 || bytes.compare(bytes.size() - 5, 5, ".part") != 0)
        return 0;
    const std::size_t dash = bytes.rfind('-', bytes.size() - 5);
    const std::size_t dot = dash == std::string::npos ? std::string::npos : bytes.rfind('.', dash);
    if (dot == std::string::npos || dash == dot + 1 || dash - dot > 11)
        return 0;
    unsigned long pid = 0;
    for (std::size_t i = dot + 1; i < dash; ++i) {
        if (bytes[i] < '0' || bytes[i] > '9')
            return 0;
        pid = pid * 10 + static_cast<unsigned long>(bytes[i] - '0');
    }
    return pid;
}

} // namespace

int removeLeftParts(const Text& folder) {
    int removed = 0;
    const Text separator = endsWithSeparator(folder) ? Text() : Text::fromGbk("\\");
    for (const Text& name : listEntries(folder, Text::fromGbk("*.part"), EntryKind::Files)) {
        const unsigned long writer = partWriter(name);
        if (writer != 0 && !isProcessRunning(writer) && removeFile(folder + separator + name))
            ++removed;
    }
    return removed;
}

bool endsWithSeparator(const Text& path) {
    return path.endsWith(Text::fromGbk("\\")) || path.endsWith(Text::fromGbk("/"));
}

namespace {

// 1-based position of the last separator, 0 when there is none.
int lastSeparator(const Text& path) {
    return std::max({path.findLast("\\"_t), path.findLast("/"_t), 0});
}

} // namespace

Text lockFileFor(const Text& path) {
    const int separator = lastSeparator(path);
    return path.left(separator) + "."_t + path.middle(separator + 1) + ".lock"_t;
}

bool isLockFile(const Text& path) {
    const Text name = path.middle(lastSeparator(path) + 1);
    return name.size() > 6 && name.startsWith("."_t) && name.endsWith(".lock"_t);
}

} // namespace xiuyun::files

namespace xiuyun {

bool ensureFolder(const Text& path, SystemError* error) {
    if (files::isDirectory(path))
        return true;
    return files::createDirectories(path, error);
}

} // namespace xiuyun
