#include "app/commandline.h"

#include "analysis/analysecommand.h"
#include "analysis/pagetype.h"
#include "analysis/routes.h"
#include "app/folderchoice.h"
#include "app/startup.h"
#include "download/cancelcommand.h"
#include "download/download.h"
#include "download/startcommand.h"
#include "frontends/console/consolewindow.h"
#include "os/files.h"
#include "os/interrupt.h"
#include "os/sleeplock.h"
#include "program/presenter.h"
#include "program/progressview.h"
#include "text/textutils.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <map>

namespace xiuyun {
namespace {

std::atomic<bool> cancelRequested{false};

void onInterrupt() {
    cancelRequested = true;
}

// The word "auto" names 选择框_自动选择; every other word names the box of its page type.
constexpr std::string_view autoWord = "auto";

std::optional<Control> typeBoxOfWord(std::string_view word) {
    if (word == autoWord)
        return Control::选择框_自动选择;
    for (const PageTypeEntry& entry : pageTypes()) {
        if (entry.commandWord == word)
            return pageTypeBox(entry.type);
    }
    return std::nullopt;
}

// The help's line of the types: each word with the caption of its box, two on the first line
// (after "auto"), three on each line after it.
std::string typeHelp() {
    std::string help = "  --type 类型        地址类型：" + std::string(autoWord) + "（按地址判断，默认）";
    const auto types = pageTypes();
    for (std::size_t i = 0; i < types.size(); ++i) {
        const bool lineStart = i >= 1 && (i - 1) % 3 == 0;
        help += lineStart ? "、\n                     " : "、";
        help += std::string(types[i].commandWord) + "（" +
                std::string(layoutOf(pageTypeBox(types[i].type)).caption) + "）";
    }
    return help + "\n";
}

// A number of the analysis, or "1" while it is not known.
std::string shownNumber(const std::optional<Text>& text) {
    return text && isNumber(*text) ? text->toUtf8() : std::string("1");
}
std::string shownNumber(int number) {
    return number > 0 ? std::to_string(number) : std::string("1");
}

// The window's figures (program/progressview.h), after where the download stands.
std::string progressLine(const Program& program) {
    const int rows = program.rows.size();
    const int albumDone = program.rows.doneCount();
    const ProgressFigures figures = program.progress.figures();
    std::string line;
    const Analysis analysis = analysisNow(program);
    if (analysis.pageType != PAGE_ALBUM) {
        line = "第 " + shownNumber(analysis.currentPage) + "/" + shownNumber(analysis.totalPages) +
               " 页 · 图集 " + shownNumber(analysis.currentAlbum) + "/" + shownNumber(analysis.albumsOnPage) +
               " · ";
    }
    const long long percent = std::lround(figures.fraction * 100);
    return line + "图片 " + std::to_string(albumDone) + "/" + std::to_string(rows) + " · " +
           std::to_string(percent) + "% · " + progressStatusText(figures).toUtf8();
}

// The one line that says the system may sleep while the download runs, and why.
Text sleepLockNotice(const SleepLockOutcome& outcome) {
    Text reason;
    switch (outcome.state) {
    case SleepLockState::NoBus:
        reason = "连不上系统总线"_t;
        break;
    case SleepLockState::NoService:
        reason = "系统总线上没有 logind"_t;
        break;
    case SleepLockState::Refused:
        reason = "系统拒绝了请求"_t;
        break;
    case SleepLockState::NoAnswer:
        reason = "系统没有及时应答"_t;
        break;
    case SleepLockState::Held:
        break;
    }
    if (!outcome.detail.empty())
        reason += "（"_t + Text::fromUtf8(outcome.detail) + "）"_t;
    return "无法阻止系统睡眠："_t + reason;
}

Text absoluteFolder(const Text& folder, const Text& startDirectory) {
    if (folder.empty() || startDirectory.empty() || files::isAbsolutePath(folder))
        return folder;
    return startDirectory + "\\"_t + folder;
}

} // namespace

bool wantsCommandLine(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "--no-window" || argument == "--help" || argument == "-h")
            return true;
    }
    return false;
}

std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& arguments, std::string& error) {
    CommandLine commandLine;
    bool noWindow = false;
    bool noProxy = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        auto value = [&](const char* option) -> std::optional<std::string> {
            const std::string prefix = std::string(option) + "=";
            if (argument.rfind(prefix, 0) == 0)
                return argument.substr(prefix.size());
            if (argument == option && i + 1 < arguments.size())
                return arguments[++i];
            if (argument == option)
                error = std::string(option) + " 缺少取值";
            return std::nullopt;
        };
        auto is = [&](const char* option) {
            return argument == option || argument.rfind(std::string(option) + "=", 0) == 0;
        };
        if (argument == "--help" || argument == "-h") {
            commandLine.help = true;
        } else if (argument == "--no-window") {
            noWindow = true;
        } else if (argument == "--force") {
            commandLine.force = true;
        } else if (argument == "--skip-existing") {
            commandLine.skipExisting = true;
        } else if (argument == "--no-proxy") {
            noProxy = true;
        } else if (is("--proxy")) {
            auto proxy = value("--proxy");
            if (!proxy)
                return std::nullopt;
            std::optional<ProxyAddress> address = parseProxyAddress(*proxy);
            if (!address) {
                error = "代理地址无法识别：" + maskedCredentials(*proxy);
                return std::nullopt;
            }
            commandLine.proxy = {.kind = ProxySetting::Kind::Given, .given = *address};
        } else if (is("--type")) {
            auto type = value("--type");
            if (!type)
                return std::nullopt;
            auto box = typeBoxOfWord(*type);
            if (!box) {
                error = "未知的地址类型：" + *type;
                return std::nullopt;
            }
            commandLine.typeBox = *box;
        } else if (is("--threads")) {
            auto threads = value("--threads");
            if (!threads)
                return std::nullopt;
            const Text number = Text::fromUtf8(*threads);
            const long long count = isNumber(number) ? number.toInteger() : 0;
            if (count < sliderMinimum || count > sliderMaximum) {
                error = "线程数量须在 1 到 30 之间：" + *threads;
                return std::nullopt;
            }
            commandLine.threads = static_cast<int>(count);
        } else if (is("--folder")) {
            auto folder = value("--folder");
            if (!folder)
                return std::nullopt;
            commandLine.folder = *folder;
        } else if (argument.size() > 1 && argument[0] == '-') {
            error = "未知的选项：" + argument;
            return std::nullopt;
        } else if (commandLine.address.empty()) {
            commandLine.address = argument;
        } else {
            error = "只能给一个页面地址：" + argument;
            return std::nullopt;
        }
    }
    if (noProxy)
        commandLine.proxy.kind = ProxySetting::Kind::None;
    if (commandLine.help)
        return commandLine;
    if (!noWindow) {
        error = "命令行方式需要 --no-window";
        return std::nullopt;
    }
    if (commandLine.address.empty()) {
        error = "缺少页面地址";
        return std::nullopt;
    }
    return commandLine;
}

std::string commandLineHelp() {
    return "用法：xiuyun --no-window [选项] 页面地址\n"
           "不开窗口，分析页面地址并下载其中每个图集的每张图片，与窗口中按“1 分析数据”和“2 开始下载”相同。\n"
           "\n"
           "选项：\n" +
           typeHelp() +
           "  --threads 数量     同时下载的图片数，1 到 30，默认 10\n"
           "  --folder 目录      存放目录，默认程序目录\n"
           "  --force            页面地址曾被下载过时仍然下载（即“2 强制下载”）\n"
           "  --skip-existing    跳过已在磁盘上、大于 10 KB 且完整的图片，不再请求（续传或修复中断的下载）\n"
           "  --proxy 地址       经此代理连接：http、https、socks5 或 socks5h://[用户:密码@]主机[:端口]\n"
           "  --no-proxy         不用任何代理（不理会环境变量和系统设置）\n"
           "  -h, --help         显示本说明\n"
           "\n"
           "每个提示框的标题和内容照原样输出；在终端上另有一行进度。Ctrl-C "
           "取消下载（正在下载的图片会下完），\n"
           "再按一次立即退出。\n"
           "\n"
           "退出码：0 图片下载完成且途中没有失败提示；1 "
           "其他结果（分析失败、曾被下载过、可能存在下载失败的文件、\n"
           "        途中出现任何“失败”提示等）；\n"
           "        2 用法错误；130 按 Ctrl-C 取消。\n"
           "\n"
           "代理：--no-proxy，否则 --proxy，否则环境变量 https_proxy、http_proxy、all_proxy（no_proxy "
           "列出不经代理的主机），\n"
           "否则（Windows）Internet 选项中的代理设置，否则直连。\n";
}

void requestCommandLineCancel() {
    cancelRequested = true;
}

int runCommandLine(const CommandLine& commandLine, const Text& programDirectory, const Text& startDirectory,
                   std::FILE* messages, std::FILE* progress,
                   const std::function<void(NetworkContext&)>& prepareNetwork) {
    cancelRequested = false;
    // Ctrl-C cancels the download once; a second one ends the program at once.
    catchInterrupt(onInterrupt);
    ConsoleWindow window(messages, progress);
    Program program(window, programDirectory);
    program.routes = analysisRoutes();
    if (prepareNetwork)
        prepareNetwork(program.network);
    program.network.setProxy(commandLine.proxy);
    onWindowCreated(program);

    // The requests the window's user would give, from the arguments, then the window's commands
    // in order.
    const Text address = Text::fromUtf8(commandLine.address);
    const Text folder = commandLine.folder.empty()
                            ? program.programDir
                            : absoluteFolder(files::pathFromUser(commandLine.folder), startDirectory);
    onThreadSliderChanged(program, commandLine.threads);
    const bool detect = !isPageTypeBox(commandLine.typeBox);
    if (detect)
        detectPageType(program, address, Ticked::Yes);
    else
        onPageTypeBox(program, pageTypeOfBox(commandLine.typeBox), Ticked::Yes);
    onAnalyse(program,
              {.address = address, .folder = folder, .detectType = detect ? Ticked::Yes : Ticked::No});
    // Anything but a completed analysis has been reported by its box.
    if (program.phase != Phase::Analysed)
        return exitOtherEnding;
    if (cancelRequested)
        return exitInterrupted;

    const StartRequest start{.address = address,
                             .folder = folder,
                             .skipExisting = commandLine.skipExisting,
                             .resume = commandLine.force ? StartRequest::Resume::Never
                                                         : StartRequest::Resume::IfUnfinished};
    onStartDownload(program, start);
    if (program.forceNextStart) {
        if (!commandLine.force)
            return exitOtherEnding;
        onStartDownload(program, start);
    }

    bool cancelled = false;
    // Said once, as soon as the download has asked: it goes on, though the system may sleep.
    bool sleepLockTold = false;
    auto tellSleepLock = [&] {
        const std::optional<SleepLockOutcome> outcome = lastSleepLockOutcome(program);
        if (sleepLockTold || !outcome)
            return;
        sleepLockTold = true;
        if (outcome->state != SleepLockState::Held)
            window.showNotice(sleepLockNotice(*outcome).toUtf8());
    };
    while (!waitForDownloadThreads(program, std::chrono::milliseconds(200))) {
        tellSleepLock();
        if (cancelRequested && !cancelled) {
            cancelled = true;
            if (program.phase == Phase::Downloading)
                onCancelDownload(program);
        }
        window.showProgress(progressLine(program));
    }
    tellSleepLock();
    window.showProgress(progressLine(program), ConsoleWindow::Progress::Last);
    window.endProgress();
    if (program.failureReport)
        window.printLine("未能下载的图片共 "_t + Text::number(program.failureReport->count) +
                         " 张，清单："_t +
                         files::fromNativePath(files::nativePath(program.failureReport->path)));
    if (cancelled)
        return exitInterrupted;
    // "图片下载完成" alone is no success when a failure was reported on the way (a list page that
    // could not be read, a folder that could not be made).
    const bool downloaded =
        program.messages.downloadOutcome() == DownloadOutcome::Downloaded && program.messages.failures() == 0;
    return downloaded ? exitDownloaded : exitOtherEnding;
}

} // namespace xiuyun
