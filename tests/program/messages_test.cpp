#include "program/messages.h"

#include "support/programfixture.h"

using namespace xiuyun;
using xiuyun::testing::ProgramFixture;

namespace {

// The command line's exit code counts the messages that report a failure. Each says so in its own
// words, and only the closing boxes of a download and the plea for patience before a clean-up
// speak of failure without reporting one.
TEST(MessageCatalogTest, aMessageReportsAFailureExactlyWhenItsWordsSaySo) {
    for (const MessageEntry& entry : messageCatalog()) {
        const bool saysFailed = messageText({entry.id}).contains("失败"_t);
        const bool speaksOnly = entry.id == MessageId::ListDownloadMaybeFailed ||
                                entry.id == MessageId::AlbumDownloadMaybeFailed ||
                                entry.id == MessageId::CleanUpPleaseWait ||
                                entry.id == MessageId::CleanUpConfirmImages;
        EXPECT_EQ(entry.reportsFailure, saysFailed && !speaksOnly) << static_cast<int>(entry.id);
    }
}

TEST(MessageCatalogTest, valuesTakeTheirMarksInOrder) {
    EXPECT_EQ(
        messageText({MessageId::CacheFileNotDeleted, {"C:\\x\\vrd\\1.q"_t}}),
        "状态：删除缓存文件失败\r\n\r\n失败文件名：C:\\x\\vrd\\1.q\r\n\r\n解决：等执行删除操作完，自行手动删除吧"_t);
    EXPECT_EQ(messageText({MessageId::AnalyseListPageUnsaved, {"17"_t}}),
              "状态：分析数据失败\r\n\r\n原因：图集地址解析错误\r\n\r\n错误标识：017"_t);
}

class MessageLogTest : public ProgramFixture {};

TEST_F(MessageLogTest, thePostedMessageIsShownAndLoggedWithinItsBound) {
    post(program, {MessageId::DownloadDone, {"0"_t}});
    ASSERT_EQ(window.messages().size(), 1u);
    EXPECT_EQ(window.messages()[0].caption, "恭喜客官"_t);
    EXPECT_EQ(window.messages()[0].icon, MessageIcon::Information);
    EXPECT_EQ(program.messages.downloadOutcome(), DownloadOutcome::Downloaded);

    for (std::size_t i = 0; i < MessageLog::capacity; ++i)
        program.messages.add({MessageId::ImageFileFailed});
    program.messages.add({MessageId::AlbumDownloadMaybeFailed, {"11"_t}});
    const auto recent = program.messages.recent();
    ASSERT_EQ(recent.size(), MessageLog::capacity);
    EXPECT_EQ(recent.back().id, MessageId::AlbumDownloadMaybeFailed);
    EXPECT_EQ(program.messages.failures(), static_cast<int>(MessageLog::capacity));
    EXPECT_EQ(program.messages.downloadOutcome(), DownloadOutcome::MaybeFailed);
}

} // namespace
