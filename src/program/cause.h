// Why something failed, as the floor below told it: the system's word on a file call, or what
// became of a request to the site. A message carries one, so that what the user reads later (the
// log, a list of failed images) can say why.
#pragma once

#include "net/httpclient.h"
#include "os/systemerror.h"
#include "text/text.h"

#include <variant>

namespace xiuyun {

// What an exchange with the site came to: why it failed, or the status of an answer that was
// not the page or image asked for.
struct HttpCause {
    HttpFailure failure = HttpFailure::None;
    int status = 0;
    friend bool operator==(const HttpCause&, const HttpCause&) = default;
};
inline HttpCause causeOf(const HttpExchange& exchange) {
    return {exchange.failure, exchange.status};
}

// What a saved image turned out to be.
enum class ImageFault {
    NotAnImage, // an error page, or anything else that is no picture
    TooSmall,   // 10 KB or less
    NotWhole,   // a picture whose own bytes say it was cut short
};

using Cause = std::variant<std::monostate, SystemError, HttpCause, ImageFault>;

// The cause in the user's words (GBK); empty for no cause.
Text causeText(const Cause& cause);

} // namespace xiuyun
