#include "os/systemproxy.h"

namespace xiuyun {

std::optional<SystemProxyConfig> currentUserProxyConfig() {
    return std::nullopt;
}

std::optional<std::string> automaticProxyFor(const std::string&, const SystemProxyConfig&) {
    return std::nullopt;
}

} // namespace xiuyun
