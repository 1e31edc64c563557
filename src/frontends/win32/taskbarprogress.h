// The download's progress on the window's taskbar button, beside the bar in the window.
#pragma once

#include "window/window.h"

#include <windows.h>

struct ITaskbarList3;

namespace xiuyun {

// Without the taskbar's interface (an older system, a shell without it, Wine) nothing is shown
// and nothing fails.
class TaskbarProgress {
public:
    TaskbarProgress() = default;
    ~TaskbarProgress();
    TaskbarProgress(const TaskbarProgress&) = delete;
    TaskbarProgress& operator=(const TaskbarProgress&) = delete;

    // The message the shell sends once the window's button exists, and again after the shell
    // restarts: the interface is taken anew then, and shown what it showed.
    static UINT buttonCreatedMessage();
    void buttonCreated(HWND window);
    void show(ProgressValue progress);
    // Before the window goes.
    void release();

private:
    HWND m_window = nullptr;
    ITaskbarList3* m_taskbar = nullptr;
    ProgressValue m_shown;
};

} // namespace xiuyun
