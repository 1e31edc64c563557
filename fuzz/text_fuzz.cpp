// The text primitives and the name helpers over arbitrary bytes taken as GBK text.
#include "fuzzcheck.h"
#include "os/files.h"
#include "text/text.h"
#include "text/textutils.h"

#include <cstdint>
#include <string_view>

using namespace xiuyun;

namespace {

// True when `part` starts at a character boundary of `whole` at byte offset `at`.
bool onBoundary(const Text& whole, int at) {
    int i = 0;
    while (i < at)
        i += whole.characterLengthAt(i);
    return i == at;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Text text = Text::fromGbk(std::string_view(reinterpret_cast<const char*>(data), size));

    // Searches find only whole characters: a "\" found is never the trail byte of a character.
    for (int at = text.find("\\"_t); at != -1; at = text.find("\\"_t, at + 1))
        FUZZ_CHECK(onBoundary(text, at - 1));
    const Text trimmed = text.trimmed();
    FUZZ_CHECK(trimmed.size() <= text.size());
    FUZZ_CHECK(trimmed.trimmed() == trimmed);
    FUZZ_CHECK(text.withoutSpaces().size() <= text.size());

    // A name from the site made one folder: no separator, never empty, "." or "..", short enough.
    const Text cleaned = cleanFileName(text);
    for (const char* forbidden : {":", "\\", "/", "*", "?", "|", "<", ">"})
        FUZZ_CHECK(!cleaned.contains(Text::fromGbk(forbidden)));
    const Text folder = safeFolderElement(cleaned);
    FUZZ_CHECK(!folder.empty());
    FUZZ_CHECK(folder != "."_t && folder != ".."_t);
    FUZZ_CHECK(!folder.endsWith("."_t) && !folder.endsWith(" "_t));
    FUZZ_CHECK(files::nativePath(folder).size() <= 255);
    FUZZ_CHECK(files::nativePath(folder).find('/') == std::string::npos);

    const Text decoded = urlDecode(text, DecodeTo::Gbk);
    FUZZ_CHECK(safeFolderElement(cleanFileName(decoded)) != ".."_t);
    (void)urlDecode(text, DecodeTo::Bytes);
    (void)fileNameOf(text, Extension::Keep);
    (void)fileNameOf(text, Extension::Drop);
    (void)extensionOf(text);
    (void)text.toInteger();
    (void)text.upper();
    return 0;
}
