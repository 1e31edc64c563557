// Single values cut out of page text: the first group of a pattern, digits, and marker cuts.
#include "text/patterns.h"

#include "text/regexservice.h"

namespace xiuyun {
namespace {

constexpr RegexOptions listOptions{.caseSensitive = true, .multiline = false, .global = true};

} // namespace

Text regexFirstGroup(const Text& pattern, const Text& text) {
    RegexService service;
    if (!service.create(pattern, text, listOptions))
        return {};
    return service.subMatch(1, 1);
}

Text digitsOnly(const Text& text) {
    // Digits are single ASCII bytes and never a GBK trail byte's value range (0x40 and up).
    std::string digits;
    for (char c : text.bytes()) {
        if (c >= '0' && c <= '9')
            digits += c;
    }
    return Text::fromGbk(std::move(digits));
}

Text textBetween(const Text& text, const Text& left, const Text& right) {
    const Text quote = "\""_t;
    const Text leftMarker = left.replaced("#引号"_t, quote);
    const Text rightMarker = right.replaced("#引号"_t, quote);
    int leftAt = text.find(leftMarker);
    if (leftAt == -1)
        return {};
    int start = leftAt + leftMarker.size();
    int rightAt = text.find(rightMarker, start);
    if (rightAt == -1)
        return {};
    return text.middle(start, rightAt - start);
}

Text textBetweenLast(const Text& text, const Text& right, const Text& left) {
    int rightAt = text.findLast(right);
    if (rightAt == -1)
        return {};
    int leftAt = text.findLastBefore(left, rightAt);
    if (leftAt == -1)
        return {};
    int start = leftAt + left.size();
    return text.middle(start, rightAt - start);
}

} // namespace xiuyun
