#include "app/commands.h"

#include "analysis/analysecommand.h"
#include "analysis/completion.h"
#include "app/closing.h"
#include "app/folderchoice.h"
#include "app/startup.h"
#include "download/cancelcommand.h"
#include "download/cleanup.h"
#include "download/startcommand.h"
#include "program/presenter.h"
#include "program/requests.h"

#include <memory>

namespace xiuyun {
namespace {

Ticked tickOf(const Window& window, Control box) {
    return window.isTicked(box) ? Ticked::Yes : Ticked::No;
}

// The requests of the commands, from what the window shows at the moment of the click.
AnalyseRequest analyseRequest(const Window& window) {
    return {.address = window.text(Control::编辑框_页面地址),
            .folder = window.text(Control::编辑框_存放目录),
            .detectType = tickOf(window, Control::选择框_自动选择)};
}

StartRequest startRequest(const Window& window) {
    return {.address = window.text(Control::编辑框_页面地址),
            .folder = window.text(Control::编辑框_存放目录)};
}

CleanUpRequest cleanUpRequest(const Window& window) {
    return {.folder = window.text(Control::编辑框_存放目录)};
}

} // namespace

WindowEvents commandHandlers(Program& program) {
    WindowEvents events;
    // Commands run one at a time: while one is running (an analysis keeps the window painted
    // between its page fetches) a click that reaches the window anyway is dropped.
    auto running = std::make_shared<bool>(false);
    events.controlActivated = [&program, running](Control control) {
        if (*running)
            return;
        *running = true;
        struct Done {
            bool& flag;
            ~Done() { flag = false; }
        } done{*running};
        Window& window = program.window;
        if (isPageTypeBox(control)) {
            onPageTypeBox(program, pageTypeOfBox(control), tickOf(window, control));
            return;
        }
        switch (control) {
        case Control::选择框_自动选择:
            detectPageType(program, window.text(Control::编辑框_页面地址), tickOf(window, control));
            break;
        case Control::按钮_分析数据:
            onAnalyse(program, analyseRequest(window));
            break;
        case Control::按钮_浏览目录:
            onBrowseFolder(program);
            break;
        case Control::按钮_取消下载:
            onCancelDownload(program);
            break;
        case Control::按钮_删除残余:
            onCleanUp(program, cleanUpRequest(window));
            break;
        case Control::按钮_开始下载:
            onStartDownload(program, startRequest(window));
            break;
        case Control::按钮_重新分析:
            onReanalyse(program);
            break;
        case Control::滑块条1:
            onThreadSliderChanged(program, window.sliderPosition());
            break;
        default:
            break;
        }
    };
    events.windowCreated = [&program] { onWindowCreated(program); };
    events.windowDestroying = [&program] { onWindowDestroying(program); };
    return events;
}

} // namespace xiuyun
