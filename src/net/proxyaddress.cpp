#include "net/proxyaddress.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace xiuyun {
namespace {

constexpr std::string_view credentialMask = "***";

constexpr std::array<std::string_view, 6> knownSchemes = {"http",    "https",  "socks4",
                                                          "socks4a", "socks5", "socks5h"};

std::string lowered(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

bool isHostCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_';
}

std::optional<int> portOf(std::string_view digits) {
    if (digits.empty() || digits.size() > 5 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const int port = std::stoi(std::string(digits));
    return port >= 1 && port <= 65535 ? std::optional<int>(port) : std::nullopt;
}

} // namespace

std::string ProxyAddress::url() const {
    return scheme + "://" + (credentials.empty() ? "" : credentials + "@") + host + ":" +
           std::to_string(port);
}

std::optional<ProxyAddress> parseProxyAddress(std::string_view text) {
    if (text.empty() ||
        std::any_of(text.begin(), text.end(), [](unsigned char c) { return c <= 0x20 || c >= 0x7F; }))
        return std::nullopt;
    ProxyAddress address;
    address.scheme = "http";
    if (const std::size_t end = text.find("://"); end != std::string_view::npos) {
        address.scheme = lowered(text.substr(0, end));
        text.remove_prefix(end + 3);
    }
    if (std::find(knownSchemes.begin(), knownSchemes.end(), address.scheme) == knownSchemes.end())
        return std::nullopt;
    if (!text.empty() && text.back() == '/')
        text.remove_suffix(1);
    if (const std::size_t at = text.rfind('@'); at != std::string_view::npos) {
        address.credentials = std::string(text.substr(0, at));
        text.remove_prefix(at + 1);
        if (address.credentials.empty())
            return std::nullopt;
    }
    std::string_view host = text;
    std::string_view port;
    if (text.starts_with('[')) {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        host = text.substr(0, close + 1);
        std::string_view rest = text.substr(close + 1);
        if (!rest.empty() && (!rest.starts_with(':') || (port = rest.substr(1)).empty()))
            return std::nullopt;
        if (!std::all_of(host.begin() + 1, host.end() - 1, [](char c) {
                return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.';
            }))
            return std::nullopt;
    } else {
        if (const std::size_t colon = text.find(':'); colon != std::string_view::npos) {
            host = text.substr(0, colon);
            port = text.substr(colon + 1);
            if (port.empty())
                return std::nullopt;
        }
        if (host.empty() || !std::all_of(host.begin(), host.end(), isHostCharacter))
            return std::nullopt;
    }
    if (host.size() < 3 && host.starts_with('['))
        return std::nullopt;
    address.host = std::string(host);
    if (port.empty()) {
        address.port = address.scheme == "https" ? 443 : 1080;
    } else {
        std::optional<int> number = portOf(port);
        if (!number)
            return std::nullopt;
        address.port = *number;
    }
    return address;
}

std::string maskedCredentials(std::string_view text) {
    std::string result;
    std::size_t wordStart = 0;
    while (wordStart < text.size()) {
        const std::size_t wordEnd = std::min(text.find_first_of(" \t", wordStart), text.size());
        std::string_view word = text.substr(wordStart, wordEnd - wordStart);
        const std::size_t scheme = word.find("://");
        const std::size_t start = scheme == std::string_view::npos ? 0 : scheme + 3;
        const std::size_t at = word.substr(0, word.find('/', start)).rfind('@');
        if (at != std::string_view::npos && at >= start)
            result += std::string(word.substr(0, start)) + std::string(credentialMask) +
                      std::string(word.substr(at));
        else
            result += word;
        result += text.substr(wordEnd, wordEnd < text.size() ? 1 : 0);
        wordStart = wordEnd + 1;
    }
    return result;
}

} // namespace xiuyun
