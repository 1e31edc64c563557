#include "download/history.h"

#include "support/childprocess.h"
#include "support/programfixture.h"

#include <filesystem>
#include <random>
#include <set>

using namespace xiuyun;
using namespace std::chrono_literals;
using xiuyun::testing::ChildProcess;
using xiuyun::testing::ProgramFixture;

namespace {

// The history as it was computed before its records were kept in memory: on every call the whole
// file read and normalised, split and searched, and written again deduplicated. Nothing for no file.
bool recordedBefore(std::optional<std::string>& file, const Text& address) {
    if (!file)
        return false;
    const Text content = normaliseLineList(Text::fromGbkUpToZero(*file));
    const std::vector<Text> records = content.split("\r\n"_t);
    if (std::find(records.begin(), records.end(), address) != records.end())
        return true;
    file = dedupeLines(content + "\r\n"_t + address, "\r\n"_t).bytes();
    return false;
}

// Bytes with their control characters and non-ASCII bytes spelled out, for a failure message.
std::string shown(std::string_view bytes) {
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            text += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            text += escaped;
        }
    }
    return text;
}

// Addresses as the history may meet them: most of them plain and some repeated, the rest what
// normaliseLineList and dedupeLines treat specially.
class RandomLines {
public:
    explicit RandomLines(unsigned seed) : m_random(seed) {}

    std::string address() {
        if (pick(100) < 60)
            return "http://www.gallery.test/item/" + std::to_string(pick(80)) + ".html";
        static const std::vector<std::string> odd = {"",
                                                     " ",
                                                     "  ",
                                                     "\t",
                                                     "\v",
                                                     "\f",
                                                     " \t ",
                                                     "a\r\nb",
                                                     "a\rb",
                                                     "a\nb",
                                                     "\r\n",
                                                     "\r",
                                                     "\n",
                                                     "\r\nx",
                                                     "x\r\n",
                                                     " x",
                                                     "x ",
                                                     std::string("a\0b", 3),
                                                     std::string(1, '\0'),
                                                     "\x81",
                                                     "a\x81",
                                                     "\xFF",
                                                     "\x80",
                                                     "\n \r",
                                                     Text::fromUtf8("夏日").bytes(),
                                                     Text::fromUtf8("·").bytes(),
                                                     Text::fromUtf8("　").bytes(),
                                                     Text::fromUtf8("　x").bytes(),
                                                     Text::fromUtf8("é").bytes()};
        return odd[pick(odd.size())];
    }

    // A file someone else wrote: some addresses joined by line breaks and by blank lines.
    std::string content() {
        static const std::vector<std::string> separators = {"\r\n",      "\r\n",       "\r\n", "\r\n\r\n",
                                                            "\r\n \r\n", "\r\n\t\r\n", "\n",   "\r"};
        std::string text = pick(4) == 0 ? "\r\n" : "";
        const std::size_t lines = pick(8);
        for (std::size_t line = 0; line < lines; ++line)
            text += (line > 0 ? separators[pick(separators.size())] : "") + address();
        if (pick(4) == 0)
            text += "\r\n";
        return text;
    }

    std::size_t pick(std::size_t below) {
        return std::uniform_int_distribution<std::size_t>(0, below - 1)(m_random);
    }

private:
    std::mt19937 m_random;
};

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

TEST_F(HistoryTest, everyAnswerAndByteIsTheWholeComputationsOverThousandsOfRandomSteps) {
    for (const unsigned seed : {1u, 2u, 3u}) {
        RandomLines random(seed);
        writeHistory("");
        std::optional<std::string> expected = std::string();
        auto program = std::make_unique<Program>(window, directory.path());
        int externalWrites = 0;
        for (int step = 0; step < 1500; ++step) {
            const std::size_t what = random.pick(100);
            if (what < 8) {
                // Another writer; its stamp a time of its own, so that no state of the file looks
                // like another even where the system reuses the number of a freed file.
                expected = random.content();
                ASSERT_TRUE(files::replaceFile(historyFile(), *expected));
                std::filesystem::last_write_time(std::filesystem::path(files::nativePath(historyFile())),
                                                 std::filesystem::file_time_type::clock::now() - 24h * 365 +
                                                     std::chrono::seconds(++externalWrites));
            } else if (what < 10) {
                expected.reset();
                files::removeFile(historyFile());
            } else if (what < 11) {
                program = std::make_unique<Program>(window, directory.path()); // started again
            } else {
                const Text address = Text::fromGbk(random.address());
                const std::string before = expected.value_or("<none>");
                const bool found = recordedBefore(expected, address);
                ASSERT_EQ(checkAndRecordHistory(*program, address), found)
                    << "seed " << seed << ", step " << step << ": " << shown(address.bytes()) << " in "
                    << shown(before);
                ASSERT_EQ(files::readFile(historyFile()), expected)
                    << "seed " << seed << ", step " << step << ": " << shown(address.bytes()) << " into "
                    << shown(before);
            }
            if (!expected && random.pick(3) == 0) {
                expected = random.pick(2) == 0 ? std::string() : random.content();
                ASSERT_TRUE(files::writeFile(historyFile(), *expected));
            }
        }
    }
}

TEST_F(HistoryTest, aSecondCopyOfTheProgramSeesTheRecordsOfTheFirst) {
    writeHistory("a");
    Program second(window, directory.path());
    EXPECT_FALSE(checkAndRecordHistory(program, "b"_t));
    EXPECT_TRUE(checkAndRecordHistory(second, "b"_t));
    EXPECT_FALSE(checkAndRecordHistory(second, "c"_t));
    EXPECT_TRUE(checkAndRecordHistory(program, "c"_t));
    EXPECT_FALSE(checkAndRecordHistory(program, "d"_t));
    EXPECT_EQ(history(), "a\r\nb\r\nc\r\nd");
    // Deleted by hand, the history is inactive at once, for both.
    ASSERT_TRUE(files::removeFile(historyFile()));
    EXPECT_FALSE(checkAndRecordHistory(program, "a"_t));
    EXPECT_FALSE(checkAndRecordHistory(second, "a"_t));
    EXPECT_FALSE(files::exists(historyFile()));
}

// The probe records addresses into the history of a program directory as a second process.
std::vector<std::string> recording(const Text& directory, const std::string& prefix, long long first,
                                   long long last, int pauseMs = 0) {
    return {"record",
            directory.toUtf8(),
            prefix,
            std::to_string(first),
            std::to_string(last),
            std::to_string(pauseMs)};
}

TEST_F(HistoryTest, aProcessKilledWhileRecordingLeavesTheOldFileOrTheNewOneNeverAPart) {
    // Long enough that a write takes a while, so that kills land inside writes too.
    std::string initial;
    for (int number = 1; number <= 20000; ++number)
        initial +=
            (number > 1 ? "\r\n" : "") + ("http://www.gallery.test/item/" + std::to_string(number) + ".html");
    writeHistory(initial);
    std::mt19937 random(7);
    std::string expected = initial;
    long long next = 1;
    for (int round = 0; round < 40; ++round) {
        ChildProcess child(XIUYUN_FILE_PROBE, recording(directory.path(), "http://k/", next, next + 1000000));
        ASSERT_TRUE(child.started());
        // Once it records (its start takes a while, longer under a sanitizer), at a random moment.
        for (int wait = 0;
             wait < 30000 && files::fileSize(historyFile()) <= static_cast<long long>(expected.size());
             ++wait)
            std::this_thread::sleep_for(2ms);
        std::this_thread::sleep_for(
            std::chrono::microseconds(std::uniform_int_distribution<int>(0, 50000)(random)));
        child.kill();
        ASSERT_EQ(child.wait(60s), -1);

        // The history as it was, with the records that came whole before the kill; no part of one.
        const ByteArray now = history();
        ASSERT_TRUE(now.starts_with(expected)) << "round " << round;
        std::string grown = expected;
        while (grown.size() < now.size())
            grown += "\r\nhttp://k/" + std::to_string(next++);
        ASSERT_EQ(now, grown) << "round " << round;
        expected = now;
    }
    EXPECT_GT(next, 40); // every round recorded before its kill
}

TEST_F(HistoryTest, twoProcessesRecordingAtOnceLoseNothingAndTearNothing) {
    writeHistory("http://start/");
    ChildProcess first(XIUYUN_FILE_PROBE, recording(directory.path(), "http://a/", 1, 300, 1));
    ChildProcess second(XIUYUN_FILE_PROBE, recording(directory.path(), "http://b/", 1, 300, 1));
    ASSERT_TRUE(first.started() && second.started());
    EXPECT_EQ(first.wait(120s), 0); // 0: no address was found before it was recorded
    EXPECT_EQ(second.wait(120s), 0);

    std::set<std::string> expected{"http://start/"};
    for (int number = 1; number <= 300; ++number) {
        expected.insert("http://a/" + std::to_string(number));
        expected.insert("http://b/" + std::to_string(number));
    }
    const std::vector<Text> records = Text::fromGbk(history()).split("\r\n"_t);
    std::set<std::string> found;
    for (const Text& record : records)
        EXPECT_TRUE(found.insert(record.bytes()).second) << "twice: " << record.bytes();
    EXPECT_EQ(found, expected);
    EXPECT_EQ(records.size(), expected.size());
}

} // namespace
