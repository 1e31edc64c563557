// PCRE2 behind RegexService. Patterns and subjects are GBK; the engine runs in UTF mode on their
// UTF-8 form, and every text that comes back is converted to GBK again.
#include "text/regexservice.h"

#include "text/encoding.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <map>
#include <mutex>
#include <vector>

namespace xiuyun {
namespace {

// A runaway pattern over a hostile page must end as "no match" in bounded time; the system's own
// patterns stay far below these limits even on multi-megabyte pages.
constexpr uint32_t matchLimit = 50'000'000;
constexpr uint32_t depthLimit = 100'000;
constexpr PCRE2_SIZE heapLimitKb = 256 * 1024;
// Nested lazy repeats over large blocks need far more than the JIT's default 32 KB stack.
constexpr PCRE2_SIZE jitStackStart = 64 * 1024;
constexpr PCRE2_SIZE jitStackMaximum = 64 * 1024 * 1024;

// One JIT stack and match context per thread; matching never shares engine state between threads.
class ThreadMatchState {
public:
    ThreadMatchState() {
        m_context = pcre2_match_context_create(nullptr);
        m_stack = pcre2_jit_stack_create(jitStackStart, jitStackMaximum, nullptr);
        pcre2_set_match_limit(m_context, matchLimit);
        pcre2_set_depth_limit(m_context, depthLimit);
        pcre2_set_heap_limit(m_context, heapLimitKb);
        if (m_stack)
            pcre2_jit_stack_assign(m_context, nullptr, m_stack);
    }
    ~ThreadMatchState() {
        pcre2_jit_stack_free(m_stack);
        pcre2_match_context_free(m_context);
    }
    ThreadMatchState(const ThreadMatchState&) = delete;
    ThreadMatchState& operator=(const ThreadMatchState&) = delete;

    pcre2_match_context* context() const { return m_context; }

private:
    pcre2_match_context* m_context = nullptr;
    pcre2_jit_stack* m_stack = nullptr;
};

ThreadMatchState& threadMatchState() {
    thread_local ThreadMatchState state;
    return state;
}

// The matches of one execution over a UTF-8 subject.
struct MatchData {
    std::string subject;
    int groupCount = 0; // capture groups, without the whole match
    // Per match, (groupCount + 1) pairs of start and end offsets; PCRE2_UNSET for a group that
    // took no part.
    std::vector<PCRE2_SIZE> offsets;

    std::size_t pairsPerMatch() const { return static_cast<std::size_t>(groupCount) + 1; }
    int count() const { return static_cast<int>(offsets.size() / (pairsPerMatch() * 2)); }
    std::string_view group(int match, int group) const {
        std::size_t index = (static_cast<std::size_t>(match) * pairsPerMatch() + group) * 2;
        PCRE2_SIZE start = offsets[index];
        PCRE2_SIZE end = offsets[index + 1];
        if (start == PCRE2_UNSET || end < start)
            return {};
        return std::string_view(subject).substr(start, end - start);
    }
};

struct CacheKey {
    std::string pattern;
    uint32_t options;
    auto operator<=>(const CacheKey&) const = default;
};

using SharedCode = std::shared_ptr<const pcre2_code>;

// Analysis runs the same few patterns over every list page; compiling and JIT-compiling each once
// is most of the cost on a short subject.
class CodeCache {
public:
    SharedCode find(const CacheKey& key) {
        std::lock_guard guard(m_mutex);
        auto found = m_entries.find(key);
        return found == m_entries.end() ? nullptr : found->second;
    }
    void insert(const CacheKey& key, SharedCode code) {
        std::lock_guard guard(m_mutex);
        if (m_entries.size() >= maximumEntries)
            m_entries.clear();
        m_entries.emplace(key, std::move(code));
    }

private:
    static constexpr std::size_t maximumEntries = 128;
    std::mutex m_mutex;
    std::map<CacheKey, SharedCode> m_entries;
};

CodeCache& codeCache() {
    static CodeCache cache;
    return cache;
}

SharedCode compile(const std::string& utf8Pattern, uint32_t options) {
    CacheKey key{utf8Pattern, options};
    if (auto cached = codeCache().find(key))
        return cached;

    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    // Lines end at "\r", "\n" or "\r\n", as the pages' own line ends do.
    pcre2_set_newline(context, PCRE2_NEWLINE_ANYCRLF);
    int error = 0;
    PCRE2_SIZE errorOffset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(utf8Pattern.data()), utf8Pattern.size(),
                                     options, &error, &errorOffset, context);
    pcre2_compile_context_free(context);
    if (!code)
        return nullptr;
    pcre2_jit_compile(code, PCRE2_JIT_COMPLETE); // the interpreter runs where the JIT is unavailable
    SharedCode shared(code, [](const pcre2_code* c) { pcre2_code_free(const_cast<pcre2_code*>(c)); });
    codeCache().insert(key, shared);
    return shared;
}

// Every match from left to right (only the first unless global). After an empty match the search
// moves on by one character, as ECMAScript engines do. A match that hits a limit ends the search
// with the matches found before it.
void execute(const pcre2_code* code, bool global, MatchData& data) {
    uint32_t captureCount = 0;
    pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &captureCount);
    data.groupCount = static_cast<int>(captureCount);
    data.offsets.clear();

    pcre2_match_data* matchData = pcre2_match_data_create_from_pattern(code, nullptr);
    pcre2_match_context* context = threadMatchState().context();
    const auto* subject = reinterpret_cast<PCRE2_SPTR>(data.subject.data());
    const PCRE2_SIZE length = data.subject.size();
    PCRE2_SIZE start = 0;
    while (start <= length) {
        // The subject came from our own converter, so it is valid UTF-8; checking it again on
        // every call of a global search would cost the whole rest of the subject each time.
        int result = pcre2_match(code, subject, length, start, PCRE2_NO_UTF_CHECK, matchData, context);
        if (result < 0)
            break;
        const PCRE2_SIZE* vector = pcre2_get_ovector_pointer(matchData);
        for (std::size_t i = 0; i < data.pairsPerMatch() * 2; ++i)
            data.offsets.push_back(i / 2 < static_cast<std::size_t>(result) ? vector[i] : PCRE2_UNSET);
        if (!global)
            break;
        start = vector[1];
        if (vector[0] == vector[1]) {
            if (start >= length)
                break;
            ++start;
            while (start < length && (static_cast<unsigned char>(data.subject[start]) & 0xC0) == 0x80)
                ++start;
        }
    }
    pcre2_match_data_free(matchData);
}

} // namespace

struct RegexService::Compiled {
    Text pattern;
    SharedCode code;
    bool global = true;
};

struct RegexService::Matches : MatchData {};

RegexService::RegexService() = default;
RegexService::~RegexService() = default;
RegexService::RegexService(const RegexService& other) = default;
RegexService& RegexService::operator=(const RegexService& other) = default;

bool RegexService::create(const Text& pattern, const Text& subject, RegexOptions options) {
    m_compiled.reset();
    m_matches.reset();
    // A page is the largest text there is: it is converted once, and never copied as it stands.
    auto matches = std::make_shared<Matches>();
    matches->subject = encoding::gbkToUtf8(subject.bytes());

    Text effective = options.quoteSubstitution ? pattern.replaced("#引号"_t, "\""_t) : pattern;
    uint32_t flags = PCRE2_UTF | PCRE2_NO_UTF_CHECK | PCRE2_DOLLAR_ENDONLY;
    if (!options.caseSensitive)
        flags |= PCRE2_CASELESS;
    if (options.multiline)
        flags |= PCRE2_MULTILINE;
    // The converted pattern is valid UTF-8 by construction, so the check can be skipped.
    SharedCode code = compile(encoding::gbkToUtf8(effective.bytes()), flags);
    // A refused pattern keeps the subject for replace(), with no match in it.
    m_matches = matches;
    if (!code)
        return false;

    auto compiled = std::make_shared<Compiled>();
    compiled->pattern = effective;
    compiled->code = std::move(code);
    compiled->global = options.global;
    execute(compiled->code.get(), compiled->global, *matches);
    m_compiled = std::move(compiled);
    return true;
}

Text RegexService::patternText() const {
    return m_compiled ? m_compiled->pattern : Text();
}

int RegexService::matchCount() const {
    return m_matches ? m_matches->count() : 0;
}

Text RegexService::matchValue(int i) const {
    if (i < 1 || i > matchCount())
        return {};
    return Text::fromGbk(encoding::utf8ToGbk(m_matches->group(i - 1, 0)));
}

Text RegexService::subMatch(int i, int j) const {
    if (i < 1 || i > matchCount() || j < 1 || j > m_matches->groupCount)
        return {};
    return Text::fromGbk(encoding::utf8ToGbk(m_matches->group(i - 1, j)));
}

int RegexService::subMatchCount() const {
    return matchCount() > 0 ? m_matches->groupCount : 0;
}

Text RegexService::replace(const Text& replacement) const {
    if (!m_matches)
        return {};
    const MatchData& data = *m_matches;
    if (!m_compiled)
        return Text::fromGbk(encoding::utf8ToGbk(data.subject));
    const std::string with = encoding::gbkToUtf8(replacement.bytes());

    // ECMAScript replacement patterns: $$, $&, $`, $', $n and $nn.
    std::string result;
    std::size_t copied = 0;
    for (int m = 0; m < data.count(); ++m) {
        std::string_view whole = data.group(m, 0);
        std::size_t matchStart = static_cast<std::size_t>(whole.data() - data.subject.data());
        result.append(data.subject, copied, matchStart - copied);
        for (std::size_t k = 0; k < with.size(); ++k) {
            char c = with[k];
            char next = k + 1 < with.size() ? with[k + 1] : '\0';
            if (c != '$' || next == '\0') {
                result += c;
            } else if (next == '$') {
                result += '$';
                ++k;
            } else if (next == '&') {
                result += whole;
                ++k;
            } else if (next == '`') {
                result.append(data.subject, 0, matchStart);
                ++k;
            } else if (next == '\'') {
                result.append(data.subject, matchStart + whole.size());
                ++k;
            } else if (next >= '0' && next <= '9') {
                int group = next - '0';
                std::size_t used = 1;
                if (k + 2 < with.size() && with[k + 2] >= '0' && with[k + 2] <= '9' &&
                    group * 10 + (with[k + 2] - '0') <= data.groupCount) {
                    group = group * 10 + (with[k + 2] - '0');
                    used = 2;
                }
                if (group >= 1 && group <= data.groupCount) {
                    result += data.group(m, group);
                    k += used;
                } else {
                    result += c;
                }
            } else {
                result += c;
            }
        }
        copied = matchStart + whole.size();
    }
    result.append(data.subject, copied);
    return Text::fromGbk(encoding::utf8ToGbk(result));
}

} // namespace xiuyun
