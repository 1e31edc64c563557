#include "net/proxychoice.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace xiuyun {
namespace {

constexpr std::string_view listSeparators = "; \t\r\n,";

std::string lowered(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

template <typename Visit> void forEachEntry(std::string_view list, std::string_view separators, Visit visit) {
    std::size_t start = 0;
    while (start < list.size()) {
        const std::size_t end = std::min(list.find_first_of(separators, start), list.size());
        if (end > start)
            visit(list.substr(start, end - start));
        start = end + 1;
    }
}

bool matchesPattern(std::string_view pattern, std::string_view text) {
    if (pattern.empty())
        return text.empty();
    if (pattern.front() == '*') {
        for (std::size_t skip = 0; skip <= text.size(); ++skip) {
            if (matchesPattern(pattern.substr(1), text.substr(skip)))
                return true;
        }
        return false;
    }
    return !text.empty() && pattern.front() == text.front() &&
           matchesPattern(pattern.substr(1), text.substr(1));
}

std::optional<std::string> environment(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value)
        return std::nullopt;
    return std::string(value);
}

} // namespace

AddressParts addressParts(std::string_view address) {
    AddressParts parts;
    const std::size_t schemeEnd = address.find("://");
    if (schemeEnd == std::string_view::npos)
        return parts;
    parts.scheme = lowered(address.substr(0, schemeEnd));
    std::string_view authority = address.substr(schemeEnd + 3);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    parts.hostAndPort = std::string(authority);
    const std::size_t colon = authority.rfind(':');
    const bool hasPort =
        colon != std::string_view::npos && authority.find(']', colon) == std::string_view::npos;
    parts.host = std::string(hasPort ? authority.substr(0, colon) : authority);
    return parts;
}

std::optional<std::string> proxyOfList(std::string_view list, std::string_view scheme) {
    std::optional<std::string> own, socks, everyScheme;
    forEachEntry(list, "; \t\r\n", [&](std::string_view entry) {
        const std::size_t equals = entry.find('=');
        if (equals == std::string_view::npos) {
            if (!everyScheme)
                everyScheme = std::string(entry);
            return;
        }
        const std::string name = lowered(entry.substr(0, equals));
        if (name == scheme && !own)
            own = std::string(entry.substr(equals + 1));
        else if (name == "socks" && !socks)
            socks = "socks4://" + std::string(entry.substr(equals + 1));
    });
    return own ? own : socks ? socks : everyScheme;
}

bool bypassesProxy(std::string_view bypassList, std::string_view host) {
    const std::string name = lowered(host);
    bool bypassed = false;
    forEachEntry(bypassList, listSeparators, [&](std::string_view entry) {
        const std::string pattern = lowered(entry);
        if (pattern == "<local>")
            bypassed = bypassed || name.find('.') == std::string::npos;
        else
            bypassed = bypassed || matchesPattern(pattern, name);
    });
    return bypassed;
}

void ProxyChoice::set(const ProxySetting& setting) {
    std::lock_guard lock(m_mutex);
    m_setting = setting;
}

void ProxyChoice::setNoticeSink(std::function<void(const std::string&)> sink) {
    std::lock_guard lock(m_mutex);
    m_sink = std::move(sink);
}

ProxyRoute ProxyChoice::routeFor(std::string_view scheme, std::string_view host) {
    std::lock_guard lock(m_mutex);
    switch (m_setting.kind) {
    case ProxySetting::Kind::None:
        return {};
    case ProxySetting::Kind::Given:
        return {m_setting.given.url(), {}};
    case ProxySetting::Kind::System:
        break;
    }
    if (std::optional<ProxyRoute> route = fromEnvironment(scheme))
        return *route;
    return fromSystem(scheme, host).value_or(ProxyRoute{});
}

// curl's order: the scheme's own variable (http_proxy in lower case only, so that a CGI
// program's HTTP_PROXY header never becomes one), then all_proxy; no_proxy as it is written.
std::optional<ProxyRoute> ProxyChoice::fromEnvironment(std::string_view scheme) {
    const bool secure = scheme == "https";
    for (const char* name :
         {secure ? "https_proxy" : "http_proxy", secure ? "HTTPS_PROXY" : "", "all_proxy", "ALL_PROXY"}) {
        std::optional<std::string> value = *name ? environment(name) : std::nullopt;
        if (!value)
            continue;
        std::optional<ProxyAddress> address = parseProxyAddress(*value);
        if (!address) {
            notice(name, *value);
            continue;
        }
        return ProxyRoute{address->url(),
                          environment("no_proxy").value_or(environment("NO_PROXY").value_or(""))};
    }
    return std::nullopt;
}

std::optional<ProxyRoute> ProxyChoice::fromSystem(std::string_view scheme, std::string_view host) {
    if (!m_systemRead) {
        m_systemRead = true;
        m_system = currentUserProxyConfig();
    }
    if (!m_system)
        return std::nullopt;
    if (m_system->autoDetect || !m_system->autoConfigUrl.empty()) {
        const std::string url = std::string(scheme) + "://" + std::string(host) + "/";
        auto known = m_automatic.find(url);
        if (known != m_automatic.end())
            return known->second;
        if (std::optional<std::string> answer = automaticProxyFor(url, *m_system)) {
            ProxyRoute route;
            forEachEntry(*answer, listSeparators, [&](std::string_view entry) {
                if (!route.proxy.empty())
                    return;
                if (std::optional<ProxyAddress> address = parseProxyAddress(entry))
                    route.proxy = address->url();
                else
                    notice("Internet Options (automatic configuration)", entry);
            });
            m_automatic[url] = route;
            return route;
        }
        // No answer from automatic configuration: the manual setting, as Windows falls back to it.
    }
    if (m_system->proxy.empty() || bypassesProxy(m_system->bypass, host))
        return std::nullopt;
    const std::optional<std::string> entry = proxyOfList(m_system->proxy, scheme);
    if (!entry)
        return std::nullopt;
    std::optional<ProxyAddress> address = parseProxyAddress(*entry);
    if (!address) {
        notice("Internet Options", *entry);
        return std::nullopt;
    }
    return ProxyRoute{address->url(), {}};
}

void ProxyChoice::notice(const std::string& source, std::string_view value) {
    const std::string line = "忽略无法识别的代理设置 " + source + "：" + maskedCredentials(value);
    if (!m_told.insert(line).second || !m_sink)
        return;
    m_sink(line);
}

} // namespace xiuyun
