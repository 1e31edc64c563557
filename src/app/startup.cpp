#include "app/startup.h"

#include "platform/files.h"

namespace xiuyun {

void onWindowCreated(Program& program) {
    Window& window = program.window;
    window.setText(Control::编辑框_存放目录, program.programDir);
    // downloadLock lives in the program object from the start; there is nothing to create.
    if (files::exists(program.dataFile("t_j.q"_t))) {
        window.setVisible(Control::按钮_删除残余, true);
        window.setText(Control::按钮_删除残余, "删除缓存文件"_t);
    }
}

} // namespace xiuyun
