#include "net/decoding.h"

#include "os/files.h"
#include "support/programfixture.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

using namespace xiuyun;
using xiuyun::testing::TemporaryDirectory;

namespace {

// gzip bytes are not reproducible across zlib versions, so tests compare decode(encode(x)) with x.
std::string gzipEncode(std::string_view input, std::size_t repeat = 1) {
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string output;
    char buffer[65536];
    for (std::size_t round = 0; round < repeat; ++round) {
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
        stream.avail_in = static_cast<uInt>(input.size());
        int flush = round + 1 == repeat ? Z_FINISH : Z_NO_FLUSH;
        do {
            stream.next_out = reinterpret_cast<Bytef*>(buffer);
            stream.avail_out = sizeof buffer;
            deflate(&stream, flush);
            output.append(buffer, sizeof buffer - stream.avail_out);
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return output;
}

// Text of low entropy: 100000 bytes that compress to roughly 20000.
std::string pageLikeText(std::size_t size) {
    std::mt19937 random(7);
    std::string text;
    const char* words[] = {"<li>", "</li>", "<a href=\"", "\">", "img", "src", "\xE5\x9B\xBE", "\n"};
    while (text.size() < size) {
        text += words[random() % 8];
        text += static_cast<char>('a' + random() % 26);
    }
    text.resize(size);
    return text;
}

TEST(GzipDecodeTest, decodesAStreamOfManyChunksCompletely) {
    std::string original = pageLikeText(100000);
    std::string compressed = gzipEncode(original);
    ASSERT_GT(compressed.size(), 2 * 8192u); // more than two input chunks
    EXPECT_EQ(gzipDecode(compressed), original);
}

TEST(GzipDecodeTest, anythingButGzipGivesNothing) {
    EXPECT_EQ(gzipDecode(""), "");
    EXPECT_EQ(gzipDecode("<html><body>plain page</body></html>"), "");
    EXPECT_EQ(gzipDecode(std::string("\x1F\x8B\x08\x00", 4)), ""); // a header cut short
}

TEST(GzipDecodeTest, aStreamCutShortGivesWhatItHolds) {
    std::string original = pageLikeText(100000);
    std::string compressed = gzipEncode(original);
    ByteArray decoded = gzipDecode(std::string_view(compressed).substr(0, compressed.size() / 2));
    EXPECT_FALSE(decoded.empty());
    EXPECT_LT(decoded.size(), original.size());
    EXPECT_EQ(original.compare(0, decoded.size(), decoded), 0);
}

TEST(GzipDecodeTest, aStreamBeyondThePageCapGivesNothing) {
    for (long long expanded : {MAX_PAGE_BYTES, MAX_PAGE_BYTES + 1}) {
        bool tooLarge = false;
        const ByteArray decoded = gzipDecode(
            gzipEncode(std::string(static_cast<std::size_t>(expanded), '\0')), MAX_PAGE_BYTES, &tooLarge);
        EXPECT_EQ(tooLarge, expanded > MAX_PAGE_BYTES) << expanded;
        EXPECT_EQ(static_cast<long long>(decoded.size()), tooLarge ? 0 : expanded) << expanded;
    }
}

TEST(Utf8ToGbkTest, convertsUpToTheFirstZeroAndMarksWhatGbkCannotHold) {
    EXPECT_EQ(utf8ToGbk("图片数量"), "图片数量"_t);
    EXPECT_EQ(utf8ToGbk(std::string("前\0后", 7)), "前"_t);
    EXPECT_EQ(utf8ToGbk("a😀b"), "a?b"_t);
    EXPECT_EQ(utf8ToGbk("a\xFF"
                        "b"),
              "a?b"_t);
    EXPECT_TRUE(utf8ToGbk("").empty());
}

TEST(FileSizeKbTest, roundsUpToWholeUnits) {
    TemporaryDirectory directory;
    auto sized = [&](std::size_t bytes) {
        Text path = directory.path() + "\\f"_t + Text::number(static_cast<long long>(bytes));
        files::writeFile(path, std::string(bytes, 'x'));
        return fileSizeKb(path);
    };
    EXPECT_EQ(sized(0), 0);
    EXPECT_EQ(sized(1), 1);
    EXPECT_EQ(sized(1024), 1);
    EXPECT_EQ(sized(5120), 5);
    EXPECT_EQ(sized(5121), 6);
    EXPECT_EQ(fileSizeKb(directory.path() + "\\missing"_t), -1);
}

} // namespace
