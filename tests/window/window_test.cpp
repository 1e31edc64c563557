#include "os/threads.h"
#include "support/headlesswindow.h"
#include "window/waits.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

using namespace xiuyun;

TEST(ControlModelTest, writesFromManyThreadsAllArrive) {
    HeadlessWindow window;
    for (int i = 0; i < 100; ++i)
        window.insertRow(Text::number(i + 1));
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([&window, t] {
            for (int row = t; row < 100; row += 4)
                window.setCell(row, 2, "下载完成"_t);
        });
    }
    for (auto& writer : writers)
        writer.join();
    for (int row = 0; row < 100; ++row)
        EXPECT_EQ(window.cell(row, 2), "下载完成"_t);
    EXPECT_EQ(window.cell(100, 0), Text{});
    EXPECT_EQ(window.cell(0, 3), Text{});
}

TEST(ControlModelTest, insertsRowsAtAPositionOrAtTheEnd) {
    HeadlessWindow window;
    EXPECT_EQ(window.insertRow("a"_t), 0);
    EXPECT_EQ(window.insertRow("c"_t), 1);
    EXPECT_EQ(window.insertRow("b"_t, 1), 1);
    EXPECT_EQ(window.cell(1, 0), "b"_t);
    EXPECT_EQ(window.insertRow("z"_t, 99), 3);
    window.deleteAllRows();
    EXPECT_EQ(window.rowCount(), 0);
}

TEST(HeadlessWindowTest, aBoxRaisedOnAnotherThreadBlocksOnlyThatThread) {
    HeadlessWindow window;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> shown{false};
    window.setMessageHandler([&](const RecordedMessage&) {
        shown = true;
        released.wait();
        return MessageAnswer::Cancel;
    });
    auto worker = std::async(std::launch::async, [&] {
        return window.showMessage("x"_t, "信息："_t, MessageIcon::Warning, MessageButtons::OkCancel);
    });
    while (!shown)
        std::this_thread::yield();
    window.setText(Control::透明标签_子页提示, "still responsive"_t); // this thread goes on
    EXPECT_EQ(window.text(Control::透明标签_子页提示), "still responsive"_t);
    release.set_value();
    EXPECT_EQ(worker.get(), MessageAnswer::Cancel);
}

TEST(HeadlessWindowTest, queuedAnswersAreUsedInOrderAndOkBoxesAlwaysAnswerOk) {
    HeadlessWindow window;
    window.queueAnswers({MessageAnswer::Cancel, MessageAnswer::Cancel});
    EXPECT_EQ(window.showMessage("a"_t, "c"_t, MessageIcon::Warning, MessageButtons::OkCancel),
              MessageAnswer::Cancel);
    EXPECT_EQ(window.showMessage("b"_t, "c"_t, MessageIcon::Error), MessageAnswer::Ok);
    EXPECT_EQ(window.showMessage("c"_t, "c"_t, MessageIcon::Warning, MessageButtons::OkCancel),
              MessageAnswer::Ok);
    EXPECT_EQ(window.messages().size(), 3u);
}

TEST(WaitTest, waitsWhilePumpingAndStopsEarlyWhenAsked) {
    HeadlessWindow window;
    EXPECT_TRUE(waitMs(window, 30));
    EXPECT_GT(window.pumpCount(), 1);
    StopSignal stop;
    stop.request();
    EXPECT_FALSE(waitMs(window, 10000, &stop));
    int before = window.pumpCount();
    delayMs(window, 1);
    EXPECT_GT(window.pumpCount(), before);
}

TEST(WaitTest, aStopRequestedFromAnotherThreadEndsTheWaitAtOnce) {
    HeadlessWindow window;
    StopSignal stop;
    auto start = std::chrono::steady_clock::now();
    std::thread requester([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        stop.request();
    });
    EXPECT_FALSE(waitMs(window, 60000, &stop));
    requester.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}
