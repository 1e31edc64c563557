#include "os/systemerror.h"

#include <cerrno>
#include <cstring>

namespace xiuyun {

SystemError lastSystemError() {
    return {SystemError::Kind::System, errno};
}

Text systemErrorText(int code) {
    char buffer[256] = {};
    // The GNU form: the text may be a static string rather than the buffer.
    const char* text = ::strerror_r(code, buffer, sizeof buffer);
    return Text::fromUtf8(text ? std::string(text) : std::string());
}

} // namespace xiuyun
