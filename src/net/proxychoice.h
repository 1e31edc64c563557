// Which proxy a request goes through: one given (the command line's --proxy), none at all
// (--no-proxy), or the system's setting: the conventional environment variables as curl reads
// them, then on Windows the user's Internet Options, then none.
#pragma once

#include "net/proxyaddress.h"
#include "os/systemproxy.h"

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace xiuyun {

struct ProxySetting {
    enum class Kind { System, Given, None };
    Kind kind = Kind::System;
    ProxyAddress given; // for Given
};

// What one request goes through: the proxy's address for the library, empty for a straight
// connection, and the hosts that bypass it in the library's no_proxy form.
struct ProxyRoute {
    std::string proxy;
    std::string bypass;
};

// The scheme (in lower case), the host, and the host with its port as an address writes them.
struct AddressParts {
    std::string scheme;
    std::string host;
    std::string hostAndPort;
};
AddressParts addressParts(std::string_view address);

// The proxy an Internet Options list names for `scheme` ("http" or "https"), as an address to
// parse: the list is one "host:port" for every scheme, or "scheme=host:port" entries, where a
// "socks" entry (a SOCKS 4 proxy) serves the schemes without one of their own. Nothing when it
// names none.
std::optional<std::string> proxyOfList(std::string_view list, std::string_view scheme);

// Whether `host` is in an Internet Options bypass list: entries separated by ";", blanks or ",",
// "*" standing for any characters, "<local>" for any name without a dot.
bool bypassesProxy(std::string_view bypassList, std::string_view host);

class ProxyChoice {
public:
    void set(const ProxySetting& setting);
    // Told one line, once for each, about a setting that is ignored because it can't be parsed.
    void setNoticeSink(std::function<void(const std::string&)> sink);
    // Thread-safe. Internet Options are read at the first request that asks and kept; automatic
    // configuration is asked once for each scheme and host.
    ProxyRoute routeFor(std::string_view scheme, std::string_view host);

private:
    std::optional<ProxyRoute> fromEnvironment(std::string_view scheme);
    std::optional<ProxyRoute> fromSystem(std::string_view scheme, std::string_view host);
    void notice(const std::string& source, std::string_view value);

    std::mutex m_mutex;
    ProxySetting m_setting;
    std::function<void(const std::string&)> m_sink;
    std::set<std::string> m_told;
    bool m_systemRead = false;
    std::optional<SystemProxyConfig> m_system;
    std::map<std::string, ProxyRoute> m_automatic;
};

} // namespace xiuyun
