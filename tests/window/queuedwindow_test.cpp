#include "window/queuedwindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

using namespace xiuyun;

namespace {

// A window whose thread is the test's: it shows what the queue hands it by writing it down.
class RecordingWindow : public QueuedWindow {
public:
    using QueuedWindow::closeQueue;
    using QueuedWindow::windowClosing;

    Text chooseFolder(const FolderDialog&) override { return {}; }
    void pumpMessages() override { applyPendingChanges(); }

    // Drains until `entry` has been shown, for at most ten seconds.
    bool drainUntilShown(const std::string& entry) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            applyPendingChanges();
            for (const std::string& shown : log)
                if (shown == entry)
                    return true;
            std::this_thread::yield();
        }
        return false;
    }
    void waitForDrainRequests(int count) const {
        while (drainRequests < count)
            std::this_thread::yield();
    }

    std::vector<std::string> log; // window thread only
    std::atomic<int> drainRequests{0};

private:
    bool onWindowThread() const override { return std::this_thread::get_id() == m_thread; }
    bool postDrain() override {
        ++drainRequests;
        return true;
    }
    void showChanges(const std::vector<ControlChange>& changes) override {
        for (const ControlChange& change : changes)
            log.push_back(change.text.toUtf8());
    }
    MessageAnswer showBox(const Text& text, const Text&, MessageIcon, MessageButtons) override {
        log.push_back("box " + text.toUtf8());
        return MessageAnswer::Ok;
    }

    const std::thread::id m_thread = std::this_thread::get_id();
};

} // namespace

TEST(QueuedWindowTest, changesAndBoxesOfAnotherThreadAreShownByTheWindowThreadInTheirOrder) {
    RecordingWindow window;
    auto worker = std::async(std::launch::async, [&] {
        window.setText(Control::透明标签_子页提示, "1"_t);
        window.setText(Control::透明标签_子页提示, "2"_t);
        const MessageAnswer answer = window.showMessage("问"_t, "温馨提示"_t, MessageIcon::Information);
        window.setText(Control::透明标签_子页提示, "3"_t);
        return answer;
    });
    ASSERT_TRUE(window.drainUntilShown("3"));
    EXPECT_EQ(worker.get(), MessageAnswer::Ok);
    EXPECT_EQ(window.log, (std::vector<std::string>{"1", "2", "box 问", "3"}));
}

TEST(QueuedWindowTest, closingAnswersTheBoxesThatWaitAndEveryLaterOne) {
    RecordingWindow window;
    auto worker = std::async(std::launch::async, [&] {
        return window.showMessage("问"_t, "信息："_t, MessageIcon::Warning, MessageButtons::OkCancel);
    });
    window.waitForDrainRequests(1);
    window.windowClosing();
    EXPECT_EQ(worker.get(), MessageAnswer::Cancel);

    window.setText(Control::透明标签_子页提示, "late"_t);
    EXPECT_EQ(window.showMessage("迟"_t, "信息："_t, MessageIcon::Warning, MessageButtons::OkCancel),
              MessageAnswer::Cancel);
    EXPECT_EQ(window.showMessage("迟"_t, "温馨提示"_t, MessageIcon::Information), MessageAnswer::Ok);
    window.applyPendingChanges();
    EXPECT_TRUE(window.log.empty());
}
