// Regular expressions over GBK text, matched on Unicode.
#pragma once

#include "text/text.h"

#include <memory>

namespace xiuyun {

struct RegexOptions {
    bool caseSensitive = false;
    bool multiline = true;
    bool global = true;
    bool quoteSubstitution = false; // "#引号" in the pattern stands for a double quote
};

// One compiled pattern executed over one subject. Match numbers i and group numbers j count from
// 1; anything out of range reads as an empty text.
class RegexService {
public:
    RegexService();
    ~RegexService();
    // A copy shares the compiled pattern, the matches and the subject they were found in.
    RegexService(const RegexService& other);
    RegexService& operator=(const RegexService& other);

    // True when the pattern was accepted and executed, also with zero matches. The subject is read
    // where it stands: the service keeps only its UTF-8 form.
    bool create(const Text& pattern, const Text& subject, RegexOptions options = {});
    Text patternText() const;
    Text replace(const Text& replacement) const;
    int matchCount() const;
    Text matchValue(int i) const;
    Text subMatch(int i, int j) const;
    int subMatchCount() const;

private:
    struct Compiled;
    struct Matches;
    std::shared_ptr<const Compiled> m_compiled;
    std::shared_ptr<const Matches> m_matches;
};

} // namespace xiuyun
