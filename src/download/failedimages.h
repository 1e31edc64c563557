// The check of a saved album: an image file of 10 KB or less counts as failed (an empty body, an
// error page, a broken transfer), and so does a picture cut short; its album is downloaded again.
#pragma once

#include "program/engine.h"
#include "window/window.h"

#include <functional>
#include <vector>

namespace xiuyun {

enum class Recurse { No, Yes };

// At most this many KiB (a started KiB counting whole), an image file counts as failed.
inline constexpr long long failedImageKb = 10;

// Walks the folder tree for ".jpg", ".png" and ".gif" files (any case) and answers whether it met
// one that failed. Each check answers for itself; no folder is no failed image. `wholeImages` is the
// memory of the images judged whole, the program's engine's.
bool scanFailedImages(Window& window, WholeImages& wholeImages, Text folder);

using FileRoutine = std::function<void(const Text& name, const Text& fullPath)>;

// Calls `routine` with the name and the full path of every plain file of the folder whose name
// ends in "." + extension (every file when the extension is empty), then, with Recurse::Yes, does
// the same in each sub-folder, letting the window handle its messages after each. Files come
// before sub-folders; symbolic links are never followed. A "\" is appended to the caller's folder
// when it has none.
void walkFiles(Window& window, Text& folder, const Text& extension, Recurse recurse,
               const FileRoutine& routine);
// The same for files ending in any of the extensions, each folder listed once for all of them.
void walkFiles(Window& window, Text& folder, const std::vector<Text>& extensions, Recurse recurse,
               const FileRoutine& routine);

// True for the size of an image file that counts as failed.
bool isSmallImage(long long size);

// A file of 10 KB or less, one that is gone, and a JPEG, PNG, GIF or WebP picture whose own bytes
// say it was cut short. The file is read once, as far as its picture goes.
bool isFailedImageFile(const Text& path);
// The same, and a file judged whole is not read again while its stamp stays the same in
// `wholeImages`.
bool isFailedImageFile(WholeImages& wholeImages, const Text& path);

// The scan's routine: true when the file failed. Through `wholeImages` the ten checks of an album
// read each image once.
bool checkImageSize(WholeImages& wholeImages, const Text& name, const Text& fullPath);

} // namespace xiuyun
