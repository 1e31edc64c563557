// The current user's proxy set in the registry as Internet Options sets it (Windows only), and put
// back as it was when the guard ends.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace xiuyun::testing {

class InternetOptionsProxy {
public:
    // A manual proxy: `server` ("host:port" or "http=host:port;https=host:port") and its bypass list.
    InternetOptionsProxy(const std::string& server, const std::string& bypass) {
        ::RegCreateKeyExW(HKEY_CURRENT_USER, connectionsKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                          &m_key, nullptr);
        DWORD type = 0;
        DWORD size = 0;
        if (::RegQueryValueExW(m_key, settingsValue, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
            m_before.emplace(size);
            ::RegQueryValueExW(m_key, settingsValue, nullptr, &type, m_before->data(), &size);
        }
        // The layout Internet Options writes: a version, a change counter and the flags, then the
        // proxy, the bypass list and the script address, each after its length.
        constexpr std::uint32_t version = 0x46, directAndProxy = 0x1 | 0x2;
        std::vector<BYTE> value;
        auto add = [&](std::uint32_t number) {
            const BYTE* bytes = reinterpret_cast<const BYTE*>(&number);
            value.insert(value.end(), bytes, bytes + sizeof number);
        };
        auto addText = [&](const std::string& text) {
            add(static_cast<std::uint32_t>(text.size()));
            value.insert(value.end(), text.begin(), text.end());
        };
        add(version);
        add(1);
        add(directAndProxy);
        addText(server);
        addText(bypass);
        addText("");
        value.resize(value.size() + 32, 0);
        ::RegSetValueExW(m_key, settingsValue, 0, REG_BINARY, value.data(), static_cast<DWORD>(value.size()));
    }

    ~InternetOptionsProxy() {
        if (m_before)
            ::RegSetValueExW(m_key, settingsValue, 0, REG_BINARY, m_before->data(),
                             static_cast<DWORD>(m_before->size()));
        else
            ::RegDeleteValueW(m_key, settingsValue);
        ::RegCloseKey(m_key);
    }
    InternetOptionsProxy(const InternetOptionsProxy&) = delete;
    InternetOptionsProxy& operator=(const InternetOptionsProxy&) = delete;

private:
    static constexpr const wchar_t* connectionsKey =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
    static constexpr const wchar_t* settingsValue = L"DefaultConnectionSettings";
    HKEY m_key = nullptr;
    std::optional<std::vector<BYTE>> m_before;
};

} // namespace xiuyun::testing
