// What an image file's own bytes say of it: which format it is, and whether it is whole.
#pragma once

#include "text/text.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace xiuyun {

// True when the bytes begin as a JPEG, PNG, GIF or WebP image does.
bool looksLikeImage(std::string_view head);

// The first bytes of a file that tell its format.
inline constexpr std::size_t pictureHeadBytes = 16;

// A walk through a picture's structure from its first byte, taken in pieces of any size as they
// are read or received, that keeps its place and never the bytes: a JPEG ends with the end marker
// after its last scan (segments skipped by their lengths, so a thumbnail's end marker inside one
// does not count), a PNG with its IEND chunk, a GIF with the trailer after its last block, a WebP
// where its RIFF size says. Whatever follows that end is the file's own and is not looked at.
class PictureWalk {
public:
    void take(std::string_view bytes);
    // True once more bytes can't change the verdict: the picture ended, its structure broke, or
    // its head names no format judged here.
    bool settled() const;
    // Whether the bytes taken so far hold the whole picture of the format their head names. Bytes
    // of no such format are not judged here: true.
    bool whole() const;
    // The first bytes taken, at most pictureHeadBytes.
    std::string_view head() const { return {m_head.data(), m_headSize}; }

private:
    enum class Step : std::uint8_t {
        Head,
        Ended,
        Broken,
        Unjudged,
        JpegMarker,
        JpegMarkerCode,
        JpegLength,
        JpegEntropy,
        JpegEntropyMarker,
        PngChunk,
        PngEndCrc,
        GifScreen,
        GifBlock,
        GifLabel,
        GifImage,
        GifCodeSize,
        GifSubBlock,
        WebpHeader,
        WebpEnd,
    };
    void start();
    void walk(std::string_view bytes);
    std::string_view jpegEntropy(std::string_view bytes);
    void step();
    void jpegMarker(unsigned char code);
    void expect(Step next, std::size_t fieldBytes, unsigned long long skip = 0);

    std::array<char, pictureHeadBytes> m_head{};
    std::size_t m_headSize = 0;
    Step m_step = Step::Head;
    unsigned long long m_skip = 0;
    std::array<unsigned char, 9> m_field{};
    std::size_t m_fieldSize = 0;
    std::size_t m_fieldBytes = 0;
    unsigned char m_marker = 0;
    bool m_scanSeen = false;
};

// The walk over all of `bytes` at once.
bool isWholePicture(std::string_view bytes);

} // namespace xiuyun
