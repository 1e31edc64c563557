#include "frontends/win32/win32mainwindow.h"

#include "frontends/win32/dpi.h"
#include "frontends/win32/widetext.h"
#include "os/files.h"
#include "window/controls.h"

// After windows.h, which it needs.
#include <commctrl.h>

#include <utility>

namespace xiuyun {
namespace {

constexpr wchar_t windowClassName[] = L"xiuyun.MainWindow";
// Control identifiers stay clear of IDOK and IDCANCEL, which Enter and Escape send.
constexpr int firstControlId = 1000;

int idOf(Control control) {
    return firstControlId + static_cast<int>(control);
}

bool isControlId(int id) {
    return id >= firstControlId && id < firstControlId + controlCount;
}

DWORD styleOf(const ControlLayoutEntry& entry) {
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    if (entry.visibility == Visibility::Shown)
        style |= WS_VISIBLE;
    if (entry.enablement == Enablement::Disabled)
        style |= WS_DISABLED;
    switch (entry.kind) {
    case ControlKind::Label:
        // Album titles come from the site: an "&" in them is a character, not a mnemonic.
        return style | SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX | SS_ENDELLIPSIS;
    case ControlKind::EditBox:
        return style | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
    case ControlKind::CheckBox:
        // Not an automatic box: the model decides the tick, and the box shows it.
        return style | WS_TABSTOP | BS_CHECKBOX;
    case ControlKind::Slider:
        return style | WS_TABSTOP | TBS_HORZ | TBS_BOTTOM | TBS_AUTOTICKS;
    case ControlKind::Button:
        return style | WS_TABSTOP | BS_PUSHBUTTON;
    case ControlKind::GroupBox:
        return style | BS_GROUPBOX;
    case ControlKind::ProgressBar:
        return style | PBS_SMOOTH;
    case ControlKind::ListView:
        break;
    }
    return style;
}

const wchar_t* classOf(ControlKind kind) {
    switch (kind) {
    case ControlKind::Label:
        return WC_STATICW;
    case ControlKind::EditBox:
        return WC_EDITW;
    case ControlKind::Slider:
        return TRACKBAR_CLASSW;
    case ControlKind::ProgressBar:
        return PROGRESS_CLASSW;
    case ControlKind::CheckBox:
    case ControlKind::Button:
    case ControlKind::GroupBox:
    case ControlKind::ListView:
        break;
    }
    return WC_BUTTONW;
}

bool registerWindowClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    if (::GetClassInfoExW(instance, windowClassName, &windowClass))
        return true;
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    // The program's icon is resource 1 of xiuyun.rc; a program without it (a test) gets the
    // system's. The small one is picked from the file, not shrunk from the large one.
    windowClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hIconSm = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                          ::GetSystemMetrics(SM_CXSMICON),
                                                          ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    // The system's resources are named by number; the narrow macros spell them as pointers.
    if (!windowClass.hIcon)
        windowClass.hIcon = ::LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    windowClass.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    // The face colour of dialogs, which the labels and boxes draw on.
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = windowClassName;
    return ::RegisterClassExW(&windowClass) != 0;
}

// Not WS_CLIPCHILDREN: a group box draws its frame only, and the window's face must show
// through it.
constexpr DWORD windowStyle = WS_OVERLAPPEDWINDOW;

} // namespace

Win32MainWindow::Win32MainWindow(ControlModel& model, Handlers handlers)
    : m_model(model), m_handlers(std::move(handlers)), m_imageList(model),
      m_sliderShown(model.sliderPosition()) {}

Win32MainWindow::~Win32MainWindow() {
    if (m_window)
        ::DestroyWindow(m_window);
    if (m_font)
        ::DeleteObject(m_font);
}

bool Win32MainWindow::create() {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    if (!registerWindowClass(instance, windowProcedure))
        return false;
    const std::wstring title = wideString(windowTitle);
    ::CreateWindowExW(0, windowClassName, title.c_str(), windowStyle, windowGeometry.left, windowGeometry.top,
                      windowGeometry.width, windowGeometry.height, nullptr, nullptr, instance, this);
    if (!m_window)
        return false;
    // Only a window knows its monitor: the density comes once it exists, and the window is then
    // sized to the layout's client area at that density.
    m_dpi = dpiOfWindow(m_window);
    // Created in the order of the table, which is the tab order: each control goes below the
    // ones before it.
    for (const ControlLayoutEntry& entry : controlLayout())
        m_controls[static_cast<std::size_t>(entry.control)] = createControl(entry);
    // 分组框1 comes before the controls inside it, so it would cover them: it goes to the bottom,
    // where it takes no focus either way.
    ::SetWindowPos(controlHandle(Control::分组框1), HWND_BOTTOM, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // 透明标签_线程数 shows the number between the slider's caption and the slider; behind the
    // slider in the tab order, the caption stays the label a screen reader names the slider by.
    ::SetWindowPos(controlHandle(Control::透明标签_线程数), controlHandle(Control::滑块条1), 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    nameControls();
    // The shell may have made the button before this window could hear of it.
    m_taskbar.buttonCreated(m_window);
    layOut();
    const RECT client = scaledRect(windowGeometry, m_dpi);
    const RECT frame = windowRectForClient(client, windowStyle, 0, m_dpi);
    ::SetWindowPos(m_window, nullptr, frame.left, frame.top, frame.right - frame.left,
                   frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

HWND Win32MainWindow::createControl(const ControlLayoutEntry& entry) {
    if (entry.kind == ControlKind::ListView)
        return m_imageList.create(m_window, idOf(entry.control), entry.visibility == Visibility::Shown,
                                  entry.enablement == Enablement::Enabled);
    const std::wstring caption = wideString(entry.caption);
    const DWORD extendedStyle = entry.kind == ControlKind::EditBox ? WS_EX_CLIENTEDGE : 0;
    HWND control =
        ::CreateWindowExW(extendedStyle, classOf(entry.kind), caption.c_str(), styleOf(entry), 0, 0, 0, 0,
                          m_window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(idOf(entry.control))),
                          ::GetModuleHandleW(nullptr), nullptr);
    if (control && entry.kind == ControlKind::Slider) {
        ::SendMessageW(control, TBM_SETRANGEMIN, FALSE, sliderMinimum);
        ::SendMessageW(control, TBM_SETRANGEMAX, FALSE, sliderMaximum);
        ::SendMessageW(control, TBM_SETLINESIZE, 0, sliderLineStep);
        ::SendMessageW(control, TBM_SETPAGESIZE, 0, sliderPageStep);
        ::SendMessageW(control, TBM_SETTICFREQ, 1, 0);
        ::SendMessageW(control, TBM_SETPOS, TRUE, m_sliderShown);
    }
    if (control && entry.kind == ControlKind::ProgressBar)
        ::SendMessageW(control, PBM_SETRANGE32, 0, progressMaximum);
    return control;
}

void Win32MainWindow::nameControls() {
    // The list and the group box show no caption; the edit boxes and the slider are named by
    // their labels already, as the system reads them.
    m_names.name(controlHandle(Control::超级列表框1), wideString(std::string_view("图片列表")));
    m_names.name(controlHandle(Control::分组框1), wideString(std::string_view("进度")));
    m_names.name(controlHandle(Control::进度条_下载进度), wideString(std::string_view("下载进度")));
}

void Win32MainWindow::layOut() {
    const Geometry& group = layoutOf(Control::分组框1).geometry;
    for (const ControlLayoutEntry& entry : controlLayout()) {
        Geometry geometry = entry.geometry;
        if (entry.insideGroupBox) {
            geometry.left += group.left;
            geometry.top += group.top;
        }
        RECT rect = scaledRect(geometry, m_dpi);
        if (entry.insideGroupBox) {
            // The box's own controls sit on it in Qt; here they are its siblings, kept off its
            // frame so that the frame stays whole.
            const RECT box = scaledRect(group, m_dpi);
            const int inset = scaled(3, m_dpi);
            if (rect.left < box.left + inset)
                rect.left = box.left + inset;
            if (rect.right > box.right - inset)
                rect.right = box.right - inset;
        }
        ::MoveWindow(controlHandle(entry.control), rect.left, rect.top, rect.right - rect.left,
                     rect.bottom - rect.top, FALSE);
    }
    HFONT font = createMessageFont(m_dpi);
    if (font) {
        for (HWND control : m_controls)
            ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (m_font)
            ::DeleteObject(m_font);
        m_font = font;
    }
    m_imageList.setColumnWidths(m_dpi);
    ::InvalidateRect(m_window, nullptr, TRUE);
}

LRESULT CALLBACK Win32MainWindow::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Win32MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->m_window = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Win32MainWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return ::DefWindowProcW(window, message, wParam, lParam);
    return self->handleMessage(message, wParam, lParam);
}

LRESULT Win32MainWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == TaskbarProgress::buttonCreatedMessage() && message != 0) {
        m_taskbar.buttonCreated(m_window);
        return 0;
    }
    switch (message) {
    case drainMessage:
        if (m_handlers.drain)
            m_handlers.drain();
        return 0;
    case WM_COMMAND:
        if (lParam && isControlId(LOWORD(wParam)))
            onCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (m_imageList.handleNotice(*reinterpret_cast<const NMHDR*>(lParam), result))
            return result;
        break;
    }
    case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lParam) == controlHandle(Control::滑块条1))
            onSliderMoved();
        return 0;
    case WM_CTLCOLORSTATIC: {
        const int id = ::GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
        if (isControlId(id) && controlLayout()[id - firstControlId].kind == ControlKind::Label) {
            // The labels draw their text straight on the window's face.
            ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
            return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
        }
        break;
    }
    case WM_ACTIVATE:
        // Focus comes back to the control that had it when the window was left.
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = ::GetFocus();
            if (focus && ::IsChild(m_window, focus))
                m_lastFocus = focus;
        }
        break;
    case WM_SETFOCUS: {
        HWND target = m_lastFocus && ::IsWindowEnabled(m_lastFocus) && ::IsWindowVisible(m_lastFocus)
                          ? m_lastFocus
                          : ::GetNextDlgTabItem(m_window, nullptr, FALSE);
        if (target)
            ::SetFocus(target);
        return 0;
    }
    case WM_DPICHANGED: {
        m_dpi = HIWORD(wParam);
        layOut();
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        ::SetWindowPos(m_window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_CLOSE:
        // Not destroyed: the system hides a window before it destroys it, and that may wait for
        // the window manager (Wine waits up to 2 s) while a download runs on. The program hears
        // of the close first, the loop ends, and the window goes with the process.
        close();
        return 0;
    case WM_DESTROY:
        m_names.clear();
        close();
        return 0;
    case WM_NCDESTROY:
        ::SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
        m_window = nullptr;
        m_controls.fill(nullptr);
        break;
    default:
        break;
    }
    return ::DefWindowProcW(m_window, message, wParam, lParam);
}

void Win32MainWindow::close() {
    m_taskbar.release();
    if (auto closing = std::exchange(m_handlers.closing, nullptr))
        closing();
    // Also ends a box's loop, should the close come while one is open.
    ::PostQuitMessage(0);
}

void Win32MainWindow::onCommand(int id, int code) {
    const Control control = static_cast<Control>(id - firstControlId);
    switch (layoutOf(control).kind) {
    case ControlKind::Button:
        if (code == BN_CLICKED)
            m_model.activate(control);
        break;
    case ControlKind::CheckBox:
        if (code == BN_CLICKED)
            onBoxClicked(control);
        break;
    case ControlKind::EditBox:
        if (code == EN_CHANGE)
            onEdited(control);
        break;
    default:
        break;
    }
}

void Win32MainWindow::onEdited(Control control) {
    if (m_settingText)
        return;
    // The model may have locked the box before its change reached the control.
    if (m_model.isReadOnly(control) || !m_model.isEnabled(control)) {
        setEditText(control, wideString(m_model.text(control)));
        return;
    }
    const std::wstring text = windowWideText(controlHandle(control));
    // A path, held exactly: a name with a letter GBK lacks is still the same folder.
    m_model.recordUserText(control,
                           control == Control::编辑框_存放目录 ? files::fromNativePath(text) : textOf(text));
}

void Win32MainWindow::onBoxClicked(Control control) {
    // The model toggles its tick and runs the handler; a box it already disabled does neither.
    // Either way the box shows the model's tick.
    m_model.activate(control);
    if (HWND box = controlHandle(control))
        ::SendMessageW(box, BM_SETCHECK, m_model.isTicked(control) ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Win32MainWindow::onSliderMoved() {
    HWND slider = controlHandle(Control::滑块条1);
    const int position = static_cast<int>(::SendMessageW(slider, TBM_GETPOS, 0, 0));
    if (!m_model.isEnabled(Control::滑块条1)) {
        m_sliderShown = m_model.sliderPosition();
        ::SendMessageW(slider, TBM_SETPOS, TRUE, m_sliderShown);
        return;
    }
    // The slider notifies for every step of a drag and at its end: only a new position counts.
    if (position == m_sliderShown)
        return;
    m_sliderShown = position;
    m_model.recordUserSliderPosition(position);
    m_model.activate(Control::滑块条1);
}

void Win32MainWindow::setEditText(Control control, const std::wstring& text) {
    HWND edit = controlHandle(control);
    if (windowWideText(edit) == text)
        return;
    m_settingText = true;
    ::SetWindowTextW(edit, text.c_str());
    m_settingText = false;
    // The caret after the text, where Qt leaves it.
    const auto end = static_cast<WPARAM>(text.size());
    ::SendMessageW(edit, EM_SETSEL, end, static_cast<LPARAM>(end));
}

void Win32MainWindow::apply(const std::vector<ControlChange>& changes) {
    if (!m_window)
        return;
    for (const ControlChange& change : changes)
        applyOne(change);
    m_imageList.flush();
}

void Win32MainWindow::applyOne(const ControlChange& change) {
    HWND control = controlHandle(change.control);
    const ControlKind kind = layoutOf(change.control).kind;
    switch (change.kind) {
    case ControlChange::Kind::Text:
        if (kind == ControlKind::EditBox)
            setEditText(change.control, wideString(change.text));
        else if (kind != ControlKind::ListView && kind != ControlKind::Slider)
            ::SetWindowTextW(control, wideString(change.text).c_str());
        break;
    case ControlChange::Kind::Visible:
    case ControlChange::Kind::Enabled: {
        const bool leaving = !change.flag && ::GetFocus() == control;
        if (change.kind == ControlChange::Kind::Visible)
            ::ShowWindow(control, change.flag ? SW_SHOWNOACTIVATE : SW_HIDE);
        else
            ::EnableWindow(control, change.flag);
        // A hidden or disabled control that kept the focus would leave the keyboard nowhere.
        if (leaving)
            ::SetFocus(::GetNextDlgTabItem(m_window, control, FALSE));
        break;
    }
    case ControlChange::Kind::ReadOnly:
        if (kind == ControlKind::EditBox)
            ::SendMessageW(control, EM_SETREADONLY, change.flag, 0);
        break;
    case ControlChange::Kind::Ticked:
        if (kind == ControlKind::CheckBox)
            ::SendMessageW(control, BM_SETCHECK, change.flag ? BST_CHECKED : BST_UNCHECKED, 0);
        break;
    case ControlChange::Kind::Position:
        // Moved by the code: the slider sends no notice, so no handler runs.
        m_sliderShown = change.number;
        ::SendMessageW(control, TBM_SETPOS, TRUE, change.number);
        break;
    case ControlChange::Kind::Progress: {
        if (kind != ControlKind::ProgressBar)
            break;
        ::SendMessageW(control, PBM_SETPOS, static_cast<WPARAM>(change.number), 0);
        const WPARAM barState = change.progressState == ProgressState::Error    ? PBST_ERROR
                                : change.progressState == ProgressState::Paused ? PBST_PAUSED
                                                                                : PBST_NORMAL;
        ::SendMessageW(control, PBM_SETSTATE, barState, 0);
        m_taskbar.show({change.number, change.progressState});
        break;
    }
    case ControlChange::Kind::RowsReplaced:
        m_imageList.replaceRows();
        break;
    case ControlChange::Kind::RowChanged:
        m_imageList.rowChanged(change.number);
        break;
    case ControlChange::Kind::RowShown:
        m_imageList.ensureRowVisible(change.number);
        break;
    }
}

} // namespace xiuyun
