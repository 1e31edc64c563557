// The proxy the user set for the system: the Internet Options of Windows, read through WinHTTP.
// Other systems have none to offer here (their proxy comes from the environment).
#pragma once

#include <optional>
#include <string>

namespace xiuyun {

// The current user's setting as Internet Options keeps it; every text UTF-8, empty when not set.
struct SystemProxyConfig {
    bool autoDetect = false;
    std::string autoConfigUrl;
    // "host:port", or per scheme: "http=host:port;https=host:port".
    std::string proxy;
    // Entries separated by ";" (or blanks): host names with "*" wildcards, and "<local>".
    std::string bypass;
};

// Nothing where the system keeps no such setting or it can't be read.
std::optional<SystemProxyConfig> currentUserProxyConfig();

// What automatic configuration (the script at autoConfigUrl, or the one auto-detect finds) names
// for `url`: a list of "host:port" entries, empty for a direct connection; nothing when no answer
// could be had.
std::optional<std::string> automaticProxyFor(const std::string& url, const SystemProxyConfig& config);

} // namespace xiuyun
