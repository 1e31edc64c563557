#include "program/progressview.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace xiuyun {
namespace {

Text counts(const ProgressFigures& figures) {
    return Text::number(figures.saved) + " 张，失败 "_t + Text::number(figures.failed) + " 张"_t;
}

Text duration(std::chrono::milliseconds left) {
    // A job still running has some time left, never "0 秒".
    const long long seconds = std::max<long long>(1, std::chrono::round<std::chrono::seconds>(left).count());
    if (seconds >= 3600)
        return Text::number(seconds / 3600) + " 小时 "_t + Text::number(seconds % 3600 / 60) + " 分"_t;
    if (seconds >= 60)
        return Text::number(seconds / 60) + " 分 "_t + Text::number(seconds % 60) + " 秒"_t;
    return Text::number(seconds) + " 秒"_t;
}

Text oneDecimal(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return Text::fromGbk(text);
}

} // namespace

Text progressStatusText(const ProgressFigures& figures) {
    const Text separator = " · "_t;
    switch (figures.stage) {
    case JobStage::None:
        return {};
    case JobStage::Finished:
        return "下载完成：共保存 "_t + counts(figures);
    case JobStage::Stopped:
        return "下载已取消：共保存 "_t + counts(figures);
    case JobStage::Running:
        break;
    }
    Text status = "已保存 "_t + counts(figures) + separator;
    if (figures.siteWait)
        return status + "等待网站："_t + Text::number(figures.siteWait->count()) + " 秒后重试"_t;
    if (figures.checking)
        return status + "正在检查图集…"_t;
    status += oneDecimal(figures.imagesPerSecond) + " 张/秒"_t + separator +
              Text::number(std::llround(figures.bytesPerSecond / 1024)) + " KB/秒"_t;
    if (figures.timeLeft)
        status += separator + "剩余约 "_t + duration(*figures.timeLeft);
    return status;
}

ProgressValue progressBarValue(const ProgressFigures& figures) {
    ProgressValue bar{static_cast<int>(std::lround(figures.fraction * progressMaximum)), ProgressState::None};
    if (figures.failed > 0 && figures.stage != JobStage::None)
        bar.state = ProgressState::Error;
    else if (figures.stage == JobStage::Running)
        bar.state = figures.siteWait ? ProgressState::Paused : ProgressState::Normal;
    return bar;
}

void showProgress(Program& program, Refresh refresh) {
    ShownProgress& shown = program.shownProgress;
    std::lock_guard lock(shown.mutex);
    const auto now = program.progress.now();
    if (refresh == Refresh::Throttled && shown.at && now - *shown.at < progressInterval)
        return;
    shown.at = now;
    const ProgressFigures figures = program.progress.figures();
    const Text status =
        shown.status && shown.statusAt == figures.changes ? *shown.status : progressStatusText(figures);
    const ProgressValue bar = progressBarValue(figures);
    if (bar != shown.bar) {
        shown.bar = bar;
        program.window.setProgress(Control::进度条_下载进度, bar);
    }
    if (status != shown.text) {
        shown.text = status;
        program.window.setText(Control::透明标签_下载状态, status);
    }
}

void showJobStatus(Program& program, const Text& text) {
    {
        std::lock_guard lock(program.shownProgress.mutex);
        program.shownProgress.status = text;
        program.shownProgress.statusAt = program.progress.figures().changes;
    }
    showProgress(program, Refresh::Now);
}

void clearProgress(Program& program) {
    program.progress.clear();
    {
        std::lock_guard lock(program.shownProgress.mutex);
        program.shownProgress.status.reset();
    }
    showProgress(program, Refresh::Now);
}

} // namespace xiuyun
