#include "frontends/win32/taskbarprogress.h"

// After windows.h, which it needs.
#include <shobjidl.h>

namespace xiuyun {
namespace {

TBPFLAG flagOf(ProgressState state) {
    switch (state) {
    case ProgressState::Normal:
        return TBPF_NORMAL;
    case ProgressState::Paused:
        return TBPF_PAUSED;
    case ProgressState::Error:
        return TBPF_ERROR;
    case ProgressState::None:
        break;
    }
    return TBPF_NOPROGRESS;
}

} // namespace

TaskbarProgress::~TaskbarProgress() {
    release();
}

UINT TaskbarProgress::buttonCreatedMessage() {
    static const UINT message = ::RegisterWindowMessageW(L"TaskbarButtonCreated");
    return message;
}

void TaskbarProgress::buttonCreated(HWND window) {
    release();
    m_window = window;
    void* taskbar = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                  &taskbar)))
        return;
    m_taskbar = static_cast<ITaskbarList3*>(taskbar);
    if (FAILED(m_taskbar->HrInit())) {
        release();
        return;
    }
    show(m_shown);
}

void TaskbarProgress::show(ProgressValue progress) {
    m_shown = progress;
    if (!m_taskbar || !m_window)
        return;
    // A button that shows no progress takes no value; the state goes first so that a value never
    // shows in the state before.
    m_taskbar->SetProgressState(m_window, flagOf(progress.state));
    if (progress.state != ProgressState::None)
        m_taskbar->SetProgressValue(m_window, static_cast<ULONGLONG>(progress.value), progressMaximum);
}

void TaskbarProgress::release() {
    if (m_taskbar)
        m_taskbar->Release();
    m_taskbar = nullptr;
}

} // namespace xiuyun
