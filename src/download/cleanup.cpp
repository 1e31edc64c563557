#include "download/cleanup.h"

#include "download/download.h"
#include "os/filelock.h"
#include "os/files.h"
#include "program/messages.h"
#include "program/presenter.h"

namespace xiuyun {
namespace {

const Text& waitForTheResult() {
    static const Text text = "请耐心等待，删除成功或失败的提示，避免程序发生崩！"_t;
    return text;
}

void hideButton(Program& program) {
    offerCleanUp(program, program.cleanUpChoice, false);
}

// Every file directly in the data folder but the decoder, the download history and the lock files.
void deleteCacheFiles(Program& program) {
    Window& window = program.window;
    showInformationBox(program, waitForTheResult(), MessageIcon::Warning);
    auto finish = [&program] { offerCleanUp(program, CleanUpChoice::CancelledImages, false); };
    const Text folder = program.dataDir();
    if (!files::isDirectory(folder)) {
        finish();
        showStatus(program, "状态：删除缓存失败\r\n\r\n原因：未知\r\n\r\n解决：文件不存在"_t);
        return;
    }
    // The cache of another copy's analysis or download is not this copy's to delete.
    const bool heldBefore = [&program] {
        std::lock_guard lock(program.workLockMutex);
        return program.workLock.has_value();
    }();
    if (!holdWorkLock(program)) {
        finish();
        showStatus(program, "状态：删除缓存失败"_t + workLockRefusal());
        return;
    }
    struct GiveBack {
        Program& program;
        bool keep;
        ~GiveBack() {
            if (!keep)
                releaseWorkLock(program);
        }
    } giveBack{program, heldBefore};
    std::vector<Text> paths = listFiles(window, folder, "*.*"_t, FullPaths::Yes);
    // A lock file removed while another copy of the program holds it would lock nothing from then
    // on; the user never sees one, so it counts for nothing here.
    std::erase_if(paths, [](const Text& path) { return files::isLockFile(path); });
    if (paths.empty()) {
        finish();
        showStatus(program, "状态：没有发现缓存文件\r\n\r\n原因：\r\n\r\n解决："_t, MessageIcon::Information);
        return;
    }
    for (const Text& path : paths) {
        if (path.contains("vrd\\gzip.dll"_t) || path.contains("vrd\\c_x.q"_t))
            continue;
        if (!files::removeFile(path))
            showStatus(program,
                       "状态：删除缓存文件失败\r\n\r\n失败文件名："_t + path +
                           "\r\n\r\n解决：等执行删除操作完，自行手动删除吧"_t,
                       MessageIcon::Warning);
    }
    finish();
    showStatus(
        program,
        "状态：删除缓存完成\r\n\r\n提示：如需要删除页面地址的记录数据\r\n ，请手动删除vrd目录下的c_x.q文件"_t,
        MessageIcon::Information);
}

// The folder of the images of a cancelled download, once no worker of it is left running.
void deleteCancelledImages(Program& program, const CleanUpRequest& request) {
    const MessageAnswer answer = showInformationBox(
        program,
        waitForTheResult() +
            "\r\n\r\n如果你的图片很多的话，可能就有点小久！\r\n\r\n谨慎操作，将会删除图片根目录，那是否删除呢！"_t,
        MessageIcon::Warning, MessageButtons::OkCancel);
    if (answer != MessageAnswer::Ok)
        return;
    if (program.phase == Phase::Downloading) {
        hideButton(program);
        showStatus(program, "状态：删除取消下载的图片失败\r\n\r\n原因：\r\n\r\n解决："_t);
        return;
    }
    if (program.rows.anyWaiting()) {
        showStatus(
            program,
            "状态：删除被暂停\r\n\r\n原因：存在 <等待中...> 的图片\r\n\r\n解决：请等待显示下载完成！"_t);
        return;
    }
    hideButton(program);
    // The images went into the target folder; nothing outside it (or the program's own folder,
    // where an analysis may have put them before) is ever a download's to delete.
    const Text allowed[] = {request.folder, program.programDir};
    const Text kept[] = {program.dataDir()}; // a list folder named "vrd" must not take the cache along
    if (deleteFolderTree(lastImageFolder(program), allowed, kept))
        showStatus(program, "状态：删除取消下载时产生的图片成功\r\n\r\n原因：\r\n\r\n解决："_t,
                   MessageIcon::Information);
    else
        showStatus(program, "状态：删除取消下载时产生的图片失败\r\n\r\n原因：\r\n\r\n解决："_t);
}

bool isDriveRoot(const Text& path) {
    const std::string& bytes = path.bytes();
    const bool letter =
        bytes.size() >= 2 && std::isalpha(static_cast<unsigned char>(bytes[0])) && bytes[1] == ':';
    return letter && (bytes.size() == 2 || (bytes.size() == 3 && (bytes[2] == '\\' || bytes[2] == '/')));
}

} // namespace

void onCleanUp(Program& program, const CleanUpRequest& request) {
    if (program.cleanUpChoice == CleanUpChoice::CacheFiles)
        deleteCacheFiles(program);
    else
        deleteCancelledImages(program, request);
}

std::vector<Text> listFiles(Window& window, const Text& folder, const Text& pattern, FullPaths fullPaths) {
    const Text separator = folder.endsWith("\\"_t) ? Text() : "\\"_t;
    std::vector<Text> listed;
    for (const Text& name : files::listEntries(folder, pattern, files::EntryKind::Files)) {
        if (!listed.empty())
            window.pumpMessages();
        listed.push_back(fullPaths == FullPaths::Yes ? folder + separator + name : name);
    }
    return listed;
}

bool deleteFolderTree(const Text& path, std::span<const Text> allowedParents,
                      std::span<const Text> keptFolders) {
    Text trimmed = path;
    while (trimmed.startsWith(" "_t))
        trimmed = trimmed.middle(2);
    if (trimmed.empty() || isDriveRoot(trimmed))
        return false;
    const files::NativePath resolved = files::resolvedPath(trimmed);
    if (resolved.empty() || files::isRootPath(resolved))
        return false;
    auto holds = [&resolved](const files::NativePath& kept) {
        return !kept.empty() &&
               (files::isSamePath(kept, resolved) || files::isStrictlyInside(kept, resolved));
    };
    if (holds(files::homeFolder()))
        return false;
    for (const Text& kept : keptFolders) {
        if (holds(files::resolvedPath(kept)))
            return false;
    }
    bool inside = false;
    for (const Text& parent : allowedParents) {
        if (!parent.empty() && files::isStrictlyInside(resolved, files::resolvedPath(parent)))
            inside = true;
    }
    if (!inside)
        return false;
    return files::removeTree(files::fromNativePath(resolved), files::DotEntries::Keep);
}

} // namespace xiuyun
