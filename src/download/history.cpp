#include "download/history.h"

#include "platform/files.h"
#include "text/regexservice.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

namespace xiuyun {

bool checkAndRecordHistory(Program& program, const Text& address) {
    const Text path = program.dataFile("c_x.q"_t);
    if (!files::exists(path))
        return false;
    // A link or a device under the name, or a file beyond the limit, is no history to read, and
    // none to write over.
    const std::optional<ByteArray> bytes = files::readFile(path);
    if (!bytes)
        return false;
    const Text content = normaliseLineList(Text::fromGbkUpToZero(*bytes));
    const std::vector<Text> records = content.split("\r\n"_t);
    if (std::find(records.begin(), records.end(), address) != records.end())
        return true;
    const Text updated = dedupeLines(content + "\r\n"_t + address, "\r\n"_t);
    files::replaceFile(path, updated.bytes());
    return false;
}

Text normaliseLineList(const Text& text) {
    const Text lineBreak = "\r\n"_t;
    Text result = text;
    if (result.startsWith(lineBreak))
        result = result.middle(3);
    if (result.endsWith(lineBreak))
        result = result.left(result.size() - 2);
    RegexService blankLines;
    if (!blankLines.create("\\n\\s*\\r"_t, result))
        return result;
    return blankLines.replace(Text());
}

Text dedupeLines(const Text& text, const Text& delimiter) {
    // The history grows by one record per album ever downloaded: a set keeps this linear.
    std::unordered_set<std::string_view> seen;
    const std::vector<Text> items = text.split(delimiter);
    Text joined;
    bool first = true;
    for (const Text& item : items) {
        if (!seen.insert(item.bytes()).second)
            continue;
        if (!first)
            joined += delimiter;
        joined += item;
        first = false;
    }
    return joined;
}

} // namespace xiuyun
