// Code page 936 as glibc's iconv knows it.
#include "text/codepage.h"

#include <iconv.h>

namespace xiuyun::encoding {
namespace {

// One iconv call on a short sequence: what it wrote, empty when it could not convert all of it.
std::string convertOne(iconv_t descriptor, std::string_view bytes) {
    char output[8];
    auto* in = const_cast<char*>(bytes.data());
    char* out = output;
    std::size_t inLeft = bytes.size(), outLeft = sizeof output;
    iconv(descriptor, nullptr, nullptr, nullptr, nullptr);
    if (iconv(descriptor, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0)
        return {};
    return std::string(output, out - output);
}

} // namespace

struct SystemCodePage::State {
    iconv_t fromGbk = iconv_open("UTF-8", "CP936");
    iconv_t toGbk = iconv_open("CP936", "UTF-8");
    ~State() {
        if (fromGbk != reinterpret_cast<iconv_t>(-1))
            iconv_close(fromGbk);
        if (toGbk != reinterpret_cast<iconv_t>(-1))
            iconv_close(toGbk);
    }
};

SystemCodePage::SystemCodePage() : m_state(std::make_unique<State>()) {}
SystemCodePage::~SystemCodePage() = default;

bool SystemCodePage::usable() const {
    return m_state->fromGbk != reinterpret_cast<iconv_t>(-1) &&
           m_state->toGbk != reinterpret_cast<iconv_t>(-1);
}

std::uint32_t SystemCodePage::decode(std::string_view gbk) const {
    const std::string utf8 = convertOne(m_state->fromGbk, gbk);
    if (utf8.size() == 1)
        return static_cast<unsigned char>(utf8[0]) < 0x80 ? static_cast<unsigned char>(utf8[0]) : 0;
    std::uint32_t code = 0;
    if (utf8.empty() || readUtf8(utf8, 0, code) != utf8.size())
        return 0;
    return code;
}

std::string SystemCodePage::encode(std::uint32_t code) const {
    char utf8[4];
    const std::size_t length = appendUtf8(utf8, code);
    return convertOne(m_state->toGbk, std::string_view(utf8, length));
}

} // namespace xiuyun::encoding
