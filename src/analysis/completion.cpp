#include "analysis/completion.h"

#include "os/files.h"
#include "program/imagerows.h"
#include "program/messages.h"
#include "program/presenter.h"
#include "text/textutils.h"

#include <mutex>

namespace xiuyun {

void finishAnalysis(Program& program, const Text& kind, const Text& firstImageAddress, int imageCount) {
    if (kind != "图集分类"_t && kind != "单个地址"_t)
        return;
    program.rows.fill(firstImageAddress, imageCount);
    lockInputs(program);
    post(program, MessageId::AnalyseDone);
}

void lockInputs(Program& program) {
    setPhase(program, Phase::Analysed);
}

void onReanalyse(Program& program) {
    offerCleanUp(program, CleanUpChoice::CancelledImages, false);
    setForceNextStart(program, false);
    resetAnalysisState(program);
    releaseWorkLock(program);

    if (files::exists(program.dataFile("t_j.q"_t))) {
        offerCleanUp(program, CleanUpChoice::CacheFiles, true);
        post(program, MessageId::ReanalyseDoneCacheFound);
    } else {
        post(program, MessageId::ReanalyseDone);
    }
}

void resetAnalysisState(Program& program) {
    setPhase(program, Phase::Idle);
    clearPageTypeBoxes(program);
    program.rows.clear();
    resetAnalysis(program);
    program.albums.clear();
    std::lock_guard lock(program.downloadLock);
    program.lastDownload.reset();
}

} // namespace xiuyun
