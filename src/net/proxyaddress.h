// A proxy's address as the user writes it: "[scheme://][user[:password]@]host[:port][/]", the form
// curl and the conventional environment variables take.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace xiuyun {

struct ProxyAddress {
    std::string scheme;      // http, https, socks4, socks4a, socks5 or socks5h, in lower case
    std::string credentials; // "user:password" as written (percent-escapes kept); empty when none
    std::string host;        // a name, an IPv4 address or an IPv6 one in brackets
    int port = 0;

    // The whole address for the library, credentials included: never to be shown (see
    // maskedCredentials).
    std::string url() const;
};

// Nothing when the text is no proxy address: an unknown scheme, no host, a port that is no number
// from 1 to 65535, blanks or control characters. Without a scheme, http; without a port, 1080, as
// curl assumes (443 for https).
std::optional<ProxyAddress> parseProxyAddress(std::string_view text);

// Any "scheme://user:password@" in the text with its credentials masked, for messages about a
// setting that could not be parsed.
std::string maskedCredentials(std::string_view text);

} // namespace xiuyun
