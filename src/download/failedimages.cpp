#include "download/failedimages.h"

#include "download/imageformat.h"
#include "os/files.h"

#include <mutex>
#include <string>
#include <unordered_map>

namespace xiuyun {
namespace {

// The images judged whole, by path, with the stamp they had then. Process-wide: a stamp names the
// file and its state, whichever program asks.
class WholeImages {
public:
    bool holds(const Text& path, const files::FileStamp& stamp) {
        std::lock_guard lock(m_mutex);
        const auto found = m_stamps.find(path.bytes());
        return found != m_stamps.end() && found->second == stamp;
    }
    void remember(const Text& path, const files::FileStamp& stamp) {
        std::lock_guard lock(m_mutex);
        // A bound on what a target folder of many downloads can make it hold; starting afresh
        // only costs one more read of each image.
        if (m_stamps.size() >= maxRemembered)
            m_stamps.clear();
        m_stamps.insert_or_assign(path.bytes(), stamp);
    }

private:
    static constexpr std::size_t maxRemembered = 200000;
    std::mutex m_mutex;
    std::unordered_map<std::string, files::FileStamp> m_stamps;
};

WholeImages& wholeImages() {
    static WholeImages* images = new WholeImages; // outlives workers still ending at exit
    return *images;
}

bool isFailed(const std::optional<files::FileEnds>& ends) {
    // The size as fileSizeKb counts it: a started KiB counts whole.
    if (!ends || (ends->size + 1023) / 1024 <= failedImageKb)
        return true;
    return !isWholePicture(ends->head, ends->tail, ends->size);
}

// Whether `name` ends in "." and one of the extensions, without regard to ASCII case.
bool hasExtension(const Text& name, const std::vector<Text>& extensions) {
    for (const Text& extension : extensions) {
        if (extension.empty() || files::wildcardMatches("*."_t + extension, name))
            return true;
    }
    return false;
}

} // namespace

bool scanFailedImages(Window& window, Text folder) {
    static const std::vector<Text> imageExtensions{"jpg"_t, "png"_t, "gif"_t};
    bool failed = false;
    walkFiles(window, folder, imageExtensions, Recurse::Yes,
              [&failed](const Text& name, const Text& fullPath) {
                  if (checkImageSize(name, fullPath))
                      failed = true;
              });
    return failed;
}

void walkFiles(Window& window, Text& folder, const Text& extension, Recurse recurse,
               const FileRoutine& routine) {
    walkFiles(window, folder, std::vector<Text>{extension}, recurse, routine);
}

void walkFiles(Window& window, Text& folder, const std::vector<Text>& extensions, Recurse recurse,
               const FileRoutine& routine) {
    // No folder is not the root: a walk of the whole disk would answer for images of other programs.
    if (folder.empty())
        return;
    if (!folder.endsWith("\\"_t))
        folder += "\\"_t;
    const std::vector<files::FolderEntry> entries = files::listFolder(folder);
    for (const files::FolderEntry& entry : entries) {
        if (!entry.folder && hasExtension(entry.name, extensions))
            routine(entry.name, folder + entry.name);
    }
    if (recurse == Recurse::No)
        return;
    for (const files::FolderEntry& entry : entries) {
        if (!entry.folder)
            continue;
        Text subFolder = folder + entry.name;
        walkFiles(window, subFolder, extensions, Recurse::Yes, routine);
        window.pumpMessages();
    }
}

bool isFailedImageFile(const Text& path) {
    return isFailed(files::readFileEnds(path, pictureHeadBytes, pictureTailBytes));
}

bool checkImageSize(const Text& /*name*/, const Text& fullPath) {
    if (const auto stamp = files::fileStamp(fullPath); stamp && wholeImages().holds(fullPath, *stamp))
        return false;
    const auto ends = files::readFileEnds(fullPath, pictureHeadBytes, pictureTailBytes);
    if (isFailed(ends))
        return true;
    wholeImages().remember(fullPath, ends->stamp);
    return false;
}

} // namespace xiuyun
