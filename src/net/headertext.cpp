// The texts around an HTTP exchange: request header blocks, cookie lists, Base64.
#include "net/headertext.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace xiuyun {
namespace {

constexpr const char* requestAgentLine = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

Text textBetween(const Text& text, const Text& start, const Text& end) {
    int at = text.find(start);
    if (at == -1)
        return {};
    int from = at + start.size();
    int to = text.find(end, from);
    return to == -1 ? Text{} : text.middle(from, to - from);
}

Text cookieName(const Text& item) {
    int equals = item.find("="_t);
    return (equals == -1 ? item : item.left(equals - 1)).trimmed();
}

} // namespace

Text completeHeaderBlock(Text block, const Text& url) {
    if (block.empty())
        block = "Accept: */*"_t;
    else if (!block.contains("Accept:"_t))
        block += "\r\nAccept: */*"_t;
    if (!block.contains("Referer:"_t))
        block += "\r\nReferer: "_t + url;
    if (!block.contains("Accept-Language:"_t))
        block += "\r\nAccept-Language: zh-cn"_t;
    if (!block.contains("User-Agent:"_t))
        block += "\r\n"_t + Text::fromGbk(requestAgentLine);
    if (!block.contains("Content-Type:"_t))
        block += "\r\nContent-Type: application/x-www-form-urlencoded"_t;
    return block;
}

Text cookiesOfResponse(const Text& responseHeaders) {
    Text cookies;
    for (const Text& line : responseHeaders.split("\r\n"_t)) {
        if (!line.contains("Set-Cookie"_t))
            continue;
        Text cookie = line.contains(";"_t) ? textBetween(line, "Set-Cookie:"_t, ";"_t)
                                           : line.replaced("Set-Cookie:"_t, {}, CaseMode::IgnoreAscii);
        cookies += cookie.trimmed() + "; "_t;
    }
    return cookies.left(cookies.size() - 2);
}

Text base64Encode(std::string_view bytes) {
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string result;
    result.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size())
            group |= static_cast<unsigned char>(bytes[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6)
            result += alphabet[(group >> shift) & 0x3F];
    }
    std::size_t padding = (3 - bytes.size() % 3) % 3;
    std::fill(result.end() - padding, result.end(), '=');
    return Text::fromGbk(std::move(result));
}

Text mergeCookies(const Text& oldList, const Text& newList) {
    std::vector<Text> merged = newList.withoutSpaces().split(";"_t);
    for (const Text& item : oldList.withoutSpaces().split(";"_t)) {
        Text name = cookieName(item);
        bool known = std::any_of(merged.begin(), merged.end(),
                                 [&](const Text& newItem) { return cookieName(newItem) == name; });
        if (!known)
            merged.push_back(item);
    }

    Text joined;
    for (const Text& item : merged) {
        if (item.right(8) != "=deleted"_t)
            joined += item + "; "_t;
    }
    joined = joined.left(joined.size() - 2);

    std::vector<Text> kept;
    for (const Text& item : joined.split("; "_t)) {
        if (std::find(kept.begin(), kept.end(), item) == kept.end())
            kept.push_back(item);
    }
    Text result;
    for (std::size_t i = 0; i < kept.size(); ++i)
        result += (i == 0 ? Text{} : "; "_t) + kept[i];
    return result;
}

std::pair<Text, Text> splitHeaderLine(const Text& line) {
    int colon = line.find(":"_t);
    if (colon == -1)
        return {};
    return {line.left(colon - 1).trimmed(), line.middle(colon + 1).trimmed()};
}

} // namespace xiuyun
