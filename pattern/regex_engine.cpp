#define PCRE2_CODE_UNIT_WIDTH 16
#include "pattern/regex_engine.h"

#include <pcre2.h>

#include <mutex>
#include <vector>

#include <cctype>
#include <cstdint>

#include "foundation/fatal.h"

namespace kl8 {

static_assert(sizeof(char16_t) == sizeof(PCRE2_UCHAR16));

namespace {

std::atomic<bool> jit_switch{true};

struct CompileContextFree {
    void operator()(pcre2_compile_context_16* p) const { pcre2_compile_context_free_16(p); }
};
struct MatchDataFree {
    void operator()(pcre2_match_data_16* p) const { pcre2_match_data_free_16(p); }
};

// ASCII forms of the character types, for patterns compiled with PCRE2_UCP (which PCRE2 10.42
// needs for Unicode case folding without UTF, and which would otherwise widen \d \w \s \b to
// Unicode). Outside a class the word class is fenced with (?-i:) so that case folding cannot
// add U+017F or U+212A to it.
constexpr std::u16string_view WORD = u"(?-i:[A-Za-z0-9_])";

std::u16string_view outside_class(char16_t escape) {
    switch (escape) {
        case u'd':
            return u"[0-9]";
        case u'D':
            return u"[^0-9]";
        case u'w':
            return WORD;
        case u'W':
            return u"(?-i:[^A-Za-z0-9_])";
        case u's':
            return u"[\\t\\n\\x0B\\f\\r ]";
        case u'S':
            return u"[^\\t\\n\\x0B\\f\\r ]";
        case u'b':
            return u"(?:(?<=(?-i:[A-Za-z0-9_]))(?!(?-i:[A-Za-z0-9_]))"
                   u"|(?<!(?-i:[A-Za-z0-9_]))(?=(?-i:[A-Za-z0-9_])))";
        case u'B':
            return u"(?:(?<=(?-i:[A-Za-z0-9_]))(?=(?-i:[A-Za-z0-9_]))"
                   u"|(?<!(?-i:[A-Za-z0-9_]))(?!(?-i:[A-Za-z0-9_])))";
        default:
            return {};
    }
}

std::u16string_view inside_class(char16_t escape) {
    switch (escape) {
        case u'd':
            return u"0-9";
        case u'D':
            return u"\\x00-\\x2F\\x3A-\\uFFFF";
        case u'w':
            return u"A-Za-z0-9_";
        case u'W':
            return u"\\x00-\\x2F\\x3A-\\x40\\x5B-\\x5E\\x60\\x7B-\\uFFFF";
        case u's':
            return u"\\t\\n\\x0B\\f\\r ";
        case u'S':
            return u"\\x00-\\x08\\x0E-\\x1F\\x21-\\uFFFF";
        default:
            return {};  // \b in a class is the backspace, as everywhere
    }
}

std::u16string with_ascii_character_types(std::u16string_view pattern) {
    std::u16string out;
    out.reserve(pattern.size() + 32);
    bool in_class = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char16_t c = pattern[i];
        if (c == u'\\' && i + 1 < pattern.size()) {
            const char16_t e = pattern[++i];
            const std::u16string_view form = in_class ? inside_class(e) : outside_class(e);
            if (form.empty()) {
                out += c;
                out += e;
            } else {
                out += form;
            }
            continue;
        }
        if (c == u'[' && !in_class) {
            in_class = true;
        } else if (c == u']' && in_class) {
            in_class = false;
        }
        out += c;
    }
    return out;
}

bool has_non_ascii(std::u16string_view s) {
    for (char16_t c : s)
        if (c >= 0x80) return true;
    return false;
}

}  // namespace

void set_jit_enabled(bool enabled) { jit_switch.store(enabled); }
bool jit_enabled() { return jit_switch.load(); }

bool jit_available() {
    std::uint32_t has_jit = 0;
    pcre2_config_16(PCRE2_CONFIG_JIT, &has_jit);
    return has_jit != 0;
}

std::optional<RegexMatch> RegexMatches::item(int k) const {
    if (k < 0 || k >= count()) return std::nullopt;
    return RegexMatch(this, k);
}

std::u16string_view RegexMatch::value() const {
    const int* span = &owner_->spans_[2 * owner_->pair_count() * index_];
    return std::u16string_view(owner_->subject()).substr(span[0], span[1] - span[0]);
}

int RegexMatch::first_index() const { return owner_->spans_[2 * owner_->pair_count() * index_]; }

int RegexMatch::submatch_count() const { return owner_->group_count(); }

std::optional<std::u16string_view> RegexMatch::submatch(int k) const {
    if (k < 0 || k >= owner_->group_count()) return std::nullopt;
    const int* span = &owner_->spans_[2 * (owner_->pair_count() * index_ + k + 1)];
    if (span[0] < 0) return std::nullopt;
    return std::u16string_view(owner_->subject()).substr(span[0], span[1] - span[0]);
}

int RegexMatch::submatch_first_index(int k) const {
    if (k < 0 || k >= owner_->group_count()) return -1;
    return owner_->spans_[2 * (owner_->pair_count() * index_ + k + 1)];
}

namespace {

// Compiled patterns by their source and options. PCRE2's compiled code (JIT code included) is
// read-only while matching, so threads share it; each match brings its own match data and
// context. The cache is small and simply emptied when full.
struct CodeCache {
    struct Entry {
        std::u16string source;
        std::uint32_t options;
        bool jit;
        std::shared_ptr<const pcre2_code_16> code;
    };
    static constexpr std::size_t CAPACITY = 32;
    std::mutex mutex;
    std::vector<Entry> entries;

    std::shared_ptr<const pcre2_code_16> find(std::u16string_view source, std::uint32_t options,
                                              bool jit) {
        std::lock_guard lock(mutex);
        for (const Entry& e : entries) {
            if (e.options == options && e.jit == jit && e.source == source) return e.code;
        }
        return nullptr;
    }
    void add(std::u16string_view source, std::uint32_t options, bool jit,
             std::shared_ptr<const pcre2_code_16> code) {
        std::lock_guard lock(mutex);
        if (entries.size() >= CAPACITY) entries.clear();
        entries.push_back({std::u16string(source), options, jit, std::move(code)});
    }
};

CodeCache& code_cache() {
    static CodeCache* cache = new CodeCache();  // lives to the end: workers may still match
    return *cache;
}

}  // namespace

std::shared_ptr<RegexEngine> RegexEngine::create(std::shared_ptr<EngineThread> thread) {
    if (!thread) return nullptr;
    return std::make_shared<RegexEngine>(Key{}, std::move(thread));
}

RegexEngine::RegexEngine(Key, std::shared_ptr<EngineThread> thread) : thread_(std::move(thread)) {}
RegexEngine::~RegexEngine() = default;

bool RegexEngine::put_property(std::string_view name, bool value) {
    bool* field = name == "IgnoreCase"  ? &ignore_case_
                  : name == "Multiline" ? &multiline_
                  : name == "Global"    ? &global_
                                        : nullptr;
    if (field == nullptr) return false;
    if (*field != value) compiled_current_ = false;
    *field = value;
    return true;
}

void RegexEngine::set_pattern(std::u16string pattern) {
    pattern_ = std::move(pattern);
    compiled_current_ = false;
}

const pcre2_code_16* RegexEngine::compiled() {
    if (compiled_current_) return code_.get();
    compiled_current_ = true;
    code_.reset();
    group_count_ = 0;

    std::unique_ptr<pcre2_compile_context_16, CompileContextFree> context(
        pcre2_compile_context_create_16(nullptr));
    if (!context) report_out_of_memory(256);
    // The line feed alone ends a line, for "." and for "^" and "$" under Multiline.
    pcre2_set_newline_16(context.get(), PCRE2_NEWLINE_LF);

    std::uint32_t options = PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF | PCRE2_ALLOW_EMPTY_CLASS |
                            PCRE2_DOLLAR_ENDONLY | PCRE2_NEVER_BACKSLASH_C;
    if (ignore_case_) options |= PCRE2_CASELESS;
    if (multiline_) options |= PCRE2_MULTILINE;
    std::u16string rewritten;
    std::u16string_view source = pattern_;
    if (ignore_case_ && has_non_ascii(pattern_)) {
        options |= PCRE2_UCP;
        rewritten = with_ascii_character_types(pattern_);
        source = rewritten;
    }

    const bool jit = jit_enabled();
    code_ = code_cache().find(source, options, jit);
    if (!code_) {
        int error = 0;
        PCRE2_SIZE error_offset = 0;
        pcre2_code_16* made =
            pcre2_compile_16(reinterpret_cast<PCRE2_SPTR16>(source.data()), source.size(),
                             options, &error, &error_offset, context.get());
        if (made == nullptr) {
            if (error == PCRE2_ERROR_NOMEMORY) report_out_of_memory(source.size() * 16);
            return nullptr;
        }
        // A JIT failure leaves the interpreter in charge, with the same results.
        if (jit) pcre2_jit_compile_16(made, PCRE2_JIT_COMPLETE);
        code_ = std::shared_ptr<const pcre2_code_16>(
            made, [](const pcre2_code_16* p) { pcre2_code_free_16(const_cast<pcre2_code_16*>(p)); });
        code_cache().add(source, options, jit, code_);
    }
    std::uint32_t captures = 0;
    pcre2_pattern_info_16(code_.get(), PCRE2_INFO_CAPTURECOUNT, &captures);
    group_count_ = static_cast<int>(captures);
    return code_.get();
}

namespace {

bool is_limit_error(int rc) {
    return rc == PCRE2_ERROR_MATCHLIMIT || rc == PCRE2_ERROR_DEPTHLIMIT ||
           rc == PCRE2_ERROR_HEAPLIMIT || rc == PCRE2_ERROR_JIT_STACKLIMIT;
}

// After a search runs out of work, start positions are tried one at a time, each with this
// much work at most (a real match at one position needs far less), and the search gives up on
// the rest of the subject after this many positions ran out.
constexpr std::uint32_t POSITION_MATCH_LIMIT = 1'000'000;
constexpr int MAX_LIMIT_HITS = 64;

struct MatchContextFree {
    void operator()(pcre2_match_context_16* p) const { pcre2_match_context_free_16(p); }
};

}  // namespace

template <typename OnMatch>
bool RegexEngine::run(std::u16string_view subject, OnMatch&& on_match) {
    const pcre2_code_16* code = compiled();
    if (code == nullptr) return false;
    std::unique_ptr<pcre2_match_data_16, MatchDataFree> data(
        pcre2_match_data_create_from_pattern_16(code, nullptr));
    if (!data) report_out_of_memory(16 * (group_count_ + 1));

    const auto* units = reinterpret_cast<PCRE2_SPTR16>(subject.data());
    const std::size_t length = subject.size();
    std::size_t start = 0;
    // Set once a search has run out of work: one hostile stretch must not cost every match
    // after it, so start positions are then tried one at a time, left to right, until the next
    // match (the one the whole search would have given); a position that runs out counts as
    // no match there.
    bool one_at_a_time = false;
    std::unique_ptr<pcre2_match_context_16, MatchContextFree> position_context;
    std::uint32_t first_unit = 0;
    bool first_unit_known = false;
    int limit_hits = 0;
    for (;;) {
        int rc = PCRE2_ERROR_NOMATCH;
        if (!one_at_a_time) {
            rc = pcre2_match_16(code, units, length, start, 0, data.get(), thread_->match_context());
            if (is_limit_error(rc)) {
                if (++limit_hits > MAX_LIMIT_HITS) break;
                one_at_a_time = true;
                if (!position_context) {
                    position_context.reset(pcre2_match_context_copy_16(thread_->match_context()));
                    if (!position_context) report_out_of_memory(256);
                    pcre2_set_match_limit_16(position_context.get(), POSITION_MATCH_LIMIT);
                    // A fixed first unit (not a letter, which case folding may change) lets
                    // only the positions that hold it be tried.
                    std::uint32_t first_type = 0;
                    pcre2_pattern_info_16(code, PCRE2_INFO_FIRSTCODETYPE, &first_type);
                    if (first_type == 1) {
                        pcre2_pattern_info_16(code, PCRE2_INFO_FIRSTCODEUNIT, &first_unit);
                        first_unit_known =
                            !(first_unit < 0x80 && std::isalpha(static_cast<int>(first_unit)));
                    }
                }
                continue;
            }
        } else {
            for (std::size_t p = start; p <= length; ++p) {
                if (first_unit_known) {
                    p = subject.find(static_cast<char16_t>(first_unit), p);
                    if (p == std::u16string_view::npos) break;
                }
                const int at = pcre2_match_16(code, units, length, p, PCRE2_ANCHORED, data.get(),
                                              position_context.get());
                if (at >= 0) {
                    rc = at;
                    break;
                }
                if (is_limit_error(at) && ++limit_hits > MAX_LIMIT_HITS) break;
            }
            one_at_a_time = false;
        }
        // Negative results here are "no match" or limits hit too often: each ends the search.
        // The match data is sized from the pattern, so 0 (ovector too small) cannot happen.
        if (rc <= 0) break;
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer_16(data.get());
        on_match(ovector, rc);
        if (!global_) break;
        const std::size_t begin = ovector[0];
        const std::size_t end = ovector[1];
        const std::size_t next = end > begin ? end : end + 1;
        if (next > length) break;
        start = next;
    }
    return true;
}

std::shared_ptr<const RegexMatches> RegexEngine::execute(
    std::shared_ptr<const std::u16string> subject) {
    if (!subject) subject = std::make_shared<const std::u16string>();
    const std::u16string_view units = *subject;
    if (compiled() == nullptr) return nullptr;
    auto matches = std::make_shared<RegexMatches>(std::move(subject), group_count_);
    const std::size_t pairs = matches->pair_count();
    run(units, [&](const PCRE2_SIZE* ovector, int rc) {
        for (std::size_t g = 0; g < pairs; ++g) {
            const bool set = g < static_cast<std::size_t>(rc) && ovector[2 * g] != PCRE2_UNSET;
            matches->spans_.push_back(set ? static_cast<int>(ovector[2 * g]) : -1);
            matches->spans_.push_back(set ? static_cast<int>(ovector[2 * g + 1]) : -1);
        }
    });
    return matches;
}

std::optional<std::u16string> RegexEngine::replace(std::u16string_view subject,
                                                   std::u16string_view replacement) {
    std::u16string out;
    std::size_t copied = 0;
    const bool ran = run(subject, [&](const PCRE2_SIZE* ovector, int rc) {
        const std::size_t begin = ovector[0];
        const std::size_t end = ovector[1];
        out.append(subject.substr(copied, begin - copied));
        auto group = [&](int g) -> std::u16string_view {
            if (g >= rc || ovector[2 * g] == PCRE2_UNSET) return {};
            return subject.substr(ovector[2 * g], ovector[2 * g + 1] - ovector[2 * g]);
        };
        auto digit = [&](std::size_t at) -> int {
            if (at >= replacement.size()) return -1;
            const char16_t c = replacement[at];
            return c >= u'0' && c <= u'9' ? c - u'0' : -1;
        };
        for (std::size_t i = 0; i < replacement.size(); ++i) {
            const char16_t c = replacement[i];
            if (c != u'$' || i + 1 == replacement.size()) {
                out += c;
                continue;
            }
            const char16_t next = replacement[i + 1];
            if (next == u'$') {
                out += u'$';
                ++i;
            } else if (next == u'&') {
                out.append(subject.substr(begin, end - begin));
                ++i;
            } else if (next == u'`') {
                out.append(subject.substr(0, begin));
                ++i;
            } else if (next == u'\'') {
                out.append(subject.substr(end));
                ++i;
            } else if (const int d1 = digit(i + 1); d1 >= 0) {
                const int d2 = digit(i + 2);
                if (d2 >= 0 && d1 * 10 + d2 >= 1 && d1 * 10 + d2 <= group_count_) {
                    out.append(group(d1 * 10 + d2));
                    i += 2;
                } else if (d1 >= 1 && d1 <= group_count_) {
                    out.append(group(d1));
                    i += 1;
                } else {
                    out += c;
                }
            } else {
                out += c;
            }
        }
        copied = end;
    });
    if (!ran) return std::nullopt;
    out.append(subject.substr(copied));
    return out;
}

}  // namespace kl8
