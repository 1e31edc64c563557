// An environment variable set or cleared for the life of a guard, then put back.
#pragma once

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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
        if (const char* before = std::getenv(m_name.c_str()))
            m_before = before;
        set(value);
    }
    ~EnvironmentVariable() { set(m_before); }
    EnvironmentVariable(const EnvironmentVariable&) = delete;
    EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

private:
    void set(const std::optional<std::string>& value) {
#ifdef _WIN32
        // An empty value removes the variable; the C library passes the change on to the system's copy.
        ::_putenv_s(m_name.c_str(), value ? value->c_str() : "");
#else
        if (value)
            ::setenv(m_name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(m_name.c_str());
#endif
    }

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
