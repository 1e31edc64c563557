#include "text/textutils.h"

#include "text/encoding.h"

#include <cctype>
#include <string>

namespace xiuyun {
namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

#ifdef _WIN32
// Names Windows keeps for devices in every folder, whatever follows a dot and whatever the case.
bool isDeviceName(const Text& name) {
    std::string base = name.bytes().substr(0, name.bytes().find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (char& c : base)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
        if (base == device)
            return true;
    }
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '1' &&
           base[3] <= '9';
}

// What Windows refuses in a name beyond the eight characters cleanFileName takes out. Bytes below
// 0x40 are never the second byte of a GBK character, so they can go one by one.
Text withoutWindowsOnlyCharacters(const Text& name) {
    std::string bytes = name.bytes();
    std::erase_if(bytes, [](char c) { return c == '"' || static_cast<unsigned char>(c) < 0x20; });
    return Text::fromGbk(bytes);
}
#endif

// The longest start of the name that takes at most `budget` bytes on disk, whole characters only.
Text cutToDiskBytes(const Text& name, int budget) {
    const std::string& bytes = name.bytes();
    int kept = 0;
    int diskBytes = 0;
    while (kept < name.size()) {
        const int onDisk = static_cast<unsigned char>(bytes[kept]) < 0x80 ? 1 : 3;
        if (diskBytes + onDisk > budget)
            break;
        diskBytes += onDisk;
        kept += name.characterLengthAt(kept);
    }
    return Text::fromGbk(bytes.substr(0, kept));
}

// Trailing dots and blanks make a name other systems cannot open; "." and ".." vanish with them.
// No GBK trail byte is a dot or a blank, so cutting bytes from the end is safe.
Text withoutTrailingDotsAndBlanks(Text name) {
    while (true) {
        if (name.endsWith("."_t) || name.endsWith(" "_t))
            name = name.left(name.size() - 1);
        else if (name.endsWith("　"_t))
            name = name.left(name.size() - 2);
        else
            return name;
    }
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

Text safeFolderElement(const Text& siteName) {
#ifdef _WIN32
    const Text name = withoutWindowsOnlyCharacters(siteName);
#else
    const Text& name = siteName;
#endif
    // Names reach the disk as UTF-8 (GBK characters take three bytes there), or as UTF-16 on
    // Windows, where the same cut keeps names alike on both systems.
    constexpr int maximumDiskBytes = 255;
    Text result = withoutTrailingDotsAndBlanks(cutToDiskBytes(name, maximumDiskBytes));
    if (result.empty())
        return "未命名"_t;
#ifdef _WIN32
    // The device part stands before the first dot, so the shorter cut leaves it as it is.
    if (isDeviceName(result))
        result = "_"_t + withoutTrailingDotsAndBlanks(cutToDiskBytes(result, maximumDiskBytes - 1));
#endif
    return result;
}

} // namespace xiuyun
