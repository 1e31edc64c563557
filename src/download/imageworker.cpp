#include "download/imageworker.h"

#include "download/failedimages.h"
#include "download/history.h"
#include "net/decoding.h"
#include "net/httpclient.h"
#include "net/site.h"
#include "platform/files.h"
#include "program/messages.h"
#include "text/textutils.h"

#include <mutex>

namespace xiuyun {
namespace {

enum class WriteOutcome { Written, Reported };

WriteOutcome leaveAddressList(Window& window, const AlbumTarget& target, const Text& imagePath) {
    if (!files::isDirectory(target.folder))
        files::createDirectories(target.folder);
    // An empty file under the image's name, where it can still be made (a full disk has room
    // for a name): the check then finds the image missing and downloads the album again, where a
    // missing file would pass unseen.
    if (!files::exists(imagePath))
        files::writeFile(imagePath, {});
    const Text listPath = target.folder + "\\"_t + target.imageCountText + ".txt"_t;
    if (files::exists(listPath))
        return WriteOutcome::Written;
    if (!files::writeFile(listPath, target.addressList.bytes())) {
        showStatus(window, "状态：下载图片失败\r\n\r\n原因：文件创建失败\r\n\r\n解决：请重试下载"_t);
        return WriteOutcome::Reported;
    }
    return WriteOutcome::Written;
}

} // namespace

Text albumAddressList(const Window& window) {
    Text list;
    const int rows = window.rowCount();
    for (int row = 0; row < rows; ++row)
        list += window.cell(row, 1) + "\r\n"_t;
    return normaliseLineList(list);
}

bool looksLikeImage(std::string_view bytes) {
    auto startsWith = [bytes](std::string_view magic) { return bytes.substr(0, magic.size()) == magic; };
    using namespace std::string_view_literals;
    return startsWith("\xFF\xD8\xFF"sv) || startsWith("\x89PNG\r\n\x1A\n"sv) || startsWith("GIF87a"sv) ||
           startsWith("GIF89a"sv) ||
           (startsWith("RIFF"sv) && bytes.size() >= 12 && bytes.substr(8, 4) == "WEBP"sv);
}

Text imageFileName(int row, const Text& address) {
    Text extension = extensionOf(fileNameOf(address, Extension::Keep));
    if (extension.empty())
        extension = ".jpg"_t;
    return Text::number(row + 1) + extension;
}

void downloadImageRow(Download& download, const AlbumTarget& target, int row, const Text& address) {
    Program& program = download.program();
    Window& window = program.window;
    {
        std::lock_guard lock(program.downloadLock);
        if (window.cell(row, 1) == address)
            window.setCell(row, 2, "等待中..."_t);
    }
    const Text path = target.folder + "\\"_t + imageFileName(row, address);

    WriteOutcome outcome = WriteOutcome::Written;
    if (!(program.skipExistingImages && fileSizeKb(path) > failedImageKb)) {
        HttpExchange exchange;
        exchange.extraHeaders = "Referer: "_t + Text::fromGbk(SITE_ROOT);
        ByteArray body = httpRequest(address, exchange);
        // A 404 page or an HTML page sent with 200 is larger than 10 KB as often as not: it must
        // never stay on disk as a good image.
        if (exchange.status >= 400 || !looksLikeImage(body))
            body.clear();
        if (!files::replaceFile(path, body))
            outcome = leaveAddressList(window, target, path);
    }

    std::lock_guard lock(program.downloadLock);
    // After a stop the rows may already show another album: only a row that still holds this
    // worker's address is this worker's to finish.
    if (outcome == WriteOutcome::Written && window.cell(row, 1) == address)
        window.setCell(row, 2, "下载完成"_t);
    --download.activeWorkers;
}

} // namespace xiuyun
