#include "app/folderchoice.h"

namespace xiuyun {

void onThreadSliderChanged(Program& program) {
    program.window.setText(Control::透明标签_线程数, Text::number(program.window.sliderPosition()));
}

void onBrowseFolder(Program& program) {
    const Text folder = browseForFolder(program.window, "文件将保存在哪个目录?"_t);
    if (!folder.empty())
        program.window.setText(Control::编辑框_存放目录, folder);
}

Text browseForFolder(Window& window, const Text& title, const Text& initialFolder, bool includeFiles,
                     bool showEditBox, bool newStyle) {
    FolderDialog dialog{title.empty() ? "请选择一个文件夹"_t : title, initialFolder, includeFiles,
                        showEditBox, newStyle};
    return window.chooseFolder(dialog).trimmed();
}

} // namespace xiuyun
