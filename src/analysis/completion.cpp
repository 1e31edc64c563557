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
    showStatus(program,
               "状态：分析数据完成\r\n\r\n原因：\r\n\r\n解决：\r\n\r\n说明：线程可调，其他禁止再输入"_t,
               MessageIcon::Information);
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
        showStatus(
            program,
            "状态：重置分析完成，发现存在缓存文件\r\n\r\n原因：\r\n\r\n解决：如需要删除，请点击删除缓存文件按钮"_t,
            MessageIcon::Information);
    } else {
        showStatus(program, "状态：重置分析完成\r\n\r\n原因：\r\n\r\n解决：\r\n\r\n说明："_t,
                   MessageIcon::Information);
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
