#include "download/failedimages.h"

#include "download/imageformat.h"
#include "os/files.h"

namespace xiuyun {
namespace {

// One read of the file, as far as its picture goes: true when it failed; the stamp it was read
// with, when it was.
bool readFailed(const Text& path, std::optional<files::FileStamp>& stamp) {
    PictureWalk walk;
    stamp = files::readFileInPieces(path, [&walk](std::string_view piece) {
        walk.take(piece);
        return !walk.settled();
    });
    return !stamp || isSmallImage(stamp->size) || !walk.whole();
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

bool scanFailedImages(Window& window, WholeImages& wholeImages, Text folder) {
    static const std::vector<Text> imageExtensions{"jpg"_t, "png"_t, "gif"_t};
    bool smallImageFound = false;
    walkFiles(window, folder, imageExtensions, Recurse::Yes,
              [&smallImageFound, &wholeImages](const Text& name, const Text& fullPath) {
                  if (checkImageSize(wholeImages, name, fullPath))
                      smallImageFound = true;
              });
    return smallImageFound;
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

bool isSmallImage(long long size) {
    // A started KiB counts whole, as fileSizeKb counts it.
    return (size + 1023) / 1024 <= failedImageKb;
}

bool isFailedImageFile(const Text& path) {
    std::optional<files::FileStamp> stamp;
    return readFailed(path, stamp);
}

bool isFailedImageFile(WholeImages& wholeImages, const Text& path) {
    if (const auto stamp = files::fileStamp(path); stamp && wholeImages.holds(path, *stamp))
        return false;
    std::optional<files::FileStamp> stamp;
    if (readFailed(path, stamp))
        return true;
    wholeImages.remember(path, *stamp);
    return false;
}

bool checkImageSize(WholeImages& wholeImages, const Text& /*name*/, const Text& fullPath) {
    return isFailedImageFile(wholeImages, fullPath);
}

} // namespace xiuyun
