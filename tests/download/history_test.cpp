#include "download/history.h"

#include "support/programfixture.h"

#include <filesystem>

using namespace xiuyun;
using xiuyun::testing::ProgramFixture;

namespace {

TEST(LineListTest, normalisingDropsOneOuterBreakAndEveryBlankLine) {
    EXPECT_EQ(normaliseLineList("\r\na\r\n"_t), "a"_t);
    EXPECT_EQ(normaliseLineList("\r\n\r\na"_t), "\r\na"_t); // one leading break goes, not two
    EXPECT_EQ(normaliseLineList("a\r\n\r\nb"_t), "a\r\nb"_t);
    EXPECT_EQ(normaliseLineList("a\r\n  \r\nb"_t), "a\r\nb"_t);
    EXPECT_EQ(normaliseLineList("a\r\n\r\n\r\n\r\nb\r\n"_t), "a\r\nb"_t);
    EXPECT_EQ(normaliseLineList("a\r\n　\r\nb"_t), "a\r\n　\r\nb"_t); // a full-width blank is text here
    EXPECT_EQ(normaliseLineList(""_t), ""_t);
    EXPECT_EQ(normaliseLineList("\r\n"_t), ""_t);
}

TEST(LineListTest, dedupingKeepsTheFirstOfEachItemInOrder) {
    EXPECT_EQ(dedupeLines("a\r\nb\r\na\r\nc\r\nb"_t, "\r\n"_t), "a\r\nb\r\nc"_t);
    EXPECT_EQ(dedupeLines("\r\na\r\n\r\nb"_t, "\r\n"_t), "\r\na\r\nb"_t); // empty items count too
    EXPECT_EQ(dedupeLines("a\r\nA\r\n"_t, "\r\n"_t), "a\r\nA"_t);
    EXPECT_EQ(dedupeLines(""_t, "\r\n"_t), ""_t);
    EXPECT_EQ(dedupeLines("x|y|x"_t, "|"_t), "x|y"_t);
    // An empty item kept last is joined behind a final delimiter, which a later split drops.
    EXPECT_EQ(dedupeLines("a\r\n\r\n"_t, "\r\n"_t), "a\r\n"_t);
    EXPECT_EQ(dedupeLines("a\r\n"_t, "\r\n"_t), "a"_t);
}

class HistoryTest : public ProgramFixture {
protected:
    Text historyFile() const { return program.dataFile("c_x.q"_t); }
    void writeHistory(std::string_view content) {
        ASSERT_TRUE(ensureDataDirectory(program));
        ASSERT_TRUE(files::writeFile(historyFile(), content));
    }
    ByteArray history() const { return files::readFile(historyFile()).value_or("<missing>"); }
};

TEST_F(HistoryTest, withoutTheFileNothingIsEverRecorded) {
    EXPECT_FALSE(checkAndRecordHistory(program, "http://a/"_t));
    EXPECT_FALSE(checkAndRecordHistory(program, "http://a/"_t));
    EXPECT_FALSE(files::exists(historyFile()));
}

TEST_F(HistoryTest, anEmptyFileBeginsWithABreakAndStillFindsItsFirstRecord) {
    writeHistory("");
    EXPECT_FALSE(checkAndRecordHistory(program, "http://a/"_t));
    EXPECT_EQ(history(), "\r\nhttp://a/");
    EXPECT_TRUE(checkAndRecordHistory(program, "http://a/"_t));
    EXPECT_EQ(history(), "\r\nhttp://a/"); // a found address leaves the file untouched
}

TEST_F(HistoryTest, recordsAreRewrittenWholeWithoutBlanksOrRepeats) {
    writeHistory("a\r\n\r\nb\r\n");
    EXPECT_TRUE(checkAndRecordHistory(program, "b"_t));
    EXPECT_FALSE(checkAndRecordHistory(program, "c"_t));
    EXPECT_EQ(history(), "a\r\nb\r\nc");

    writeHistory("a\r\na");
    EXPECT_FALSE(checkAndRecordHistory(program, "b"_t));
    EXPECT_EQ(history(), "a\r\nb");
}

TEST_F(HistoryTest, addressesAreComparedByteForByte) {
    writeHistory(std::string("http://x/t/A/") + '\0' + "after a zero byte");
    EXPECT_FALSE(checkAndRecordHistory(program, "http://x/t/a/"_t));
    EXPECT_FALSE(checkAndRecordHistory(program, " http://x/t/A/"_t));
    EXPECT_TRUE(checkAndRecordHistory(program, "http://x/t/A/"_t));
    EXPECT_EQ(history(), "http://x/t/A/\r\nhttp://x/t/a/\r\n http://x/t/A/");
}

TEST_F(HistoryTest, aHistoryBeyondTheLimitIsNeitherReadNorWrittenOver) {
    writeHistory("http://a/");
    const auto size = static_cast<std::uintmax_t>(files::MAX_DATA_FILE_BYTES) + 1;
    std::filesystem::resize_file(std::filesystem::path(files::nativePath(historyFile())), size); // sparse
    EXPECT_FALSE(checkAndRecordHistory(program, "http://a/"_t));
    EXPECT_FALSE(checkAndRecordHistory(program, "http://b/"_t));
    EXPECT_EQ(files::fileSize(historyFile()), static_cast<long long>(size));
}

} // namespace
