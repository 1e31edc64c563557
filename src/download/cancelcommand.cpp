#include "download/cancelcommand.h"

#include "download/download.h"

#include <mutex>

namespace xiuyun {

void onCancelDownload(Program& program) {
    std::shared_ptr<Download> download;
    {
        std::lock_guard lock(program.downloadLock);
        download = program.schedulerThread;
    }
    if (download) {
        haltThread(*download, cancelWaitLimit);
        // With the handle gone the program counts no running worker: those of this download
        // count down their own download as they end, so a new download starts from 0.
        releaseThread(program, *download);
    }
    Window& window = program.window;
    window.setEnabled(Control::按钮_取消下载, false);
    window.setEnabled(Control::按钮_开始下载, false);
    window.setEnabled(Control::按钮_分析数据, false);
    window.setEnabled(Control::按钮_重新分析, true);
    window.setVisible(Control::按钮_删除残余, true);
}

} // namespace xiuyun
