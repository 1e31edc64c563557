// The two inputs set beside typing: the target folder through the folder picker, and the number
// of download threads on the slider.
#pragma once

#include "program/program.h"

namespace xiuyun {

// The slider's new position: the thread count from the next batch of a download on.
void onThreadSliderChanged(Program& program, int position);
void onBrowseFolder(Program& program);

// The folder picker: the chosen folder without leading and trailing blanks, or the empty text
// when the user cancels or picks something that is no folder on disk. A dialog without a title is
// titled "请选择一个文件夹"; the flags are named where they are set ({.includeFiles = true}).
Text browseForFolder(Window& window, FolderDialog dialog = {});

} // namespace xiuyun
