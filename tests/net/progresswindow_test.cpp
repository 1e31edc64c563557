#include "net/progresswindow.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>

using namespace xiuyun;
using namespace std::chrono_literals;

namespace {

using Clock = ProgressWindow::Clock;

// Asks the window every `step` from the start for `length`, with `moved(elapsed)` bytes moved by
// then; answers when it first judged the transfer too slow, nothing when it never did.
std::optional<std::chrono::milliseconds>
firstTooSlow(ProgressWindow& window, const std::function<long long(std::chrono::milliseconds)>& moved,
             std::chrono::milliseconds length, std::chrono::milliseconds step = 70ms) {
    const Clock::time_point start{};
    window.start(start, moved(0ms));
    for (std::chrono::milliseconds elapsed = step; elapsed <= length; elapsed += step) {
        if (window.tooSlow(start + elapsed, moved(elapsed)))
            return elapsed;
    }
    return std::nullopt;
}

} // namespace

TEST(ProgressWindowTest, aTransferAtTheFloorGoesOnAndOneBelowItEndsAfterAWindow) {
    ProgressWindow atFloor(1024, 30s);
    EXPECT_EQ(firstTooSlow(
                  atFloor, [](auto elapsed) { return elapsed.count() * 1024 / 1000; }, 300s),
              std::nullopt);

    ProgressWindow below(1024, 30s);
    auto ended = firstTooSlow(
        below, [](auto elapsed) { return elapsed.count(); }, 300s);
    ASSERT_TRUE(ended);
    EXPECT_GE(*ended, 30s);
    EXPECT_LE(*ended, 32s);

    ProgressWindow silent(1024, 30s);
    auto silence = firstTooSlow(
        silent, [](auto) { return 0LL; }, 300s);
    ASSERT_TRUE(silence);
    EXPECT_GE(*silence, 30s);
    EXPECT_LT(*silence, 30100ms);
}

TEST(ProgressWindowTest, aFastStartThenSilenceEndsOneWindowAfterTheSilenceBegan) {
    // A hundred megabytes in the first second would keep an average since the start above the
    // floor for more than a day.
    ProgressWindow window(1024, 30s);
    auto ended = firstTooSlow(
        window, [](auto elapsed) { return elapsed < 1s ? 0LL : 100LL << 20; }, 300s);
    ASSERT_TRUE(ended);
    EXPECT_GT(*ended, 30s);
    EXPECT_LE(*ended, 32s);
}

TEST(ProgressWindowTest, onlyTheTimeSinceTheLastStartCounts) {
    ProgressWindow window(1024, 30s);
    const Clock::time_point start{};
    window.start(start, 0);
    EXPECT_FALSE(window.tooSlow(start + 29s, 0));
    // A new request on the connection: the silence before it is forgotten.
    window.start(start + 29s, 0);
    EXPECT_FALSE(window.tooSlow(start + 45s, 0));
    EXPECT_FALSE(window.tooSlow(start + 58s, 0));
    EXPECT_TRUE(window.tooSlow(start + 59s, 0));
}

TEST(ProgressWindowTest, rareQuestionsStillJudgeAWholeWindowAndNoFloorJudgesNothing) {
    // Asked only every seven seconds, having moved 35,000 bytes by the question at 14 s and none
    // after: the span counted back from a question must reach past 14 s before it ends, at 49 s.
    // Counting less than a window, it would end sooner; sample times on the window's grid would
    // hide that.
    ProgressWindow rare(1024, 30s);
    auto ended = firstTooSlow(
        rare, [](auto elapsed) { return elapsed < 10s ? 0LL : 35000LL; }, 300s, 7s);
    ASSERT_TRUE(ended);
    EXPECT_EQ(*ended, 49s);

    ProgressWindow unstarted(1024, 30s);
    EXPECT_FALSE(unstarted.tooSlow(Clock::time_point{} + 100s, 0));
    ProgressWindow noFloor(0, 30s);
    EXPECT_EQ(firstTooSlow(
                  noFloor, [](auto) { return 0LL; }, 100s),
              std::nullopt);
}
