#include "net/retryafter.h"

#include <gtest/gtest.h>

using namespace xiuyun;
using namespace std::chrono;

namespace {

// 1994-11-06 08:49:37 UTC
const system_clock::time_point sunday{seconds(784111777)};

TEST(HttpDateTest, theThreeFormsOfOneMomentReadAlike) {
    EXPECT_EQ(parseHttpDate("Sun, 06 Nov 1994 08:49:37 GMT"), sunday);
    EXPECT_EQ(parseHttpDate("Sunday, 06-Nov-94 08:49:37 GMT"), sunday);
    EXPECT_EQ(parseHttpDate("Sun Nov  6 08:49:37 1994"), sunday);
    EXPECT_EQ(parseHttpDate("Wed, 29 Feb 2028 00:00:00 GMT"), system_clock::time_point(seconds(1835395200)));
}

TEST(HttpDateTest, whatIsNoDateIsRefused) {
    for (const char* text :
         {"", "soon", "Sun, 06 Nov 1994", "Sun, 31 Nov 1994 08:49:37 GMT", "Sun, 06 Nov 1994 24:00:00 GMT",
          "Sun, 06 Foo 1994 08:49:37 GMT", "Sun, 06 Nov 1994 8:49:37 GMT", "Sun, 06 Nov 19945 08:49:37 GMT",
          "Tue, 29 Feb 2027 00:00:00 GMT"})
        EXPECT_FALSE(parseHttpDate(text)) << text;
}

TEST(RetryAfterTest, secondsOrTheTimeUntilADate) {
    EXPECT_EQ(retryAfterDelay("2", sunday), seconds(2));
    EXPECT_EQ(retryAfterDelay(" 120 ", sunday), seconds(120));
    EXPECT_EQ(retryAfterDelay("0", sunday), seconds(0));
    EXPECT_EQ(retryAfterDelay("99999999999999999999999", sunday), seconds(1LL << 40));
    EXPECT_EQ(retryAfterDelay("Sun, 06 Nov 1994 08:50:07 GMT", sunday), seconds(30));
    // A part of a second still to wait is a whole second.
    EXPECT_EQ(retryAfterDelay("Sun, 06 Nov 1994 08:49:39 GMT", sunday + milliseconds(500)), seconds(2));
    EXPECT_EQ(retryAfterDelay("Sun, 06 Nov 1994 08:00:00 GMT", sunday), seconds(0));
    EXPECT_FALSE(retryAfterDelay("-5", sunday));
    EXPECT_FALSE(retryAfterDelay("1.5", sunday));
    EXPECT_FALSE(retryAfterDelay("", sunday));
}

TEST(ResponseHeaderTest, theFirstLineOfTheNameInAnyCase) {
    const std::string headers = "HTTP/1.1 429 Too Many Requests\r\nContent-Type: text/plain\r\n"
                                "retry-after:  7 \r\nRetry-After: 9\r\n\r\n";
    EXPECT_EQ(responseHeaderValue(headers, "Retry-After"), "7");
    EXPECT_EQ(responseHeaderValue(headers, "content-type"), "text/plain");
    EXPECT_FALSE(responseHeaderValue(headers, "Location"));
    EXPECT_FALSE(responseHeaderValue("Retry-After-Extra: 3\n", "Retry-After"));
}

} // namespace
