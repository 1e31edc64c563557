// The wildcard match of folder listings, the same on every system: "*" and "?" without regard to
// ASCII case, as the listings of the platform the design was made for matched.
#include "platform/files.h"

namespace xiuyun::files {

bool wildcardMatches(const Text& wildcard, const Text& name) {
    const std::string& pattern = wildcard.bytes();
    const std::string& subject = name.bytes();
    if (pattern == "*.*" || pattern == "*")
        return true;
    auto fold = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
    // Iterative glob with one back-tracking point per "*".
    std::size_t p = 0, s = 0, starP = std::string::npos, starS = 0;
    while (s < subject.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starS = s;
        } else if (p < pattern.size() && (pattern[p] == '?' || fold(pattern[p]) == fold(subject[s]))) {
            ++p;
            ++s;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            s = ++starS;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace xiuyun::files
