// The gallery site's root address, fixed at build time (CMake cache variable XIUYUN_SITE_ROOT).
#pragma once

#include <string_view>

#ifndef XIUYUN_SITE_ROOT
#error "XIUYUN_SITE_ROOT must be defined by the build"
#endif

namespace xiuyun {
namespace site_detail {

constexpr std::string_view hostOf(std::string_view root) {
    std::string_view rest = root.substr(root.find("://") + 3);
    return rest.substr(0, rest.find('/'));
}

constexpr std::string_view lastLabelOf(std::string_view host) {
    std::string_view name =
        host.substr(0, host.rfind(':') == std::string_view::npos ? host.size() : host.rfind(':'));
    std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(dot + 1);
}

} // namespace site_detail

// Scheme, host and a trailing "/". ASCII, so these are GBK and UTF-8 alike.
inline constexpr std::string_view SITE_ROOT = XIUYUN_SITE_ROOT;
inline constexpr std::string_view SITE_HOST = site_detail::hostOf(SITE_ROOT);
inline constexpr std::string_view SITE_TLD = site_detail::lastLabelOf(SITE_HOST);

static_assert(SITE_ROOT.ends_with('/') && SITE_ROOT.find("://") != std::string_view::npos,
              "XIUYUN_SITE_ROOT has the form scheme://host/");

} // namespace xiuyun
