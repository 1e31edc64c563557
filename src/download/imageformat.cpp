#include "download/imageformat.h"

#include <algorithm>
#include <cstring>

namespace xiuyun {
namespace {

using namespace std::string_view_literals;

// The most bytes a head needs to name its format: "RIFF", the RIFF size, "WEBP".
constexpr std::size_t signatureBytes = 12;

bool startsWith(std::string_view bytes, std::string_view magic) {
    return bytes.substr(0, magic.size()) == magic;
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

std::uint32_t bigEndian(const unsigned char* bytes, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

std::uint32_t littleEndian32(const unsigned char* bytes) {
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

// A colour table of 2^(n+1) entries of three bytes, when the flag of the packed byte says there is one.
unsigned long long colourTableBytes(unsigned char packed) {
    return (packed & 0x80) ? 3ULL << ((packed & 0x07) + 1) : 0;
}

bool continuesEntropyData(unsigned char code) {
    return code == 0x00 || (code >= 0xD0 && code <= 0xD7); // stuffing, a restart marker
}

} // namespace

bool looksLikeImage(std::string_view head) {
    return startsWith(head, "\xFF\xD8\xFF"sv) || isPng(head) || isGif(head) || isWebp(head);
}

void PictureWalk::take(std::string_view bytes) {
    const std::size_t toHead = std::min(bytes.size(), m_head.size() - m_headSize);
    std::copy_n(bytes.data(), toHead, m_head.data() + m_headSize);
    m_headSize += toHead;
    if (m_step != Step::Head) {
        walk(bytes);
        return;
    }
    // Until the head names its format every byte taken is in it.
    if (m_headSize < signatureBytes)
        return;
    start();
    walk(head());
    walk(bytes.substr(toHead));
}

bool PictureWalk::settled() const {
    return m_step == Step::Ended || m_step == Step::Broken || m_step == Step::Unjudged;
}

bool PictureWalk::whole() const {
    if (m_step == Step::Head) // shorter than any signature's room: named, it can't be whole yet
        return !isJpeg(head()) && !isPng(head()) && !isGif(head()) && !isWebp(head());
    return m_step == Step::Ended || m_step == Step::Unjudged;
}

void PictureWalk::start() {
    const std::string_view bytes = head();
    if (isJpeg(bytes))
        expect(Step::JpegMarker, 1, 2);
    else if (isPng(bytes))
        expect(Step::PngChunk, 8, 8);
    else if (isGif(bytes))
        expect(Step::GifScreen, 7, 6);
    else if (isWebp(bytes))
        expect(Step::WebpHeader, 8);
    else
        m_step = Step::Unjudged;
}

void PictureWalk::expect(Step next, std::size_t fieldBytes, unsigned long long skip) {
    m_step = next;
    m_fieldBytes = fieldBytes;
    m_fieldSize = 0;
    m_skip = skip;
}

void PictureWalk::walk(std::string_view bytes) {
    while (!bytes.empty() && !settled()) {
        if (m_skip > 0) {
            const std::size_t skipped =
                static_cast<std::size_t>(std::min<unsigned long long>(m_skip, bytes.size()));
            bytes.remove_prefix(skipped);
            m_skip -= skipped;
        } else if (m_step == Step::JpegEntropy) {
            bytes = jpegEntropy(bytes);
        } else {
            const std::size_t taken = std::min(bytes.size(), m_fieldBytes - m_fieldSize);
            std::copy_n(bytes.data(), taken, m_field.data() + m_fieldSize);
            m_fieldSize += taken;
            bytes.remove_prefix(taken);
            if (m_fieldSize == m_fieldBytes)
                step();
        }
    }
}

// Entropy-coded data holds a byte FF only as the start of a marker, or stuffed (FF 00).
std::string_view PictureWalk::jpegEntropy(std::string_view bytes) {
    const char* next = bytes.data();
    const char* const end = next + bytes.size();
    while (true) {
        const auto* marker =
            static_cast<const char*>(std::memchr(next, 0xFF, static_cast<std::size_t>(end - next)));
        if (!marker)
            return {};
        next = marker + 1;
        if (next == end || !continuesEntropyData(static_cast<unsigned char>(*next))) {
            expect(Step::JpegEntropyMarker, 1);
            return {next, static_cast<std::size_t>(end - next)};
        }
        ++next;
    }
}

void PictureWalk::jpegMarker(unsigned char code) {
    if (code == 0xD9) // the end marker; before any scan there was no picture
        m_step = m_scanSeen ? Step::Ended : Step::Broken;
    else if (code == 0x00 || code == 0x01 || (code >= 0xD0 && code <= 0xD8))
        expect(Step::JpegMarker, 1); // markers without a length
    else {
        m_marker = code;
        expect(Step::JpegLength, 2);
    }
}

void PictureWalk::step() {
    const unsigned char* field = m_field.data();
    switch (m_step) {
    case Step::JpegMarker:
        // Bytes between segments that are no marker are passed over, as decoders do.
        if (field[0] == 0xFF)
            expect(Step::JpegMarkerCode, 1);
        else
            expect(Step::JpegMarker, 1);
        break;
    case Step::JpegMarkerCode:
        if (field[0] == 0xFF) // fill before a marker
            expect(Step::JpegMarkerCode, 1);
        else
            jpegMarker(field[0]);
        break;
    case Step::JpegLength: {
        const std::uint32_t length = bigEndian(field, 2);
        if (length < 2) {
            m_step = Step::Broken;
        } else if (m_marker == 0xDA) { // start of scan: its header, then its data
            m_scanSeen = true;
            expect(Step::JpegEntropy, 0, length - 2);
        } else {
            expect(Step::JpegMarker, 1, length - 2);
        }
        break;
    }
    case Step::JpegEntropyMarker:
        if (continuesEntropyData(field[0]))
            expect(Step::JpegEntropy, 0);
        else if (field[0] == 0xFF)
            expect(Step::JpegEntropyMarker, 1);
        else
            jpegMarker(field[0]);
        break;
    case Step::PngChunk: {
        const std::uint32_t length = bigEndian(field, 4);
        if (length > 0x7FFFFFFFu)
            m_step = Step::Broken;
        else if (std::memcmp(field + 4, "IEND", 4) == 0)
            expect(Step::PngEndCrc, 4, length);
        else
            expect(Step::PngChunk, 8, length + 4ULL); // the data and its CRC
        break;
    }
    case Step::PngEndCrc: // IEND holds no data: its CRC is always the same
        m_step = std::memcmp(field, "\xAE\x42\x60\x82", 4) == 0 ? Step::Ended : Step::Broken;
        break;
    case Step::GifScreen:
        expect(Step::GifBlock, 1, colourTableBytes(field[4]));
        break;
    case Step::GifBlock:
        if (field[0] == 0x21)
            expect(Step::GifLabel, 1);
        else if (field[0] == 0x2C)
            expect(Step::GifImage, 9);
        else
            m_step = field[0] == 0x3B ? Step::Ended : Step::Broken;
        break;
    case Step::GifLabel:
        expect(Step::GifSubBlock, 1);
        break;
    case Step::GifImage:
        expect(Step::GifCodeSize, 1, colourTableBytes(field[8]));
        break;
    case Step::GifCodeSize:
        expect(Step::GifSubBlock, 1);
        break;
    case Step::GifSubBlock:
        if (field[0] == 0)
            expect(Step::GifBlock, 1);
        else
            expect(Step::GifSubBlock, 1, field[0]);
        break;
    case Step::WebpHeader: {
        // The RIFF size counts from byte 8 and holds at least "WEBP".
        const std::uint32_t size = littleEndian32(field + 4);
        if (size < 4)
            m_step = Step::Broken;
        else
            expect(Step::WebpEnd, 1, size - 1ULL);
        break;
    }
    case Step::WebpEnd:
        m_step = Step::Ended;
        break;
    default:
        break;
    }
}

bool isWholePicture(std::string_view bytes) {
    PictureWalk walk;
    walk.take(bytes);
    return walk.whole();
}

} // namespace xiuyun
