#include "app/folderchoice.h"

namespace xiuyun {

void onThreadSliderChanged(Program& program, int position) {
    program.threadCount = position;
    program.window.setText(Control::透明标签_线程数, Text::number(position));
}

void onBrowseFolder(Program& program) {
    const Text folder = browseForFolder(program.window, {.title = "文件将保存在哪个目录?"_t});
    if (!folder.empty())
        program.window.setText(Control::编辑框_存放目录, folder);
}

Text browseForFolder(Window& window, FolderDialog dialog) {
    if (dialog.title.empty())
        dialog.title = "请选择一个文件夹"_t;
    return window.chooseFolder(dialog).trimmed();
}

} // namespace xiuyun
