// The clean-up button: the analysis cache, or the images of a cancelled download.
#pragma once

#include "program/program.h"
#include "program/requests.h"

#include <span>

namespace xiuyun {

// Runs the command the caption of 按钮_删除残余 names: "删除缓存文件" or "删除取消下载的图片".
void onCleanUp(Program& program, const CleanUpRequest& request);

// The plain files of one folder that match a wildcard, as full paths or bare names, letting the
// window handle its messages between two entries.
enum class FullPaths { No, Yes };
std::vector<Text> listFiles(Window& window, const Text& folder, const Text& pattern, FullPaths fullPaths);

// Deletes a folder with everything in it, the folder last, and answers whether the folder is gone.
// Entries whose names begin with "." are left, and so the folders holding them. Refused (false,
// nothing deleted): an empty path, a drive root, any folder that does not lie strictly inside one
// of `allowedParents` once "." and ".." are resolved, and any folder that is or holds one of
// `keptFolders`, the user's home or the root. Symbolic links are removed as links, never followed.
// A refusal gives the cause SystemError::Kind::OutsideFolder, a folder that is not there Missing.
bool deleteFolderTree(const Text& path, std::span<const Text> allowedParents,
                      std::span<const Text> keptFolders, SystemError* error = nullptr);

} // namespace xiuyun
