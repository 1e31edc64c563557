// How long a site that answered "too many requests" or "unavailable" asks to be left alone.
#pragma once

#include "text/text.h"

#include <chrono>
#include <optional>
#include <string_view>

namespace xiuyun {

// The value of the first header line named `name` (without regard to ASCII case) in a response
// header text, trimmed; nothing when there is none.
std::optional<std::string> responseHeaderValue(std::string_view responseHeaders, std::string_view name);

// A moment written as an HTTP date, in any of the three forms a client must read:
// "Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT", "Sun Nov  6 08:49:37 1994".
std::optional<std::chrono::system_clock::time_point> parseHttpDate(std::string_view text);

// The wait a Retry-After value asks for at `now`: its number of seconds, or the time until its
// date, rounded up to whole seconds (0 for a date already past); nothing when it is neither.
std::optional<std::chrono::seconds> retryAfterDelay(std::string_view value,
                                                    std::chrono::system_clock::time_point now);

} // namespace xiuyun
