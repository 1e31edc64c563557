#include "net/retryafter.h"

#include <array>
#include <vector>

namespace xiuyun {
namespace {

constexpr std::string_view blanks = " \t";

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

bool allDigits(std::string_view text) {
    if (text.empty())
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

// Digits as a number, at most `limit` (a longer run would overflow and means "very long" anyway).
long long digitValue(std::string_view digits, long long limit) {
    long long value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > limit)
            return limit;
    }
    return value;
}

int monthNumber(std::string_view name) {
    static constexpr std::array<std::string_view, 12> months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (std::size_t i = 0; i < months.size(); ++i) {
        if (equalsIgnoringCase(name, months[i]))
            return static_cast<int>(i) + 1;
    }
    return 0;
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
long long daysFromCivil(long long year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long yearOfEra = year - era * 400;
    const long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

int daysInMonth(long long year, int month) {
    static constexpr std::array<int, 12> days = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[static_cast<std::size_t>(month - 1)];
}

std::vector<std::string_view> tokens(std::string_view text) {
    std::vector<std::string_view> found;
    std::size_t at = 0;
    while (at < text.size()) {
        const auto start = text.find_first_not_of(" \t,-", at);
        if (start == std::string_view::npos)
            break;
        const auto end = text.find_first_of(" \t,-", start);
        found.push_back(
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        at = end == std::string_view::npos ? text.size() : end;
    }
    return found;
}

} // namespace

std::optional<std::string> responseHeaderValue(std::string_view responseHeaders, std::string_view name) {
    std::size_t at = 0;
    while (at < responseHeaders.size()) {
        auto end = responseHeaders.find('\n', at);
        if (end == std::string_view::npos)
            end = responseHeaders.size();
        std::string_view line = responseHeaders.substr(at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        at = end + 1;
        const auto colon = line.find(':');
        if (colon != std::string_view::npos && equalsIgnoringCase(trimmed(line.substr(0, colon)), name))
            return std::string(trimmed(line.substr(colon + 1)));
    }
    return std::nullopt;
}

std::optional<std::chrono::system_clock::time_point> parseHttpDate(std::string_view text) {
    // The three forms differ in order and separators; what they share is one month name, one time
    // of day, and the day before the year among the numbers.
    int month = 0;
    std::string_view time;
    std::vector<std::string_view> numbers;
    for (std::string_view token : tokens(text)) {
        if (token.find(':') != std::string_view::npos)
            time = token;
        else if (allDigits(token))
            numbers.push_back(token);
        else if (int number = monthNumber(token))
            month = number;
        else if (!equalsIgnoringCase(token, "GMT") && !equalsIgnoringCase(token, "UTC") && token.size() < 3)
            return std::nullopt;
    }
    if (month == 0 || numbers.size() != 2 || time.size() != 8 || time[2] != ':' || time[5] != ':')
        return std::nullopt;
    const auto hour = time.substr(0, 2), minute = time.substr(3, 2), second = time.substr(6, 2);
    if (!allDigits(hour) || !allDigits(minute) || !allDigits(second) || numbers[0].size() > 2 ||
        (numbers[1].size() != 2 && numbers[1].size() != 4))
        return std::nullopt;
    const int day = static_cast<int>(digitValue(numbers[0], 99));
    long long year = digitValue(numbers[1], 9999);
    if (numbers[1].size() == 2) // the obsolete two-digit year: the nearest such year not far ahead
        year += year < 70 ? 2000 : 1900;
    const long long h = digitValue(hour, 99), m = digitValue(minute, 99), s = digitValue(second, 99);
    if (day < 1 || day > daysInMonth(year, month) || h > 23 || m > 59 || s > 60)
        return std::nullopt;
    const long long seconds = daysFromCivil(year, month, day) * 86400 + h * 3600 + m * 60 + s;
    return std::chrono::system_clock::time_point(std::chrono::seconds(seconds));
}

std::optional<std::chrono::seconds> retryAfterDelay(std::string_view value,
                                                    std::chrono::system_clock::time_point now) {
    value = trimmed(value);
    if (allDigits(value))
        return std::chrono::seconds(digitValue(value, 1LL << 40));
    const auto date = parseHttpDate(value);
    if (!date)
        return std::nullopt;
    if (*date <= now)
        return std::chrono::seconds(0);
    return std::chrono::ceil<std::chrono::seconds>(*date - now);
}

} // namespace xiuyun
