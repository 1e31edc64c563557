#include "analysis/analysecommand.h"

#include "analysis/pagetype.h"
#include "net/site.h"
#include "os/files.h"
#include "program/messages.h"
#include "program/presenter.h"
#include "text/textutils.h"

#include <optional>

namespace xiuyun {
namespace {

Text siteText(std::string_view ascii) {
    return Text::fromGbk(ascii);
}

// The first refusal the inputs earn, if any.
std::optional<MessageId> refusalOf(const Program& program, const Text& address, const Text& folder) {
    const Text root = siteText(SITE_ROOT);
    if (address == root || address == root.left(root.size() - 1))
        return MessageId::AnalyseHomePage;
    if (address.empty())
        return MessageId::AnalyseNoAddress;
    if (!address.contains(siteText(SITE_HOST)))
        return MessageId::AnalyseOtherSite;
    if (program.analysis.pageType == PAGE_NONE)
        return MessageId::AnalyseNoPageType;
    if (folder.empty())
        return MessageId::AnalyseNoFolder;
    // A folder whose name can't be held is refused before anything is written.
    if (!files::canHold(folder))
        return MessageId::FolderCreateFailed;
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
        post(program, *refusal);
        return;
    }

    if (!holdWorkLock(program)) {
        post(program, MessageId::AnalyseLocked);
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
