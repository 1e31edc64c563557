#include "os/threads.h"
#include "support/headlesswindow.h"
#include "window/waits.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

using namespace xiuyun;

// Rows kept elsewhere, as the program keeps its image rows: the window only reads them.
class KeptRows : public ImageRowSource {
public:
    explicit KeptRows(int rows) : m_rows(rows) {}
    int rowCount() const override { return m_rows; }
    Text cell(int row, int column) const override {
        return row >= 0 && row < m_rows ? Text::number(row * 10 + column) : Text();
    }

private:
    int m_rows;
};

TEST(ControlModelTest, theListShowsTheRowsOfItsSourceAndNothingOutsideThem) {
    HeadlessWindow window;
    EXPECT_EQ(window.rowCount(), 0);
    EXPECT_EQ(window.cell(0, 0), Text{});
    window.showImageRows(std::make_shared<KeptRows>(3));
    EXPECT_EQ(window.rowCount(), 3);
    EXPECT_EQ(window.cell(2, 1), "21"_t);
    EXPECT_EQ(window.cell(3, 0), Text{});
    EXPECT_EQ(window.cell(0, 3), Text{});
    window.showImageRows(nullptr);
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
