#include "download/failurereport.h"

#include "os/files.h"

namespace xiuyun {
namespace {

constexpr std::string_view lineBreak = "\r\n";

Text summaryLine(const JobKey& job, long long count) {
    return "下载失败的图片：共 "_t + Text::number(count) + " 张　页面地址："_t + job.address;
}

Text albumLine(const LedgerEntry& entry) {
    if (entry.page.empty())
        return "图集："_t + entry.albumTitle;
    return "第 "_t + entry.page + " 页，第 "_t + Text::number(entry.albumNumber) + " 个图集："_t +
           entry.albumTitle;
}

} // namespace

Text failureReportPath(const Text& folder) {
    return folder + (files::endsWithSeparator(folder) ? Text() : "\\"_t) + "下载失败的图片.txt"_t;
}

std::string failureReportText(const Journal& journal) {
    std::string out(files::utf8TextPrefix());
    auto line = [&out](const Text& text) {
        out += text.toUtf8();
        out += lineBreak;
    };
    line(summaryLine(journal.key(), journal.failedCount()));
    Text album;
    for (const LedgerEntry& entry : journal.ledger()) {
        if (entry.imageNumber == 0) {
            line(Text());
            line("第 "_t + entry.page + " 页：列表页读取失败　"_t + entry.address + "　原因："_t +
                 entry.cause);
            album = Text();
            continue;
        }
        if (albumLine(entry) != album) {
            album = albumLine(entry);
            line(Text());
            line(album);
        }
        line("　　第 "_t + Text::number(entry.imageNumber) + " 张　"_t + entry.address + "　原因："_t +
             entry.cause);
    }
    if (journal.ledgerOverflow() > 0) {
        line(Text());
        line("另有 "_t + Text::number(journal.ledgerOverflow()) + " 张未列出"_t);
    }
    return out;
}

bool writeFailureReport(const Text& folder, const Journal& journal) {
    return files::replaceFile(failureReportPath(folder), failureReportText(journal));
}

void removeFailureReport(const Text& folder, const JobKey& job) {
    const Text path = failureReportPath(folder);
    const std::optional<ByteArray> bytes = files::readFile(path);
    if (!bytes)
        return;
    std::string_view text = *bytes;
    const std::string_view prefix = files::utf8TextPrefix();
    if (text.starts_with(prefix))
        text.remove_prefix(prefix.size());
    const std::string_view first = text.substr(0, text.find(lineBreak));
    // The summary names the job's address after the count.
    const std::string mark = ("页面地址："_t + job.address).toUtf8();
    if (first.ends_with(mark))
        files::removeFile(path);
}

} // namespace xiuyun
