#include "os/systemproxy.h"

#include <windows.h>
// After windows.h, which it needs.
#include <winhttp.h>

#include <memory>

namespace xiuyun {
namespace {

std::string utf8Of(const wchar_t* wide) {
    if (!wide || !*wide)
        return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string utf8(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), size, nullptr, nullptr);
    utf8.resize(utf8.size() - 1);
    return utf8;
}

std::wstring wideOf(const std::string& utf8) {
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    if (size <= 1)
        return {};
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide.data(), size);
    wide.resize(wide.size() - 1);
    return wide;
}

// WinHTTP hands out its strings to be freed with GlobalFree.
std::string takeString(wchar_t* wide) {
    std::string text = utf8Of(wide);
    if (wide)
        ::GlobalFree(wide);
    return text;
}

struct SessionCloser {
    void operator()(void* session) const { ::WinHttpCloseHandle(session); }
};

} // namespace

std::optional<SystemProxyConfig> currentUserProxyConfig() {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG raw{};
    if (!::WinHttpGetIEProxyConfigForCurrentUser(&raw))
        return std::nullopt;
    SystemProxyConfig config;
    config.autoDetect = raw.fAutoDetect != FALSE;
    config.autoConfigUrl = takeString(raw.lpszAutoConfigUrl);
    config.proxy = takeString(raw.lpszProxy);
    config.bypass = takeString(raw.lpszProxyBypass);
    return config;
}

std::optional<std::string> automaticProxyFor(const std::string& url, const SystemProxyConfig& config) {
    if (!config.autoDetect && config.autoConfigUrl.empty())
        return std::nullopt;
    std::unique_ptr<void, SessionCloser> session(::WinHttpOpen(
        L"xiuyun", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session)
        return std::nullopt;
    // Fetching the script must not hold the program up for long: a few seconds at each step.
    ::WinHttpSetTimeouts(session.get(), 5000, 5000, 5000, 5000);
    const std::wstring scriptUrl = wideOf(config.autoConfigUrl);
    WINHTTP_AUTOPROXY_OPTIONS options{};
    if (!scriptUrl.empty()) {
        options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
        options.lpszAutoConfigUrl = scriptUrl.c_str();
    } else {
        options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
        options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    }
    options.fAutoLogonIfChallenged = TRUE;
    WINHTTP_PROXY_INFO info{};
    if (!::WinHttpGetProxyForUrl(session.get(), wideOf(url).c_str(), &options, &info))
        return std::nullopt;
    std::string proxy = takeString(info.lpszProxy);
    takeString(info.lpszProxyBypass);
    if (info.dwAccessType != WINHTTP_ACCESS_TYPE_NAMED_PROXY)
        proxy.clear();
    return proxy;
}

} // namespace xiuyun
