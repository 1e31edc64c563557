#include "download/cleanup.h"

#include "download/download.h"
#include "os/filelock.h"
#include "os/files.h"
#include "program/messages.h"
#include "program/presenter.h"

namespace xiuyun {
namespace {

void hideButton(Program& program) {
    offerCleanUp(program, program.cleanUpChoice, false);
}

// Every file directly in the data folder but the decoder, the download history and the lock files.
void deleteCacheFiles(Program& program) {
    Window& window = program.window;
    post(program, MessageId::CleanUpPleaseWait);
    auto finish = [&program] { offerCleanUp(program, CleanUpChoice::CancelledImages, false); };
    const Text folder = program.dataDir();
    if (!files::isDirectory(folder)) {
        finish();
        post(program, MessageId::CacheFolderMissing);
        return;
    }
    // The cache of another copy's analysis or download is not this copy's to delete.
    const bool heldBefore = [&program] {
        std::lock_guard lock(program.workLockMutex);
        return program.workLock.has_value();
    }();
    if (!holdWorkLock(program)) {
        finish();
        post(program, MessageId::CacheLocked);
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
        post(program, MessageId::CacheNothingFound);
        return;
    }
    for (const Text& path : paths) {
        if (path.contains("vrd\\gzip.dll"_t) || path.contains("vrd\\c_x.q"_t))
            continue;
        SystemError error;
        if (!files::removeFile(path, &error))
            post(program, {MessageId::CacheFileNotDeleted, {path}, error});
    }
    finish();
    post(program, MessageId::CacheDeleted);
}

// The folder of the images of a cancelled download, once no worker of it is left running.
void deleteCancelledImages(Program& program, const CleanUpRequest& request) {
    const MessageAnswer answer = post(program, MessageId::CleanUpConfirmImages, MessageButtons::OkCancel);
    if (answer != MessageAnswer::Ok)
        return;
    if (program.phase == Phase::Downloading) {
        hideButton(program);
        post(program, MessageId::CancelledImagesWhileDownloading);
        return;
    }
    if (program.rows.anyWaiting()) {
        post(program, MessageId::CancelledImagesPaused);
        return;
    }
    hideButton(program);
    // The images went into the target folder; nothing outside it (or the program's own folder,
    // where an analysis may have put them before) is ever a download's to delete.
    const Text allowed[] = {request.folder, program.programDir};
    const Text kept[] = {program.dataDir()}; // a list folder named "vrd" must not take the cache along
    SystemError error;
    const bool deleted = deleteFolderTree(lastImageRootFolder(program), allowed, kept, &error);
    // The job goes with its images: a start of it from now on begins afresh.
    std::optional<JobKey> job;
    {
        std::lock_guard lock(program.downloadLock);
        if (program.lastDownload)
            job = program.lastDownload->job();
    }
    if (job)
        Journal::open(program, *job).forget();
    if (deleted)
        post(program, MessageId::CancelledImagesDeleted);
    else
        post(program, {MessageId::CancelledImagesNotDeleted, {}, error});
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
                      std::span<const Text> keptFolders, SystemError* error) {
    Text trimmed = path;
    while (trimmed.startsWith(" "_t))
        trimmed = trimmed.middle(2);
    if (trimmed.empty() || isDriveRoot(trimmed))
        return fail(error, {SystemError::Kind::OutsideFolder});
    const files::NativePath resolved = files::resolvedPath(trimmed);
    if (resolved.empty())
        return fail(error, {SystemError::Kind::Missing});
    if (files::isRootPath(resolved))
        return fail(error, {SystemError::Kind::OutsideFolder});
    auto holds = [&resolved](const files::NativePath& kept) {
        return !kept.empty() &&
               (files::isSamePath(kept, resolved) || files::isStrictlyInside(kept, resolved));
    };
    if (holds(files::homeFolder()))
        return fail(error, {SystemError::Kind::OutsideFolder});
    for (const Text& kept : keptFolders) {
        if (holds(files::resolvedPath(kept)))
            return fail(error, {SystemError::Kind::OutsideFolder});
    }
    bool inside = false;
    for (const Text& parent : allowedParents) {
        if (!parent.empty() && files::isStrictlyInside(resolved, files::resolvedPath(parent)))
            inside = true;
    }
    if (!inside)
        return fail(error, {SystemError::Kind::OutsideFolder});
    return files::removeTree(files::fromNativePath(resolved), files::DotEntries::Keep, error);
}

} // namespace xiuyun
