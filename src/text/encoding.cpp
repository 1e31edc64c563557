// iconv behind the two conversions; glibc stops at the first unmappable character and neither
// //IGNORE nor //TRANSLIT gives one "?" per character, so the loop does that itself.
#include "text/encoding.h"

#include <cerrno>
#include <iconv.h>

namespace xiuyun::encoding {
namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : m_descriptor(iconv_open(to, from)) {}
    ~Converter() {
        if (m_descriptor != invalidDescriptor())
            iconv_close(m_descriptor);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts input; at an input sequence that cannot be converted, appends `replacement` and
    // skips `skipLength(remaining input)` bytes.
    template <typename Skip>
    std::string convert(std::string_view input, std::string_view replacement, Skip skipLength) {
        std::string output;
        if (m_descriptor == invalidDescriptor())
            return output;
        iconv(m_descriptor, nullptr, nullptr, nullptr, nullptr);
        output.reserve(input.size() * 3 / 2 + 16);
        char buffer[4096];
        auto* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        while (inLeft > 0) {
            char* out = buffer;
            std::size_t outLeft = sizeof buffer;
            std::size_t result = iconv(m_descriptor, &in, &inLeft, &out, &outLeft);
            output.append(buffer, out - buffer);
            if (result != static_cast<std::size_t>(-1))
                continue;
            if (errno == E2BIG)
                continue;
            // EILSEQ or EINVAL (a sequence cut off at the end): one replacement for it.
            output += replacement;
            std::size_t skip = skipLength(std::string_view(in, inLeft));
            in += skip;
            inLeft -= skip;
            iconv(m_descriptor, nullptr, nullptr, nullptr, nullptr);
        }
        return output;
    }

private:
    static iconv_t invalidDescriptor() { return reinterpret_cast<iconv_t>(-1); }
    iconv_t m_descriptor;
};

// Length of the UTF-8 sequence at the front: the whole character when it is well formed (an
// unmappable one), else its first byte alone.
std::size_t utf8SequenceLength(std::string_view rest) {
    auto lead = static_cast<unsigned char>(rest[0]);
    std::size_t length = lead < 0xC2 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 1;
    if (length > rest.size())
        return 1;
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(rest[i]) & 0xC0) != 0x80)
            return 1;
    }
    return length;
}

std::size_t gbkSequenceLength(std::string_view rest) {
    auto lead = static_cast<unsigned char>(rest[0]);
    if (lead < 0x81 || lead > 0xFE || rest.size() < 2)
        return 1;
    auto trail = static_cast<unsigned char>(rest[1]);
    return (trail >= 0x40 && trail <= 0xFE && trail != 0x7F) ? 2 : 1;
}

} // namespace

std::string utf8ToGbk(std::string_view utf8) {
    thread_local Converter converter("CP936", "UTF-8");
    return converter.convert(utf8, "?", utf8SequenceLength);
}

std::string gbkToUtf8(std::string_view gbk) {
    thread_local Converter converter("UTF-8", "CP936");
    return converter.convert(gbk, "\xEF\xBF\xBD", gbkSequenceLength);
}

} // namespace xiuyun::encoding
