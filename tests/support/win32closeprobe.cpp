// A program that closes its native Windows window in the middle of a download, as the title bar's
// close button does. Its words (UTF-8): DIRECTORY PORT CLOSED: its program directory, the port of
// the test's site on 127.0.0.1, and a file it makes the moment it closes the window. That file
// holds what the window showed just before, as a screen reader would read it, one line each: the
// progress bar's position, its maximum and its state, and the status line (UTF-8).
#include "analysis/routes.h"
#include "app/commands.h"
#include "net/site.h"
#include "os/arguments.h"
#include "os/files.h"
#include "os/programdir.h"
#include "support/closeprobe.h"
#include "window/controlmodel.h"
#include "window/desktopwindow.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include <windows.h>

#include <commctrl.h>

using namespace xiuyun;

namespace {

Window* probedWindow = nullptr;
Text closedMarker;
Text albumAddress;

// The first top-level window of this thread with that class.
HWND threadWindow(const wchar_t* className) {
    struct Search {
        const wchar_t* className;
        HWND found;
    } search{className, nullptr};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* search = reinterpret_cast<Search*>(parameter);
            wchar_t name[64] = {};
            ::GetClassNameW(window, name, 64);
            if (std::wstring(name) != search->className || !::IsWindowVisible(window))
                return TRUE;
            search->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Every box is answered as a user would: OK. The timer runs in the box's own loop too.
void CALLBACK answerBoxes(HWND, UINT, UINT_PTR, DWORD) {
    if (HWND box = threadWindow(L"#32770"))
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
}

// The first child of `parent` for which `matches` holds.
template <typename Match> HWND childWindow(HWND parent, Match matches) {
    struct Search {
        Match& matches;
        HWND found;
    } search{matches, nullptr};
    ::EnumChildWindows(
        parent,
        [](HWND child, LPARAM parameter) -> BOOL {
            auto* search = reinterpret_cast<Search*>(parameter);
            if (!search->matches(child))
                return TRUE;
            search->found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring windowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::string utf8(const std::wstring& text) {
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                             0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length,
                          nullptr, nullptr);
    return bytes;
}

DWORD downloadStarted = 0;

// Once the download has run a while and the bar has moved (or long after, so a bar that never
// moves is seen by the test), as the title bar's close button does.
void CALLBACK closeWindow(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND main = threadWindow(L"xiuyun.MainWindow");
    if (!main)
        return;
    HWND bar = childWindow(main, [](HWND child) {
        wchar_t name[64] = {};
        ::GetClassNameW(child, name, 64);
        return std::wstring(name) == PROGRESS_CLASSW;
    });
    const auto position = static_cast<long>(bar ? ::SendMessageW(bar, PBM_GETPOS, 0, 0) : 0);
    const DWORD elapsed = ::GetTickCount() - downloadStarted;
    if (elapsed < static_cast<DWORD>(closeprobe::closeAfter) || (position == 0 && elapsed < 30000))
        return;
    ::KillTimer(nullptr, timer);
    HWND status = childWindow(main, [](HWND child) {
        constexpr std::wstring_view statusStart = L"已保存 ";
        const std::wstring text = windowText(child);
        return std::wstring_view(text).substr(0, statusStart.size()) == statusStart;
    });
    const std::string shown = std::to_string(position) + "\n" +
                              std::to_string(bar ? ::SendMessageW(bar, PBM_GETRANGE, FALSE, 0) : 0) + "\n" +
                              std::to_string(bar ? ::SendMessageW(bar, PBM_GETSTATE, 0, 0) : 0) + "\n" +
                              (status ? utf8(windowText(status)) : std::string()) + "\n";
    // Made first, so that whatever the site is asked from here on counts as asked after the close.
    files::writeFile(closedMarker, shown);
    ::SendMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void CALLBACK startDownload(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    Window& window = *probedWindow;
    window.setText(Control::编辑框_页面地址, albumAddress);
    auto& model = static_cast<ControlModel&>(window);
    // The native slider reports no move made by code: the probe reports it as the user's.
    model.setSliderPosition(closeprobe::threads);
    model.activate(Control::滑块条1);
    model.activate(Control::选择框_单个地址);
    model.activate(Control::按钮_分析数据);
    model.activate(Control::按钮_开始下载);
    downloadStarted = ::GetTickCount();
    ::SetTimer(nullptr, 0, 20, closeWindow);
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments = programArguments(argc, argv);
    if (arguments.size() < 3)
        return 2;
    const Text directory = Text::fromUtf8(arguments[0]);
    const int port = std::stoi(arguments[1]);
    closedMarker = Text::fromUtf8(arguments[2]);
    if (!enterProgramDirectory(directory))
        return 2;
    const gallery::Gallery gallery = closeprobe::gallery();
    albumAddress = closeprobe::albumAddress(gallery);

    std::optional<Program> program;
    runDesktopWindow(argc, argv, [&](Window& window) {
        program.emplace(window, directory);
        program->routes = analysisRoutes();
        program->network.routeHostToLoopback(std::string(SITE_HOST), port);
        probedWindow = &window;
        ::SetTimer(nullptr, 0, 20, answerBoxes);
        // Once the message loop runs, as a user's clicks would come.
        ::SetTimer(nullptr, 0, 0, startDownload);
        return commandHandlers(*program);
    });
}
