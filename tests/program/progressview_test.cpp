#include "program/progressview.h"

#include "support/programfixture.h"

using namespace xiuyun;
using namespace std::chrono_literals;
using xiuyun::testing::ProgramFixture;

namespace {

struct StatusCase {
    const char* name;
    ProgressFigures figures;
    const char* status; // UTF-8
    ProgressState barState;
};

class StatusLineTest : public ::testing::TestWithParam<StatusCase> {};

TEST_P(StatusLineTest, saysWhatTheJobDoesOrWaitsFor) {
    EXPECT_EQ(progressStatusText(GetParam().figures), Text::fromUtf8(GetParam().status));
    EXPECT_EQ(progressBarValue(GetParam().figures).state, GetParam().barState);
}

constexpr auto running = JobStage::Running;
INSTANTIATE_TEST_SUITE_P(
    Figures, StatusLineTest,
    ::testing::Values(StatusCase{"moving",
                                 {.stage = running,
                                  .saved = 120,
                                  .imagesPerSecond = 3.5,
                                  .bytesPerSecond = 850 * 1024.0,
                                  .timeLeft = 252s},
                                 "已保存 120 张，失败 0 张 · 3.5 张/秒 · 850 KB/秒 · 剩余约 4 分 12 秒",
                                 ProgressState::Normal},
                      StatusCase{"almostDone",
                                 {.stage = running, .saved = 9, .imagesPerSecond = 2, .timeLeft = 400ms},
                                 "已保存 9 张，失败 0 张 · 2.0 张/秒 · 0 KB/秒 · 剩余约 1 秒",
                                 ProgressState::Normal},
                      StatusCase{
                          "waitingForTheSite",
                          {.stage = running, .saved = 7, .timeLeft = 9s, .siteWait = 30s, .checking = true},
                          "已保存 7 张，失败 0 张 · 等待网站：30 秒后重试",
                          ProgressState::Paused},
                      StatusCase{"checkingWithAFailure",
                                 {.stage = running, .saved = 7, .failed = 1, .checking = true},
                                 "已保存 7 张，失败 1 张 · 正在检查图集…",
                                 ProgressState::Error},
                      StatusCase{"finished",
                                 {.stage = JobStage::Finished, .fraction = 1, .saved = 216},
                                 "下载完成：共保存 216 张，失败 0 张",
                                 ProgressState::None},
                      StatusCase{"beforeAnyJob", {}, "", ProgressState::None}),
    [](const auto& info) { return std::string(info.param.name); });

class ProgressViewTest : public ProgramFixture {
protected:
    ProgressViewTest() {
        program.progress.setClock([this] { return now; });
        program.progress.start(1);
        program.progress.pageRead(1);
        program.progress.albumStarted(folder, 100);
        window.setChangeObserver([this](const ControlChange& change) {
            statusWrites += change.control == Control::透明标签_下载状态 ? 1 : 0;
        });
    }

    const Text folder = "C:\\x\\1 a"_t;
    std::chrono::steady_clock::time_point now{};
    int statusWrites = 0;
};

TEST_F(ProgressViewTest, theWindowIsToldAtMostOnceAQuarterSecond) {
    for (int row = 0; row < 50; ++row) {
        program.progress.imageFinished(folder, row, ImageOutcome::Saved, 1000);
        showProgress(program, Refresh::Throttled);
    }
    EXPECT_EQ(statusWrites, 1);
    now += progressInterval;
    showProgress(program, Refresh::Throttled);
    EXPECT_EQ(statusWrites, 2);
    EXPECT_EQ(window.progress(Control::进度条_下载进度).value, 500);
}

TEST_F(ProgressViewTest, aJobStatusStaysUntilTheFiguresMove) {
    const Text resumed = "继续上次未完成的下载：第 2 页，第 3 个图集"_t;
    showJobStatus(program, resumed);
    now += 1s;
    showProgress(program, Refresh::Now);
    EXPECT_EQ(window.text(Control::透明标签_下载状态), resumed);

    program.progress.imageFinished(folder, 0, ImageOutcome::Saved, 1000);
    showProgress(program, Refresh::Now);
    EXPECT_EQ(window.text(Control::透明标签_下载状态), progressStatusText(program.progress.figures()));
}

} // namespace
