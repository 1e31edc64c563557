#include "download/failedimages.h"

#include "download/imageformat.h"
#include "platform/files.h"

namespace xiuyun {

bool scanFailedImages(Program& program, Text& folder, FolderGiven folderGiven) {
    if (folderGiven == FolderGiven::No)
        folder = program.window.text(Control::编辑框_存放目录);
    auto check = [&program](const Text& name, const Text& fullPath) {
        checkImageSize(program, name, fullPath);
    };
    for (const char* extension : {"jpg", "png", "gif"})
        walkFiles(program.window, folder, Text::fromGbk(extension), Recurse::Yes, check);
    return program.smallImageFound == 1;
}

void walkFiles(Window& window, Text& folder, const Text& extension, Recurse recurse,
               const std::function<void(const Text& name, const Text& fullPath)>& routine) {
    // No folder is not the root: a walk of the whole disk would answer for images of other programs.
    if (folder.empty())
        return;
    const Text pattern = "*."_t + (extension.empty() ? "*"_t : extension);
    if (!folder.endsWith("\\"_t))
        folder += "\\"_t;
    for (const Text& name : files::listEntries(folder, pattern, files::EntryKind::Files))
        routine(name, folder + name);
    if (recurse == Recurse::No)
        return;
    for (const Text& name : files::listEntries(folder, "*.*"_t, files::EntryKind::Folders)) {
        Text subFolder = folder + name;
        walkFiles(window, subFolder, extension, Recurse::Yes, routine);
        window.pumpMessages();
    }
}

bool isFailedImageFile(const Text& path) {
    const auto ends = files::readFileEnds(path, pictureHeadBytes, pictureTailBytes);
    // The size as fileSizeKb counts it: a started KiB counts whole.
    if (!ends || (ends->size + 1023) / 1024 <= failedImageKb)
        return true;
    return !isWholePicture(ends->head, ends->tail, ends->size);
}

void checkImageSize(Program& program, const Text& /*name*/, const Text& fullPath) {
    if (isFailedImageFile(fullPath))
        program.smallImageFound = 1;
}

} // namespace xiuyun
