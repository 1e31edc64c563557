// An environment variable set or cleared for the life of a guard, then put back.
#pragma once

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace xiuyun::testing {

// The variable the file layer takes the user's home folder from.
#ifdef _WIN32
inline constexpr const char* homeVariable = "USERPROFILE";
#else
inline constexpr const char* homeVariable = "HOME";
#endif

class EnvironmentVariable {
public:
    // No value clears the variable.
    EnvironmentVariable(std::string name, const std::optional<std::string>& value) : m_name(std::move(name)) {
#ifdef _WIN32
        if (const wchar_t* before = ::_wgetenv(wide(m_name).c_str()))
            m_before = narrow(before);
#else
        if (const char* before = std::getenv(m_name.c_str()))
            m_before = before;
#endif
        set(value);
    }
    ~EnvironmentVariable() {
        set(m_before);
    }
    EnvironmentVariable(const EnvironmentVariable&) = delete;
    EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

private:
    void set(const std::optional<std::string>& value) {
#ifdef _WIN32
        // An empty value removes the variable; the C library passes the change on to the system's
        // copy. Wide, so that a value the user's code page lacks stays whole.
        ::_wputenv_s(wide(m_name).c_str(), value ? wide(*value).c_str() : L"");
#else
        if (value)
            ::setenv(m_name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(m_name.c_str());
#endif
    }

#ifdef _WIN32
    static std::wstring wide(const std::string& utf8) {
        std::wstring result(utf8.size(), L'\0');
        result.resize(static_cast<std::size_t>(
            ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), result.data(),
                                  static_cast<int>(result.size()))));
        return result;
    }
    static std::string narrow(const std::wstring& wide) {
        std::string result(wide.size() * 3, '\0');
        result.resize(static_cast<std::size_t>(
            ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), result.data(),
                                  static_cast<int>(result.size()), nullptr, nullptr)));
        return result;
    }
#endif

    std::string m_name;
    std::optional<std::string> m_before;
};

// Every variable a proxy may come from cleared, then those given set, for the life of the guard.
class ProxyEnvironment {
public:
    explicit ProxyEnvironment(const std::vector<std::pair<std::string, std::string>>& values = {}) {
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                                 "ALL_PROXY", "no_proxy", "NO_PROXY"})
            m_variables.push_back(std::make_unique<EnvironmentVariable>(name, std::nullopt));
        for (const auto& [name, value] : values)
            m_variables.push_back(std::make_unique<EnvironmentVariable>(name, value));
    }

private:
    std::vector<std::unique_ptr<EnvironmentVariable>> m_variables;
};

} // namespace xiuyun::testing
