// The main window: one standard control per control of the layout, at its place, scaled to the
// density of the monitor.
#pragma once

#include "frontends/win32/accessiblename.h"
#include "frontends/win32/imagelistview.h"
#include "frontends/win32/taskbarprogress.h"
#include "window/controlmodel.h"

#include <array>
#include <functional>
#include <vector>
#include <windows.h>

namespace xiuyun {

// Posted to the main window to have the queued changes shown on its thread.
inline constexpr UINT drainMessage = WM_APP + 1;

class Win32MainWindow {
public:
    struct Handlers {
        std::function<void()> drain; // on drainMessage
        // Once, on WM_CLOSE (or WM_DESTROY, for a window that goes another way), before the
        // message loop is told to end.
        std::function<void()> closing;
    };

    // The user's typing, ticks and slider moves are recorded into `model`, and clicks run its
    // handlers through ControlModel::activate.
    Win32MainWindow(ControlModel& model, Handlers handlers);
    ~Win32MainWindow();
    Win32MainWindow(const Win32MainWindow&) = delete;
    Win32MainWindow& operator=(const Win32MainWindow&) = delete;

    // Builds the window and its controls, hidden; false when the system refuses.
    bool create();
    HWND handle() const { return m_window; }
    HWND controlHandle(Control control) const { return m_controls[static_cast<std::size_t>(control)]; }

    // Shows changes of the model on the controls, in order. Window thread only.
    void apply(const std::vector<ControlChange>& changes);

private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    HWND createControl(const ControlLayoutEntry& entry);
    void nameControls();
    void layOut();
    void close();
    void onCommand(int id, int code);
    void onEdited(Control control);
    void onBoxClicked(Control control);
    void onSliderMoved();
    void applyOne(const ControlChange& change);
    void setEditText(Control control, const std::wstring& text);

    ControlModel& m_model;
    Handlers m_handlers;
    HWND m_window = nullptr;
    std::array<HWND, controlCount> m_controls{};
    ImageListView m_imageList;
    AccessibleNames m_names;
    TaskbarProgress m_taskbar;
    HFONT m_font = nullptr;
    UINT m_dpi = 96;
    int m_sliderShown;          // the slider's position as last shown or moved
    bool m_settingText = false; // an edit box's change notice comes from the code, not the user
    HWND m_lastFocus = nullptr;
};

} // namespace xiuyun
