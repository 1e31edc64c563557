#include "analysis/analysecommand.h"

#include "analysis/pagetype.h"
#include "net/site.h"
#include "program/messages.h"
#include "program/presenter.h"
#include "text/textutils.h"

#include <optional>

namespace xiuyun {
namespace {

Text siteText(std::string_view ascii) {
    return Text::fromGbk(ascii);
}

// The status text of the first refusal the inputs earn, if any.
std::optional<Text> refusalOf(const Program& program, const Text& address, const Text& folder) {
    const Text root = siteText(SITE_ROOT);
    if (address == root || address == root.left(root.size() - 1))
        return "状态：分析数据失败\r\n\r\n原因：首页分析不了\r\n\r\n解决：输入非首页地址再重试"_t;
    if (address.empty())
        return "状态：分析数据失败\r\n\r\n原因：页面地址不能为空\r\n\r\n解决：请输入页面地址再重试"_t;
    if (!address.contains(siteText(SITE_HOST)))
        return "状态：分析数据失败\r\n\r\n原因：页面地址错误\r\n\r\n解决：正确输入地址"_t;
    if (program.analysis.pageType == PAGE_NONE)
        return "状态：分析数据失败\r\n\r\n原因：没有选择地址类型\r\n\r\n解决：请选择所属地址类型再重试"_t;
    if (folder.empty())
        return "状态：分析数据失败\r\n\r\n原因：存放目录不能为空\r\n\r\n解决：请选择保存目录再重试"_t;
    return std::nullopt;
}

} // namespace

Text pageNameFromAddress(const Text& address) {
    return fileNameOf(address, Extension::Drop);
}

void onAnalyse(Program& program, const AnalyseRequest& request) {
    if (request.detectType == Ticked::Yes)
        detectPageType(program, request.address, Ticked::Yes);
    program.analysis.singlePageList = false;
    offerCleanUp(program, CleanUpChoice::CancelledImages, false);

    if (auto refusal = refusalOf(program, request.address, request.folder)) {
        clearPageTypeBoxes(program);
        showStatus(program, *refusal, MessageIcon::Error);
        return;
    }

    if (!holdWorkLock(program)) {
        showStatus(program, "状态：分析数据失败"_t + workLockRefusal(), MessageIcon::Error);
        return;
    }

    const Text& address = request.address;
    const Text& folder = request.folder;
    Text pageName = pageNameFromAddress(address);

    if (isListPageType(program.analysis.pageType)) {
        if (pageName.endsWith("/"_t))
            pageName = pageName.left(pageName.size() - 1);
        program.analysis.analysedUrl = address;
        if (program.routes.crawlListPage)
            program.routes.crawlListPage(program, address, folder, pageName, CrawlMode::Analyse);
    } else if (program.analysis.pageType == PAGE_ALBUM) {
        if (program.routes.analyseAlbum)
            program.routes.analyseAlbum(program, address, folder, pageName);
    }
    // Only a completed analysis keeps the data folder.
    if (program.phase == Phase::Idle)
        releaseWorkLock(program);
}

void detectPageType(Program& program, const Text& address, Ticked automatic) {
    if (automatic == Ticked::No) {
        program.analysis.pageType = PAGE_NONE;
        return;
    }
    tickPageTypeBoxAlone(program, PAGE_NONE);
    // An address of no known type keeps the type chosen before.
    if (const PageType detected = detectedPageType(address); detected != PAGE_NONE)
        program.analysis.pageType = detected;
}

void onPageTypeBox(Program& program, PageType type, Ticked ticked) {
    if (ticked == Ticked::No) {
        program.analysis.pageType = PAGE_NONE;
        return;
    }
    tickPageTypeBoxAlone(program, type);
    program.analysis.pageType = type;
}

} // namespace xiuyun
