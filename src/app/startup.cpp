#include "app/startup.h"

#include "os/files.h"
#include "program/presenter.h"

namespace xiuyun {

void onWindowCreated(Program& program) {
    Window& window = program.window;
    window.setText(Control::编辑框_存放目录, program.programDir);
    // downloadLock lives in the program object from the start; there is nothing to create.
    if (files::exists(program.dataFile("t_j.q"_t))) {
        offerCleanUp(program, CleanUpChoice::CacheFiles, true);
    }
}

} // namespace xiuyun
