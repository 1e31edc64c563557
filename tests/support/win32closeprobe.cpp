// A program that closes its native Windows window in the middle of a download, as the title bar's
// close button does. Its words (UTF-8): DIRECTORY PORT CLOSED: its program directory, the port of
// the test's site on 127.0.0.1, and a file it makes the moment it closes the window.
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
#include <vector>
#include <windows.h>

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

void CALLBACK closeWindow(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    HWND main = threadWindow(L"xiuyun.MainWindow");
    if (!main)
        return;
    // Made first, so that whatever the site is asked from here on counts as asked after the close.
    files::writeFile(closedMarker, "closed");
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
    ::SetTimer(nullptr, 0, closeprobe::closeAfter, closeWindow);
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
