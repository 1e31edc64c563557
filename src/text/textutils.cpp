#include "text/textutils.h"

#include "text/encoding.h"

namespace xiuyun {
namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

Text fileNameOf(const Text& path, Extension extension) {
    const std::string& bytes = path.bytes();
    int elementStart = 0;
    for (int i = 0; i < path.size(); i += path.characterLengthAt(i)) {
        char c = bytes[i];
        if ((isSeparator(c) || c == ':') && i + 1 < path.size() && !isSeparator(bytes[i + 1]))
            elementStart = i + 1;
    }
    Text element = path.middle(elementStart + 1);
    if (element.endsWith("\\"_t))
        return {};
    if (extension == Extension::Keep)
        return element;
    return element.left(element.size() - extensionOf(element).size());
}

Text extensionOf(const Text& path) {
    const std::string& bytes = path.bytes();
    int dot = -1;
    for (int i = 0; i < path.size(); i += path.characterLengthAt(i)) {
        char c = bytes[i];
        if (c == '.')
            dot = i;
        else if (c == ' ' || isSeparator(c))
            dot = -1;
    }
    return dot == -1 ? Text{} : path.middle(dot + 1);
}

Text cleanFileName(Text& text) {
    static const Text removed[] = {":"_t, "\\"_t, "/"_t, "*"_t, "?"_t, "|"_t, "<"_t, ">"_t};
    Text result = text.trimmed();
    // Again until nothing changes: in bytes that are not valid GBK, taking a character out can
    // join a lone lead byte to the next byte and free a "\" that was the second half of a pair.
    for (Text before; before != result;) {
        before = result;
        for (const Text& character : removed)
            result = result.replaced(character);
    }
    text = result.trimmed();
    return text;
}

Text cleanFileName(const Text& text) {
    Text copy = text;
    return cleanFileName(copy);
}

Text urlDecode(const Text& text, DecodeTo target) {
    const std::string& bytes = text.bytes();
    std::string decoded;
    decoded.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '%' && i + 2 < bytes.size() && hexValue(bytes[i + 1]) >= 0 &&
            hexValue(bytes[i + 2]) >= 0) {
            decoded += static_cast<char>(hexValue(bytes[i + 1]) * 16 + hexValue(bytes[i + 2]));
            i += 2;
        } else {
            decoded += bytes[i];
        }
    }
    if (target == DecodeTo::Gbk)
        return Text::fromGbkUpToZero(encoding::utf8ToGbk(decoded));
    return Text::fromGbk(std::move(decoded));
}

bool isNumber(const Text& text) {
    if (text.empty())
        return false;
    for (char c : text.bytes()) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

} // namespace xiuyun

namespace xiuyun {

Text safeFolderElement(const Text& name) {
    // Names reach the disk as UTF-8: a GBK character there takes three bytes.
    constexpr int maximumDiskBytes = 255;
    const std::string& bytes = name.bytes();
    int kept = 0;
    int diskBytes = 0;
    while (kept < name.size()) {
        int length = name.characterLengthAt(kept);
        int onDisk = static_cast<unsigned char>(bytes[kept]) < 0x80 ? 1 : 3;
        if (diskBytes + onDisk > maximumDiskBytes)
            break;
        diskBytes += onDisk;
        kept += length;
    }
    // Trailing dots and blanks make a name other systems cannot open; "." and ".." vanish with them.
    // No GBK trail byte is a dot or a blank, so cutting bytes from the end is safe.
    Text result = Text::fromGbk(bytes.substr(0, kept));
    for (bool cut = true; cut;) {
        cut = false;
        if (result.endsWith("."_t) || result.endsWith(" "_t)) {
            result = result.left(result.size() - 1);
            cut = true;
        } else if (result.endsWith("　"_t)) {
            result = result.left(result.size() - 2);
            cut = true;
        }
    }
    return result.empty() ? "未命名"_t : result;
}

} // namespace xiuyun
