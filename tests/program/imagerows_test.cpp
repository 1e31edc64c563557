#include "program/imagerows.h"

#include "support/headlesswindow.h"

#include <gtest/gtest.h>

using namespace xiuyun;

namespace {

// After a stop the rows may show another album before a worker of the old one ends.
TEST(ImageRowsTest, aWorkerOfAnAlbumNoLongerShownLeavesTheNewRowsAlone) {
    HeadlessWindow window;
    ImageRows rows(window);
    rows.fill("http://i.test/a/0.jpg"_t, 3);
    const auto old = rows.batch();
    rows.fill("http://i.test/b/0.jpg"_t, 3);

    rows.setStatus(*old, 1, RowStatus::Done);
    EXPECT_EQ(window.cell(1, 2), Text());
    rows.setStatus(*rows.batch(), 1, RowStatus::Busy, 4);
    EXPECT_EQ(window.cell(1, 2), "服务器繁忙，4 秒后重试"_t);
    EXPECT_EQ(window.cell(1, 1), "http://i.test/b/2.jpg"_t);
    EXPECT_EQ(rows.doneCount(), 0);
}

TEST(ImageRowsTest, theSiteWaitOfARowIsToldToTheProgressUntilTheRowGoesOn) {
    HeadlessWindow window;
    const auto now = std::chrono::steady_clock::now();
    JobProgress progress([now] { return now; });
    progress.start(1);
    ImageRows rows(window, &progress);
    rows.fill("http://i.test/a/0.jpg"_t, 3);

    rows.setStatus(*rows.batch(), 2, RowStatus::Busy, 30);
    EXPECT_EQ(progress.figures().siteWait, std::chrono::seconds(30));
    rows.setStatus(*rows.batch(), 2, RowStatus::Waiting);
    EXPECT_FALSE(progress.figures().siteWait);
}

} // namespace
