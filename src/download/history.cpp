#include "download/history.h"

#include "download/historyrecords.h"
#include "os/files.h"
#include "text/regexservice.h"

#include <memory>
#include <mutex>
#include <string_view>
#include <unordered_set>

namespace xiuyun {

namespace {

HistoryRecords& historyRecordsOf(Program& program) {
    static std::mutex creation;
    std::lock_guard guard(creation);
    if (!program.historyRecords)
        program.historyRecords = std::make_shared<HistoryRecords>();
    return *program.historyRecords;
}

} // namespace

bool checkAndRecordHistory(Program& program, const Text& address) {
    const Text path = program.dataFile("c_x.q"_t);
    // Absent, or a link, a folder or a device under the name: the history is inactive, and
    // nothing is read through the name or written over it.
    if (!files::fileStamp(path))
        return false;
    return historyRecordsOf(program).checkAndRecord(path, address);
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
