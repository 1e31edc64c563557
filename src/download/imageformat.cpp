#include "download/imageformat.h"

#include <cstdint>

namespace xiuyun {
namespace {

using namespace std::string_view_literals;

bool startsWith(std::string_view bytes, std::string_view magic) {
    return bytes.substr(0, magic.size()) == magic;
}

bool endsWith(std::string_view bytes, std::string_view ending) {
    return bytes.size() >= ending.size() && bytes.substr(bytes.size() - ending.size()) == ending;
}

bool isJpeg(std::string_view head) {
    return startsWith(head, "\xFF\xD8"sv);
}
bool isPng(std::string_view head) {
    return startsWith(head, "\x89PNG\r\n\x1A\n"sv);
}
bool isGif(std::string_view head) {
    return startsWith(head, "GIF87a"sv) || startsWith(head, "GIF89a"sv);
}
bool isWebp(std::string_view head) {
    return head.size() >= 12 && startsWith(head, "RIFF"sv) && head.substr(8, 4) == "WEBP"sv;
}

bool isJpegPadding(unsigned char byte) {
    return byte == 0x00 || byte == 0xFF || byte == '\r' || byte == '\n' || byte == ' ' || byte == '\t';
}

// The end marker FF D9, followed by nothing but a little padding. Entropy-coded data never holds
// FF D9 (a data byte FF is always followed by 00), so a cut file does not end like this.
bool jpegEndsWhole(std::string_view tail) {
    std::size_t end = tail.size();
    while (end > 0 && tail.size() - end < jpegPaddingLimit &&
           isJpegPadding(static_cast<unsigned char>(tail[end - 1])))
        --end;
    return end >= 2 && tail.substr(end - 2, 2) == "\xFF\xD9"sv;
}

std::uint32_t littleEndian32(std::string_view bytes) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
    return value;
}

} // namespace

bool looksLikeImage(std::string_view head) {
    return startsWith(head, "\xFF\xD8\xFF"sv) || isPng(head) || isGif(head) || isWebp(head);
}

bool isWholePicture(std::string_view head, std::string_view tail, long long size) {
    if (isJpeg(head))
        return jpegEndsWhole(tail);
    if (isPng(head)) // IEND: no data, and a CRC that is always the same
        return endsWith(tail, "\0\0\0\0IEND\xAE\x42\x60\x82"sv);
    if (isGif(head))
        return endsWith(tail, "\x3B"sv);
    if (isWebp(head))
        return static_cast<long long>(littleEndian32(head.substr(4, 4))) + 8 == size;
    return true;
}

} // namespace xiuyun
