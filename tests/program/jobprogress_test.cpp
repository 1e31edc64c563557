#include "program/jobprogress.h"

#include <gtest/gtest.h>

using namespace xiuyun;
using namespace std::chrono_literals;

namespace {

class JobProgressTest : public ::testing::Test {
protected:
    JobProgressTest() : progress([this] { return now; }) {}

    // One album of `images` rows on one page, started at the clock's time.
    void startAlbum(int images) {
        progress.start(1);
        progress.pageRead(1);
        progress.albumStarted(folder, images);
    }
    void finishRows(int first, int last, ImageOutcome outcome, long long bytes = 0) {
        for (int row = first; row <= last; ++row)
            progress.imageFinished(folder, row, outcome, bytes);
    }

    const Text folder = "C:\\x\\1 a"_t;
    std::chrono::steady_clock::time_point now{};
    JobProgress progress;
};

TEST_F(JobProgressTest, aRetryPassCountsEachImageOnceWithItsLatestOutcomeAndTheBarNeverGoesBack) {
    progress.start(2);
    progress.pageRead(1); // two albums expected: the page not read counts as this one
    progress.albumStarted(folder, 4);
    finishRows(0, 0, ImageOutcome::Failed);
    finishRows(1, 3, ImageOutcome::Saved);
    EXPECT_DOUBLE_EQ(progress.figures().fraction, 0.5);

    // The check found row 0 failed: the album is fetched again, row by row.
    progress.albumStarted(folder, 4);
    finishRows(0, 3, ImageOutcome::Saved);
    auto figures = progress.figures();
    EXPECT_EQ(figures.saved, 4);
    EXPECT_EQ(figures.failed, 0);
    EXPECT_DOUBLE_EQ(figures.fraction, 0.5);

    // The second page has three albums: four are expected now, and the bar waits at a half.
    progress.albumFinished();
    progress.pageRead(3);
    EXPECT_DOUBLE_EQ(progress.figures().fraction, 0.5);
    progress.albumStarted("C:\\x\\2 b"_t, 2);
    progress.imageFinished("C:\\x\\2 b"_t, 0, ImageOutcome::Saved, 0);
    progress.imageFinished("C:\\x\\2 b"_t, 1, ImageOutcome::Saved, 0);
    progress.albumFinished();
    figures = progress.figures();
    EXPECT_EQ(figures.saved, 6);
    EXPECT_DOUBLE_EQ(figures.fraction, 0.5);

    progress.finish(JobStage::Finished);
    EXPECT_DOUBLE_EQ(progress.figures().fraction, 1.0);
}

TEST_F(JobProgressTest, theTimeLeftAppearsOnceFivePercentIsDone) {
    startAlbum(100);
    for (int row = 0; row < 4; ++row) {
        now += 1s;
        finishRows(row, row, ImageOutcome::Saved);
    }
    EXPECT_FALSE(progress.figures().timeLeft);
    now += 1s;
    finishRows(4, 4, ImageOutcome::Saved);
    // A hundredth a second, 95 hundredths to go.
    EXPECT_EQ(progress.figures().timeLeft, 95s);
}

TEST_F(JobProgressTest, theSpeedIsThatOfTheLastTenSeconds) {
    startAlbum(100);
    for (int row = 0; row < 20; ++row) {
        now += 1s;
        finishRows(row, row, ImageOutcome::Saved, 2048);
    }
    auto figures = progress.figures();
    EXPECT_DOUBLE_EQ(figures.imagesPerSecond, 1.0);
    EXPECT_DOUBLE_EQ(figures.bytesPerSecond, 2048.0);
    now += 5s;
    figures = progress.figures();
    EXPECT_DOUBLE_EQ(figures.imagesPerSecond, 0.5);
    EXPECT_DOUBLE_EQ(figures.bytesPerSecond, 1024.0);
}

TEST_F(JobProgressTest, theSiteWaitCountsDownUntilTheRowGoesOn) {
    startAlbum(10);
    progress.siteBusy(3, 30s);
    progress.siteBusy(4, 10s);
    EXPECT_EQ(progress.figures().siteWait, 30s);
    now += 12s;
    EXPECT_EQ(progress.figures().siteWait, 18s);
    progress.siteFree(3);
    EXPECT_FALSE(progress.figures().siteWait);
}

} // namespace
