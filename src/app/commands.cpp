#include "app/commands.h"

#include "analysis/analysecommand.h"
#include "app/pagetype.h"
#include "app/startup.h"

namespace xiuyun {

void onThreadSliderChanged(Program& program) {
    program.window.setText(Control::透明标签_线程数, Text::number(program.window.sliderPosition()));
}

WindowEvents commandHandlers(Program& program) {
    WindowEvents events;
    events.controlActivated = [&program](Control control) {
        if (isPageTypeBox(control)) {
            onPageTypeBox(program, control);
            return;
        }
        switch (control) {
        case Control::选择框_自动选择:
            detectPageType(program);
            break;
        case Control::按钮_分析数据:
            onAnalyse(program);
            break;
        case Control::滑块条1:
            onThreadSliderChanged(program);
            break;
        default:
            break;
        }
    };
    events.windowCreated = [&program] { onWindowCreated(program); };
    events.windowDestroying = [] {};
    return events;
}

} // namespace xiuyun
